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

std::vector<TOutputFile> WriteStl(const TObject3D& object, const TExportOrder& order,
                                  const std::string& output) {
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    const auto written = [&object, vertices](std::uint32_t f) {
        return FaceInRange(object.Faces[std::int32_t(f + 1)], vertices);
    };
    const auto triangles =
        std::size_t(std::count_if(order.Faces.begin(), order.Faces.end(), written));
    if (triangles > std::numeric_limits<std::uint32_t>::max()) {
        throw RuntimeError("Cannot write file \"" + output + "\": too many faces for STL");
    }
    std::vector<TOutputFile> files(1);
    files[0].Path = output;
    files[0].Stream = [&object, &order, written, triangles](const TEmit& emit) {
        std::vector<std::uint8_t> out;
        out.reserve(std::min(PieceSize, HeaderSize + 4 + TriangleSize * triangles) + TriangleSize);
        // Not "solid": a binary file whose header began so would be taken for text by some
        // readers.
        std::string header = "Binary STL written by Plexa3D";
        header.resize(HeaderSize, ' ');
        out.insert(out.end(), header.begin(), header.end());
        Put32(out, std::uint32_t(triangles));
        for (const std::uint32_t f : order.Faces) {
            if (!written(f)) {
                continue;
            }
            const TFace3D& face = object.Faces[std::int32_t(f + 1)];
            const TPoint3D& a = object.WorldVertices[std::int32_t(face.A)];
            const TPoint3D& b = object.WorldVertices[std::int32_t(face.B)];
            const TPoint3D& c = object.WorldVertices[std::int32_t(face.C)];
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
        EmitPiece(out, emit);
    };
    return files;
}

} // namespace Plexa3DFormats::Detail
