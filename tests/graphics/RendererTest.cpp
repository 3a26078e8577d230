#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::ImageIs;
using Plexa3DTest::ImagesEqual;
using Plexa3DTest::TTestImage;

constexpr TColorRGB Back{20, 22, 30};
constexpr TColorRGB White{255, 255, 255};

struct TLine {
    std::int32_t X1, Y1, X2, Y2;
};

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphicsState();
        SetClipRect(0, 0, 399, 299);
        SetDrawColor(White.R, White.G, White.B);
        SetViewOrigin(200, 150);
    }

    // An object whose world vertices are given directly; faces use numbers counted from 1.
    static TObject3D Object(const std::vector<TPoint3D>& world, const std::vector<TFace3D>& faces) {
        TObject3D object;
        object.VertexCount = static_cast<std::int32_t>(world.size());
        object.FaceCount = static_cast<std::int32_t>(faces.size());
        AllocObjectArrays(object);
        for (std::size_t i = 0; i < world.size(); ++i) {
            object.WorldVertices[static_cast<std::int32_t>(i) + 1] = world[i];
        }
        for (std::size_t i = 0; i < faces.size(); ++i) {
            object.Faces[static_cast<std::int32_t>(i) + 1] = faces[i];
        }
        return object;
    }

    static TTestImage Lines(const std::vector<TLine>& lines) {
        TTestImage image(400, 300, Back);
        for (const TLine& l : lines) {
            DrawLine(image.View(), l.X1, l.Y1, l.X2, l.Y2, White.R, White.G, White.B);
        }
        return image;
    }

    static TTestImage Drawn(const TObject3D& object) {
        TTestImage image(400, 300, Back);
        DrawObject3D(image.View(), object);
        return image;
    }
};

TEST_F(Renderer, NothingIsDrawnWithoutAKnownModeOrWithoutFaces) {
    const TObject3D face = Object({{0, 0, -5}, {10, 0, -5}, {0, 10, -5}}, {{1, 2, 3}});
    EXPECT_EQ(ProjectionMode, 0);
    EXPECT_TRUE(ImageIs(Drawn(face), {}));
    for (int mode = 3; mode <= 255; ++mode) {
        ProjectionMode = static_cast<std::uint8_t>(mode);
        ASSERT_TRUE(ImageIs(Drawn(face), {})) << mode;
    }
    SetParallelProjection();
    TObject3D none = Object({{0, 0, -5}, {10, 0, -5}, {0, 10, -5}}, {});
    EXPECT_TRUE(ImageIs(Drawn(none), {}));
}

TEST_F(Renderer, ParallelFaceDrawsItsThreeEdgesAboutTheOriginWhateverItsDepth) {
    SetParallelProjection();
    const TTestImage expected =
        Lines({{200, 150, 210, 150}, {210, 150, 200, 140}, {200, 150, 200, 140}});
    for (float z : {-300.0f, 0.0f, 1e30f, NAN}) {
        const TObject3D face = Object({{0, 0, z}, {10, 0, z}, {0, 10, z}}, {{1, 2, 3}});
        EXPECT_TRUE(ImagesEqual(Drawn(face), expected)) << z;
    }
}

TEST_F(Renderer, ParallelRoundsHalvesToEvenBeforeTheOriginIsAdded) {
    SetParallelProjection();
    // Degenerate faces draw single points: x 2.5 -> 202, 3.5 -> 204; y -0.5 -> 150, 1.5 -> 148.
    const TObject3D points = Object({{2.5f, -0.5f, 0}, {3.5f, 1.5f, 0}}, {{1, 1, 1}, {2, 2, 2}});
    EXPECT_TRUE(ImageIs(Drawn(points), {{202, 150, White}, {204, 148, White}}));
}

