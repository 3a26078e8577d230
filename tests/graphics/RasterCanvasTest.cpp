#include "DdaWalk.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {
namespace raster_canvas_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::ImageIs;
using Plexa3DTest::TPixel;
using Plexa3DTest::TTestImage;

constexpr TColorRGB Back{10, 20, 30};
constexpr TColorRGB Red{255, 0, 0};
constexpr TColorRGB Ink{200, 100, 50};

class RasterCanvas : public ::testing::Test {
protected:
    void SetUp() override { ResetGraphicsState(); }
};

// The positions the line routine writes, in order.
std::vector<std::pair<std::int64_t, std::int64_t>> Writes(std::int64_t x1, std::int64_t y1,
                                                          std::int64_t x2, std::int64_t y2) {
    std::vector<std::pair<std::int64_t, std::int64_t>> writes;
    Detail::ForEachDdaStep(Detail::MakeDda(x1, y1, x2, y2), [&](double px, double py) {
        writes.emplace_back(std::llrint(px), std::llrint(py));
    });
    return writes;
}

std::vector<TPixel> Pixels(const std::vector<std::pair<std::int64_t, std::int64_t>>& points,
                           TColorRGB color) {
    std::vector<TPixel> pixels;
    for (const auto& [x, y] : points) {
        pixels.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), color});
    }
    return pixels;
}

TEST_F(RasterCanvas, ClipWindowBoundsAreInclusiveAndTheImageIsNeverOverrun) {
    TTestImage image(400, 300, Back);
    SetClipRect(0, 0, 399, 299);
    for (auto [x, y] :
         std::vector<std::pair<int, int>>{{399, 299}, {400, 0}, {0, 300}, {-1, 5}, {5, -1}}) {
        PutPixel(image.View(), x, y, Ink.R, Ink.G, Ink.B);
    }
    // A window wider than the image admits points that the image does not have.
    SetClipRect(-100, -100, 1000, 1000);
    PutPixel(image.View(), 400, 10, Ink.R, Ink.G, Ink.B);
    PutPixel(image.View(), 10, 300, Ink.R, Ink.G, Ink.B);
    PutPixel(image.View(), -1, 10, Ink.R, Ink.G, Ink.B);
    EXPECT_TRUE(ImageIs(image, {{399, 299, Ink}}));
}

TEST_F(RasterCanvas, StartStateAdmitsOnlyTheOriginAndReversedWindowsAdmitNothing) {
    EXPECT_EQ(ClipRect.Left, 0);
    EXPECT_EQ(ClipRect.Bottom, 0);
    EXPECT_EQ(DrawColor, (TColorRGB{0, 0, 0}));
    TTestImage image(4, 3, Back);
    DrawLine(image.View(), 0, 0, 3, 0, Ink.R, Ink.G, Ink.B);
    DrawLine(image.View(), 0, 0, 0, 2, Ink.R, Ink.G, Ink.B);
    EXPECT_TRUE(ImageIs(image, {{0, 0, Ink}}));

    SetClipRect(3, 0, 0, 2); // stored as given: Left > Right
    EXPECT_EQ(ClipRect.Left, 3);
    EXPECT_EQ(ClipRect.Right, 0);
    TTestImage other(4, 3, Back);
    DrawLine(other.View(), 0, 0, 3, 2, Ink.R, Ink.G, Ink.B);
    EXPECT_TRUE(ImageIs(other, {}));
}

TEST_F(RasterCanvas, PixelBytesAreBlueGreenRed) {
    TTestImage image(3, 2, Back);
    SetClipRect(0, 0, 2, 1);
    PutPixel(image.View(), 2, 1, 255, 0, 0);
    PutPixel(image.View(), 1, 0, 1, 2, 3);
    const std::uint8_t* red = image.View().ScanLine(1) + 6;
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 255);
    const std::uint8_t* other = image.View().ScanLine(0) + 3;
    EXPECT_EQ(other[0], 3);
    EXPECT_EQ(other[1], 2);
    EXPECT_EQ(other[2], 1);
    SetDrawColor(7, 8, 9);
    EXPECT_EQ(DrawColor, (TColorRGB{7, 8, 9}));
}

