#include "Renderer.h"

#include "GraphErrors.h"
#include "RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ZuveloGraphLibrary {

TViewOrigin ViewOrigin;
TViewNavigation ViewNavigation;
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

// The projection of one call: the view origin and the navigation, read once.
class TProjector {
public:
    explicit TProjector(bool perspective)
        : perspective_(perspective), distance_(PerspectiveDistance), aspect_(PerspectiveAspect),
          zoom_(ViewNavigation.Zoom), shiftX_(ViewNavigation.ShiftX),
          shiftY_(ViewNavigation.ShiftY), moveBack_(ViewNavigation.MoveBack),
          baseInRange_(
              !__builtin_add_overflow(std::int64_t{ViewOrigin.X}, ViewNavigation.PanX, &baseX_) &&
              !__builtin_add_overflow(std::int64_t{ViewOrigin.Y}, ViewNavigation.PanY, &baseY_)) {}

    // The offsets before Zoom and Shift, x right and y up; false for a perspective corner whose
    // z' is 0 or not a number.
    bool Unzoomed(const TPoint3D& p, double& x, double& y) const {
        if (!perspective_) {
            x = p.X;
            y = p.Y;
            return true;
        }
        const double z = p.Z - moveBack_;
        if (z == 0 || std::isnan(z)) {
            return false;
        }
        const double q = distance_ / z;
        x = q * p.X;
        y = (q * p.Y) * aspect_;
        return true;
    }

    // Sets a corner's rounded offset, or leaves it as the previous face had it.
    void Project(const TPoint3D& p, TPaneCorner& corner) const {
        double x = 0;
        double y = 0;
        if (Unzoomed(p, x, y)) {
            corner = {Round(zoom_ * x + shiftX_), Round(zoom_ * y - shiftY_)};
        }
    }

    // The pane pixel of a rounded offset: origin plus pan, then plus or minus the offset.
    TPaneCorner Pane(const TPaneCorner& offset) const {
        if (!baseInRange_) {
            RaiseInvalidOperation();
        }
        return {PaneCoordinate(baseX_, offset.X, false), PaneCoordinate(baseY_, offset.Y, true)};
    }

private:
    bool perspective_;
    double distance_, aspect_, zoom_, shiftX_, shiftY_, moveBack_;
    std::int64_t baseX_ = 0, baseY_ = 0; // origin plus pan
    bool baseInRange_;
};

// Draws the faces in array order, corners A, B, C. A perspective corner at depth 0 (or whose
// depth is not a number) keeps the value it had in the previous face; in the first face, 0.
void DrawFaces(const TImageView& image, const TObject3D& object, const TProjector& projector) {
    TPaneTriangle projected; // kept from face to face
    const std::int32_t faces = FacesInUse(object);
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D& face = object.Faces[i];
        if (!FaceInRange(object, face)) {
            continue;
        }
        const auto corners = FaceCorners(object, face);
        TPaneTriangle pane;
        for (std::size_t k = 0; k < 3; ++k) {
            projector.Project(corners[k], projected[k]);
        }
        for (std::size_t k = 0; k < 3; ++k) {
            pane[k] = projector.Pane(projected[k]);
        }
        DrawTriangleWide(image, pane[0].X, pane[0].Y, pane[1].X, pane[1].Y, pane[2].X, pane[2].Y,
                         DrawColor);
    }
}

bool KnownMode() {
    return ProjectionMode == ParallelProjection || ProjectionMode == PerspectiveProjection;
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

void SetViewNavigation(const TViewNavigation& navigation) {
    ViewNavigation = navigation;
}

void ResetViewNavigation() {
    ViewNavigation = {};
}

void DrawObject3D(const TImageView& image, const TObject3D& object) {
    if (object.FaceCount <= 0 || !KnownMode()) {
        return;
    }
    DrawFaces(image, object, TProjector(ProjectionMode == PerspectiveProjection));
}

TProjectedExtent ProjectedExtent(const TObject3D& object) {
    TProjectedExtent extent;
    if (!KnownMode()) {
        return extent;
    }
    const bool perspective = ProjectionMode == PerspectiveProjection;
    const TProjector projector(perspective);
    bool anyZ = false;
    const std::int32_t faces = FacesInUse(object);
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D& face = object.Faces[i];
        if (!FaceInRange(object, face)) {
            continue;
        }
        for (const TPoint3D& p : FaceCorners(object, face)) {
            if (!std::isnan(p.Z)) {
                extent.MaxZ = anyZ ? std::max(extent.MaxZ, double(p.Z)) : double(p.Z);
                anyZ = true;
            }
            double x = 0;
            double y = 0;
            if (!projector.Unzoomed(p, x, y) || std::isnan(x) || std::isnan(y)) {
                continue;
            }
            if (extent.Empty) {
                extent.MinX = extent.MaxX = x;
                extent.MinY = extent.MaxY = y;
                extent.Empty = false;
            } else {
                extent.MinX = std::min(extent.MinX, x);
                extent.MaxX = std::max(extent.MaxX, x);
                extent.MinY = std::min(extent.MinY, y);
                extent.MaxY = std::max(extent.MaxY, y);
            }
        }
    }
    return extent;
}

} // namespace ZuveloGraphLibrary
