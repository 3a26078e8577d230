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
#include <map>
#include <numbers>
#include <string>

namespace {
namespace solid_surfaces_test {

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
        {"over the whole pane",
         false,
         {-400, -300, -50},
         {400, -300, -50},
         {0, 400, -50},
         White,
         White,
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
        std::size_t owned = 0; // to the pane's edges, every pixel the face owns is drawn
        for (std::int32_t y = 0; y < Height; ++y) {
            for (std::int32_t x = 0; x < Width; ++x) {
                owned += buffer.Owner(x, y) != 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(marked.size(), owned);
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
        std::int32_t Taller = 0; // rows the pane gains before the redraw
    };
    const TCase cases[] = {
        {"hidden lines, parallel", TDrawMode::HiddenLines, false},
        {"solid, perspective", TDrawMode::SolidSurfaces, true},
        {"solid, parallel, in a pane grown taller", TDrawMode::SolidSurfaces, false, Height},
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
        SetUpCentredPane(Width, Height + c.Taller, c.Perspective);
        TTestImage redrawn(Width, Height + c.Taller, Back);
        DrawObjects3D(redrawn.View(), objects, c.Mode, buffer);
        TDepthBuffer freshBuffer;
        TTestImage fresh(Width, Height + c.Taller, Back);
        DrawObjects3D(fresh.View(), objects, c.Mode, freshBuffer);
        EXPECT_TRUE(ImagesEqual(redrawn, fresh));
        EXPECT_FALSE(ImagesEqual(redrawn, before)); // the turn shows
    }
}

// A model written with its looks and read back whole, 300 in front of the viewer, turned.
struct TLooked {
    TObject3D Object;
    TModelLooks Looks;
};
std::unique_ptr<TLooked> Placed(const std::vector<std::uint8_t>& file, int x, int y) {
    auto m = std::make_unique<TLooked>();
    Load3DSModelBytesWithLooks(file, m->Object, m->Looks);
    SetObjectPosition(0, 0, -300, m->Object);
    RotateObject(x, y, 0, m->Object);
    TransformObject(m->Object);
    return m;
}

TTestImage DrawnSolid(const TLooked& m, TColorRGB colour = White) {
    const TPaneObject objects[] = {{&m.Object, colour, &m.Looks}};
    TDepthBuffer buffer;
    TTestImage image(Width, Height, Back);
    DrawObjects3D(image.View(), objects, TDrawMode::SolidSurfaces, buffer);
    return image;
}

// Which channels of a colour are lit: its hue, as far as a side of one primary or secondary
// colour goes.
int Channels(TColorRGB c) {
    return (c.R > 0 ? 4 : 0) | (c.G > 0 ? 2 : 0) | (c.B > 0 ? 1 : 0);
}

// A cube whose six sides have six materials of six hues: from each of its eight corners, in both
// projections, the pane shows the three sides turned to the viewer, each in its own hue, and no
// other.
TEST(SolidSurfaces, EachSideOfACubeShowsItsMaterialsHueFromEveryCorner) {
    const std::array<std::array<std::uint16_t, 4>, 6> sides = {
        {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}}};
    const std::array<std::array<float, 3>, 6> hues = {
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}}};
    Plexa3DTools::TMeshSpec cube{"Cubo", {}, {}};
    std::vector<Plexa3DTools::TMaterialSpec> materials;
    for (int i = 0; i < 8; ++i) {
        cube.Vertices.push_back({i & 1 ? 30.f : -30.f, i & 2 ? 30.f : -30.f, i & 4 ? 30.f : -30.f});
    }
    for (std::uint16_t k = 0; k < 6; ++k) {
        const auto& v = sides[k];
        cube.Faces.push_back({v[0], v[1], v[2]});
        cube.Faces.push_back({v[0], v[2], v[3]});
        const std::string name = "side " + std::to_string(k);
        materials.push_back({name, {}, {{hues[k]}}});
        cube.Materials.push_back({name, {std::uint16_t(2 * k), std::uint16_t(2 * k + 1)}});
    }
    const auto file = Plexa3DTools::LooksFile(materials, {cube});
    for (const bool perspective : {false, true}) {
        for (const int x : {35, -35}) {
            for (const int y : {45, 135, 225, 315}) {
                SCOPED_TRACE((perspective ? "perspective " : "parallel ") + std::to_string(x) +
                             ", " + std::to_string(y));
                SetUpCentredPane(Width, Height, perspective);
                const auto m = Placed(file, x, y);
                std::map<int, int> shown; // pixels of each hue
                for (const TPixel& p : DrawnSolid(*m).Marked()) {
                    ++shown[Channels(p.Color)];
                }
                std::set<int> facing;
                for (std::size_t k = 0; k < 6; ++k) {
                    float z = 0;
                    for (const std::uint16_t v : sides[k]) {
                        z += m->Object.Vertices[v + 1].Z / 4;
                    }
                    if (z > 3) { // the viewer is on its outer side, also in perspective
                        facing.insert(Channels({std::uint8_t(hues[k][0]), std::uint8_t(hues[k][1]),
                                                std::uint8_t(hues[k][2])}));
                    }
                }
                ASSERT_EQ(facing.size(), 3u);
                for (const auto& [hue, pixels] : shown) {
                    EXPECT_TRUE(facing.count(hue) == 1 && pixels > 100) << hue << ": " << pixels;
                }
                EXPECT_EQ(shown.size(), 3u);
            }
        }
    }
}