TEST_F(RasterCanvas, DdaMakesNPlusOneWritesRoundedTiesToEven) {
    using W = std::vector<std::pair<std::int64_t, std::int64_t>>;
    // Step 0.75 and 0.25: the third point is (1.5, 0.5), a double tie going to (2, 0).
    EXPECT_EQ(Writes(0, 0, 3, 1), (W{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(Writes(3, 1, 0, 0), (W{{3, 1}, {2, 1}, {2, 0}, {1, 0}, {0, 0}}));
    // y = 2.5 at the fourth point rounds to 2.
    EXPECT_EQ(Writes(0, 0, 2, 5), (W{{0, 0}, {0, 1}, {1, 2}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}));
    EXPECT_EQ(Writes(5, 5, 5, 5), (W{{5, 5}, {5, 5}}));
    // 11 pixels in 12 writes: 4.545... and 5.454... both round to 5.
    const W horizontal = Writes(0, 0, 10, 0);
    ASSERT_EQ(horizontal.size(), 12u);
    EXPECT_EQ(horizontal[5], (std::pair<std::int64_t, std::int64_t>{5, 0}));
    EXPECT_EQ(horizontal[6], (std::pair<std::int64_t, std::int64_t>{5, 0}));
    EXPECT_EQ(horizontal.front().first, 0);
    EXPECT_EQ(horizontal.back().first, 10);
}

TEST_F(RasterCanvas, LinesDrawExactlyTheirDdaPixels) {
    SetClipRect(0, 0, 11, 7);
    for (const auto& [from, to] :
         std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>>{{{0, 0}, {3, 1}},
                                                                          {{3, 1}, {0, 0}},
                                                                          {{0, 0}, {2, 5}},
                                                                          {{11, 7}, {1, 2}},
                                                                          {{5, 5}, {5, 5}},
                                                                          {{0, 6}, {10, 6}}}) {
        TTestImage image(12, 8, Back);
        DrawLine(image.View(), from.first, from.second, to.first, to.second, Ink.R, Ink.G, Ink.B);
        EXPECT_TRUE(
            ImageIs(image, Pixels(Writes(from.first, from.second, to.first, to.second), Ink)))
            << "line (" << from.first << ", " << from.second << ") to (" << to.first << ", "
            << to.second << ")";
    }
}

TEST_F(RasterCanvas, LinesAreCutPixelByPixelWithoutMovingTheirPixels) {
    // The same line under a narrower window keeps exactly the pixels inside that window.
    TTestImage image(12, 8, Back);
    SetClipRect(2, 1, 6, 5);
    DrawLine(image.View(), -3, -2, 14, 9, Ink.R, Ink.G, Ink.B);
    std::vector<TPixel> inside;
    for (const auto& [x, y] : Writes(-3, -2, 14, 9)) {
        if (x >= 2 && x <= 6 && y >= 1 && y <= 5) {
            inside.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), Ink});
        }
    }
    ASSERT_FALSE(inside.empty());
    EXPECT_TRUE(ImageIs(image, inside));
}

TEST_F(RasterCanvas, TriangleOutlineIsThreeLinesFromTheFirstCornerToTheThird) {
    TTestImage image(12, 12, Back);
    SetClipRect(0, 0, 11, 11);
    DrawTriangle(image.View(), 0, 0, 10, 0, 0, 10, Red.R, Red.G, Red.B);
    auto expected = Writes(0, 0, 10, 0);
    for (const auto& p : Writes(10, 0, 0, 10)) {
        expected.push_back(p);
    }
    for (const auto& p : Writes(0, 0, 0, 10)) {
        expected.push_back(p);
    }
    EXPECT_TRUE(ImageIs(image, Pixels(expected, Red)));

    // The third edge runs 1 -> 3, not 3 -> 1: the line (0, 0)-(5, 1) covers other pixels when
    // drawn from its far end, so a triangle with corners 1 and 2 equal shows the direction.
    const std::pair<std::int64_t, std::int64_t> onlyBackward{2, 1};
    const auto forwardWrites = Writes(0, 0, 5, 1);
    ASSERT_EQ(std::count(forwardWrites.begin(), forwardWrites.end(), onlyBackward), 0);
    ASSERT_EQ(Writes(5, 1, 0, 0).at(3), onlyBackward);
    TTestImage forward(12, 12, Back);
    TTestImage triangle(12, 12, Back);
    DrawLine(forward.View(), 0, 0, 5, 1, Red.R, Red.G, Red.B);
    DrawTriangle(triangle.View(), 0, 0, 0, 0, 5, 1, Red.R, Red.G, Red.B);
    EXPECT_TRUE(Plexa3DTest::ImagesEqual(triangle, forward));
}

TEST_F(RasterCanvas, CopyTakesEveryRowAndStaysInsideTheDestination) {
    TTestImage source(400, 300, Back);
    for (std::int32_t y = 0; y < 300; ++y) {
        for (std::int32_t x = 0; x < 400; ++x) {
            source.Set(x, y, {std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y)});
        }
    }
    TTestImage destination(400, 300, {1, 1, 1});
    CopyImagePixels(source.View(), destination.View());
    EXPECT_TRUE(Plexa3DTest::ImagesEqual(destination, source));

    TTestImage small(5, 4, {1, 1, 1});
    CopyImagePixels(source.View(), small.View());
    EXPECT_TRUE(small.PaddingIntact());
    EXPECT_EQ(small.At(4, 3), (TColorRGB{4, 3, 7}));
}

} // namespace raster_canvas_test
} // namespace
