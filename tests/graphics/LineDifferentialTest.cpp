// The line routine skips the steps that cannot land in the clip window. These tests hold it to
// the plain step-by-step walk: the same running sums, bit for bit, and the same image bytes.
#include "DdaWalk.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

namespace {
namespace line_differential_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::ImagesEqual;
using Plexa3DTest::TTestImage;

constexpr TColorRGB Back{3, 5, 7};
constexpr TColorRGB Ink{250, 128, 1};

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(LineDifferential, SkippedSumsEqualTheSumsOfEveryAddition) {
    std::mt19937_64 random(20261208);
    // Starts near zero, at pane-sized values and far out where the grid is coarser than the
    // step; steps of every kind a line can have, ties included (0.5, 0.75 and 1 step exactly).
    const double starts[] = {0,      1,       -1,         3,       -7,     1e6,           -1e6,
                             0x1p40, -0x1p40, 0x1p52 + 1, -0x1p53, 0x1p60, -0x1p61 + 4096};
    const double steps[] = {0.5,      0.75, 1.0,        1.0 / 3, 2.0 / 3,
                            0.999999, 1e-7, 1.0 / 1024, 0x1p-30, 0.999999999999};
    for (double start : starts) {
        for (double magnitude : steps) {
            for (double step : {magnitude, -magnitude}) {
                double sum = start;
                std::uint64_t k = 0;
                for (std::uint64_t target : {1ull, 2ull, 3ull, 1000ull, 65537ull, 2000003ull}) {
                    for (; k < target; ++k) {
                        sum += step;
                    }
                    const double skipped = Detail::SumAfter(start, step, k);
                    ASSERT_TRUE(SameBits(skipped, sum))
                        << "start " << start << " step " << step << " after " << k << ": "
                        << skipped << " instead of " << sum;
                }
            }
        }
    }
    // Random steps, as lines of random lengths produce them.
    for (int i = 0; i < 200; ++i) {
        const double start = std::uniform_int_distribution<std::int64_t>(-5000000, 5000000)(random);
        const std::uint64_t n = std::uniform_int_distribution<std::uint64_t>(1, 3000000)(random);
        const std::uint64_t d = std::uniform_int_distribution<std::uint64_t>(0, n - 1)(random);
        const double step = (i % 2 ? -1.0 : 1.0) * static_cast<double>(d) / static_cast<double>(n);
        double sum = start;
        for (std::uint64_t k = 0; k < n; ++k) {
            sum += step;
        }
        ASSERT_TRUE(SameBits(Detail::SumAfter(start, step, n), sum))
            << "start " << start << " step " << step << " after " << n;
    }
}

struct TWindow {
    std::int32_t Left, Top, Right, Bottom;
};

void ExpectSameLine(const TTestImage& blank, TWindow window, std::int64_t x1, std::int64_t y1,
                    std::int64_t x2, std::int64_t y2) {
    SetClipRect(window.Left, window.Top, window.Right, window.Bottom);
    TTestImage fast = blank;
    TTestImage plain = blank;
    DrawLineWide(fast.View(), x1, y1, x2, y2, Ink);
    DrawLineStepByStep(plain.View(), x1, y1, x2, y2, Ink);
    ASSERT_TRUE(ImagesEqual(fast, plain))
        << "line (" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << ") in window ("
        << window.Left << ", " << window.Top << ", " << window.Right << ", " << window.Bottom
        << ")";
}

TEST(LineDifferential, ClippedWalkWritesTheSameBytesAsTheStepByStepWalk) {
    ResetGraphicsState();
    std::mt19937_64 random(8);
    const TTestImage blank(120, 90, Back);
    const TWindow windows[] = {
        {0, 0, 119, 89}, {10, 20, 60, 40}, {-50, -50, 500, 500}, {30, 30, 30, 30}, {0, 0, 0, 0}};
    // End points inside the pane, just outside it, and far away.
    const auto point = [&](int kind) -> std::int64_t {
        switch (kind) {
        case 0:
            return std::uniform_int_distribution<std::int64_t>(-5, 125)(random);
        case 1:
            return std::uniform_int_distribution<std::int64_t>(-3000, 3000)(random);
        default:
            return std::uniform_int_distribution<std::int64_t>(-200000, 200000)(random);
        }
    };
    int long_lines = 0;
    for (int i = 0; i < 1500; ++i) {
        const TWindow& window = windows[i % 5];
        const int kind1 = i % 3;
        const int kind2 = (i / 3) % 3;
        std::int64_t x1 = point(kind1), y1 = point(kind1), x2 = point(kind2), y2 = point(kind2);
        if (i % 7 == 0) {
            y2 = y1 + (x2 - x1) / 1000; // shallow
        } else if (i % 7 == 1) {
            x2 = x1 + (y2 - y1) / 999; // steep
        }
        if (std::max(std::abs(x2 - x1), std::abs(y2 - y1)) > 4096) {
            ++long_lines;
        }
        ExpectSameLine(blank, window, x1, y1, x2, y2);
        ExpectSameLine(blank, window, x2, y2, x1, y1);
    }
    EXPECT_GT(long_lines, 500);
    // Lines of 10^6 to 10^7 steps through the pane, from far outside to far outside.
    ExpectSameLine(blank, windows[0], -4000000, -3000000, 4000123, 3000077);
    ExpectSameLine(blank, windows[1], 9999999, 45, -1, 44);
    ExpectSameLine(blank, windows[0], 60, -10000000, 61, 10000000);
}

// Faces take shortcuts of their own: a face wholly inside the window is drawn without tests and
// one wholly outside is passed over, as long as its edges stay near their exact course. Faces of
// every size around the window's edges, and lines just inside and beyond the bound of that
// shortcut (end points near 2^20 to 2^25), must still match the step-by-step lines.
TEST(LineDifferential, TrianglesMatchTheirThreeStepByStepEdges) {
    ResetGraphicsState();
    std::mt19937_64 random(77);
    const auto pick = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
    };
    const TTestImage blank(120, 90, Back);
    const TWindow windows[] = {
        {0, 0, 119, 89}, {10, 20, 60, 40}, {-50, -50, 500, 500}, {30, 30, 30, 30}};
    const std::int64_t spans[] = {3, 8, 60, 3000, 1 << 12, 1 << 15};
    for (int i = 0; i < 4800; ++i) {
        const TWindow& w = windows[i % 4];
        SetClipRect(w.Left, w.Top, w.Right, w.Bottom);
        const std::int64_t span = spans[(i / 4) % 6];
        const std::int64_t reach = span > 60 ? span * 4 : 130;
        const std::int64_t cx = pick(-reach, reach + 120), cy = pick(-reach, reach + 90);
        std::int64_t x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = cx + pick(-span, span);
            y[k] = cy + pick(-span, span);
        }
        TTestImage fast = blank;
        TTestImage plain = blank;
        DrawTriangleWide(fast.View(), x[0], y[0], x[1], y[1], x[2], y[2], Ink);
        DrawLineStepByStep(plain.View(), x[0], y[0], x[1], y[1], Ink);
        DrawLineStepByStep(plain.View(), x[1], y[1], x[2], y[2], Ink);
        DrawLineStepByStep(plain.View(), x[0], y[0], x[2], y[2], Ink);
        ASSERT_TRUE(ImagesEqual(fast, plain))
            << "triangle (" << x[0] << ", " << y[0] << ") (" << x[1] << ", " << y[1] << ") ("
            << x[2] << ", " << y[2] << ")";
    }
    for (int e = 20; e <= 25; ++e) {
        const std::int64_t r = std::int64_t(1) << e;
        ExpectSameLine(blank, windows[0], -r + pick(-3, 3), pick(5, 85), r - 1, pick(5, 85));
        ExpectSameLine(blank, windows[1], pick(5, 115), -r, pick(5, 115), r + pick(-3, 3));
    }
}