// A sphere about the origin in stacks x slices cells, two faces a cell, those of its upper half in
// smoothing mask `upper`, the others in `lower`.
Plexa3DTools::TMeshSpec Sphere(std::string name, float radius, int stacks, int slices,
                               std::uint32_t upper, std::uint32_t lower) {
    Plexa3DTools::TMeshSpec mesh{std::move(name), {}, {}};
    for (int i = 0; i <= stacks; ++i) {
        const double polar = std::numbers::pi * i / stacks;
        for (int j = 0; j < slices; ++j) {
            const double around = 2 * std::numbers::pi * j / slices;
            mesh.Vertices.push_back({float(radius * std::sin(polar) * std::cos(around)),
                                     float(radius * std::cos(polar)),
                                     float(radius * std::sin(polar) * std::sin(around))});
        }
    }
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const auto at = [&](int r, int c) { return std::uint16_t(r * slices + c % slices); };
            mesh.Faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            mesh.Faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
            mesh.Smoothing.push_back(i < stacks / 2 ? upper : lower);
            mesh.Smoothing.push_back(i < stacks / 2 ? upper : lower);
        }
    }
    return mesh;
}

// A sphere of one smoothing group shows no step in brightness where its faces meet; of mask 0 it
// is faceted; of two groups meeting at its equator, smooth but for a sharp ring there. Measured
// down the middle column of its picture, over the middle of the sphere.
TEST(SolidSurfaces, SmoothingGroupsDecideWhereTheLightSteps) {
    const auto sphere = [](std::uint32_t upper, std::uint32_t lower) {
        return Plexa3DTools::LooksFile({}, {Sphere("Sfera", 60, 12, 24, upper, lower)});
    };
    struct TCase {
        std::string Name;
        std::uint32_t Upper, Lower;
        int Steps; // places along the column where the light steps by more than 6
    };
    const TCase cases[] = {
        {"one group", 1, 1, 0},
        {"groups sharing a bit", 3, 6, 0},
        {"flat", 0, 0, 3},
        {"two groups", 1, 2, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpCentredPane(Width, Height, false);
        const TTestImage image = DrawnSolid(*Placed(sphere(c.Upper, c.Lower), 30, 7));
        int steps = 0;
        int last = -10;
        for (int y = Height / 2 - 36; y < Height / 2 + 36; ++y) {
            const int step = std::abs(image.At(Width / 2, y + 1).R - image.At(Width / 2, y).R);
            if (step > 6 && y > last + 2) {
                ++steps;
            }
            last = step > 6 ? y : last;
        }
        EXPECT_EQ(c.Steps == 0, steps == 0) << steps;
        EXPECT_GE(steps, c.Steps);
        if (c.Steps == 1) {
            EXPECT_EQ(steps, 1);
        }
    }
}

// An image read at a point: the four pixels around it mixed, v upwards, beyond 0 to 1 as its wrap
// says; each smaller copy half the one before, rounded up, of the means of the pixels it covers.
TEST(SolidSurfaces, ImagesAreReadByTheirWrapFromTheCopyAsked) {
    constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
    const TTexture square(2, 2, {R, G, B, W}); // red, green above blue, white
    const TTexture strip(3, 1, {R, G, B});
    using enum TTextureWrap;
    struct TCase {
        std::string Name;
        const TTexture& Image;
        float U, V;
        int Level;
        TTextureWrap Wrap;
        TTexel Expected;
    };
    const TCase cases[] = {
        {"a pixel's centre", square, 0.25f, 0.75f, 0, Repeat, {255, 0, 0}},
        {"between two pixels", square, 0.5f, 0.25f, 0, Repeat, {127, 127, 255}},
        {"across the right edge, repeated", square, 0.875f, 0.75f, 0, Repeat, {63, 191, 0}},
        {"the second copy, mirrored", square, 1.25f, 0.75f, 0, Mirror, {0, 255, 0}},
        {"beyond the corner, at the edge", square, 1.5f, -3, 0, Edge, {255, 255, 255}},
        {"the mean of four", square, 0.3f, 0.6f, 1, Repeat, {128, 128, 128}},
        {"an odd side rounded up", strip, 0.75f, 0.5f, 1, Edge, {0, 0, 255}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TTexel t = c.Image.Sample(c.U, c.V, c.Level, c.Wrap);
        EXPECT_TRUE(t.R == c.Expected.R && t.G == c.Expected.G && t.B == c.Expected.B)
            << t.R << " " << t.G << " " << t.B;
    }
}

// A quad mapped from (0, 0) at its lower left to (1, 1) at its upper right, painted with an image
// of four coloured quarters: each quarter of the quad shows the colour its map places there, V
// growing upwards, in both projections; placed by tiling, offset, turn, mirroring and single use;
// tinted.
TEST(SolidSurfaces, ImagesLieOnTheFacesAsTheirMapsPlaceThem) {
    constexpr TColorRGB Red{255, 0, 0}, GreenColor{0, 255, 0}, Blue{0, 0, 255}, Yellow{255, 255, 0},
        Diffuse{51, 102, 153};
    struct TCase {
        std::string Name;
        bool Perspective;
        std::uint16_t Tiling;
        std::array<float, 5> Placement; // U, V scale, U, V offset, rotation
        // At (u, v) = (1/4, 3/4), (3/4, 3/4), (1/4, 1/4), (3/4, 1/4).
        std::array<TColorRGB, 4> Expected;
        float Share = 100;
        TColorRGB Object = White;
        TColorF Tint{1, 1, 1};
    };
    constexpr TColorRGB Cyan{0, 255, 255}, Magenta{255, 0, 255}, Mean{128, 128, 64};
    const TCase cases[] = {
        {"as mapped", false, 0, {1, 1, 0, 0, 0}, {Red, GreenColor, Blue, Yellow}},
        {"as mapped, perspective", true, 0, {1, 1, 0, 0, 0}, {Red, GreenColor, Blue, Yellow}},
        {"five times up, perspective", true, 0, {1, 5, 0, 0, 0}, {Red, GreenColor, Blue, Yellow}},
        {"three times across", false, 0, {3, 1, 0, 0, 0}, {GreenColor, Red, Yellow, Blue}},
        {"three times, mirrored", false, 2, {3, 1, 0, 0, 0}, {Red, GreenColor, Blue, Yellow}},
        {"moved by half", true, 0, {1, 1, 0.5f, 0.5f, 0}, {Yellow, Blue, GreenColor, Red}},
        {"turned", false, 0, {1, 1, 0, 0, 90}, {Blue, Red, Yellow, GreenColor}},
        {"once, moved by half", false, 0x10, {1, 1, 0.5f, 0, 0}, {Diffuse, Red, Diffuse, Blue}},
        {"turned, half as tall", false, 0, {1, 0.5f, 0, 0, 90}, {Blue, Red, Yellow, GreenColor}},
        {"decal, moved up by half",
         false,
         1,
         {1, 1, 0, -0.5f, 0},
         {Diffuse, Diffuse, Red, GreenColor}},
        {"negative", false, 8, {1, 1, 0, 0, 0}, {Cyan, Magenta, Yellow, Blue}},
        // Half the diffuse colour and half the image, both times 120/255.
        {"half the image, grey object",
         false,
         0,
         {1, 1, 0, 0, 0},
         {{{72, 24, 36}, {12, 84, 36}, {12, 24, 96}, {72, 84, 36}}},
         50,
         Grey},
        // About 1.6 x 1.6 pixels of the image a pixel: its 2 x 2 copy; nearly 4 x 4: its 1 x 1.
        {"41 times each way", false, 0, {41, 41, 0, 0, 0}, {Red, GreenColor, Blue, Yellow}},
        {"99 times each way", false, 0, {99, 99, 0, 0, 0}, {Mean, Mean, Mean, Mean}},
        {"tinted",
         false,
         0,
         {1, 1, 0, 0, 0},
         {{{128, 0, 0}, {0, 255, 0}, {0, 0, 64}, {128, 255, 0}}},
         100,
         White,
         {0.5f, 1, 0.25f}},
    };
    std::vector<std::uint32_t> quarters(16);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            quarters[std::size_t(4 * y + x)] =
                y < 2 ? (x < 2 ? 0xFF0000 : 0x00FF00) : (x < 2 ? 0x0000FF : 0xFFFF00);
        }
    }
    const auto image = std::make_shared<const TTexture>(4, 4, quarters);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const Plexa3DTools::TMeshSpec quad{"Quadro",
                                           {{-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}},
                                           {{0, 1, 2}, {0, 2, 3}},
                                           {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                                           {{"quadri", {0, 1}}}};
        const Plexa3DTools::TMaterialSpec material{
            "quadri", {},    {{{51, 102, 153}}}, {},      {},       {},
            {},       false, "quadri.png",       c.Share, c.Tiling, c.Placement};
        SetUpCentredPane(Width, Height, c.Perspective);
        const auto m = Placed(Plexa3DTools::LooksFile({material}, {quad}), 0, 0);
        m->Looks.Images[1] = image;
        m->Looks.Materials[1].Texture->Tint = c.Tint;
        const TTestImage drawn = DrawnSolid(*m, c.Object);
        const float at[4][2] = {{0.25f, 0.75f}, {0.75f, 0.75f}, {0.25f, 0.25f}, {0.75f, 0.25f}};
        for (int k = 0; k < 4; ++k) {
            const TPlacedCorner pixel =
                PlacePoint(TPoint3D{100 * at[k][0] - 50, 100 * at[k][1] - 50, -300});
            const TColorRGB shown = drawn.At(std::int32_t(pixel.X), std::int32_t(pixel.Y));
            const TColorRGB expected = c.Expected[std::size_t(k)];
            EXPECT_TRUE(std::abs(shown.R - expected.R) <= 6 &&
                        std::abs(shown.G - expected.G) <= 6 && std::abs(shown.B - expected.B) <= 6)
                << "quarter " << k << ": " << shown << " for " << expected;
        }
    }
}

