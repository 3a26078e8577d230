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

inline void WriteInside(const TImageView& image, std::int32_t x, std::int32_t y, TColorRGB color) {
    std::uint8_t* p = image.ScanLine(y) + 3 * std::ptrdiff_t(x);
    p[0] = color.B;
    p[1] = color.G;
    p[2] = color.R;
}

// Whether the line between two points spans at most two steps (N <= 2): end points equal or
// next to each other, sideways or diagonally.
inline bool AdjacentEnds(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    return std::uint32_t(x2 - x1 + 1) <= 2 && std::uint32_t(y2 - y1 + 1) <= 2;
}

// The line between adjacent end points, without a division or a running sum. Equal end points:
// N = 1, both writes land on the point. Otherwise N = 2 and the steps are 0 or +-1/2, exact: the
// middle position on a moving axis is a tie, which goes to the even one of the two coordinates.
inline void DrawAdjacentLine(const TImageView& image, std::int32_t x1, std::int32_t y1,
                             std::int32_t x2, std::int32_t y2, TColorRGB color) {
    WriteInside(image, x1, y1, color);
    if (x1 == x2 && y1 == y2) {
        return;
    }
    WriteInside(image, (x1 & 1) != 0 ? x2 : x1, (y1 & 1) != 0 ? y2 : y1, color);
    WriteInside(image, x2, y2, color);
}

// The line from (x1, y1) to (x2, y2), both inside a window for which WalksStayInside holds.
inline void DrawLineInside(const TImageView& image, std::int32_t x1, std::int32_t y1,
                           std::int32_t x2, std::int32_t y2, TColorRGB color) {
    if (AdjacentEnds(x1, y1, x2, y2)) {
        DrawAdjacentLine(image, x1, y1, x2, y2, color);
        return;
    }
    const std::int32_t dx = x2 - x1;
    const std::int32_t dy = y2 - y1;
    const std::int32_t adx = dx < 0 ? -dx : dx;
    const std::int32_t ady = dy < 0 ? -dy : dy;
    const std::int32_t n = (adx > ady ? adx : ady) + 1;
    // A quotient of a negative difference is the negated quotient of its magnitude.
    const double stepX = dx < 0 ? -StepQuotient(adx, n) : StepQuotient(adx, n);
    const double stepY = dy < 0 ? -StepQuotient(ady, n) : StepQuotient(ady, n);
    double px = x1;
    double py = y1;
    for (std::int32_t k = 0;; ++k) {
        WriteInside(image, static_cast<std::int32_t>(std::lrint(px)),
                    static_cast<std::int32_t>(std::lrint(py)), color);
        if (k == n) {
            break;
        }
        px += stepX;
        py += stepY;
    }
}

} // namespace ZuveloGraphLibrary::Detail
