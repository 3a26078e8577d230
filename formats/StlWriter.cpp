// The binary STL writer of the export (ExportModel.h): every face with its own normal, no colour.
#include "ExportWriters.h"

#include "GraphErrors.h"
#include "Smoothing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace Plexa3DFormats::Detail {

using namespace ZuveloGraphLibrary;

namespace {

constexpr std::size_t HeaderSize = 80;
constexpr std::size_t TriangleSize = 50;

} // namespace

std::vector<TOutputFile> WriteStl(const TExportModel& model, const std::string& output) {
    std::size_t triangles = 0;
    for (const TExportMesh& mesh : model.Meshes) {
        for (const TExportPrimitive& primitive : mesh.Primitives) {
            triangles += primitive.Indices.size() / 3;
        }
    }
    if (triangles > std::numeric_limits<std::uint32_t>::max()) {
        throw RuntimeError("Cannot write file \"" + output + "\": too many faces for STL");
    }
    std::vector<TOutputFile> files(1);
    files[0].Path = output;
    files[0].Stream = [&model, triangles](const TEmit& emit) {
        std::vector<std::uint8_t> out;
        out.reserve(std::min(PieceSize, HeaderSize + 4 + TriangleSize * triangles) + TriangleSize);
        // Not "solid": a binary file whose header began so would be taken for text by some
        // readers.
        std::string header = "Binary STL written by Plexa3D";
        header.resize(HeaderSize, ' ');
        out.insert(out.end(), header.begin(), header.end());
        Put32(out, std::uint32_t(triangles));
        for (const TExportMesh& mesh : model.Meshes) {
            for (const TExportPrimitive& primitive : mesh.Primitives) {
                for (std::size_t i = 0; i + 2 < primitive.Indices.size(); i += 3) {
                    const TPoint3D& a = primitive.Vertices[primitive.Indices[i]].Position;
                    const TPoint3D& b = primitive.Vertices[primitive.Indices[i + 1]].Position;
                    const TPoint3D& c = primitive.Vertices[primitive.Indices[i + 2]].Position;
                    const TNormal n = TriangleNormal(a, b, c);
                    const double length = std::sqrt(n.X * n.X + n.Y * n.Y + n.Z * n.Z);
                    const double scale = length > 0 && std::isfinite(length) ? 1 / length : 0;
                    for (const double v : {n.X * scale, n.Y * scale, n.Z * scale}) {
                        PutFloat(out, float(v));
                    }
                    for (const TPoint3D* p : {&a, &b, &c}) {
                        PutFloat(out, p->X);
                        PutFloat(out, p->Y);
                        PutFloat(out, p->Z);
                    }
                    out.push_back(0);
                    out.push_back(0);
                    EmitPiece(out, emit, true);
                }
            }
        }
        EmitPiece(out, emit);
    };
    return files;
}

} // namespace Plexa3DFormats::Detail
