#include "WriterOff.h"

#include "Writer3DS.h"

#include <charconv>

namespace Plexa3DTools {

namespace {

std::string Number(float value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

} // namespace

std::vector<std::uint8_t> OffFile(const std::vector<TMeshSpec>& meshes,
                                  const TOffOptions& options) {
    const std::string& word = options.Word;
    const bool homogeneous = word.find('4') != std::string::npos;
    const bool dimension = word.find('n') != std::string::npos;
    const bool texture = word.starts_with("ST");
    const bool colours = word.find('C') != std::string::npos;
    const bool normals = word.find('N') != std::string::npos;
    std::size_t vertexCount = 0;
    std::size_t faceCount = options.Polygons.size();
    for (const TMeshSpec& mesh : meshes) {
        vertexCount += mesh.Vertices.size();
        faceCount += options.Polygons.empty() ? mesh.Faces.size() : 0;
    }
    std::string text;
    const std::string end = (options.Comments ? " # a comment" : "") + options.LineEnd;
    if (options.Comments) {
        text += "# written for the tests" + options.LineEnd;
    }
    text += word + end;
    if (dimension) {
        text += std::to_string(options.Dimension) + end;
    }
    text += (options.Counts.empty()
                 ? std::to_string(vertexCount) + " " + std::to_string(faceCount) + " 0"
                 : options.Counts) +
            end;
    if (options.Comments) {
        text += options.LineEnd + "# the vertices" + options.LineEnd;
    }
    std::size_t v = 0;
    for (const TMeshSpec& mesh : meshes) {
        for (std::size_t i = 0; i < mesh.Vertices.size(); ++i, ++v) {
            const float w = v < options.W.size() ? options.W[v] : 1;
            const int axes = dimension ? options.Dimension : 3;
            std::string line;
            for (int a = 0; a < axes; ++a) {
                line +=
                    (a > 0 ? " " : "") +
                    Number(a < 3 ? mesh.Vertices[i][std::size_t(a)] * (homogeneous ? w : 1) : 0);
            }
            if (homogeneous) {
                line += " " + Number(w);
            }
            if (normals) {
                for (int a = 0; a < axes; ++a) {
                    line += " " + Number(a < 3 ? options.Normals.at(v)[std::size_t(a)] : 0);
                }
            }
            if (colours) {
                line += " " + options.VertexColours.at(v);
            }
            if (texture) {
                const bool mapped = i < mesh.Mapping.size();
                line += " " + Number(mapped ? mesh.Mapping[i][0] : 0) + " " +
                        Number(mapped ? mesh.Mapping[i][1] : 0);
            }
            text += line + end;
        }
    }
    if (options.Comments) {
        text += "# the faces" + options.LineEnd;
    }
    std::size_t face = 0;
    const auto faceLine = [&](const std::vector<std::int64_t>& corners) {
        std::string line = std::to_string(corners.size());
        for (const std::int64_t c : corners) {
            line += " " + std::to_string(c);
        }
        if (face < options.FaceColours.size() && !options.FaceColours[face].empty()) {
            line += " " + options.FaceColours[face];
        }
        ++face;
        text += line + end;
    };
    if (!options.Polygons.empty()) {
        for (const auto& polygon : options.Polygons) {
            faceLine(polygon);
        }
    } else {
        std::size_t base = 0;
        for (const TMeshSpec& mesh : meshes) {
            for (const auto& f : mesh.Faces) {
                faceLine({std::int64_t(base + f[0]), std::int64_t(base + f[1]),
                          std::int64_t(base + f[2])});
            }
            base += mesh.Vertices.size();
        }
    }
    return {text.begin(), text.end()};
}

} // namespace Plexa3DTools