TEST(LineDifferential, LinesBeyondAnyStepByStepWalkStillCrossThePane) {
    ResetGraphicsState();
    SetClipRect(0, 0, 119, 89);
    // 2^41 steps, too many to walk one by one: x advances by 1 - 2^-41 and y by exactly 1/4, so
    // the sums pass through the pane's centre. Every column is written once, without gaps.
    TTestImage image(120, 90, Back);
    const std::int64_t reach = std::int64_t(1) << 40;
    DrawLineWide(image.View(), 60 - reach, 45 - reach / 4, 60 + reach - 1, 45 + reach / 4, Ink);
    const auto marked = image.Marked();
    ASSERT_EQ(marked.size(), 120u);
    for (const auto& pixel : marked) {
        EXPECT_NEAR(pixel.Y, 45 + (pixel.X - 60) / 4.0, 1.0) << pixel.X;
    }
    EXPECT_EQ(marked.front().Y, 30);
    EXPECT_EQ(marked.back().Y, 60);
    // Coordinates at the ends of the 64-bit range: no overflow, nothing outside the image.
    TTestImage edge(120, 90, Back);
    DrawLineWide(edge.View(), INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX, Ink);
    DrawLineWide(edge.View(), INT64_MAX, 0, INT64_MIN, 89, Ink);
    EXPECT_TRUE(edge.PaddingIntact());
}