// A drawing large enough to be shaded on several threads (its faces set up, its pixels in bands)
// equals the same drawing made tile by tile, each tile too small for more than one thread and with
// so many more faces than pixels that it is shaded in one pass: no face or row is left out or
// shaded twice. A textured quad behind a smooth ball of many faces.
TEST(SolidSurfaces, ALargeDrawingEqualsItsTilesDrawnOneByOne) {
    constexpr std::int32_t Large = 400, Tall = 300, Tiles = 4;
    constexpr int Rings = 96, Around = 192; // 36,864 faces a ball
    std::vector<std::uint32_t> texels(64);
    for (std::size_t i = 0; i < texels.size(); ++i) {
        texels[i] = std::uint32_t(i * 0x3F1D5B) & 0xFFFFFF;
    }
    const Plexa3DTools::TMeshSpec quad{
        "Quadro",
        {{-220, -160, -60}, {220, -160, -20}, {220, 160, -60}, {-220, 160, -100}},
        {{0, 1, 2}, {0, 2, 3}},
        {{0, 0}, {3, 0}, {3, 3}, {0, 3}},
        {{"quadri", {0}}}}; // the second face in the default material
    const auto ball = [](float radius) { return Sphere("Palla", radius, Rings, Around, 1, 1); };
    const Plexa3DTools::TMaterialSpec material{
        "quadri", {},    {{{51, 102, 153}}}, {},  {}, {},
        {},       false, "quadri.png",       100, 0,  std::array<float, 5>{1, 1, 0, 0, 0}};
    struct TCase {
        std::string Name;
        std::vector<Plexa3DTools::TMeshSpec> Meshes;
        std::int32_t Drawn; // at least so many pixels: enough for the threads
    };
    const TCase cases[] = {
        {"a textured quad and a smooth ball", {quad, ball(90)}, Large * Tall / 2},
        // Two in one place: their faces outnumber the pixels of their box more than sixteen to
        // one, and thousands own one.
        {"a small ball twice", {ball(40), ball(40)}, 2500},
    };
    SetUpCentredPane(Large, Tall, true);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto m = Placed(Plexa3DTools::LooksFile({material}, c.Meshes), 10, 20);
        if (m->Looks.Images.size() > 1) {
            m->Looks.Images[1] = std::make_shared<const TTexture>(8, 8, texels);
        }
        const TPaneObject objects[] = {{&m->Object, White, &m->Looks}};
        TDepthBuffer buffer;
        TTestImage whole(Large, Tall, Back);
        DrawObjects3D(whole.View(), objects, TDrawMode::SolidSurfaces, buffer);
        TTestImage tiled(Large, Tall, Back);
        for (std::int32_t ty = 0; ty < Tiles; ++ty) {
            for (std::int32_t tx = 0; tx < Tiles; ++tx) {
                SetClipRect(tx * Large / Tiles, ty * Tall / Tiles, (tx + 1) * Large / Tiles - 1,
                            (ty + 1) * Tall / Tiles - 1);
                DrawObjects3D(tiled.View(), objects, TDrawMode::SolidSurfaces, buffer);
            }
        }
        SetClipRect(0, 0, Large - 1, Tall - 1);
        int drawn = 0;
        for (std::int32_t y = 0; y < Tall; ++y) {
            for (std::int32_t x = 0; x < Large; ++x) {
                drawn += whole.At(x, y) != Back ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, c.Drawn);
        EXPECT_TRUE(ImagesEqual(whole, tiled));
    }
}

