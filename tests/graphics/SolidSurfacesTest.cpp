// Solid surfaces: the headlight shade of faces with known normals, and several objects in one
// buffer, where each pixel shows the nearest face.
#include "SolidSurfaces.h"
#include "DepthBuffer.h"
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
    };
    // The plane z = z0 - tan(60 degrees) y, 60 degrees from the view: 0.25 + 0.75 / 2 = 0.625 of
    // each byte, 255 -> 159.375, 120 -> 75. The corners' centre lies on (0, 0, z0).
    const float t = float(std::tan(std::numbers::pi / 3));
    const TCase cases[] = {
        {"facing the viewer", false, {-40, -30, -50}, {40, -30, -50}, {0, 40, -50}, White, White},
        {"the other winding", false, {-40, -30, -50}, {0, 40, -50}, {40, -30, -50}, White, White},
        {"turned 60 degrees",
         false,
         {-40, -20, 20 * t},
         {40, -20, 20 * t},
         {0, 40, -40 * t},
         White,
         {159, 159, 159}},
        {"turned 60 degrees, grey",
         false,
         {-40, -20, 20 * t},
         {40, -20, 20 * t},
         {0, 40, -40 * t},
         Grey,
         {75, 75, 75}},
        // Perspective: the view runs from the viewer at the origin to the centre (0, 0, -100).
        {"perspective, turned 60 degrees",
         true,
         {-40, -20, -100 + 20 * t},
         {40, -20, -100 + 20 * t},
         {0, 40, -100 - 40 * t},
         White,
         {159, 159, 159}},
        // Facing the viewer in parallel, but seen off the axis: centre (10, 0, -40), cosine
        // 40 / sqrt(1700), shade 0.97761, 255 -> 249.29.
        {"perspective, off the axis",
         true,
         {2, -3, -40},
         {18, -3, -40},
         {10, 6, -40},
         White,
         {249, 249, 249}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, c.Perspective);
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

} // namespace
