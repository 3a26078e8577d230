// Hidden lines: always some of the wireframe's pixels in its colours, and on a cube seen from a
// corner exactly the outlines of its three near sides.
#include "HiddenLines.h"
#include "DepthBuffer.h"
#include "FaceFill.h"
#include "PaneDrawing.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {
namespace hidden_lines_test {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DTest;

constexpr std::int32_t Width = 200;
constexpr std::int32_t Height = 150;
constexpr TColorRGB Back{1, 2, 3};

// A jittered grid folded into a bumpy sheet about the depth `depth`, faces in random corner order,
// a few corners at the viewer's plane and a few faces naming a missing vertex.
TObject3D BumpySheet(std::mt19937& random, double cell, double depth) {
    constexpr std::int32_t Side = 30;
    TObject3D object;
    object.VertexCount = Side * Side;
    object.FaceCount = 2 * (Side - 1) * (Side - 1);
    AllocObjectArrays(object);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (std::int32_t i = 0; i < object.VertexCount; ++i) {
        const double x = cell * (i % Side - Side / 2 + 0.3 * unit(random));
        const double y = cell * (i / Side - Side / 2 + 0.3 * unit(random));
        const double z = random() % 60 == 0 ? 0.0 : depth + 20 * std::sin(x / 9) * std::cos(y / 7);
        object.WorldVertices[i + 1] = {float(x), float(y), float(z)};
    }
    std::int32_t f = 0;
    for (std::int32_t r = 0; r + 1 < Side; ++r) {
        for (std::int32_t c = 0; c + 1 < Side; ++c) {
            const auto a = std::uint32_t(r * Side + c + 1);
            std::uint32_t t1[3] = {a, a + 1, a + Side + 1};
            std::uint32_t t2[3] = {a, a + Side + 1, a + Side};
            std::shuffle(t1, t1 + 3, random);
            std::shuffle(t2, t2 + 3, random);
            object.Faces[++f] = {t1[0], t1[1], t1[2]};
            object.Faces[++f] = {
                t2[0], t2[1], random() % 150 == 0 ? std::uint32_t(object.VertexCount + 1) : t2[2]};
        }
    }
    return object;
}

// Two overlapping sheets in one buffer; each object's hidden drawing is some of its own wire
// pixels, in its colour. With nothing filled, no wire is behind a surface: the hidden drawing is
// the wireframe itself, pixel for pixel, inside the pane and where the edges leave it.
TEST(HiddenLines, AreSomeOfTheWirePixelsInTheWireColourAndAllOfThemWhenNothingHides) {
    struct TCase {
        std::string Name;
        bool Perspective;
        double Cell, Depth;
        TViewNavigation Navigation;
    };
    const TCase cases[] = {
        {"parallel", false, 6, -300, {}},
        {"parallel, zoomed beyond the pane", false, 6, -300, {4, 0.5, 0.5, -30, 10, 0}},
        {"perspective", true, 12, -250, {}},
        {"perspective, at the viewer's plane", true, 10, -15, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, c.Perspective, c.Navigation);
        std::mt19937 random(3);
        const TObject3D objects[2] = {BumpySheet(random, c.Cell, c.Depth),
                                      BumpySheet(random, 0.7 * c.Cell, c.Depth + 5)};
        TDepthBuffer buffer;
        buffer.Prepare(Width, Height);
        for (const TObject3D& object : objects) {
            FillDepth(buffer, object);
        }
        std::size_t kept = 0;
        std::size_t hiddenCount = 0;
        for (std::size_t n = 0; n < 2; ++n) {
            const TColorRGB color = n == 0 ? White : Grey;
            SetDrawColor(color.R, color.G, color.B);
            TTestImage wire(Width, Height, Back);
            TTestImage hidden(Width, Height, Back);
            DrawObject3D(wire.View(), objects[n]);
            DrawObject3DHidden(hidden.View(), objects[n], buffer);
            for (const auto& p : hidden.Marked()) {
                ASSERT_EQ(wire.At(p.X, p.Y), p.Color) << p.X << ", " << p.Y;
                ASSERT_EQ(p.Color, color);
            }
            ASSERT_TRUE(hidden.PaddingIntact());
            TDepthBuffer empty;
            empty.Prepare(Width, Height);
            TTestImage unhidden(Width, Height, Back);
            DrawObject3DHidden(unhidden.View(), objects[n], empty);
            ASSERT_TRUE(Plexa3DTest::ImagesEqual(unhidden, wire));
            kept += hidden.Marked().size();
            hiddenCount += wire.Marked().size() - hidden.Marked().size();
        }
        EXPECT_GT(kept, 0u);        // the drawing draws
        EXPECT_GT(hiddenCount, 0u); // and hides
    }
}

// A face whose corners lie nearly the whole range of the pane's integers apart, as a far vertex
// zoomed in puts them: drawn over an empty buffer, it is its wireframe (here nothing), and its
// arithmetic stays within its types (which the sanitizer build checks).
TEST(HiddenLines, AFaceAcrossTheWholeIntegerRangeIsItsWire) {
    SetUpCentredPane(Width, Height, false, {8e16, 0, 0, 0, 0, 0});
    TObject3D object;
    object.VertexCount = 3;
    object.FaceCount = 1;
    AllocObjectArrays(object);
    object.WorldVertices[1] = {-100, -1, -300};
    object.WorldVertices[2] = {100, 1, -300};
    object.WorldVertices[3] = {100, -1, -300};
    object.Faces[1] = {1, 2, 3};
    TDepthBuffer empty;
    empty.Prepare(Width, Height);
    SetDrawColor(255, 255, 255);
    TTestImage wire(Width, Height, Back);
    TTestImage hidden(Width, Height, Back);
    DrawObject3D(wire.View(), object);
    DrawObject3DHidden(hidden.View(), object, empty);
    EXPECT_TRUE(Plexa3DTest::ImagesEqual(hidden, wire));
}

// A cube of side 80 turned so that one corner points at the viewer.
TObject3D CornerCube(double depth) {
    TObject3D object;
    object.VertexCount = 8;
    object.FaceCount = 12;
    AllocObjectArrays(object);
    const double ay = std::numbers::pi / 4;
    const double ax = std::atan(1 / std::sqrt(2.0));
    for (std::int32_t i = 0; i < 8; ++i) {
        const double x = i & 1 ? 40 : -40, y = i & 2 ? 40 : -40, z = i & 4 ? 40 : -40;
        const double x1 = x * std::cos(ay) + z * std::sin(ay);
        const double z1 = -x * std::sin(ay) + z * std::cos(ay);
        const double y2 = y * std::cos(ax) - z1 * std::sin(ax);
        const double z2 = y * std::sin(ax) + z1 * std::cos(ax);
        object.WorldVertices[i + 1] = {float(x1), float(y2), float(z2 + depth)};
    }
    // Sides as quads of corner numbers (bit 0 x, bit 1 y, bit 2 z), each split in two.
    const std::uint32_t sides[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    std::int32_t f = 0;
    for (const auto& s : sides) {
        object.Faces[++f] = {s[0] + 1, s[1] + 1, s[2] + 1};
        object.Faces[++f] = {s[0] + 1, s[2] + 1, s[3] + 1};
    }
    return object;
}

TEST(HiddenLines, ACubeSeenFromACornerShowsItsThreeNearSides) {
    for (const bool perspective : {false, true}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        SetUpCentredPane(Width, Height, perspective);
        SetDrawColor(255, 255, 255);
        const double depth = perspective ? -160 : -300;
        const TObject3D cube = CornerCube(depth);
        // The near sides face the viewer: their centre is nearer than the cube's.
        TObject3D nearSides = CornerCube(depth);
        std::int32_t nearCount = 0;
        for (std::int32_t i = 1; i <= 12; ++i) {
            const TFace3D& f = cube.Faces[i];
            const double centreZ = (double(cube.WorldVertices[std::int32_t(f.A)].Z) +
                                    cube.WorldVertices[std::int32_t(f.B)].Z +
                                    cube.WorldVertices[std::int32_t(f.C)].Z) /
                                   3;
            if (centreZ > depth + 1) {
                nearSides.Faces[++nearCount] = f;
            }
        }
        ASSERT_EQ(nearCount, 6);
        nearSides.FaceCount = nearCount;
        TTestImage wire(Width, Height, Back);
        TTestImage nearWire(Width, Height, Back);
        TTestImage hidden(Width, Height, Back);
        DrawObject3D(wire.View(), cube);
        DrawObject3D(nearWire.View(), nearSides);
        TDepthBuffer buffer;
        buffer.Prepare(Width, Height);
        FillDepth(buffer, cube);
        DrawObject3DHidden(hidden.View(), cube, buffer);
        // Compared where the sides cover the pane. Off them lie only pixels of the outline, whose
        // edges the near and the far sides draw in turn, in opposite directions, with pixels that
        // may differ. And where a far edge meets the outline at a corner, its first pixels lie
        // off the near sides' surface as much as on it: within two pixels of a corner either is
        // right.
        const auto nearCorner = [&](std::int32_t x, std::int32_t y) {
            for (std::int32_t i = 1; i <= 8; ++i) {
                const TPlacedCorner c = PlacePoint(cube.WorldVertices[i]);
                if (std::abs(c.X - x) <= 2 && std::abs(c.Y - y) <= 2) {
                    return true;
                }
            }
            return false;
        };
        std::size_t far = 0;
        for (std::int32_t y = 0; y < Height; ++y) {
            for (std::int32_t x = 0; x < Width; ++x) {
                const bool isNear = nearWire.At(x, y) != Back;
                far += wire.At(x, y) != Back && !isNear;
                if (!nearCorner(x, y) && buffer.Owner(x, y) != 0) {
                    ASSERT_EQ(hidden.At(x, y) != Back, isNear) << x << ", " << y;
                }
            }
        }
        EXPECT_GT(far, 100u); // the far edges are there to hide
    }
}

} // namespace hidden_lines_test
} // namespace
