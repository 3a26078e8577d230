#include "Renderer.h"

#include "GraphErrors.h"
#include "RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ZuveloGraphLibrary {

TViewOrigin ViewOrigin;
std::uint8_t ProjectionMode = 0;
double PerspectiveDistance = 0;
double PerspectiveAspect = 0;

namespace {

struct TPaneCorner {
    std::int64_t X = 0;
    std::int64_t Y = 0;
};
using TPaneTriangle = std::array<TPaneCorner, 3>;

[[noreturn]] void RaiseInvalidOperation() {
    throw FloatingPointError(FloatFault::InvalidOperation);
}

// Round to nearest, ties to even, into a signed 64-bit integer. The range is tested before any
// conversion: converting an out-of-range double is undefined. A double of 2^52 or more in
// magnitude is already whole, so testing the value is testing its rounded value; lrint rounds in
// the same mode as nearbyint, in one instruction instead of a library call.
std::int64_t Round(double value) {
    if (!(value >= -0x1p63 && value < 0x1p63)) {
        RaiseInvalidOperation();
    }
    return std::lrint(value);
}

// The origin plus a projected offset, as one 64-bit pane coordinate.
std::int64_t PaneCoordinate(std::int64_t origin, std::int64_t offset, bool subtract) {
    std::int64_t result = 0;
    const bool overflow = subtract ? __builtin_sub_overflow(origin, offset, &result)
                                   : __builtin_add_overflow(origin, offset, &result);
    if (overflow) {
        RaiseInvalidOperation();
    }
    return result;
}

bool FaceInRange(const TObject3D& object, const TFace3D& face) {
    const std::int32_t count = std::min(object.VertexCount, object.WorldVertices.Count());
    const auto valid = [count](std::uint32_t n) { return n >= 1 && std::int64_t{n} <= count; };
    return valid(face.A) && valid(face.B) && valid(face.C);
}

std::int32_t FacesInUse(const TObject3D& object) {
    return std::clamp(object.FaceCount, 0, object.Faces.Count());
}

std::array<TPoint3D, 3> FaceCorners(const TObject3D& object, const TFace3D& face) {
    return {object.WorldVertices[face.A], object.WorldVertices[face.B],
            object.WorldVertices[face.C]};
}

void DrawFace(const TImageView& image, const TPaneTriangle& projected) {
    const std::int64_t ox = ViewOrigin.X;
    const std::int64_t oy = ViewOrigin.Y;
    TPaneTriangle pane;
    for (std::size_t k = 0; k < 3; ++k) {
        pane[k] = {PaneCoordinate(ox, projected[k].X, false),
                   PaneCoordinate(oy, projected[k].Y, true)};
    }
    DrawTriangleWide(image, pane[0].X, pane[0].Y, pane[1].X, pane[1].Y, pane[2].X, pane[2].Y,
                     DrawColor);
}

// Draws the faces in array order, corners A, B, C; project(point, corner) sets a corner's
// projected offset from the view origin, or leaves it as the previous face had it.
template <class Project>
void DrawFaces(const TImageView& image, const TObject3D& object, Project project) {
    TPaneTriangle projected; // kept from face to face
    const std::int32_t faces = FacesInUse(object);
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D& face = object.Faces[i];
        if (!FaceInRange(object, face)) {
            continue;
        }
        const auto corners = FaceCorners(object, face);
        for (std::size_t k = 0; k < 3; ++k) {
            project(corners[k], projected[k]);
        }
        DrawFace(image, projected);
    }
}

void DrawParallel(const TImageView& image, const TObject3D& object) {
    DrawFaces(image, object, [](const TPoint3D& p, TPaneCorner& corner) {
        corner = {Round(p.X), Round(p.Y)};
    });
}

// A corner at depth 0 (or whose depth is not a number) keeps the value it had in the previous
// face; in the first face, that is the view origin.
void DrawPerspective(const TImageView& image, const TObject3D& object) {
    const double d = PerspectiveDistance;
    const double f = PerspectiveAspect;
    DrawFaces(image, object, [d, f](const TPoint3D& p, TPaneCorner& corner) {
        if (p.Z != 0 && !std::isnan(p.Z)) {
            const double q = d / p.Z;
            corner = {Round(q * p.X), Round((q * p.Y) * f)};
        }
    });
}

} // namespace

void SetViewOrigin(std::uint16_t X, std::uint16_t Y) {
    ViewOrigin = {X, Y};
}

void SetParallelProjection() {
    ProjectionMode = ParallelProjection;
}

void SetPerspectiveProjection() {
    PerspectiveAspect = 4.0 / 3.0;
    PerspectiveDistance = 200.0;
    ProjectionMode = PerspectiveProjection;
}

void DrawObject3D(const TImageView& image, const TObject3D& object) {
    if (object.FaceCount <= 0) {
        return;
    }
    if (ProjectionMode == ParallelProjection) {
        DrawParallel(image, object);
    } else if (ProjectionMode == PerspectiveProjection) {
        DrawPerspective(image, object);
    }
}

} // namespace ZuveloGraphLibrary
