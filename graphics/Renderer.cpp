#include "Renderer.h"

#include "GraphErrors.h"
#include "InsideLines.h"
#include "LargeBlocks.h"
#include "RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace ZuveloGraphLibrary {

namespace {

struct TPaneCorner {
    std::int64_t X = 0;
    std::int64_t Y = 0;
};
using TPaneTriangle = std::array<TPaneCorner, 3>;

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

// The vertices that faces may name: those counted that also have world positions.
std::int32_t VerticesInUse(const TObject3D& object) {
    return std::min(object.VertexCount, object.WorldVertices.Count());
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
        if (!FaceInRange(face, VerticesInUse(object))) {
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

// The same pixel for the drawing inside the window: X has the bit OutsideWindow when the pixel lies
// outside it (or is no plain pixel), so that a face is inside when none of its corners has that
// bit. Inside, X and Y are below 2^24, and Bytes is the distance from the image's first byte to the
// pixel's. Outside, X also has one of the bits below for each edge of the window that a plain
// pixel lies beyond, when both its coordinates lie within NearRange of 0: a face whose three
// corners share such a bit has a box that misses the window and lines that stay near their exact
// course, and so draws nothing (see DrawTriangleWide).
struct TWindowPixel {
    std::uint32_t X;
    std::int32_t Y;
    std::ptrdiff_t Bytes;
};
constexpr std::uint32_t OutsideWindow = 0x80000000u;
constexpr std::uint32_t BeyondLeft = 1u << 24;
constexpr std::uint32_t BeyondRight = 1u << 25;
constexpr std::uint32_t BeyondTop = 1u << 26;
constexpr std::uint32_t BeyondBottom = 1u << 27;
constexpr std::uint32_t BeyondAnyEdge = BeyondLeft | BeyondRight | BeyondTop | BeyondBottom;
// Corners below 2^24 in magnitude make boxes of sides below 2^25: 24 + 25 bits, the most at which a
// line's running sums stay within a quarter pixel of its exact course.
constexpr std::int32_t NearRange = 1 << 24;

// Kept from call to call, so that a redraw allocates nothing.
std::vector<TVertexPixel> VertexPixels;
std::vector<TWindowPixel> WindowPixels;
Detail::TShortLines ShortLines;

void ProjectVertices(const TObject3D& object, std::int32_t count, const TProjector& projector,
                     const Detail::TPixelWindow& window, std::ptrdiff_t bytesPerLine) {
    if (VertexPixels.size() < std::size_t(count) + 1) {
        ResizeLarge(VertexPixels, std::size_t(count) + 1);
        ResizeLarge(WindowPixels, std::size_t(count) + 1);
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
        if (inside) {
            WindowPixels[std::size_t(i)] = {std::uint32_t(pixel.X), pixel.Y,
                                            pixel.Y * bytesPerLine + 3 * std::ptrdiff_t(pixel.X)};
            continue;
        }
        std::uint32_t outside = OutsideWindow;
        if (plain && pixel.X > -NearRange && pixel.X < NearRange && pixel.Y > -NearRange &&
            pixel.Y < NearRange) {
            outside |= (pixel.X < window.Left ? BeyondLeft : 0) |
                       (pixel.X > window.Right ? BeyondRight : 0) |
                       (pixel.Y < window.Top ? BeyondTop : 0) |
                       (pixel.Y > window.Bottom ? BeyondBottom : 0);
        }
        WindowPixels[std::size_t(i)] = {outside, pixel.Y, 0};
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

// A face of DrawProjectedFaces with a corner outside the window, from the pane pixels of the face
// before it, which it leaves holding its own: drawn clipped, line by line, as DrawTriangleWide
// draws it, except that a line between plain pixels drawn before in the same direction is passed
// over. Out of line, so that the loop over the faces inside keeps its registers.
__attribute__((noinline)) void DrawClippedFace(const TImageView& image, TColorRGB color,
                                               const TObject3D& object, const TProjector& projector,
                                               const TFace3D& face, TPaneTriangle& pane,
                                               TSegmentMemory& drawn) {
    const TVertexPixel* pixels = VertexPixels.data();
    const std::uint32_t numbers[3] = {face.A, face.B, face.C};
    bool plain = true;
    for (std::size_t k = 0; k < 3; ++k) {
        const TVertexPixel pixel = pixels[numbers[k]];
        if (pixel.X != NoPlainPixel) {
            pane[k] = {pixel.X, pixel.Y};
        } else {
            plain = false;
            projector.PanePoint(object.WorldVertices[std::int32_t(numbers[k])], pane[k]);
        }
    }
    if (!plain) {
        DrawTriangleWide(image, pane[0].X, pane[0].Y, pane[1].X, pane[1].Y, pane[2].X, pane[2].Y,
                         color);
        return;
    }
    constexpr std::size_t Ends[3][2] = {{0, 1}, {1, 2}, {0, 2}};
    for (const auto& e : Ends) {
        if (!drawn.Repeats(TSegmentMemory::Key(numbers[e[0]], numbers[e[1]]))) {
            DrawLineWide(image, pane[e[0]].X, pane[e[0]].Y, pane[e[1]].X, pane[e[1]].Y, color);
        }
    }
}

// Draws the faces as DrawFaces does, from the pixels of ProjectVertices, for a writable window in
// [0, 2^24). A face whose corners all lie inside the window is drawn without clipping: its corners,
// then the positions between the end points of each edge, read from the short-line table where it
// covers the edge and walked otherwise. An edge that repeats an earlier one of the call, in the
// same direction or, where that draws the same pixels, in the other, is passed over. With
// TinyFirst, an edge of at most two steps is drawn before the table is consulted, without being
// remembered: that pays when many faces are a pixel or two across. Both ways draw the same pixels.
// A face with a corner outside is passed over when its corners all lie beyond one edge of the
// window, and otherwise drawn clipped, line by line, an edge between plain pixels passed over when
// it repeats one of the call in the same direction.
template <bool TinyFirst>
void DrawProjectedFaces(const TImageView& target, const TObject3D& object,
                        const TProjector& projector, std::int32_t count, bool shortTable) {
    // Local copies: the pixel stores could otherwise be taken to change them.
    const TImageView image = target;
    const TColorRGB color = DrawColor;
    const TVertexPixel* pixels = VertexPixels.data();
    const TWindowPixel* inWindow = WindowPixels.data();
    const TFace3D* faceArray = object.Faces.begin(); // face i at i - 1
    const Detail::TShortLines::TEntry noEntry;
    TSegmentMemory drawn;
    // Inlined at each of its three uses, so that the captures stay in registers.
    const auto drawInterior = [&](std::uint32_t from, std::uint32_t to, const TWindowPixel& p1,
                                  const TWindowPixel& p2, std::uint8_t* start)
        __attribute__((always_inline)) {
        const auto x1 = std::int32_t(p1.X);
        const auto x2 = std::int32_t(p2.X);
        const std::int32_t dx = x2 - x1;
        const std::int32_t dy = p2.Y - p1.Y;
        if (TinyFirst && std::uint32_t(dx + 1) <= 2 && std::uint32_t(dy + 1) <= 2) {
            Detail::DrawAdjacentInterior(image, {x1, p1.Y, dx, dy, 0, 0, 0}, start, color);
            return;
        }
        const Detail::TShortLines::TEntry& entry =
            shortTable ? ShortLines.Find(x1, p1.Y, dx, dy) : noEntry;
        if (entry.Count >= 0) {
            // The table's lines cover the same pixels drawn from either end.
            if (!drawn.Repeats(
                    std::min(TSegmentMemory::Key(from, to), TSegmentMemory::Key(to, from)))) {
                Detail::TShortLines::Write(entry, start, color);
            }
            return;
        }
        const Detail::TInsideLine line = Detail::MakeInsideLine(x1, p1.Y, x2, p2.Y);
        if (line.N <= 2) {
            Detail::DrawAdjacentInterior(image, line, start, color);
            return;
        }
        const std::uint64_t key =
            Detail::EitherWay(line.N)
                ? std::min(TSegmentMemory::Key(from, to), TSegmentMemory::Key(to, from))
                : TSegmentMemory::Key(from, to);
        if (!drawn.Repeats(key)) {
            Detail::DrawLineInterior(image, line, start, color);
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
        if (!FaceInRange(face, count)) {
            continue;
        }
        const TWindowPixel w[3] = {inWindow[face.A], inWindow[face.B], inWindow[face.C]};
        if (((w[0].X | w[1].X | w[2].X) & OutsideWindow) != 0) {
            if ((w[0].X & w[1].X & w[2].X & BeyondAnyEdge) != 0) {
                lastInside = i; // all three are plain pixels, as the next face may need
                continue;
            }
            if (lastInside != 0) {
                const TFace3D& previous = faceArray[lastInside - 1];
                const std::uint32_t numbers[3] = {previous.A, previous.B, previous.C};
                for (std::size_t k = 0; k < 3; ++k) {
                    pane[k] = {pixels[numbers[k]].X, pixels[numbers[k]].Y};
                }
                lastInside = 0;
            }
            DrawClippedFace(image, color, object, projector, face, pane, drawn);
            continue;
        }
        lastInside = i;
        std::uint8_t* const starts[3] = {image.Bits + w[0].Bytes, image.Bits + w[1].Bytes,
                                         image.Bits + w[2].Bytes};
        for (std::uint8_t* corner : starts) {
            Detail::WriteBytes(corner, color);
        }
        drawInterior(face.A, face.B, w[0], w[1], starts[0]);
        drawInterior(face.B, face.C, w[1], w[2], starts[1]);
        drawInterior(face.A, face.C, w[0], w[2], starts[0]);
    }
}

// Whether more than a quarter of the lines of the faces in view are of at most two steps, judged
// from up to Samples faces spread evenly over the array.
bool ManyTinyLines(const TObject3D& object, std::int32_t count, std::int32_t faces) {
    constexpr std::int32_t Samples = 64;
    const TWindowPixel* inWindow = WindowPixels.data();
    const std::int32_t stride = std::max(1, faces / Samples);
    std::int32_t lines = 0;
    std::int32_t tiny = 0;
    for (std::int32_t i = 1; i <= faces; i += stride) {
        const TFace3D& face = object.Faces[i];
        if (!FaceInRange(face, count)) {
            continue;
        }
        const TWindowPixel w[3] = {inWindow[face.A], inWindow[face.B], inWindow[face.C]};
        if (((w[0].X | w[1].X | w[2].X) & OutsideWindow) != 0) {
            continue;
        }
        const auto adjacent = [](const TWindowPixel& p, const TWindowPixel& q) {
            return std::uint32_t(std::int32_t(q.X - p.X) + 1) <= 2 &&
                   std::uint32_t(q.Y - p.Y + 1) <= 2;
        };
        lines += 3;
        tiny += adjacent(w[0], w[1]) + adjacent(w[1], w[2]) + adjacent(w[0], w[2]);
    }
    return 4 * tiny > lines;
}

void DrawFacesFast(const TImageView& image, const TObject3D& object, const TProjector& projector,
                   const Detail::TPixelWindow& window) {
    const std::int32_t count = VerticesInUse(object);
    ProjectVertices(object, count, projector, window, image.BytesPerLine);
    const bool shortTable = ShortLines.Prepare(image.BytesPerLine);
    if (ManyTinyLines(object, count, FacesInUse(object))) {
        DrawProjectedFaces<true>(image, object, projector, count, shortTable);
    } else {
        DrawProjectedFaces<false>(image, object, projector, count, shortTable);
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
    const Detail::TPixelWindow window = Detail::PixelWindow(image);
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
        if (!FaceInRange(face, VerticesInUse(object))) {
            continue;
        }
        for (const TPoint3D& p : FaceCorners(object, face)) {
            if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Z)) {
                continue; // no place to frame
            }
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

namespace {

// Written field by field: a corner returned whole is copied with wide loads of what was just
// stored narrow, which stalls the loop over the vertices.
void Place(const TProjector& projector, const TPoint3D& point, TPlacedCorner& corner) {
    TPaneCorner pane;
    switch (projector.TryPanePoint(point, pane)) {
    case TProjector::TCorner::Pixel:
        corner.X = pane.X;
        corner.Y = pane.Y;
        corner.Placement = TCornerPlacement::Pixel;
        return;
    case TProjector::TCorner::Kept:
        corner.X = 0;
        corner.Y = 0;
        corner.Placement = TCornerPlacement::Kept;
        return;
    case TProjector::TCorner::Raises:
        break;
    }
    corner.X = 0;
    corner.Y = 0;
    corner.Placement = TCornerPlacement::Raises;
}

} // namespace

TPaneBase PlaceWorldVertices(const TObject3D& object, std::vector<TPlacedCorner>& placed) {
    const std::int32_t count =
        std::max(0, std::min(object.VertexCount, object.WorldVertices.Count()));
    if (placed.size() < std::size_t(count) + 1) {
        ResizeLarge(placed, std::size_t(count) + 1);
    }
    if (!KnownMode()) {
        for (std::int32_t i = 1; i <= count; ++i) {
            placed[std::size_t(i)] = {0, 0, TCornerPlacement::Raises};
        }
        return {};
    }
    const TProjector projector(ProjectionMode == PerspectiveProjection);
    for (std::int32_t i = 1; i <= count; ++i) {
        Place(projector, object.WorldVertices[i], placed[std::size_t(i)]);
    }
    return {projector.BaseInRange(), projector.Base().X, projector.Base().Y};
}

TPlacedCorner PlacePoint(const TPoint3D& point) {
    if (!KnownMode()) {
        return {0, 0, TCornerPlacement::Raises};
    }
    TPlacedCorner corner;
    Place(TProjector(ProjectionMode == PerspectiveProjection), point, corner);
    return corner;
}

} // namespace ZuveloGraphLibrary
