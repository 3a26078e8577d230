#include "WriterPly.h"

#include "Writer3DS.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace Plexa3DTools {

namespace {

// The size of a value of the type, and whether it is a whole number.
struct TTypeInfo {
    std::size_t Size = 4;
    bool Integer = false;
};

TTypeInfo Info(const std::string& type) {
    if (type == "char" || type == "int8") {
        return {1, true};
    }
    if (type == "uchar" || type == "uint8") {
        return {1, true};
    }
    if (type == "short" || type == "int16") {
        return {2, true};
    }
    if (type == "ushort" || type == "uint16") {
        return {2, true};
    }
    if (type == "int" || type == "int32") {
        return {4, true};
    }
    if (type == "uint" || type == "uint32") {
        return {4, true};
    }
    if (type == "double" || type == "float64") {
        return {8, false};
    }
    return {4, false};
}

void Put(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void PutValue(std::vector<std::uint8_t>& out, TPlyEncoding encoding, const std::string& type,
              double value, bool first) {
    const TTypeInfo info = Info(type);
    if (encoding == TPlyEncoding::Ascii) {
        char text[64];
        char* end = text;
        if (!first) {
            *end++ = ' ';
        }
        if (info.Integer) {
            end = std::to_chars(end, text + sizeof text, std::int64_t(value)).ptr;
        } else if (info.Size == 8) {
            end = std::to_chars(end, text + sizeof text, value).ptr;
        } else {
            end = std::to_chars(end, text + sizeof text, float(value)).ptr;
        }
        out.insert(out.end(), text, end);
        return;
    }
    std::uint64_t bits = 0;
    if (info.Integer) {
        bits = std::uint64_t(std::int64_t(value)); // a negative value wraps, as C writes it
    } else if (info.Size == 8) {
        std::memcpy(&bits, &value, 8);
    } else {
        const float single = float(value);
        std::uint32_t word = 0;
        std::memcpy(&word, &single, 4);
        bits = word;
    }
    for (std::size_t i = 0; i < info.Size; ++i) {
        const std::size_t shift = encoding == TPlyEncoding::BigEndian ? info.Size - 1 - i : i;
        out.push_back(std::uint8_t(bits >> (8 * shift)));
    }
}

} // namespace

std::vector<std::uint8_t> PlyBytes(const TPlyFile& file) {
    std::vector<std::uint8_t> out;
    const std::string& end = file.LineEnd;
    Put(out, "ply" + end);
    const char* kind = file.Encoding == TPlyEncoding::Ascii          ? "ascii"
                       : file.Encoding == TPlyEncoding::LittleEndian ? "binary_little_endian"
                                                                     : "binary_big_endian";
    Put(out, (file.Format.empty() ? std::string("format ") + kind + " 1.0" : file.Format) + end);
    for (const std::string& line : file.HeaderLines) {
        Put(out, line + end);
    }
    for (const TPlyElement& element : file.Elements) {
        Put(out, "element " + element.Name + " " +
                     std::to_string(element.StoredCount.value_or(element.Items.size())) + end);
        for (const TPlyProperty& p : element.Properties) {
            Put(out, "property " + (p.CountType.empty() ? "" : "list " + p.CountType + " ") +
                         p.Type + " " + p.Name + end);
        }
    }
    Put(out, "end_header" + end);
    for (const TPlyElement& element : file.Elements) {
        for (const std::vector<double>& item : element.Items) {
            std::size_t at = 0;
            for (const TPlyProperty& p : element.Properties) {
                if (at >= item.size()) {
                    break;
                }
                if (p.CountType.empty()) {
                    PutValue(out, file.Encoding, p.Type, item[at], at == 0);
                    ++at;
                    continue;
                }
                const auto count = std::size_t(item[at]);
                PutValue(out, file.Encoding, p.CountType, item[at], at == 0);
                ++at;
                for (std::size_t k = 0; k < count && at < item.size(); ++k, ++at) {
                    PutValue(out, file.Encoding, p.Type, item[at], false);
                }
            }
            if (file.Encoding == TPlyEncoding::Ascii) {
                Put(out, end);
            }
        }
    }
    return out;
}

TPlyFile PlyModel(const std::vector<TMeshSpec>& meshes, const TPlyModelOptions& options) {
    TPlyFile file;
    file.Encoding = options.Encoding;
    if (!options.TextureFile.empty()) {
        file.HeaderLines.push_back("comment TextureFile " + options.TextureFile);
    }
    bool mapping = false;
    for (const TMeshSpec& mesh : meshes) {
        mapping = mapping || !mesh.Mapping.empty();
    }
    const bool integerColours = Info(options.ColourType).Integer;
    const auto colour = [&](float c) {
        return integerColours ? std::round(double(c) * 255) : double(c);
    };
    TPlyElement vertices{"vertex"};
    for (const char* axis : {"x", "y", "z"}) {
        vertices.Properties.push_back({options.CoordinateType, axis});
    }
    if (!options.Normals.empty()) {
        for (const char* axis : {"nx", "ny", "nz"}) {
            vertices.Properties.push_back({"float", axis});
        }
    }
    if (!options.VertexColours.empty()) {
        for (const std::string& name : options.ColourNames) {
            vertices.Properties.push_back({options.ColourType, name});
        }
    }
    if (mapping) {
        for (const std::string& name : options.MappingNames) {
            vertices.Properties.push_back({"float", name});
        }
    }
    TPlyElement faces{"face", {{options.IndexType, options.IndexName, options.CountType}}};
    if (!options.FaceColours.empty()) {
        for (const std::string& name : options.ColourNames) {
            faces.Properties.push_back({options.ColourType, name});
        }
    }
    std::size_t base = 0;
    for (const TMeshSpec& mesh : meshes) {
        for (std::size_t i = 0; i < mesh.Vertices.size(); ++i) {
            const std::size_t v = vertices.Items.size();
            std::vector<double> item(mesh.Vertices[i].begin(), mesh.Vertices[i].end());
            if (!options.Normals.empty()) {
                item.insert(item.end(), options.Normals.at(v).begin(), options.Normals.at(v).end());
            }
            if (!options.VertexColours.empty()) {
                for (const float c : options.VertexColours.at(v)) {
                    item.push_back(colour(c));
                }
            }
            if (mapping) {
                const bool has = i < mesh.Mapping.size();
                item.push_back(has ? mesh.Mapping[i][0] : 0);
                item.push_back(has ? mesh.Mapping[i][1] : 0);
            }
            vertices.Items.push_back(std::move(item));
        }
        for (const auto& f : mesh.Faces) {
            std::vector<double> item{3, double(base + f[0]), double(base + f[1]),
                                     double(base + f[2])};
            if (!options.FaceColours.empty()) {
                for (const float c : options.FaceColours.at(faces.Items.size())) {
                    item.push_back(colour(c));
                }
            }
            faces.Items.push_back(std::move(item));
        }
        base += mesh.Vertices.size();
    }
    file.Elements = {std::move(vertices), std::move(faces)};
    return file;
}

std::vector<std::uint8_t> PlyFile(const std::vector<TMeshSpec>& meshes,
                                  const TPlyModelOptions& options) {
    return PlyBytes(PlyModel(meshes, options));
}

} // namespace Plexa3DTools
