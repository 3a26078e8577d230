#include "InsideLines.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ZuveloGraphLibrary::Detail {
namespace {

// Division in a constant expression is the correctly rounded IEEE quotient, as at run time.
constexpr auto MakeQuotients() {
    std::array<double, QuotientTableSteps*(QuotientTableSteps + 1) / 2> table{};
    for (std::int32_t n = 1; n <= QuotientTableSteps; ++n) {
        for (std::int32_t a = 0; a < n; ++a) {
            table[n * (n - 1) / 2 + a] = static_cast<double>(a) / static_cast<double>(n);
        }
    }
    return table;
}

constexpr std::int64_t InsideLimit = std::int64_t(1) << 24;

// Odd N from 1 to OddTableSteps: a block of N rows, one per a from 0 to N - 1, each of the N + 1
// offsets round(k a / N), k from 0 to N.
constexpr auto MakeOddBlockStarts() {
    std::array<std::int32_t, OddTableSteps + 1> starts{};
    std::int32_t next = 0;
    for (std::int32_t n = 1; n <= OddTableSteps; n += 2) {
        starts[n] = next;
        next += n * (n + 1);
    }
    return starts;
}

constexpr std::int32_t OddTableSize() {
    std::int32_t size = 0;
    for (std::int32_t n = 1; n <= OddTableSteps; n += 2) {
        size += n * (n + 1);
    }
    return size;
}

} // namespace

constexpr std::array<std::int32_t, OddTableSteps + 1> OddBlockStarts = MakeOddBlockStarts();
static_assert(OddTableSize() == std::tuple_size_v<decltype(OddOffsets)>);

// round(k a / N) = floor((2 k a + N) / (2 N)), never a tie for odd N.
constexpr std::array<std::uint8_t, 44704> OddOffsets = [] {
    std::array<std::uint8_t, 44704> table{};
    for (std::int32_t n = 1; n <= OddTableSteps; n += 2) {
        for (std::int32_t a = 0; a < n; ++a) {
            for (std::int32_t k = 0; k <= n; ++k) {
                table[std::size_t(OddBlockStarts[n] + a * (n + 1) + k)] =
                    static_cast<std::uint8_t>((2 * k * a + n) / (2 * n));
            }
        }
    }
    return table;
}();

constexpr std::array<double, QuotientTableSteps*(QuotientTableSteps + 1) / 2> StepQuotients =
    MakeQuotients();

bool WalksStayInside(const TPixelWindow& window) {
    return window.Left <= window.Right && window.Top <= window.Bottom && window.Left >= 0 &&
           window.Top >= 0 && window.Right < InsideLimit && window.Bottom < InsideLimit;
}

const TShortLines::TEntry TShortLines::NotCovered{};

// Each entry walks its line as the line routine does, from a start of the entry's parities: the
// offsets of its rounded positions from the start are those of any start with the same parities.
// Every entry writes at least MinWrites offsets, the start's own 0 filling in: as measured, a few
// more stores cost less than a loop that may end after none, one or two.
bool TShortLines::Prepare(std::ptrdiff_t bytesPerLine) {
    constexpr std::int64_t Limit = std::int64_t(1) << 31;
    constexpr std::int32_t MinWrites = 3;
    if (bytesPerLine > Limit / (2 * ShortSpan) || bytesPerLine < -Limit / (2 * ShortSpan)) {
        prepared_ = false;
        return false;
    }
    if (prepared_ && bytesPerLine == bytesPerLine_) {
        return true;
    }
    prepared_ = true;
    bytesPerLine_ = bytesPerLine;
    for (std::int32_t oddY = 0; oddY < 2; ++oddY) {
        for (std::int32_t oddX = 0; oddX < 2; ++oddX) {
            for (std::int32_t dy = -ShortSpan; dy <= ShortSpan; ++dy) {
                for (std::int32_t dx = -ShortSpan; dx <= ShortSpan; ++dx) {
                    TEntry& entry =
                        entries_[std::size_t(Index(oddX, oddY, dx + ShortSpan, dy + ShortSpan))];
                    const TInsideLine line = MakeInsideLine(oddX, oddY, oddX + dx, oddY + dy);
                    const bool powerOfTwo = (line.N & (line.N - 1)) == 0;
                    if (!OddSteps(line.N) && !powerOfTwo) {
                        entry.Count = -1;
                        continue;
                    }
                    const double stepX = double(dx) / double(line.N);
                    const double stepY = double(dy) / double(line.N);
                    double px = oddX;
                    double py = oddY;
                    entry.Count = static_cast<std::int8_t>(std::max(line.N - 1, MinWrites));
                    entry.Offsets.fill(0);
                    for (std::int32_t k = 1; k < line.N; ++k) {
                        px += stepX;
                        py += stepY;
                        const std::int64_t x = std::lrint(px) - oddX;
                        const std::int64_t y = std::lrint(py) - oddY;
                        entry.Offsets[std::size_t(k - 1)] =
                            static_cast<std::int32_t>(y * bytesPerLine + 3 * x);
                    }
                }
            }
        }
    }
    return true;
}

} // namespace ZuveloGraphLibrary::Detail