// An exact model of the line routine's running sums, independent of the library's own skipping:
// values are integers in units of 2^-FractionBits, and each addition is rounded to the nearest
// double, ties to even, as the hardware does. Additions that stay on one grid of doubles are
// taken many at a time. It covers starts below 2^46 and steps of at least 2^-28 in magnitude,
// whose sums are all whole numbers of units.
class TExactDda {
public:
    using TFixed = __int128;
    static constexpr int FractionBits = 80;
    static constexpr int Mantissa = 53;

    static TFixed Fixed(double v) {
        int e = 0;
        const double m = std::frexp(v, &e);
        const auto digits = static_cast<std::int64_t>(std::ldexp(m, Mantissa));
        const int shift = e - Mantissa + FractionBits;
        if (shift < 0) {
            ADD_FAILURE() << v << " is finer than the model's units";
            return 0;
        }
        return TFixed(digits) * (TFixed(1) << shift);
    }

    // The double nearest to v, ties to even.
    static TFixed Round(TFixed v) {
        const TFixed m = v < 0 ? -v : v;
        const int width = BitWidth(m);
        if (width <= Mantissa) {
            return v;
        }
        const TFixed r = Round(m, width - Mantissa);
        return v < 0 ? -r : r;
    }

    // The sum after k additions of step to start.
    static TFixed SumAfter(double start, double step, std::uint64_t k) {
        if (step < 0) {
            return -SumAfter(-start, -step, k);
        }
        const TFixed s0 = Fixed(start);
        if (step == 0) {
            return s0;
        }
        const TFixed d = Fixed(step);
        TFixed s = s0;
        while (k > 0) {
            // The grid of the sum's magnitude m, spacing 2^g, holds the exact sums from `low` to
            // `high`; additions whose exact sums stay there all move by the same rounded step.
            const TFixed m = s < 0 ? -s : s;
            const int width = BitWidth(m);
            const int g = std::max(0, width - Mantissa);
            const TFixed move = GridStep(d, m, g);
            std::uint64_t run = 0;
            if (move > 0 && s >= 0) {
                const TFixed high = TFixed(1) << (g + Mantissa);
                if (s + d <= high) {
                    run = Runs(high - d - s, move, k);
                }
            } else if (move > 0) {
                const TFixed low = g > 0 ? TFixed(1) << (g + Mantissa - 1) : 0;
                if (m - d >= low) {
                    run = Runs(m - d - low, move, k);
                }
            }
            if (run == 0) {
                const TFixed next = Round(s + d);
                if (next == s) {
                    return s; // the step is lost in rounding, now and from here on
                }
                s = next;
                --k;
            } else {
                s += TFixed(run) * move;
                k -= run;
            }
        }
        return s;
    }

    // The pixel coordinate a sum rounds to, ties to even.
    static std::int64_t Pixel(TFixed v) {
        return std::int64_t(Round(v, FractionBits) >> FractionBits);
    }

private:
    static int BitWidth(TFixed m) {
        const auto high = std::uint64_t(m >> 64);
        return high != 0 ? 64 + std::bit_width(high) : std::bit_width(std::uint64_t(m));
    }
    // m rounded to a multiple of 2^g, ties to even; m may be negative (floor division).
    static TFixed Round(TFixed m, int g) {
        const TFixed unit = TFixed(1) << g;
        const TFixed q = m >> g;
        const TFixed r = m - q * unit;
        const bool up = 2 * r > unit || (2 * r == unit && (q & 1) != 0);
        return (q + (up ? 1 : 0)) * unit;
    }
    // The rounded step on a grid of spacing 2^g from a sum of magnitude m, 0 when it depends on the
    // sum (a tie from an odd grid point: one single addition settles it onto an even one).
    static TFixed GridStep(TFixed d, TFixed m, int g) {
        if (g == 0) {
            return d;
        }
        const TFixed unit = TFixed(1) << g;
        const TFixed q = d >> g;
        const TFixed r = d - q * unit;
        if (2 * r == unit) {
            return ((m >> g) & 1) != 0 ? 0 : (q + (q & 1)) * unit;
        }
        return (q + (2 * r > unit ? 1 : 0)) * unit;
    }
    // How many additions of `move` fit in `room` after the first, at most k.
    static std::uint64_t Runs(TFixed room, TFixed move, std::uint64_t k) {
        const TFixed runs = room / move + 1;
        return runs < TFixed(k) ? std::uint64_t(runs) : k;
    }
};