// Drawn for a reduction by `block`, as a thumbnail is: in a square of block x block pixels, the
// pixels each face owns are one colour, that of the middle of those pixels, which for colours that
// change evenly across them is their mean drawn one by one, an image read from the copy shrunk
// for a pixel the square's size; pixels of no face are left alone.
TEST(SolidSurfaces, SquaresOwnedWholeByAFaceAreShadedAtTheirMiddle) {
    constexpr std::int32_t Large = 400, Tall = 300;
    constexpr std::int32_t Side = 256;
    // Smooth waves across the image, or a texel-sized checker that only a copy shrunk for a
    // whole square shows as the grey it is.
    std::vector<std::uint32_t> waves(std::size_t(Side) * Side), checker(waves.size());
    for (std::int32_t y = 0; y < Side; ++y) {
        for (std::int32_t x = 0; x < Side; ++x) {
            const auto wave = [](double t) { return std::uint32_t(127.5 + 127.5 * std::sin(t)); };
            const std::size_t i = std::size_t(y) * Side + x;
            waves[i] = (wave(x * std::numbers::pi / 64) << 16) |
                       (wave(y * std::numbers::pi / 32) << 8) | 0x80u;
            checker[i] = (x + y) % 2 == 0 ? 0xFFFFFFu : 0;
        }
    }
    const Plexa3DTools::TMeshSpec quad{
        "Quadro",
        {{-200, -150, -60}, {200, -150, -60}, {200, 150, -60}, {-200, 150, -60}},
        {{0, 1, 2}, {0, 2, 3}},
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
        {{"quadri", {0, 1}}}};
    struct TCase {
        std::string Name;
        std::int32_t Block;
        const std::vector<std::uint32_t>* Image;
        float Tiles;    // times the image is repeated across the quad
        int Within;     // at most this far from the mean of the square's pixels
        int PartWithin; // for a face owning a part of a square: of its pixels; -1 unchecked
    };
    const TCase cases[] = {
        {"halves", 2, &waves, 1, 1, 2},
        {"thirds, in bands of 18 rows", 3, &waves, 1, 1, 2},
        {"quarters", 4, &waves, 1, 2, 3},
        // A part of a square of the checker is not grey: only the whole square's mean is.
        {"quarters of a checker, grey only in a copy for the whole square", 4, &checker, 1, 10, -1},
    };
    SetUpCentredPane(Large, Tall, false);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const Plexa3DTools::TMaterialSpec material{
            "quadri", {},    {{{51, 102, 153}}},
            {},       {},    {},
            {},       false, "quadri.png",
            100,      0,     std::array<float, 5>{c.Tiles, c.Tiles, 0, 0, 0}};
        const auto m = Placed(
            Plexa3DTools::LooksFile({material}, {quad, Sphere("Palla", 90, 48, 96, 1, 1)}), 10, 20);
        m->Looks.Images[1] = std::make_shared<const TTexture>(Side, Side, *c.Image);
        const TPaneObject objects[] = {{&m->Object, White, &m->Looks}};
        TDepthBuffer buffer;
        TTestImage each(Large, Tall, Back);
        DrawObjects3D(each.View(), objects, TDrawMode::SolidSurfaces, buffer);
        TTestImage squares(Large, Tall, Back);
        SetShadingBlock(c.Block);
        DrawObjects3D(squares.View(), objects, TDrawMode::SolidSurfaces, buffer);
        SetShadingBlock(1);
        int whole = 0, parted = 0, farthest = 0, partFarthest = 0;
        for (std::int32_t top = 0; top + c.Block <= Tall; top += c.Block) {
            for (std::int32_t left = 0; left + c.Block <= Large; left += c.Block) {
                // Per owner in the square: the sums of its pixels drawn one by one, their count,
                // and the colour its first pixel shows.
                std::map<std::uint32_t, std::array<int, 4>> sums;
                std::map<std::uint32_t, TColorRGB> shownBy;
                for (std::int32_t y = top; y < top + c.Block; ++y) {
                    for (std::int32_t x = left; x < left + c.Block; ++x) {
                        const std::uint32_t owner = buffer.Owner(x, y);
                        const TColorRGB shown = squares.At(x, y);
                        if (owner == 0) {
                            ASSERT_EQ(shown, each.At(x, y)) << x << ", " << y;
                            continue;
                        }
                        const auto [kept, first] = shownBy.emplace(owner, shown);
                        ASSERT_EQ(shown, kept->second) << x << ", " << y;
                        std::array<int, 4>& sum = sums[owner];
                        sum[0] += each.At(x, y).R;
                        sum[1] += each.At(x, y).G;
                        sum[2] += each.At(x, y).B;
                        ++sum[3];
                    }
                }
                const bool one = sums.size() == 1 && sums.begin()->second[3] == c.Block * c.Block;
                for (const auto& [owner, sum] : sums) {
                    const TColorRGB shown = shownBy[owner];
                    const int n = sum[3];
                    const int off = std::max({std::abs(shown.R * n - sum[0]) / n,
                                              std::abs(shown.G * n - sum[1]) / n,
                                              std::abs(shown.B * n - sum[2]) / n});
                    (one ? farthest : partFarthest) = std::max(one ? farthest : partFarthest, off);
                }
                whole += one ? 1 : 0;
                parted += one || sums.empty() ? 0 : 1;
            }
        }
        EXPECT_GT(whole * c.Block * c.Block, Large * Tall / 2);
        EXPECT_GT(parted, 100);
        EXPECT_LE(farthest, c.Within);
        if (c.PartWithin >= 0) {
            EXPECT_LE(partFarthest, c.PartWithin);
        }
    }
}

