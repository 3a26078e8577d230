// Lines whose two end points lie inside the writable window, walked without a test per step. The
// renderer draws most edges of a mesh in view this way. The pixels are those of the line routine
// bit for bit: the same steps, the same running sums, the same rounding.
#pragma once

#include "ImageView.h"
#include "PixelWindow.h"
#include "RasterCanvas.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ZuveloGraphLibrary::Detail {

// Whether every line between two points of the window runs its whole course inside it, within a
// quarter pixel of the exact line: so it does when the window lies within [0, 2^24), far below
// the bound that the line routine's own test checks.
bool WalksStayInside(const TPixelWindow& window);

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

// Blue and green in one two-byte store, then red.
inline void WriteBytes(std::uint8_t* p, TColorRGB color) {
    const std::uint8_t blueGreen[2] = {color.B, color.G};
    std::memcpy(p, blueGreen, 2);
    p[2] = color.R;
}

inline void WriteInside(const TImageView& image, std::int32_t x, std::int32_t y, TColorRGB color) {
    WriteBytes(image.ScanLine(y) + 3 * std::ptrdiff_t(x), color);
}

// The line routine's first position is its first end point, exactly, and its last position
// rounds to its second end point: so a line whose end points are written anyway adds only the
// positions between them, steps 1 to N - 1.

// A line between two points, with its differences and its step count N = max(|dx|, |dy|) + 1.
struct TInsideLine {
    std::int32_t X1, Y1, Dx, Dy, Adx, Ady, N;
};
inline TInsideLine MakeInsideLine(std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                  std::int32_t y2) {
    const std::int32_t dx = x2 - x1;
    const std::int32_t dy = y2 - y1;
    const std::int32_t adx = dx < 0 ? -dx : dx;
    const std::int32_t ady = dy < 0 ? -dy : dy;
    return {x1, y1, dx, dy, adx, ady, (adx > ady ? adx : ady) + 1};
}

// The positions between the end points of a line of at most two steps, without a division or a
// running sum. Equal end points (N = 1): none. Otherwise N = 2 and the steps are 0 or +-1/2,
// exact: the middle position rounds, on an axis that moves, to the even one of the two
// coordinates, a tie; it differs from both end points only when both axes move.
// `start` is the first byte of the pixel (X1, Y1).
inline void DrawAdjacentInterior(const TImageView& image, const TInsideLine& line,
                                 std::uint8_t* start, TColorRGB color) {
    if (line.Dx != 0 && line.Dy != 0) {
        WriteBytes(start + ((line.X1 & 1) != 0 ? 3 * std::ptrdiff_t(line.Dx) : 0) +
                       ((line.Y1 & 1) != 0 ? line.Dy * image.BytesPerLine : 0),
                   color);
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

// Whether a line of N steps, with end points inside a window for which WalksStayInside holds,
// covers the same pixels drawn from either end: so it does for odd N up to OddTableSteps, as above,
// and for N a power of two up to QuotientTableSteps, whose steps a / N and running sums (below
// 2^30 in 2^-6) are all exact: position k from one end is position N - k from the other, and a tie
// rounds to the even coordinate either way.
inline bool EitherWay(std::int32_t n) {
    return OddSteps(n) || ((n & (n - 1)) == 0 && n <= QuotientTableSteps);
}

// The positions between the end points of a line whose end points lie inside a window for which
// WalksStayInside holds; `start` is the first byte of the pixel (X1, Y1).
inline void DrawLineInterior(const TImageView& image, const TInsideLine& line, std::uint8_t* start,
                             TColorRGB color) {
    const std::int32_t n = line.N;
    if (OddSteps(n)) {
        const std::uint8_t* table = OddOffsets.data() + OddBlockStarts[n];
        const std::uint8_t* columns = table + line.Adx * (n + 1);
        const std::uint8_t* rows = table + line.Ady * (n + 1);
        const std::ptrdiff_t columnStride = line.Dx < 0 ? -3 : 3;
        const std::ptrdiff_t rowStride = line.Dy < 0 ? -image.BytesPerLine : image.BytesPerLine;
        for (std::int32_t k = 1; k < n; ++k) {
            WriteBytes(start + columnStride * columns[k] + rowStride * rows[k], color);
        }
        return;
    }
    // A quotient of a negative difference is the negated quotient of its magnitude.
    const double stepX = line.Dx < 0 ? -StepQuotient(line.Adx, n) : StepQuotient(line.Adx, n);
    const double stepY = line.Dy < 0 ? -StepQuotient(line.Ady, n) : StepQuotient(line.Ady, n);
    double px = line.X1;
    double py = line.Y1;
    for (std::int32_t k = 1; k < n; ++k) {
        px += stepX;
        py += stepY;
        WriteInside(image, static_cast<std::int32_t>(std::lrint(px)),
                    static_cast<std::int32_t>(std::lrint(py)), color);
    }
}

// The short lines of a mesh in view, drawn from offsets worked out once per row length. A line of
// at most ShortSpan columns and rows whose positions do not depend on where it starts is one
// entry: the positions between its end points as byte offsets from its first one. That holds for
// odd N, as above, and for N a power of two, whose running sums are exact, so that only a tie
// rounds one way or the other, to the even coordinate: the entry goes by the start's parities.
class TShortLines {
public:
    static constexpr std::int32_t ShortSpan = 7;

    struct TEntry {
        // The offsets to write: the positions between the end points, then offsets 0, which
        // rewrite the first end point, up to a small minimum; -1 for a line not covered.
        std::int8_t Count = -1;
        std::array<std::int32_t, ShortSpan> Offsets{};
    };

    // Fits the offsets to rows of `bytesPerLine` bytes; false when they would not fit 32 bits.
    bool Prepare(std::ptrdiff_t bytesPerLine);

    // The entry of the line from (x1, y1) by (dx, dy); its Count is -1 when the table does not
    // cover the line.
    const TEntry& Find(std::int32_t x1, std::int32_t y1, std::int32_t dx, std::int32_t dy) const {
        const auto column = static_cast<std::uint32_t>(dx + ShortSpan);
        const auto row = static_cast<std::uint32_t>(dy + ShortSpan);
        if ((column | row) >= Side) {
            return NotCovered;
        }
        return entries_[std::size_t(
            Index(x1 & 1, y1 & 1, std::int32_t(column), std::int32_t(row)))];
    }

    // Draws the positions between the end points of an entry's line, from `start`, the first
    // byte of its first end point, which may be written again.
    static void Write(const TEntry& entry, std::uint8_t* start, TColorRGB color) {
        const std::int32_t count = entry.Count; // read once: the stores could reach any byte
        const std::int32_t* offsets = entry.Offsets.data();
        for (std::int32_t k = 0; k < count; ++k) {
            WriteBytes(start + offsets[k], color);
        }
    }

private:
    // Rows and columns of differences from -ShortSpan up, a power of two for a cheap index; the
    // differences beyond ShortSpan are not covered.
    static constexpr std::int32_t Side = 16;
    static_assert(2 * ShortSpan + 1 <= Side);
    static std::int32_t Index(std::int32_t oddX, std::int32_t oddY, std::int32_t column,
                              std::int32_t row) {
        return (((oddY * 2 + oddX) * Side + row) * Side) + column;
    }
    static const TEntry NotCovered;
    bool prepared_ = false;
    std::ptrdiff_t bytesPerLine_ = 0;
    std::array<TEntry, 4 * Side * Side> entries_{};
};

} // namespace ZuveloGraphLibrary::Detail
