#include "Renderer.h"

#include "GraphErrors.h"
#include "InsideLines.h"
#include "RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

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
bool InRoundRange(double value) {
    return value >= -0x1p63 && value < 0x1p63;
}

std::int64_t Round(double value) {
    if (!InRoundRange(value)) {
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

    bool BaseInRange() const { return baseInRange_; }

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

    // The pane pixel of a corner, computed as Project and Pane compute it, without raising.
    enum class TCorner { Pixel, Kept, Raises };
    TCorner TryPanePoint(const TPoint3D& p, TPaneCorner& pane) const {
        double x = 0;
        double y = 0;
        if (!Unzoomed(p, x, y)) {
            return TCorner::Kept;
        }
        double ox = 0;
        double oy = 0;
        Offsets(x, y, ox, oy);
        if (!InRoundRange(ox) || !InRoundRange(oy) || !baseInRange_ ||
            __builtin_add_overflow(baseX_, std::lrint(ox), &pane.X) ||
            __builtin_sub_overflow(baseY_, std::lrint(oy), &pane.Y)) {
            return TCorner::Raises;
        }
        return TCorner::Pixel;
    }

    // The zoomed and shifted offsets, before rounding.
    void Offsets(double x, double y, double& ox, double& oy) const {
        ox = zoom_ * x + shiftX_;
        oy = zoom_ * y - shiftY_;
    }

    // Whether origin plus pan lies within SmallBase of 0 on both axes.
    static constexpr double SmallOffset = 0x1p30;
    static constexpr std::int64_t SmallBase = std::int64_t(1) << 30;
    bool BaseSmall() const {
        return baseInRange_ && baseX_ > -SmallBase && baseX_ < SmallBase && baseY_ > -SmallBase &&
               baseY_ < SmallBase;
    }

    // TryPanePoint for a base that is small: true, with the pixel, when both offsets lie within
    // SmallOffset of 0, so that the pixel lies within 2^31 of 0 and no test of a range is left;
    // false when the plain computation must decide.
    bool SmallPanePoint(const TPoint3D& p, std::int32_t& paneX, std::int32_t& paneY) const {
        double x = 0;
        double y = 0;
        if (!Unzoomed(p, x, y)) {
            return false;
        }
        double ox = 0;
        double oy = 0;
        Offsets(x, y, ox, oy);
        if (!(std::fabs(ox) < SmallOffset && std::fabs(oy) < SmallOffset)) {
            return false;
        }
        paneX = std::int32_t(baseX_) + std::int32_t(std::lrint(ox));
        paneY = std::int32_t(baseY_) - std::int32_t(std::lrint(oy));
        return true;
    }

    // Sets a corner's pane pixel, or leaves it as the previous face had it.
    void PanePoint(const TPoint3D& p, TPaneCorner& pane) const {
        TPaneCorner result;
        switch (TryPanePoint(p, result)) {
        case TCorner::Pixel:
            pane = result;
            break;
        case TCorner::Kept:
            break;
        case TCorner::Raises:
            RaiseInvalidOperation();
        }
    }

    TPaneCorner Base() const { return {baseX_, baseY_}; }

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

// ---- The fast drawing ----

// A vertex's pane pixel, projected once per call; X = NoPlainPixel where the vertex keeps the
// previous face's value, raises, or lies beyond 32 bits: such a corner is projected again, face
// by face, as the plain drawing does.
struct TVertexPixel {
    std::int32_t X, Y;
};
constexpr std::int32_t NoPlainPixel = std::numeric_limits<std::int32_t>::min();

// The same pixel relative to the window's top-left corner, with OutsideWindow set in X when it
// lies outside the window (or is no plain pixel): a face is inside when none of its corners has it.
struct TWindowPixel {
    std::uint32_t X, Y;
};
constexpr std::uint32_t OutsideWindow = 0x80000000u;

// Kept from call to call, so that a redraw allocates nothing. PixelBytes holds, for a pixel inside
// the window, the distance from the image's first byte to the pixel's.
std::vector<TVertexPixel> VertexPixels;
std::vector<TWindowPixel> WindowPixels;
std::vector<std::ptrdiff_t> PixelBytes;
Detail::TShortLines ShortLines;

void ProjectVertices(const TObject3D& object, std::int32_t count, const TProjector& projector,
                     const Detail::TWritableWindow& window, std::ptrdiff_t bytesPerLine) {
    if (VertexPixels.size() < std::size_t(count) + 1) {
        VertexPixels.resize(std::size_t(count) + 1);
        WindowPixels.resize(std::size_t(count) + 1);
        PixelBytes.resize(std::size_t(count) + 1);
    }
    // Within a window in [0, 2^24) a pixel is inside when its distances from the left and top
    // edges, taken unsigned, are at most the window's width and height less one.
    const auto left = static_cast<std::uint32_t>(window.Left);
    const auto top = static_cast<std::uint32_t>(window.Top);
    const auto columns = static_cast<std::uint32_t>(window.Right - window.Left);
    const auto rows = static_cast<std::uint32_t>(window.Bottom - window.Top);
    constexpr std::int64_t Low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t High = std::numeric_limits<std::int32_t>::max();
    const bool smallBase = projector.BaseSmall();
    for (std::int32_t i = 1; i <= count; ++i) {
        TVertexPixel& pixel = VertexPixels[std::size_t(i)];
        bool plain =
            smallBase && projector.SmallPanePoint(object.WorldVertices[i], pixel.X, pixel.Y);
        if (!plain) {
            TPaneCorner pane;
            plain = projector.TryPanePoint(object.WorldVertices[i], pane) ==
                        TProjector::TCorner::Pixel &&
                    pane.X > Low && pane.X <= High && pane.Y >= Low && pane.Y <= High;
            pixel = plain ? TVertexPixel{static_cast<std::int32_t>(pane.X),
                                         static_cast<std::int32_t>(pane.Y)}
                          : TVertexPixel{NoPlainPixel, 0};
        }
        const std::uint32_t x = std::uint32_t(pixel.X) - left;
        const std::uint32_t y = std::uint32_t(pixel.Y) - top;
        const bool inside = plain && x <= columns && y <= rows;
        WindowPixels[std::size_t(i)] = {inside ? x : OutsideWindow, y};
        PixelBytes[std::size_t(i)] =
            inside ? pixel.Y * bytesPerLine + 3 * std::ptrdiff_t(pixel.X) : 0;
    }
}

// The segments drawn so far in a call, remembered by the numbers of their end vertices in drawing
// order: within a call a vertex has one pixel, so a later segment between the same vertices in the
// same order writes the same pixels in the same colour and can be passed over. One slot per hash
// value: a segment that loses its slot is simply drawn again.
class TSegmentMemory {
public:
    TSegmentMemory() { slots_.fill(Empty); }

    static std::uint64_t Key(std::uint32_t from, std::uint32_t to) {
        return (std::uint64_t(from) << 32) | to;
    }

    // Whether the segment was drawn before; if not, it is remembered as drawn now.
    bool Repeats(std::uint64_t key) {
        std::uint64_t& slot = slots_[(key * 0x9E3779B97F4A7C15u) >> (64 - SlotBits)];
        if (slot == key) {
            return true;
        }
        slot = key;
        return false;
    }

private:
    static constexpr int SlotBits = 12;
    static constexpr std::uint64_t Empty = ~std::uint64_t(0); // vertex numbers are below 2^31
    std::array<std::uint64_t, std::size_t(1) << SlotBits> slots_;
};

// Draws the faces as DrawFaces does, with each vertex projected once, for a writable window in
// [0, 2^24). A face whose corners all lie inside the window is drawn without clipping: its corners
// once, then the positions between the end points of each edge. An edge of at most two steps needs
// no walk, and a longer edge that repeats an earlier one of the call in the same direction is
// passed over.
void DrawFacesFast(const TImageView& target, const TObject3D& object, const TProjector& projector,
                   const Detail::TWritableWindow& window) {
    const std::int32_t count = std::min(object.VertexCount, object.WorldVertices.Count());
    // Local copies: the pixel stores could otherwise be taken to change them.
    const TImageView image = target;
    ProjectVertices(object, count, projector, window, image.BytesPerLine);
    const std::ptrdiff_t* bytes = PixelBytes.data();
    const bool shortTable = ShortLines.Prepare(image.BytesPerLine);
    const TColorRGB color = DrawColor;
    const TVertexPixel* pixels = VertexPixels.data();
    const TWindowPixel* inWindow = WindowPixels.data();
    const TFace3D* faceArray = object.Faces.begin(); // face i at i - 1
    const auto left = static_cast<std::int32_t>(window.Left);
    const auto top = static_cast<std::int32_t>(window.Top);
    TSegmentMemory drawn;
    // Inlined at each of its three uses, so that the captures stay in registers.
    const auto drawInterior = [&](std::uint32_t from, std::uint32_t to,
                                  const Detail::TInsideLine& line, std::uint8_t* start)
        __attribute__((always_inline)) {
        if (line.N <= 2) {
            Detail::DrawAdjacentInterior(image, line, start, color); // cheaper than remembering
            return;
        }
        const std::uint64_t key =
            Detail::EitherWay(line.N)
                ? std::min(TSegmentMemory::Key(from, to), TSegmentMemory::Key(to, from))
                : TSegmentMemory::Key(from, to);
        if (!drawn.Repeats(key)) {
            if (!shortTable || !ShortLines.Draw(line, start, color)) {
                Detail::DrawLineInterior(image, line, start, color);
            }
        }
    };
    // A corner that keeps the previous face's value reads the last face drawn: `pane` holds it
    // when that face was drawn clipped, the face numbered `lastInside` otherwise. In the first
    // face such a corner sits on origin plus pan.
    TPaneTriangle pane;
    pane.fill(projector.Base());
    std::int32_t lastInside = 0;
    const std::int32_t faces = FacesInUse(object);
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D face = faceArray[i - 1];
        if (face.A - 1 >= std::uint32_t(count) || face.B - 1 >= std::uint32_t(count) ||
            face.C - 1 >= std::uint32_t(count)) {
            continue;
        }
        const TWindowPixel w[3] = {inWindow[face.A], inWindow[face.B], inWindow[face.C]};
        if (((w[0].X | w[1].X | w[2].X) & OutsideWindow) != 0) {
            if (lastInside != 0) {
                const TFace3D& last = faceArray[lastInside - 1];
                const std::uint32_t numbers[3] = {last.A, last.B, last.C};
                for (std::size_t k = 0; k < 3; ++k) {
                    pane[k] = {pixels[numbers[k]].X, pixels[numbers[k]].Y};
                }
                lastInside = 0;
            }
            const std::uint32_t numbers[3] = {face.A, face.B, face.C};
            for (std::size_t k = 0; k < 3; ++k) {
                const TVertexPixel pixel = pixels[numbers[k]];
                if (pixel.X != NoPlainPixel) {
                    pane[k] = {pixel.X, pixel.Y};
                } else {
                    projector.PanePoint(object.WorldVertices[std::int32_t(numbers[k])], pane[k]);
                }
            }
            DrawTriangleWide(image, pane[0].X, pane[0].Y, pane[1].X, pane[1].Y, pane[2].X,
                             pane[2].Y, color);
            continue;
        }
        lastInside = i;
        // Inside the window every coordinate is below 2^24.
        const TVertexPixel p[3] = {{left + std::int32_t(w[0].X), top + std::int32_t(w[0].Y)},
                                   {left + std::int32_t(w[1].X), top + std::int32_t(w[1].Y)},
                                   {left + std::int32_t(w[2].X), top + std::int32_t(w[2].Y)}};
        std::uint8_t* const starts[3] = {image.Bits + bytes[face.A], image.Bits + bytes[face.B],
                                         image.Bits + bytes[face.C]};
        for (std::uint8_t* corner : starts) {
            Detail::WriteBytes(corner, color);
        }
        // A face within a block of two columns and two rows has only lines of at most two
        // steps, which are neither walked nor remembered.
        drawInterior(face.A, face.B, Detail::MakeInsideLine(p[0].X, p[0].Y, p[1].X, p[1].Y),
                     starts[0]);
        drawInterior(face.B, face.C, Detail::MakeInsideLine(p[1].X, p[1].Y, p[2].X, p[2].Y),
                     starts[1]);
        drawInterior(face.A, face.C, Detail::MakeInsideLine(p[0].X, p[0].Y, p[2].X, p[2].Y),
                     starts[0]);
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

void DrawObject3DPerFace(const TImageView& image, const TObject3D& object) {
    if (object.FaceCount <= 0 || !KnownMode()) {
        return;
    }
    DrawFaces(image, object, TProjector(ProjectionMode == PerspectiveProjection));
}

void DrawObject3D(const TImageView& image, const TObject3D& object) {
    if (object.FaceCount <= 0 || !KnownMode()) {
        return;
    }
    const TProjector projector(ProjectionMode == PerspectiveProjection);
    if (!projector.BaseInRange()) {
        DrawFaces(image, object, projector); // raises at the first face drawn
        return;
    }
    const Detail::TWritableWindow window = Detail::WritableWindow(image);
    if (!Detail::WalksStayInside(window)) {
        DrawFaces(image, object, projector); // an empty window, or one too large for the walk
        return;
    }
    DrawFacesFast(image, object, projector, window);
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
