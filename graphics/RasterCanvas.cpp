#include "RasterCanvas.h"

#include "DdaWalk.h"
#include "PixelWindow.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace ZuveloGraphLibrary {

namespace {

using Detail::PixelWindow;
using Detail::TDda;
using Detail::TPixelWindow;
using Detail::TStepCount;

// A running sum wanted after at most this many additions is made one addition at a time: that is
// quicker than skipping to it.
constexpr std::int64_t FewAdditions = 64;

inline void WritePixel(const TImageView& image, std::int64_t x, std::int64_t y, TColorRGB c) {
    std::uint8_t* p = image.ScanLine(static_cast<std::int32_t>(y)) + 3 * x;
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

// Round to nearest, ties to even, for a DDA position; positions that round beyond +-2^62 lie
// outside every window and are reported as such instead of being converted.
inline bool RoundPosition(double v, std::int64_t& out) {
    const double r = std::nearbyint(v);
    if (!(r >= -0x1p62 && r <= 0x1p62)) {
        return false;
    }
    out = static_cast<std::int64_t>(r);
    return true;
}

inline void PlotPosition(const TImageView& image, const TPixelWindow& window, double px, double py,
                         TColorRGB color) {
    std::int64_t x = 0;
    std::int64_t y = 0;
    if (RoundPosition(px, x) && RoundPosition(py, y) && window.Contains(x, y)) {
        WritePixel(image, x, y, color);
    }
}

std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
}

// Whether the running sums of every line between two points of the box stay within a quarter
// pixel of the exact line. With end points below 2^e in magnitude and at most 2^m steps, each
// addition errs by at most half a unit in the last place of a value below 2^(e+1), and the step
// itself by 2^-53 of its size: over 2^m additions that is at most 2^(m+e-51), a quarter when
// e + m <= 49. The positions of such a line round into the columns and rows between its end
// points. A line has N = max(|dx|, |dy|) + 1 steps, at most the box's longer side plus one.
inline bool StaysNearExactLine(const TPixelWindow& box) {
    const std::uint64_t reach = std::max(std::max(Magnitude(box.Left), Magnitude(box.Top)),
                                         std::max(Magnitude(box.Right), Magnitude(box.Bottom)));
    const std::uint64_t longerSide = std::max(std::uint64_t(box.Right) - std::uint64_t(box.Left),
                                              std::uint64_t(box.Bottom) - std::uint64_t(box.Top));
    return std::bit_width(reach) + std::bit_width(longerSide) <= 49;
}

TPixelWindow BoundingBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

TPixelWindow BoundingBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                         std::int64_t x3, std::int64_t y3) {
    return {std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::max({x1, x2, x3}),
            std::max({y1, y2, y3})};
}

bool Overlap(const TPixelWindow& a, const TPixelWindow& b) {
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

bool Covers(const TPixelWindow& outer, const TPixelWindow& inner) {
    return outer.Contains(inner.Left, inner.Top) && outer.Contains(inner.Right, inner.Bottom);
}

// Detail::MakeDda for a line whose end points lie in the window, where coordinates and counts
// are far below 2^53: the differences convert exactly, a quotient of a negative difference is the
// negated quotient of its magnitude, and the result is MakeDda's to the bit. Computed here, in
// line, because a mesh in view draws most of its edges this way.
inline TDda DdaInWindow(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    const std::int64_t dx = x2 - x1;
    const std::int64_t dy = y2 - y1;
    const std::int64_t n = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy) + 1;
    const auto steps = static_cast<double>(n);
    return {TStepCount(n), static_cast<double>(x1), static_cast<double>(y1),
            static_cast<double>(dx) / steps, static_cast<double>(dy) / steps};
}

// A line whose every position lands in the window: no test per step, and lrint cannot overflow.
void WalkInside(const TImageView& image, const TDda& dda, TColorRGB color) {
    double px = dda.StartX;
    double py = dda.StartY;
    const auto n = static_cast<std::int64_t>(dda.Steps);
    for (std::int64_t k = 0;; ++k) {
        WritePixel(image, std::lrint(px), std::lrint(py), color);
        if (k == n) {
            break;
        }
        px += dda.StepX;
        py += dda.StepY;
    }
}

