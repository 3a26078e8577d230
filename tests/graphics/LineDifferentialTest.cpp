// The line routine skips the steps that cannot land in the clip window. These tests hold it to
// the plain step-by-step walk: the same running sums, bit for bit, and the same image bytes.
#include "DdaWalk.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

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

} // namespace