// The steps k in [0, n] whose sum rounds into [lo, hi]: one range, as the sums move one way.
std::pair<std::uint64_t, std::uint64_t> StepsInto(double start, double step, std::uint64_t n,
                                                  std::int64_t lo, std::int64_t hi) {
    const auto pixel = [&](std::uint64_t k) {
        const std::int64_t p = TExactDda::Pixel(TExactDda::SumAfter(start, step, k));
        return step < 0 ? -p : p;
    };
    if (step < 0) {
        std::tie(lo, hi) = std::pair(-hi, -lo);
    }
    // The first step whose pixel passes `bound` (>= bound, or > bound when strict).
    const auto first = [&](std::int64_t bound, bool strict) {
        std::uint64_t a = 0;
        std::uint64_t b = n + 1;
        while (a < b) {
            const std::uint64_t mid = a + (b - a) / 2;
            const std::int64_t p = pixel(mid);
            if (strict ? p > bound : p >= bound) {
                b = mid;
            } else {
                a = mid + 1;
            }
        }
        return a;
    };
    return {first(lo, false), first(hi, true)}; // [first, last + 1)
}

// Lines of 2^26 to 2^40 steps from far outside the pane, where the double sums drift from the
// exact line by many pixels: the pixels written are those of the exact model of the sums.
TEST(LineDifferential, LongLinesWriteThePixelsOfTheExactSums) {
    ResetGraphicsState();
    struct TCase {
        std::int64_t X1, Y1, X2, Y2;
        std::size_t Pixels; // those of the first six seen once from the step-by-step walk
    };
    const TCase cases[] = {
        {-1073741824, -1029966666, 485444999, 465653973, 77},
        {485444999, 465653973, -1073741824, -1029966666, 94},
        {-2999940, -134217683, 3000067, 134217785, 90},
        {-8589934532, -1073741779, 8589934651, 1073741880, 120},
        {-536870852, -434202435, 536870972, 434202525, 108},
        {-268435396, -232970871, 268435516, 232970961, 104},
        {-68719476676, -30000000000, 68719476801, 30000000123, 0}, // drifts past the pane
        {-1099511627716, -549755813843, 1099511627835, 549755813938, 120},
        {-9940, -1099511627731, 10067, 1099511627821, 90},
        {-274877906884, -4000, 274877907003, 4095, 120},
    };
    constexpr std::int32_t Width = 120;
    constexpr std::int32_t Height = 90;
    SetClipRect(0, 0, Width - 1, Height - 1);
    for (const TCase& c : cases) {
        TTestImage drawn(Width, Height, Back);
        DrawLineWide(drawn.View(), c.X1, c.Y1, c.X2, c.Y2, Ink);
        const Detail::TDda dda = Detail::MakeDda(c.X1, c.Y1, c.X2, c.Y2);
        const auto n = std::uint64_t(dda.Steps); // additions, and positions 0 to n
        const auto columns = StepsInto(dda.StartX, dda.StepX, n, 0, Width - 1);
        const auto rows = StepsInto(dda.StartY, dda.StepY, n, 0, Height - 1);
        TTestImage expected(Width, Height, Back);
        for (std::uint64_t k = std::max(columns.first, rows.first);
             k < std::min(columns.second, rows.second); ++k) {
            const auto x = TExactDda::Pixel(TExactDda::SumAfter(dda.StartX, dda.StepX, k));
            const auto y = TExactDda::Pixel(TExactDda::SumAfter(dda.StartY, dda.StepY, k));
            expected.Set(std::int32_t(x), std::int32_t(y), Ink);
        }
        EXPECT_TRUE(ImagesEqual(drawn, expected))
            << "line (" << c.X1 << ", " << c.Y1 << ") to (" << c.X2 << ", " << c.Y2 << ")";
        EXPECT_EQ(expected.Marked().size(), c.Pixels)
            << "line (" << c.X1 << ", " << c.Y1 << ") to (" << c.X2 << ", " << c.Y2 << ")";
    }
}

} // namespace line_differential_test
} // namespace