// The position (px, py) and those after each of the next `additions` steps, each written when it
// lands in the window. The callers' positions all lie within the 64-bit range, so lrint cannot
// overflow.
void WalkClipped(const TImageView& image, const TPixelWindow& window, double px, double py,
                 const TDda& dda, std::uint64_t additions, TColorRGB color) {
    for (std::uint64_t k = 0;; ++k) {
        const std::int64_t x = std::lrint(px);
        const std::int64_t y = std::lrint(py);
        if (window.Contains(x, y)) {
            WritePixel(image, x, y, color);
        }
        if (k == additions) {
            break;
        }
        px += dda.StepX;
        py += dda.StepY;
    }
}

// The running sum after k additions of step to start, bit for bit.
double SumAt(double start, double step, std::int64_t k) {
    if (k > FewAdditions) {
        return Detail::SumAfter(start, step, TStepCount(k));
    }
    double sum = start;
    for (std::int64_t i = 0; i < k; ++i) {
        sum += step;
    }
    return sum;
}

struct TStepSpan {
    std::int64_t First = 0;
    std::int64_t Last = -1; // empty when Last < First
};

// The steps k in [0, n] at which the exact position a + k d / n lies within [lo, hi], widened by
// two steps at each end: the quotients, of values below 2^50, err by far less than a step.
TStepSpan StepsNearExactly(std::int64_t a, std::int64_t d, std::int64_t n, double lo, double hi) {
    if (d == 0) {
        return lo <= double(a) && double(a) <= hi ? TStepSpan{0, n} : TStepSpan{};
    }
    double from = (lo - double(a)) / double(d) * double(n);
    double to = (hi - double(a)) / double(d) * double(n);
    if (d < 0) {
        std::swap(from, to);
    }
    // Clamped first so that the conversions stay in range; they truncate, hence the margins.
    const double limit = double(n) + 4;
    from = std::clamp(from, -4.0, limit);
    to = std::clamp(to, -4.0, limit);
    return {std::max<std::int64_t>(0, static_cast<std::int64_t>(from) - 2),
            std::min<std::int64_t>(n, static_cast<std::int64_t>(to) + 2)};
}

// A line that stays near its exact course but crosses the window's edge. Its positions lie within
// a quarter pixel of the exact line, so only those whose exact position comes within 3/4 of a
// pixel of the window's columns and rows can land there: the walk starts at the first of them.
void WalkNearPart(const TImageView& image, const TPixelWindow& window, std::int64_t x1,
                  std::int64_t y1, std::int64_t x2, std::int64_t y2, TColorRGB color) {
    const TDda dda = Detail::MakeDda(x1, y1, x2, y2);
    const auto n = static_cast<std::int64_t>(dda.Steps); // below 2^50
    const TStepSpan columns =
        StepsNearExactly(x1, x2 - x1, n, double(window.Left) - 0.75, double(window.Right) + 0.75);
    const TStepSpan rows =
        StepsNearExactly(y1, y2 - y1, n, double(window.Top) - 0.75, double(window.Bottom) + 0.75);
    const std::int64_t first = std::max(columns.First, rows.First);
    const std::int64_t last = std::min(columns.Last, rows.Last);
    if (first > last) {
        return;
    }
    WalkClipped(image, window, SumAt(dda.StartX, dda.StepX, first),
                SumAt(dda.StartY, dda.StepY, first), dda, static_cast<std::uint64_t>(last - first),
                color);
}

// Walks only the steps whose position lands in the window: the steps that round into the window's
// columns and those that round into its rows are two ranges, and only their overlap can land.
void WalkVisiblePart(const TImageView& image, const TPixelWindow& window, const TDda& dda,
                     TColorRGB color) {
    const auto columns =
        Detail::StepsRoundingInto(dda.StartX, dda.StepX, dda.Steps, window.Left, window.Right);
    const auto rows =
        Detail::StepsRoundingInto(dda.StartY, dda.StepY, dda.Steps, window.Top, window.Bottom);
    if (columns.Empty || rows.Empty) {
        return;
    }
    const TStepCount first = std::max(columns.First, rows.First);
    const TStepCount last = std::min(columns.Last, rows.Last);
    if (first > last) {
        return;
    }
    // Every step from first to last lands in the window, where the longer axis moves by almost
    // (N - 1) / N >= 1/2 a step: there are fewer than 2^33 of them.
    WalkClipped(image, window, Detail::SumAfter(dda.StartX, dda.StepX, first),
                Detail::SumAfter(dda.StartY, dda.StepY, first), dda,
                static_cast<std::uint64_t>(last - first), color);
}

