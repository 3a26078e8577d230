#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {
namespace renderer_test {

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

    // The projection written out corner by corner, each edge walked step by step. Without
    // navigation it is the bare rule, pane (ox + Round(x), oy - Round(y)), with nothing multiplied
    // or added.
    static TTestImage Reference(const TObject3D& object, bool withNavigation) {
        const TViewNavigation& n = ViewNavigation;
        const bool perspective = ProjectionMode == PerspectiveProjection;
        TTestImage image(400, 300, Back);
        std::int64_t kept[3][2] = {}; // a perspective corner at z' = 0 keeps the previous face's
        for (std::int32_t i = 1; i <= object.FaceCount; ++i) {
            const TFace3D& f = object.Faces[i];
            const std::uint32_t numbers[3] = {f.A, f.B, f.C};
            bool inRange = true;
            for (std::uint32_t v : numbers) {
                inRange = inRange && v >= 1 && std::int64_t{v} <= object.VertexCount;
            }
            if (!inRange) {
                continue;
            }
            std::int64_t pane[3][2];
            for (int k = 0; k < 3; ++k) {
                const TPoint3D& p = object.WorldVertices[static_cast<std::int32_t>(numbers[k])];
                double x = p.X;
                double y = p.Y;
                const double z = withNavigation ? p.Z - n.MoveBack : p.Z;
                if (perspective && (z == 0 || std::isnan(z))) {
                    x = y = NAN;
                } else if (perspective) {
                    const double q = PerspectiveDistance / z;
                    x = q * p.X;
                    y = (q * p.Y) * PerspectiveAspect;
                }
                if (!std::isnan(x)) {
                    kept[k][0] =
                        std::int64_t(std::nearbyint(withNavigation ? n.Zoom * x + n.ShiftX : x));
                    kept[k][1] =
                        std::int64_t(std::nearbyint(withNavigation ? n.Zoom * y - n.ShiftY : y));
                }
                pane[k][0] = ViewOrigin.X + (withNavigation ? n.PanX : 0) + kept[k][0];
                pane[k][1] = ViewOrigin.Y + (withNavigation ? n.PanY : 0) - kept[k][1];
            }
            for (const auto& [a, b] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{0, 2}}) {
                DrawLineStepByStep(image.View(), pane[a][0], pane[a][1], pane[b][0], pane[b][1],
                                   White);
            }
        }
        return image;
    }

    // Random faces over half-integer coordinates (ties of the rounding), signed zeros and depths
    // that fall on the eye plane with and without the viewer moved back by 100.
    static TObject3D RandomObject(std::uint32_t seed, float scale) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> half(-300, 300);
        const float depths[] = {-300, -150.5f, -0.0f, 0, 100, 250, -40};
        std::vector<TPoint3D> world;
        for (int i = 0; i < 60; ++i) {
            const float x = i % 7 == 0 ? -0.0f : scale * 0.5f * half(random);
            world.push_back(
                {x, scale * 0.5f * half(random), depths[random() % 7] * (i % 2 ? 1 : scale)});
        }
        std::vector<TFace3D> faces;
        std::uniform_int_distribution<std::uint32_t> vertex(1, 60);
        for (int i = 0; i < 80; ++i) {
            faces.push_back({vertex(random), vertex(random), i % 40 == 0 ? 61u : vertex(random)});
        }
        return Object(world, faces);
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

TEST_F(Renderer, NavigationZoomsShiftsPansAndMovesAsTheReferenceProjects) {
    struct TCase {
        const char* Name;
        TViewNavigation Navigation;
    };
    const TCase cases[] = {
        {"initial", {}},
        {"zoom 1/256", {1.0 / 256, 0, 0, 0, 0, 0}},
        {"zoom 1/3 shifted", {1.0 / 3, 0.5, -0.5, 0, 0, 0}},
        {"zoom 2^(1/4) panned", {std::pow(2.0, 0.25), 0.25, 3.75, -17, 40, 0}},
        {"zoom 7 moved back", {7, -123.5, 88.5, 5, -9, 100}},
        {"zoom 256", {256, 1000.5, -2000.5, -300, 200, 0}},
        {"moved forward", {1, 0, 0, 0, 0, -250}},
        {"signed zero shifts", {1, -0.0, -0.0, 0, 0, -0.0}},
    };
    for (const bool perspective : {false, true}) {
        for (const float scale : {1.0f, 0.01f}) {
            const TObject3D object = RandomObject(perspective ? 7 : 3, scale);
            for (const TCase& c : cases) {
                perspective ? SetPerspectiveProjection() : SetParallelProjection();
                SetViewNavigation(c.Navigation);
                const bool initial = c.Navigation.Zoom == 1 && c.Navigation.MoveBack == 0 &&
                                     c.Navigation.ShiftX == 0 && c.Navigation.PanX == 0;
                ASSERT_TRUE(ImagesEqual(Drawn(object), Reference(object, !initial)))
                    << c.Name << (perspective ? ", perspective" : ", parallel") << ", scale "
                    << scale;
            }
        }
    }
}

