// Faces filled into the depth buffer: the fast rasteriser against the per-pixel reference, the
// fill rule on meshes that tile the pane, and the faces that must fill nothing.
#include "DepthBuffer.h"
#include "FaceFill.h"
#include "PaneDrawing.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {
namespace depth_fill_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::SetUpCentredPane;

constexpr std::int32_t Width = 160;
constexpr std::int32_t Height = 120;

// Independent random corners about a centre: faces from a fraction of a pixel to far beyond the
// pane, half of them sharing an edge with the face before (in the other direction), some with a
// corner at the depth of the viewer or beyond it. With `copied`, the second half of the faces
// repeats the first, each pixel of a copy at the key of its original.
TObject3D RandomFaces(std::mt19937& random, double spread, double depth, double depthSpread,
                      std::int32_t Faces = 400, bool copied = false) {
    TObject3D object;
    object.VertexCount = 3 * Faces;
    object.FaceCount = Faces;
    AllocObjectArrays(object);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (std::int32_t i = 1; i <= object.VertexCount; ++i) {
        const double s = spread * std::pow(10.0, -3 * std::abs(unit(random)));
        object.WorldVertices[i] = {float(s * unit(random)), float(s * unit(random)),
                                   float(depth + depthSpread * unit(random))};
    }
    for (std::int32_t i = 1; i <= Faces; ++i) {
        const auto a = std::uint32_t(3 * i - 2);
        object.Faces[i] = {a, a + 1, a + 2};
        if (i > 1 && random() % 2 == 0) {
            const TFace3D& before = object.Faces[i - 1];
            object.Faces[i] = {before.B, before.A, a + 2};
        }
        if (copied && i > Faces / 2) {
            object.Faces[i] = object.Faces[i - Faces / 2];
        }
    }
    return object;
}

TEST(DepthFill, FastRasteriserEqualsTheReference) {
    struct TCase {
        std::string Name;
        bool Perspective;
        double Spread, Depth, DepthSpread;
        TViewNavigation Navigation;
        std::int32_t Faces = 400; // so many that threads share them out: each pixel as one fills
        bool Copied = false;
        std::int32_t PaneWidth = Width, PaneHeight = Height; // large enough to merge in bands
    };
    const TCase cases[] = {
        {"parallel, sub-pixel to pane", false, 60, -300, 50, {}},
        {"parallel, far outside", false, 1e6, -300, 200, {}},
        {"parallel, zoomed and shifted", false, 40, -300, 50, {3.5, 0.5, -0.5, 7, -3, 0}},
        {"perspective, in front", true, 200, -300, 100, {}},
        {"perspective, through the near plane", true, 100, 0, 20, {}},
        {"perspective, behind and beside the viewer", true, 400, 0, 600, {}},
        {"perspective, moved back", true, 100, -5, 10, {1.5, 0, 0, 0, 0, 4}},
        {"parallel, many faces and their copies", false, 60, -300, 50, {}, 40000, true},
        {"many faces, a large pane", false, 150, -300, 50, {}, 20000, false, 400, 300},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(c.PaneWidth, c.PaneHeight, c.Perspective, c.Navigation);
        std::mt19937 random(17);
        TDepthBuffer fast;
        TDepthBuffer reference;
        fast.Prepare(c.PaneWidth, c.PaneHeight);
        reference.Prepare(c.PaneWidth, c.PaneHeight);
        // Five objects into one drawing, then one into the next: nothing of the first is left.
        for (const int objects : {5, 1}) {
            fast.Clear();
            reference.Prepare(c.PaneWidth, c.PaneHeight);
            for (int round = 0; round < objects; ++round) {
                const TObject3D object =
                    RandomFaces(random, c.Spread, c.Depth, c.DepthSpread, c.Faces, c.Copied);
                FillDepth(fast, object);
                FillDepthReference(reference, object);
            }
            std::int32_t filled = 0;
            for (std::int32_t y = 0; y < c.PaneHeight; ++y) {
                for (std::int32_t x = 0; x < c.PaneWidth; ++x) {
                    ASSERT_EQ(fast.Owner(x, y), reference.Owner(x, y)) << x << ", " << y;
                    const float k = fast.Key(x, y);
                    ASSERT_TRUE(k == reference.Key(x, y)) << x << ", " << y;
                    ASSERT_FALSE(std::isnan(k));
                    filled += fast.Owner(x, y) != 0;
                }
            }
            EXPECT_GT(filled, c.PaneWidth * c.PaneHeight / 10); // the cases do fill
        }
        // Emptied again by a clear, as by a prepare for the same size.
        fast.Clear();
        reference.Prepare(c.PaneWidth, c.PaneHeight);
        for (std::int32_t y = 0; y < c.PaneHeight; ++y) {
            for (std::int32_t x = 0; x < c.PaneWidth; ++x) {
                ASSERT_TRUE(fast.Key(x, y) == EmptyDepthKey && fast.Owner(x, y) == 0 &&
                            reference.Key(x, y) == EmptyDepthKey && reference.Owner(x, y) == 0)
                    << x << ", " << y;
            }
        }
    }
}

