// Fuzz target of the .3DS readers. Each input is read in memory, as a whole file, by both the
// first-mesh reader and the whole-model reader, and the whole model is then fitted. A load either
// raises one of the library's errors or leaves a record whose counts and arrays agree; a whole
// model's face numbers all lie in range, and a fitted model's used vertices lie within the fit's
// radius. Anything else stops the run.
#include "FitPlacement.h"
#include "Import3DS.h"
#include "Import3DSModel.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

using namespace ZuveloGraphLibrary;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

void CheckRecord(const TObject3D& object) {
    Require(object.Name.size() <= MaxObjectNameLength, "name longer than 80 bytes");
    Require(object.VertexCount >= 0 && object.VertexCount <= 65535, "vertex count range");
    Require(object.FaceCount >= 0 && object.FaceCount <= 65535, "face count range");
    Require(object.Vertices.Count() == object.VertexCount, "vertex array size");
    Require(object.WorldVertices.Count() == object.VertexCount, "world vertex array size");
    Require(object.Faces.Count() == object.FaceCount, "face array size");
}

bool InRange(const TObject3D& object, const TFace3D& face) {
    const auto count = static_cast<std::uint32_t>(object.VertexCount);
    return face.A >= 1 && face.A <= count && face.B >= 1 && face.B <= count && face.C >= 1 &&
           face.C <= count;
}

void CheckModel(TObject3D& object) {
    Require(object.Name.size() <= MaxObjectNameLength, "model name longer than 80 bytes");
    Require(object.VertexCount >= 0 && object.FaceCount >= 0, "model counts not negative");
    Require(object.Vertices.Count() == object.VertexCount, "model vertex array size");
    Require(object.WorldVertices.Count() == object.VertexCount, "model world vertex array size");
    Require(object.Faces.Count() == object.FaceCount, "model face array size");
    for (const TFace3D& face : object.Faces) {
        Require(InRange(object, face), "model face number out of range");
    }
    try {
        if (!FitObjectVertices(object)) {
            return;
        }
    } catch (const FloatingPointError&) {
        return;
    }
    // Vertices with a coordinate that is not finite are not fitted; the others are, up to the
    // rounding of each coordinate to single precision.
    constexpr double Slack = 1 + 1e-6;
    for (const TFace3D& face : object.Faces) {
        for (const std::uint32_t number : {face.A, face.B, face.C}) {
            const TPoint3D& p = object.Vertices[static_cast<std::int32_t>(number)];
            const double distance = std::hypot(double(p.X), double(p.Y), double(p.Z));
            Require(!std::isfinite(distance) || distance <= FitRadius * Slack,
                    "fitted vertex beyond the radius");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    TObject3D object;
    try {
        Load3DSBytes(bytes, object);
        CheckRecord(object);
    } catch (const RuntimeError&) {
    }
    TObject3D model;
    try {
        Load3DSModelBytes(bytes, model);
        CheckModel(model);
    } catch (const RuntimeError&) {
    }
    return 0;
}