// A line whose positions stay near the exact line is passed over when the box between its end
// points misses the window, walked without tests when the box lies inside it and walked over the
// part near the window otherwise. Any other line has its visible part located exactly.
void DrawLineInWindow(const TImageView& image, const TPixelWindow& window, std::int64_t x1,
                      std::int64_t y1, std::int64_t x2, std::int64_t y2, TColorRGB color) {
    const TPixelWindow box = BoundingBox(x1, y1, x2, y2);
    if (!StaysNearExactLine(box)) {
        WalkVisiblePart(image, window, Detail::MakeDda(x1, y1, x2, y2), color);
    } else if (Covers(window, box)) {
        WalkInside(image, DdaInWindow(x1, y1, x2, y2), color);
    } else if (Overlap(window, box)) {
        WalkNearPart(image, window, x1, y1, x2, y2, color);
    }
}

} // namespace

void PutPixel(const TImageView& image, std::int32_t X, std::int32_t Y, std::uint8_t R,
              std::uint8_t G, std::uint8_t B) {
    if (X < ClipRect.Left || X > ClipRect.Right || Y < ClipRect.Top || Y > ClipRect.Bottom) {
        return;
    }
    if (X < 0 || X >= image.Width || Y < 0 || Y >= image.Height) {
        return; // inside the clip window but outside this image's bitmap
    }
    WritePixel(image, X, Y, {R, G, B});
}

void DrawLineStepByStep(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                        std::int64_t Y2, TColorRGB color) {
    const TPixelWindow window = PixelWindow(image);
    Detail::ForEachDdaStep(Detail::MakeDda(X1, Y1, X2, Y2), [&](double px, double py) {
        PlotPosition(image, window, px, py, color);
    });
}

void DrawLineWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                  std::int64_t Y2, TColorRGB color) {
    const TPixelWindow window = PixelWindow(image);
    if (!window.Empty()) {
        DrawLineInWindow(image, window, X1, Y1, X2, Y2, color);
    }
}

void DrawLine(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
              std::int32_t Y2, std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    DrawLineWide(image, X1, Y1, X2, Y2, {R, G, B});
}

void DrawTriangleWide(const TImageView& image, std::int64_t X1, std::int64_t Y1, std::int64_t X2,
                      std::int64_t Y2, std::int64_t X3, std::int64_t Y3, TColorRGB color) {
    const TPixelWindow window = PixelWindow(image);
    if (window.Empty()) {
        return;
    }
    // Each edge lies in the box of the three corners. A face whose edges all stay near the exact
    // lines can be passed over whole when that box misses the window, and drawn without clipping
    // when it lies inside, the common case of a mesh in view.
    const TPixelWindow box = BoundingBox(X1, Y1, X2, Y2, X3, Y3);
    const bool near = StaysNearExactLine(box);
    if (near && !Overlap(window, box)) {
        return;
    }
    if (near && Covers(window, box)) {
        WalkInside(image, DdaInWindow(X1, Y1, X2, Y2), color);
        WalkInside(image, DdaInWindow(X2, Y2, X3, Y3), color);
        WalkInside(image, DdaInWindow(X1, Y1, X3, Y3), color);
        return;
    }
    DrawLineInWindow(image, window, X1, Y1, X2, Y2, color);
    DrawLineInWindow(image, window, X2, Y2, X3, Y3, color);
    DrawLineInWindow(image, window, X1, Y1, X3, Y3, color);
}

void DrawTriangle(const TImageView& image, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                  std::int32_t Y2, std::int32_t X3, std::int32_t Y3, std::uint8_t R, std::uint8_t G,
                  std::uint8_t B) {
    DrawTriangleWide(image, X1, Y1, X2, Y2, X3, Y3, {R, G, B});
}

void SetClipRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom) {
    ClipRect = {Left, Top, Right, Bottom};
}

void SetDrawColor(std::uint8_t R, std::uint8_t G, std::uint8_t B) {
    DrawColor = {R, G, B};
}

void CopyImagePixels(const TImageView& source, const TImageView& destination) {
    const std::int32_t width = std::min(source.Width, destination.Width);
    const std::int32_t height = std::min(source.Height, destination.Height);
    if (width <= 0) {
        return;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(destination.ScanLine(y), source.ScanLine(y), std::size_t(3) * width);
    }
}

} // namespace ZuveloGraphLibrary