// A grid of whole-pixel corners split into triangles of random winding: every pixel inside the
// grid's outline is covered by exactly one triangle, also on the shared edges and corners, and
// the box the triangles grow is the outline's.
TEST(DepthFill, TilingFacesCoverEachPixelOnce) {
    struct TCase {
        std::string Name;
        std::int32_t Cell; // grid spacing in pixels
        std::int32_t Jitter;
    };
    const TCase cases[] = {
        {"one-pixel cells", 1, 0}, {"skewed cells", 7, 3}, {"long thin", 23, 11}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::mt19937 random(5);
        constexpr std::int32_t Side = 6;
        std::vector<std::int64_t> xs(Side * Side), ys(Side * Side);
        for (std::int32_t i = 0; i < Side * Side; ++i) {
            const bool border =
                i % Side == 0 || i % Side == Side - 1 || i / Side == 0 || i / Side == Side - 1;
            const auto jitter = [&] {
                return border ? 0 : std::int64_t(random() % (2 * c.Jitter + 1)) - c.Jitter;
            };
            xs[i] = 10 + c.Cell * (i % Side) + jitter();
            ys[i] = 10 + c.Cell * (i / Side) + jitter();
        }
        std::vector<int> covered(std::size_t(Width) * Height, 0);
        TPixelBox box; // grown by every triangle
        for (std::int32_t cy = 0; cy + 1 < Side; ++cy) {
            for (std::int32_t cx = 0; cx + 1 < Side; ++cx) {
                const std::int32_t a = cy * Side + cx;
                const std::int32_t quads[2][3] = {{a, a + 1, a + Side + 1},
                                                  {a, a + Side + 1, a + Side}};
                for (const auto& q : quads) {
                    Detail::TFillTriangle t;
                    for (int k = 0; k < 3; ++k) {
                        t[k] = {xs[q[k]], ys[q[k]], 1.0};
                    }
                    if (random() % 2) {
                        std::swap(t[1], t[2]);
                    }
                    TDepthBuffer buffer;
                    buffer.Prepare(Width, Height);
                    Detail::FillTriangle(buffer, t, 1, box);
                    for (std::int32_t y = 0; y < Height; ++y) {
                        for (std::int32_t x = 0; x < Width; ++x) {
                            covered[std::size_t(y) * Width + x] += buffer.Owner(x, y) != 0;
                        }
                    }
                }
            }
        }
        // Inside the outline: every pixel once; the outline's top and left edges included, its
        // bottom and right edges not.
        const std::int64_t last = 10 + c.Cell * (Side - 1);
        for (std::int32_t y = 0; y < Height; ++y) {
            for (std::int32_t x = 0; x < Width; ++x) {
                const bool inside = x >= 10 && x < last && y >= 10 && y < last;
                ASSERT_EQ(covered[std::size_t(y) * Width + x], inside ? 1 : 0) << x << ", " << y;
            }
        }
        EXPECT_TRUE(box.Left == 10 && box.Top == 10 &&
                    box.Right == std::min<std::int64_t>(last, Width) - 1 &&
                    box.Bottom == std::min<std::int64_t>(last, Height) - 1);
    }
}

