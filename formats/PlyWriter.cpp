// The binary little-endian PLY writer of the export (ExportModel.h): each vertex with its normal,
// its face's diffuse colour and its mapping coordinates.
#include "ExportWriters.h"

#include "GraphErrors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace Plexa3DFormats::Detail {

using namespace ZuveloGraphLibrary;

namespace {

std::uint8_t Byte(float channel) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255));
}

} // namespace

std::vector<TOutputFile> WritePly(const TExportModel& model, const TModelLooks& looks,
                                  const std::string& output) {
    std::size_t vertices = 0, faces = 0;
    for (const TExportMesh& mesh : model.Meshes) {
        for (const TExportPrimitive& primitive : mesh.Primitives) {
            vertices += primitive.Vertices.size();
            faces += primitive.Indices.size() / 3;
        }
    }
    if (vertices > std::numeric_limits<std::uint32_t>::max()) {
        throw RuntimeError("Cannot write file \"" + output + "\": too many vertices for PLY");
    }
    std::string header = "ply\nformat binary_little_endian 1.0\ncomment Written by Plexa3D\n"
                         "element vertex " +
                         std::to_string(vertices) +
                         "\nproperty float x\nproperty float y\nproperty float z\n"
                         "property float nx\nproperty float ny\nproperty float nz\n"
                         "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    if (model.Mapped) {
        header += "property float s\nproperty float t\n";
    }
    header += "element face " + std::to_string(faces) +
              "\nproperty list uchar uint vertex_indices\nend_header\n";
    std::vector<TOutputFile> files(1);
    files[0].Path = output;
    files[0].Stream = [&model, &looks, header](const TEmit& emit) {
        std::vector<std::uint8_t> out(header.begin(), header.end());
        for (const TExportMesh& mesh : model.Meshes) {
            for (const TExportPrimitive& primitive : mesh.Primitives) {
                const TColorF& colour = looks.Materials[primitive.Material].Diffuse;
                for (const TExportVertex& v : primitive.Vertices) {
                    for (const float value : {v.Position.X, v.Position.Y, v.Position.Z, v.Normal.X,
                                              v.Normal.Y, v.Normal.Z}) {
                        PutFloat(out, value);
                    }
                    out.insert(out.end(), {Byte(colour.R), Byte(colour.G), Byte(colour.B)});
                    if (model.Mapped) {
                        PutFloat(out, v.Mapping.U);
                        PutFloat(out, v.Mapping.V);
                    }
                    EmitPiece(out, emit, true);
                }
            }
        }
        std::size_t base = 0;
        for (const TExportMesh& mesh : model.Meshes) {
            for (const TExportPrimitive& primitive : mesh.Primitives) {
                for (std::size_t i = 0; i + 2 < primitive.Indices.size(); i += 3) {
                    out.push_back(3);
                    for (std::size_t k = 0; k < 3; ++k) {
                        const auto index = std::uint32_t(base + primitive.Indices[i + k]);
                        for (int b = 0; b < 4; ++b) {
                            out.push_back(std::uint8_t(index >> (8 * b)));
                        }
                    }
                    EmitPiece(out, emit, true);
                }
                base += primitive.Vertices.size();
            }
        }
        EmitPiece(out, emit);
    };
    return files;
}

} // namespace Plexa3DFormats::Detail