// A face in its material's colours, lit by the light at the viewer: the diffuse colour times
// 0.25 + 0.75 cos, plus the specular colour times the strength times cos^(1 + 127 shininess), all
// times the object's colour over 255, no brighter than white; cos between the face's normal and the
// line of sight.
TEST(SolidSurfaces, MaterialsAreLitWithTheirHighlight) {
    struct TCase {
        std::string Name;
        float Turn; // degrees about X
        float Shininess, Strength;
        TColorRGB Object;
        bool Perspective = false;
        bool Beside = false; // a dull face in another material shares two corners, all smooth
        bool Smooth = false; // lit at each corner and blended
        float Bright = 1;    // both colours times this: a full highlight goes past white
    };
    const TCase cases[] = {
        {"facing, no highlight", 0, 0.5f, 0, White},
        {"facing, full highlight", 0, 0.5f, 1, White},
        {"turned 40 degrees, broad", 40, 0.05f, 0.8f, White},
        {"turned 25 degrees, sharp", 25, 0.6f, 1, White},
        {"turned 25 degrees, sharp, grey object", 25, 0.6f, 1, Grey},
        {"facing, perspective", 0, 0.1f, 1, White, true},
        {"facing, sharp, perspective", 0, 0.6f, 1, White, true},
        {"facing, full highlight, beside a dull face", 0, 0.5f, 1, White, false, true},
        {"facing, smooth, perspective", 0, 0.1f, 1, White, true, false, true},
        {"facing, full highlight, orange object", 0, 0.5f, 1, {255, 160, 80}},
        {"facing, full highlight past white", 0, 0.5f, 1, White, false, false, false, 1.6f},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TColorF diffuse{0.6f * c.Bright, 0.3f * c.Bright, 0.1f * c.Bright};
        const TColorF specular{0.2f * c.Bright, 0.4f * c.Bright, 0.35f * c.Bright};
        SetUpCentredPane(Width, Height, c.Perspective);
        const double turn = c.Turn * std::numbers::pi / 180;
        const float y = float(40 * std::cos(turn)), z = float(40 * std::sin(turn));
        TObject3D object = Triangle({-50, -y, -100 - z}, {50, -y, -100 - z}, {0, y, -100 + z});
        TModelLooks looks;
        TMaterial m;
        m.Diffuse = diffuse;
        m.Specular = specular;
        m.Shininess = c.Shininess;
        m.ShininessStrength = c.Strength;
        looks.Materials.push_back(m);
        looks.FaceMaterials = {1};
        if (c.Beside) { // drawn first, from the top row: its light must not pass to the other
            TObject3D two;
            two.VertexCount = 4;
            two.FaceCount = 2;
            AllocObjectArrays(two);
            for (std::int32_t k = 1; k <= 3; ++k) {
                two.WorldVertices[k] = object.WorldVertices[k];
            }
            two.WorldVertices[4] = {-100, y, -100 + z};
            two.Faces[1] = {1, 2, 3};
            two.Faces[2] = {1, 3, 4};
            object = std::move(two);
            m.ShininessStrength = 0;
            looks.Materials.push_back(m);
            looks.FaceMaterials = {1, 2};
            looks.FaceSmoothing = {1, 1};
        }
        if (c.Smooth) {
            looks.FaceSmoothing = {1};
        }
        FinishLooks(object, looks);
        const TPaneObject objects[] = {{&object, c.Object, &looks}};
        TDepthBuffer buffer;
        TTestImage image(Width, Height, Back);
        DrawObjects3D(image.View(), objects, TDrawMode::SolidSurfaces, buffer);
        double cosine = std::cos(turn);
        if (c.Perspective) { // seen from the origin: the line of sight to the face's centre
            const double cy = -y / 3.0, cz = -100 - z / 3.0;
            cosine = std::abs(y * cz - z * cy) / (40 * std::hypot(cy, cz));
        }
        double light = 0.25 + 0.75 * cosine;
        double shine = c.Strength * std::pow(cosine, 1 + 127 * c.Shininess);
        if (c.Smooth) { // the pane's centre lies at 1/4, 1/4 and 1/2 of the corners
            light = shine = 0;
            for (const auto& [weight, k] : {std::pair{0.25, 1}, {0.25, 2}, {0.5, 3}}) {
                const TPoint3D& p = object.WorldVertices[k];
                const double seen = 100 / std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z);
                light += weight * (0.25 + 0.75 * seen);
                shine += weight * c.Strength * std::pow(seen, 1 + 127 * c.Shininess);
            }
        }
        const auto expected = [&](float d, float s, std::uint8_t object) {
            return std::min((d * light + s * shine) * object, 255.0);
        };
        const TColorRGB shown = image.At(Width / 2, Height / 2);
        EXPECT_NEAR(shown.R, expected(diffuse.R, specular.R, c.Object.R), 1.5);
        EXPECT_NEAR(shown.G, expected(diffuse.G, specular.G, c.Object.G), 1.5);
        EXPECT_NEAR(shown.B, expected(diffuse.B, specular.B, c.Object.B), 1.5);
        if (c.Beside) { // the dull face, in the same plane, takes no highlight from its corners
            const TPlacedCorner at = PlacePoint(TPoint3D{-50, y / 3, -100});
            const TColorRGB dull = image.At(std::int32_t(at.X), std::int32_t(at.Y));
            EXPECT_NEAR(dull.R, expected(diffuse.R, 0, c.Object.R), 1.5);
            EXPECT_NEAR(dull.G, expected(diffuse.G, 0, c.Object.G), 1.5);
            EXPECT_NEAR(dull.B, expected(diffuse.B, 0, c.Object.B), 1.5);
        }
    }
}

} // namespace solid_surfaces_test
} // namespace
