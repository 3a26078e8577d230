// Lines whose two end points lie inside the writable window, walked without a test per step. The
// renderer draws most edges of a mesh in view this way. The pixels are those of the line routine
// bit for bit: the same steps, the same running sums, the same rounding.
#pragma once

#include "ImageView.h"
#include "RasterCanvas.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace ZuveloGraphLibrary::Detail {

// The pixels that the line routine can write into an image: the clip window cut to the image's
// own rows and columns.
struct TWritableWindow {
    std::int64_t Left, Top, Right, Bottom;

    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= Left && x <= Right && y >= Top && y <= Bottom;
    }
};
TWritableWindow WritableWindow(const TImageView& image);

// Whether every line between two points of the window runs its whole course inside it, within a
// quarter pixel of the exact line: so it does when the window lies within [0, 2^24), far below
// the bound that the line routine's own test checks.
bool WalksStayInside(const TWritableWindow& window);

// The quotient a / n as the line routine computes its step, for 0 <= a < n. Lines of up to
// QuotientTableSteps steps read it from a table instead of dividing.
inline constexpr std::int32_t QuotientTableSteps = 64;
extern const std::array<double, QuotientTableSteps*(QuotientTableSteps + 1) / 2> StepQuotients;

inline double StepQuotient(std::int32_t a, std::int32_t n) {
    if (n <= QuotientTableSteps) {
        return StepQuotients[n * (n - 1) / 2 + a];
    }
    return static_cast<double>(a) / static_cast<double>(n);
}

inline void WriteBytes(std::uint8_t* p, TColorRGB color) {
    p[0] = color.B;
    p[1] = color.G;
    p[2] = color.R;
}

inline void WriteInside(const TImageView& image, std::int32_t x, std::int32_t y, TColorRGB color) {
    WriteBytes(image.ScanLine(y) + 3 * std::ptrdiff_t(x), color);
}

// The line routine's first position is its first end point, exactly, and its last position
// rounds to its second end point: so a line whose end points are written anyway adds only the
// positions between them, steps 1 to N - 1.

// The positions between the end points of a line that spans at most two steps (N <= 2), without
// a division or a running sum. Equal end points (N = 1): none. Otherwise N = 2 and the steps are
// 0 or +-1/2, exact: the middle position rounds, on an axis that moves, to the even one of the two
// coordinates, a tie; it differs from both end points only when both axes move.
inline bool AdjacentEnds(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    return std::uint32_t(x2 - x1 + 1) <= 2 && std::uint32_t(y2 - y1 + 1) <= 2;
}
inline void DrawAdjacentInterior(const TImageView& image, std::int32_t x1, std::int32_t y1,
                                 std::int32_t x2, std::int32_t y2, TColorRGB color) {
    if (x1 != x2 && y1 != y2) {
        WriteInside(image, (x1 & 1) != 0 ? x2 : x1, (y1 & 1) != 0 ? y2 : y1, color);
    }
}

// A line of odd N has no position on a tie: every running sum lies within 2^-22 of the exact
// point k a / N from its start (N <= 63, coordinates below 2^24), and the exact points lie at
// least 1 / (2N) from any half. So each position rounds as its exact point does, in whatever order
// the additions are made, and the line from the other end covers the same pixels. The rounded
// offsets round(k a / N) are read from a table.
inline constexpr std::int32_t OddTableSteps = 63;
extern const std::array<std::int32_t, OddTableSteps + 1> OddBlockStarts;
extern const std::array<std::uint8_t, 44704> OddOffsets;

inline bool OddSteps(std::int32_t n) {
    return (n & 1) != 0 && n <= OddTableSteps;
}

// The steps of the line between two points: N = max(|dx|, |dy|) + 1.
inline std::int32_t LineSteps(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const std::int32_t adx = x2 > x1 ? x2 - x1 : x1 - x2;
    const std::int32_t ady = y2 > y1 ? y2 - y1 : y1 - y2;
    return (adx > ady ? adx : ady) + 1;
}

// The positions between the end points of a line whose end points lie inside a window for which
// WalksStayInside holds; n is its step count.
inline void DrawLineInterior(const TImageView& image, std::int32_t x1, std::int32_t y1,
                             std::int32_t x2, std::int32_t y2, std::int32_t n, TColorRGB color) {
    const std::int32_t dx = x2 - x1;
    const std::int32_t dy = y2 - y1;
    const std::int32_t adx = dx < 0 ? -dx : dx;
    const std::int32_t ady = dy < 0 ? -dy : dy;
    if (OddSteps(n)) {
        const std::uint8_t* columns = OddOffsets.data() + OddBlockStarts[n] + adx * (n + 1);
        const std::uint8_t* rows = OddOffsets.data() + OddBlockStarts[n] + ady * (n + 1);
        std::uint8_t* start = image.ScanLine(y1) + 3 * std::ptrdiff_t(x1);
        const std::ptrdiff_t columnStride = dx < 0 ? -3 : 3;
        const std::ptrdiff_t rowStride = dy < 0 ? -image.BytesPerLine : image.BytesPerLine;
        for (std::int32_t k = 1; k < n; ++k) {
            WriteBytes(start + columnStride * columns[k] + rowStride * rows[k], color);
        }
        return;
    }
    // A quotient of a negative difference is the negated quotient of its magnitude.
    const double stepX = dx < 0 ? -StepQuotient(adx, n) : StepQuotient(adx, n);
    const double stepY = dy < 0 ? -StepQuotient(ady, n) : StepQuotient(ady, n);
    double px = x1;
    double py = y1;
    for (std::int32_t k = 1; k < n; ++k) {
        px += stepX;
        py += stepY;
        WriteInside(image, static_cast<std::int32_t>(std::lrint(px)),
                    static_cast<std::int32_t>(std::lrint(py)), color);
    }
}

} // namespace ZuveloGraphLibrary::Detail