TEST_F(Renderer, PerspectiveDividesByDepthWithTheYFactor) {
    SetPerspectiveProjection();
    EXPECT_EQ(PerspectiveDistance, 200.0);
    EXPECT_EQ(PerspectiveAspect, 4.0 / 3.0);
    // (30, 30, -300): q = -2/3, (-20, -26.67) -> (180, 177); (30, 30, 300) -> (220, 123).
    const TObject3D points =
        Object({{30, 30, -300}, {0, 0, -300}, {30, 30, 300}}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    EXPECT_TRUE(ImageIs(Drawn(points), {{180, 177, White}, {200, 150, White}, {220, 123, White}}));
    // Switching back keeps world (0, 0, z) on the origin pixel.
    SetParallelProjection();
    EXPECT_TRUE(ImageIs(Drawn(Object({{0, 0, -300}}, {{1, 1, 1}})), {{200, 150, White}}));
}

TEST_F(Renderer, CornerAtDepthZeroKeepsThePreviousFacesValue) {
    SetPerspectiveProjection();
    // Face 1's second corner projects to (5, 7): 200 / -200 x (-5, -5.25 x 4/3 = -7).
    // Face 2's second corner has z = 0 (and face 3's is not a number): drawn at (205, 143).
    const TObject3D object =
        Object({{-90, 60, -300}, {-5, -5.25f, -200}, {0, 0, 0}, {-60, 30, -300}, {0, 0, NAN}},
               {{1, 2, 1}, {4, 3, 4}, {1, 5, 4}});
    const TTestImage expected = Lines({{260, 203, 205, 143},
                                       {205, 143, 260, 203},
                                       {260, 203, 260, 203},
                                       {240, 177, 205, 143},
                                       {205, 143, 240, 177},
                                       {240, 177, 240, 177},
                                       {260, 203, 205, 143},
                                       {205, 143, 240, 177},
                                       {260, 203, 240, 177}});
    EXPECT_TRUE(ImagesEqual(Drawn(object), expected));
    // In the first face of a call there is no previous value: such a corner sits on the origin.
    const TObject3D first = Object({{0, 0, 0}, {-30, 0, -300}}, {{1, 2, 2}});
    EXPECT_TRUE(ImagesEqual(
        Drawn(first), Lines({{200, 150, 220, 150}, {220, 150, 220, 150}, {200, 150, 220, 150}})));
}

TEST_F(Renderer, FacesNamingMissingVerticesAreSkipped) {
    SetParallelProjection();
    const TObject3D object = Object({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}},
                                    {{1, 2, 4}, {0, 1, 2}, {65535, 1, 2}, {1, 2, 3}});
    EXPECT_TRUE(ImagesEqual(
        Drawn(object), Lines({{200, 150, 210, 150}, {210, 150, 200, 140}, {200, 150, 200, 140}})));
    SetPerspectiveProjection();
    TObject3D fewer = Object({{0, 0, -300}, {30, 0, -300}, {0, 30, -300}}, {{1, 2, 3}});
    fewer.VertexCount = 2; // the count, not the array, says which vertices exist
    EXPECT_TRUE(ImageIs(Drawn(fewer), {}));
}

TEST_F(Renderer, FarVerticesStillDrawTheVisiblePartOfTheirEdges) {
    SetParallelProjection();
    const TObject3D object = Object({{-1e7f, -3e6f, 0}, {0, 0, 0}, {2e6f, -7e6f, 0}}, {{1, 2, 3}});
    TTestImage expected(400, 300, Back);
    const TColorRGB white = White;
    DrawLineStepByStep(expected.View(), -9999800, 3000150, 200, 150, white);
    DrawLineStepByStep(expected.View(), 200, 150, 2000200, 7000150, white);
    DrawLineStepByStep(expected.View(), -9999800, 3000150, 2000200, 7000150, white);
    const TTestImage drawn = Drawn(object);
    EXPECT_TRUE(ImagesEqual(drawn, expected));
    EXPECT_FALSE(drawn.Marked().empty());
}

TEST_F(Renderer, ValuesBeyondThe64BitRangeRaiseAnInvalidOperation) {
    SetParallelProjection();
    const TObject3D object = Object({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {1e30f, 0, 0}},
                                    {{1, 2, 3}, {1, 4, 2}, {2, 3, 1}});
    TTestImage image(400, 300, Back);
    try {
        DrawObject3D(image.View(), object);
        FAIL() << "no error raised";
    } catch (const FloatingPointError& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    // The face drawn before the error stays drawn; the one after it is not drawn.
    EXPECT_TRUE(ImagesEqual(
        image, Lines({{200, 150, 210, 150}, {210, 150, 200, 140}, {200, 150, 200, 140}})));

    EXPECT_THROW(Drawn(Object({{NAN, 0, 0}}, {{1, 1, 1}})), FloatingPointError);
    SetPerspectiveProjection();
    // 200 / 1e-30 x 1e20 is far beyond 2^63.
    EXPECT_THROW(Drawn(Object({{1e20f, 0, 1e-30f}}, {{1, 1, 1}})), FloatingPointError);
    // Within the range, however far: no error, and nothing lands.
    EXPECT_NO_THROW(Drawn(Object({{1e9f, 0, 1e-6f}}, {{1, 1, 1}})));
}

} // namespace