// Faces that must fill nothing, and the keys of those that fill.
TEST(DepthFill, FacesThatFillNothingAndTheKeysOfThoseThatDo) {
    constexpr float Nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float Inf = std::numeric_limits<float>::infinity();
    struct TCase {
        std::string Name;
        bool Perspective;
        TPoint3D A, B, C; // vertices 1, 2, 3
        TFace3D Face;
        std::int32_t Filled; // pixels filled, or -1 for some
    };
    const TCase cases[] = {
        {"degenerate: a line", false, {0, 0, -10}, {20, 20, -10}, {40, 40, -10}, {1, 2, 3}, 0},
        {"degenerate: one point", true, {5, 5, -300}, {5, 5, -300}, {5, 5, -300}, {1, 2, 3}, 0},
        {"a depth that is not a number",
         false,
         {0, 0, -10},
         {30, 0, Nan},
         {0, 30, -10},
         {1, 2, 3},
         0},
        {"an infinite depth", true, {0, 0, -300}, {30, 0, -Inf}, {0, 30, -300}, {1, 2, 3}, 0},
        {"a vertex out of range", false, {0, 0, -10}, {30, 0, -10}, {0, 30, -10}, {1, 2, 4}, 0},
        {"wholly behind the viewer", true, {0, 0, 300}, {90, 0, 300}, {0, 90, 300}, {1, 2, 3}, 0},
        {"parallel", false, {-30, -20, -10}, {30, -20, -10}, {0, 30, -40}, {1, 2, 3}, -1},
        {"the last vertex named first",
         false,
         {-30, -20, -10},
         {30, -20, -10},
         {0, 30, -40},
         {3, 1, 2},
         -1},
        {"perspective", true, {-90, -60, -300}, {90, -60, -300}, {0, 90, -100}, {1, 2, 3}, -1},
        {"perspective, through the viewer's plane",
         true,
         {-90, -60, -300},
         {90, -60, -300},
         {0, 40, 50},
         {1, 2, 3},
         -1},
        // Corner C behind the viewer, A and B at depth 3: the edges to C are cut a third of the
        // way, at depth 1. A and B fall on (105, 35) and (55, 35), the cuts on (130, 10) and
        // (30, 10): rows 10 to 34, row y from x = y + 20 to 139 - y (the right edge left out),
        // 1900 pixels.
        {"perspective, cut by the near plane",
         true,
         {-0.375f, -0.28125f, -3},
         {0.375f, -0.28125f, -3},
         {0, 0, 3},
         {1, 2, 3},
         1900},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, c.Perspective);
        TObject3D object;
        object.VertexCount = 3;
        object.FaceCount = 1;
        AllocObjectArrays(object);
        object.WorldVertices[1] = c.A;
        object.WorldVertices[2] = c.B;
        object.WorldVertices[3] = c.C;
        object.Faces[1] = c.Face;
        TDepthBuffer buffer;
        buffer.Prepare(Width, Height);
        FillDepth(buffer, object);
        // Every key filled lies between the corners' keys (the near plane's for a cut face).
        const auto key = [&](const TPoint3D& p) {
            return c.Perspective ? -1.0 / std::max(-double(p.Z), NearPlaneDepth) : -double(p.Z);
        };
        const double low = std::min({key(c.A), key(c.B), key(c.C)});
        const double high = std::max({key(c.A), key(c.B), key(c.C)});
        const double slack = 1e-6 * std::max(std::abs(low), std::abs(high));
        std::int32_t filled = 0;
        for (std::int32_t y = 0; y < Height; ++y) {
            for (std::int32_t x = 0; x < Width; ++x) {
                const float k = buffer.Key(x, y);
                if (buffer.Owner(x, y) == 0) {
                    ASSERT_EQ(k, EmptyDepthKey);
                    continue;
                }
                ++filled;
                ASSERT_GE(k, low - slack);
                ASSERT_LE(k, high + slack);
            }
        }
        EXPECT_TRUE(c.Filled < 0 ? filled > 0 : filled == c.Filled) << filled << " filled";
    }
}

} // namespace depth_fill_test
} // namespace
