// Solid surfaces: the headlight shade of faces with known normals, several objects in one
// buffer, where each pixel shows the nearest face, and a redraw into a buffer used before.
#include "SolidSurfaces.h"
#include "DepthBuffer.h"
#include "DrawModes.h"
#include "FaceFill.h"
#include "PaneDrawing.h"
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DTest;

constexpr std::int32_t Width = 200;
constexpr std::int32_t Height = 150;
constexpr TColorRGB Back{1, 2, 3};

TObject3D Triangle(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c) {
    TObject3D object;
    object.VertexCount = 3;
    object.FaceCount = 1;
    AllocObjectArrays(object);
    object.WorldVertices[1] = a;
    object.WorldVertices[2] = b;
    object.WorldVertices[3] = c;
    object.Faces[1] = {1, 2, 3};
    return object;
}

TEST(SolidSurfaces, FacesTakeTheHeadlightShadeOfTheirNormal) {
    struct TCase {
        std::string Name;
        bool Perspective;
        TPoint3D A, B, C;
        TColorRGB Color, Expected;
        double MoveBack;
    };
    // The plane z = z0 - tan(60 degrees) y, 60 degrees from the view: 0.25 + 0.75 / 2 = 0.625 of
    // each byte, 255 -> 159.375, 120 -> 75. The corners' centre lies on (0, 0, z0).
    const float t = float(std::tan(std::numbers::pi / 3));
    const TCase cases[] = {
        {"facing the viewer",
         false,
         {-40, -30, -50},
         {40, -30, -50},
         {0, 40, -50},
         White,
         White,
         0},
        {"the other winding",
         false,
         {-40, -30, -50},
         {0, 40, -50},
         {40, -30, -50},
         White,
         White,
         0},
        {"turned 60 degrees",
         false,
         {-40, -20, 20 * t},
         {40, -20, 20 * t},
         {0, 40, -40 * t},
         White,
         {159, 159, 159},
         0},
        {"turned 60 degrees, grey",
         false,
         {-40, -20, 20 * t},
         {40, -20, 20 * t},
         {0, 40, -40 * t},
         Grey,
         {75, 75, 75},
         0},
        // Perspective: the view runs from the viewer at the origin to the centre (0, 0, -100).
        {"perspective, turned 60 degrees",
         true,
         {-40, -20, -100 + 20 * t},
         {40, -20, -100 + 20 * t},
         {0, 40, -100 - 40 * t},
         White,
         {159, 159, 159},
         0},
        // Facing the viewer in parallel, but seen off the axis: centre (10, 0, -40), cosine
        // 40 / sqrt(1700), shade 0.97761, 255 -> 249.29.
        {"perspective, off the axis",
         true,
         {2, -3, -40},
         {18, -3, -40},
         {10, 6, -40},
         White,
         {249, 249, 249},
         0},
        // The same face with the viewer moved back by 20: cosine 60 / sqrt(3700), shade 0.98980,
        // 255 -> 252.40.
        {"perspective, off the axis, moved back",
         true,
         {2, -3, -40},
         {18, -3, -40},
         {10, 6, -40},
         White,
         {252, 252, 252},
         20},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, c.Perspective, {1, 0, 0, 0, 0, c.MoveBack});
        SetDrawColor(c.Color.R, c.Color.G, c.Color.B);
        const TObject3D object = Triangle(c.A, c.B, c.C);
        TDepthBuffer buffer;
        buffer.Prepare(Width, Height);
        FillDepth(buffer, object);
        TTestImage image(Width, Height, Back);
        DrawObject3DSolid(image.View(), object, buffer);
        const auto marked = image.Marked();
        ASSERT_GT(marked.size(), 100u);
        for (const auto& p : marked) {
            ASSERT_EQ(p.Color, c.Expected) << p.X << ", " << p.Y;
        }
        EXPECT_TRUE(image.PaddingIntact());
    }
}

// Two objects filled into one buffer, each drawn in its own colour: every pixel shows the nearer
// face, whichever object was filled or drawn first; equal depths go to the face filled first.
TEST(SolidSurfaces, SeveralObjectsShowTheNearestFaceAtEachPixel) {
    struct TCase {
        std::string Name;
        float NearZ, FarZ;
        bool NearFirst; // filled and drawn first
        TColorRGB Centre;
    };
    const TCase cases[] = {
        {"near filled first", -50, -60, true, White},
        {"near filled last", -50, -60, false, White},
        {"equal depths", -50, -50, false, Grey},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, false);
        const TObject3D near = Triangle({-40, -30, c.NearZ}, {40, -30, c.NearZ}, {0, 40, c.NearZ});
        const TObject3D far = Triangle({-60, -40, c.FarZ}, {60, -40, c.FarZ}, {0, 60, c.FarZ});
        const TObject3D* order[2] = {&near, &far};
        if (!c.NearFirst) {
            std::swap(order[0], order[1]);
        }
        TDepthBuffer buffer;
        buffer.Prepare(Width, Height);
        for (const TObject3D* object : order) {
            FillDepth(buffer, *object);
        }
        TTestImage image(Width, Height, Back);
        for (const TObject3D* object : order) {
            const TColorRGB color = object == &near ? White : Grey;
            SetDrawColor(color.R, color.G, color.B);
            DrawObject3DSolid(image.View(), *object, buffer);
        }
        EXPECT_EQ(image.At(100, 75), c.Centre);
        EXPECT_EQ(image.At(100, 75 + 35), Grey); // only the far face reaches there
        EXPECT_EQ(image.At(5, 5), Back);
    }
}

// A redraw after the objects turned, into the buffer of the drawing before, equals the same
// drawing into a fresh buffer.
TEST(SolidSurfaces, ARedrawAfterATurnEqualsTheDrawingWithAFreshBuffer) {
    struct TCase {
        std::string Name;
        TDrawMode Mode;
        bool Perspective;
    };
    const TCase cases[] = {
        {"hidden lines, parallel", TDrawMode::HiddenLines, false},
        {"solid, perspective", TDrawMode::SolidSurfaces, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, c.Perspective);
        TObject3D near = Triangle({-40, -30, -150}, {40, -30, -150}, {0, 40, -150});
        TObject3D far = Triangle({-60, -40, -160}, {60, -40, -160}, {0, 60, -160});
        const TPaneObject objects[] = {{&near, White}, {&far, Grey}};
        TDepthBuffer buffer;
        TTestImage before(Width, Height, Back);
        DrawObjects3D(before.View(), objects, c.Mode, buffer);
        // 50 degrees about the y axis through (0, 0, -155): the triangles now cross.
        const double s = std::sin(50 * std::numbers::pi / 180);
        const double k = std::cos(50 * std::numbers::pi / 180);
        for (TObject3D* object : {&near, &far}) {
            for (TPoint3D& p : object->WorldVertices) {
                const double x = p.X, z = p.Z + 155.0;
                p.X = float(x * k + z * s);
                p.Z = float(z * k - x * s - 155);
            }
        }
        TTestImage redrawn(Width, Height, Back);
        DrawObjects3D(redrawn.View(), objects, c.Mode, buffer);
        TDepthBuffer freshBuffer;
        TTestImage fresh(Width, Height, Back);
        DrawObjects3D(fresh.View(), objects, c.Mode, freshBuffer);
        EXPECT_TRUE(ImagesEqual(redrawn, fresh));
        EXPECT_FALSE(ImagesEqual(redrawn, before)); // the turn shows
    }
}

} // namespace