TEST_F(Renderer, NavigationKeepsTheRangeCheck) {
    struct TCase {
        const char* Name;
        bool Perspective;
        TViewNavigation Navigation;
        bool Raises;
    };
    constexpr auto big = std::numeric_limits<std::int64_t>::max();
    const TCase cases[] = {
        {"zoom 2^60", false, {0x1p60, 0, 0, 0, 0, 0}, true},
        {"zoom 2^52", false, {0x1p52, 0, 0, 0, 0, 0}, false},
        {"shift beyond 2^63", false, {1, 0x1p63, 0, 0, 0, 0}, true},
        {"pan to the limit", false, {1, 0, 0, big - 200, 0, 0}, true},
        {"pan below the limit", false, {1, 0, 0, 0, -big, 0}, false},
        {"perspective zoom 2^60", true, {0x1p60, 0, 0, 0, 0, 0}, true},
        {"moved onto a corner's depth", true, {0x1p40, 0, 0, 0, 0, -300 + 0x1p-20}, true},
    };
    const TObject3D object =
        Object({{0, 0, -300}, {10, 0, -300}, {0, 10, -300}, {30, 1, -300}}, {{1, 2, 3}, {1, 4, 2}});
    for (const TCase& c : cases) {
        c.Perspective ? SetPerspectiveProjection() : SetParallelProjection();
        SetViewNavigation(c.Navigation);
        if (!c.Raises) {
            EXPECT_NO_THROW(Drawn(object)) << c.Name;
            continue;
        }
        try {
            Drawn(object);
            ADD_FAILURE() << c.Name << ": no error raised";
        } catch (const FloatingPointError& e) {
            EXPECT_STREQ(e.what(), "Invalid floating point operation") << c.Name;
        }
    }
}

TEST_F(Renderer, ZoomedFarIntoALargeObjectDrawsTheStepByStepEdges) {
    SetParallelProjection();
    SetViewNavigation({256, 0.5, -0.5, -7, 3, 0});
    const TObject3D object =
        Object({{-40000, -15000, 0}, {0.5f, 0, 0}, {20000.25f, 39000, 0}}, {{1, 2, 3}});
    const TTestImage drawn = Drawn(object);
    EXPECT_TRUE(ImagesEqual(drawn, Reference(object, true)));
    EXPECT_FALSE(drawn.Marked().empty());
}

TEST_F(Renderer, ProjectedExtentCoversTheCornersThatAreDrawn) {
    // Face 2 names a missing vertex: its vertex 4 (far out) does not count.
    const TObject3D object = Object(
        {{-30, 60, -300}, {90, -15, -200}, {0, 6, 0}, {1e6f, 1e6f, 500}}, {{1, 2, 3}, {4, 2, 5}});
    SetParallelProjection();
    SetViewNavigation({3, 10, 10, 10, 10, 50});
    TProjectedExtent e = ProjectedExtent(object);
    ASSERT_FALSE(e.Empty);
    EXPECT_EQ(std::vector<double>({e.MinX, e.MinY, e.MaxX, e.MaxY, e.MaxZ}),
              std::vector<double>({-30, -15, 90, 60, 0}));
    // Perspective: the corner at z = 0 is skipped, but its depth counts.
    SetPerspectiveProjection();
    const auto expectExtent = [](const TProjectedExtent& e, std::vector<double> expected) {
        const double actual[] = {e.MinX, e.MinY, e.MaxX, e.MaxY, e.MaxZ};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_DOUBLE_EQ(actual[i], expected[i]) << i;
        }
    };
    SetViewNavigation({});
    expectExtent(ProjectedExtent(object), {-90, -160.0 / 3, 20, 20, 0});
    // Moved back by 300, every corner is in front; zoom, shift and pan play no part.
    SetViewNavigation({5, 1, 2, 3, 4, 300});
    expectExtent(ProjectedExtent(object), {-36, -80.0 / 3, 10, 8, 0});
    EXPECT_TRUE(ProjectedExtent(Object({{1, 1, 0}}, {{1, 1, 2}})).Empty);
    // Vertices with a coordinate that is not finite have no place: they do not count.
    const float inf = std::numeric_limits<float>::infinity();
    const TObject3D damaged =
        Object({{-30, 60, -300}, {90, -15, -200}, {0, 6, 0}, {inf, 0, 0}, {0, 0, -inf}},
               {{1, 2, 3}, {4, 5, 1}});
    expectExtent(ProjectedExtent(damaged), {-36, -80.0 / 3, 10, 8, 0});
    SetParallelProjection();
    expectExtent(ProjectedExtent(damaged), {-30, -15, 90, 60, 0});
}

} // namespace renderer_test
} // namespace
