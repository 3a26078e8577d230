// The scene driven without a window: the import and its fixed views, the free view's redraw,
// whole models past 16-bit numbering and fitted placement.
#include "Scene.h"
#include "GraphErrors.h"
#include "PaneDrawing.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <tuple>

namespace {
namespace scene_test {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;

class SceneTest : public ::testing::Test {
protected:
    // As the window starts: font, white lines, the small pane's clip window.
    void SetUp() override {
        ResetGraphicsState();
        scene_.LoadFont(BuiltFontFile());
        scene_.SetLineColor(CurrentColor);
        scene_.ClipToPane(SmallPane);
    }
    int Import(const std::vector<TMeshSpec>& meshes, const std::string& name = "modello.3ds") {
        return ImportFile(dir_.Write(name, MeshFile(meshes)));
    }
    int ImportFile(const std::string& file) {
        return scene_.Import(file, free_.View(), small_.View(),
                             {front_.View(), side_.View(), top_.View()});
    }
    // The redraw of the free view into the pane of the layout.
    const TTestImage& Draw(int x, int y, int z) {
        TTestImage& pane = scene_.ViewMode == 1 ? large_ : free_;
        scene_.DrawFreeView(pane.View(), (scene_.ViewMode == 1 ? full_ : small_).View(), x, y, z);
        return pane;
    }
    std::vector<TPoint3D> Vertices(int slot) const {
        const TObject3D& o = *scene_.Objects[slot];
        return {o.Vertices.begin(), o.Vertices.end()};
    }

    TTempDir dir_;
    TScene scene_;
    // Backgrounds of a colour the drawing never uses, so that every reset shows.
    const TTestImage small_{SmallPane.Width, SmallPane.Height, {10, 20, 30}};
    const TTestImage full_{LargePane.Width, LargePane.Height, {30, 20, 10}};
    TTestImage free_{SmallPane.Width, SmallPane.Height}, front_{SmallPane.Width, SmallPane.Height},
        side_{SmallPane.Width, SmallPane.Height}, top_{SmallPane.Width, SmallPane.Height},
        large_{LargePane.Width, LargePane.Height};
};

const TMeshSpec Bar{"Barra", {{-20, -10, 0}, {-20, 10, 0}, {-15, 10, 0}}, {{0, 1, 2}}};

using SceneImport = SceneTest;
using SceneFreeView = SceneTest;

TEST_F(SceneImport, FixedViewsShowTheNewObjectCaptionedAndPlaced) {
    const TTestImage black(SmallPane.Width, SmallPane.Height);
    EXPECT_EQ(Import({Corner}, "a.3ds"), 1);
    EXPECT_EQ(scene_.ObjectCount, 1);
    EXPECT_EQ(scene_.CurrentObject, 1);
    // File (10, 0, 0), (0, 4, 0), (0, 0, 6) land at top (250, 150), (200, 130), (200, 150);
    // front (250, 150), (200, 150), (200, 120); side (200, 150), (180, 150), (200, 120).
    const TOutline top{250, 150, 200, 130, 200, 150, White};
    EXPECT_TRUE(ImagesEqual(top_, ExpectedPane(black, "Visuale Dall'alto:", {top})));
    EXPECT_TRUE(ImagesEqual(
        front_, ExpectedPane(black, "Visuale Frontale:", {{250, 150, 200, 150, 200, 120, White}})));
    EXPECT_TRUE(ImagesEqual(
        side_, ExpectedPane(black, "Visuale Laterale:", {{200, 150, 180, 150, 200, 120, White}})));
    // The free pane is reset from its background for the redraw to come.
    EXPECT_TRUE(ImagesEqual(free_, small_));
    // Placed at rest: scaled by 5, world vertices 300 in front.
    const TObject3D& object = *scene_.Objects[1];
    EXPECT_NEAR(object.Vertices[1].X, 50, 1e-4);
    EXPECT_NEAR(object.WorldVertices[3].Z, -270, 1e-4);
    EXPECT_EQ(object.Position.Z, -300);
    EXPECT_EQ(ProjectionMode, ParallelProjection);
    EXPECT_EQ(TextColor, Green);
    EXPECT_EQ(FontGlyphs.CharAdvance, 8);
    EXPECT_TRUE(scene_.CurrentAtRest());

    // Bar (x -100..-75, y -50..50) at top: (100, 200), (100, 100), (125, 100), over the first;
    // the free pane holds the first object in grey.
    EXPECT_EQ(Import({Bar}, "b.3ds"), 2);
    EXPECT_EQ(scene_.CurrentObject, 2);
    EXPECT_TRUE(ImagesEqual(top_, ExpectedPane(black, "Visuale Dall'alto:",
                                               {top, {100, 200, 100, 100, 125, 100, White}})));
    EXPECT_TRUE(
        ImagesEqual(free_, ExpectedPane(small_, nullptr, {{250, 150, 200, 130, 200, 150, Grey}})));
}

TEST_F(SceneImport, InPerspectiveEarlierObjectsAreDrawnInPerspectiveThenTheProjectionIsParallel) {
    Import({Corner}, "a.3ds");
    scene_.SetProjection(true);
    Import({Bar}, "b.3ds");
    // (50, 0, -300) -> (167, 150), (0, 20, -300) -> (200, 168), (0, 0, -270) -> (200, 150).
    EXPECT_TRUE(
        ImagesEqual(free_, ExpectedPane(small_, nullptr, {{167, 150, 200, 168, 200, 150, Grey}})));
    EXPECT_EQ(ProjectionMode, ParallelProjection);
}

// A failed import takes no slot and leaves the counters as they were; the next one goes on.
TEST_F(SceneImport, FailuresLeaveTheTableAsItWas) {
    Import({Corner}, "a.3ds");
    const struct {
        std::string File;
        const char* Error;
    } cases[] = {
        {(dir_.Path() / "assente.3ds").string(), "File not found"},
        // A vertex so far out that its view cannot be drawn.
        {dir_.Write("far.3ds",
                    MeshFile({{"Lontano", {{2e18f, 0, 0}, {0, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}})),
         "Invalid floating point operation"},
    };
    for (const auto& c : cases) {
        try {
            ImportFile(c.File);
            ADD_FAILURE() << c.File;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.Error);
        }
        EXPECT_EQ(scene_.ObjectCount, 1) << c.File;
        EXPECT_EQ(scene_.CurrentObject, 1) << c.File;
        EXPECT_FALSE(scene_.Objects[2]) << c.File;
    }
    EXPECT_EQ(Import({Bar}, "b.3ds"), 2);
}

// Vertices no face uses are never drawn, but they are turned with the rest. Every reading but the
// first mesh of a .3DS file parks them, so that one not finite, whose faces were left out, or one
// far out, does not make the import fail.
TEST_F(SceneImport, OnlyTheFirstMeshOfA3DSFileKeepsVerticesNoFaceUses) {
    const float infinite = std::numeric_limits<float>::infinity();
    const std::string far3ds = dir_.Write(
        "far.3ds",
        MeshFile({{"Lontano", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {infinite, 0, 0}}, {{0, 1, 2}}}}));
    const std::string farObj = dir_.Write(
        "far.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 2e18 0 0\nv nan 0 inf\nf 1 2 3\nf 1 2 5\n");
    const struct {
        std::string File;
        bool Whole;
        const char* Error; // or nullptr
        bool Fit = false;
    } cases[] = {
        {far3ds, false, "Invalid floating point operation"},
        {far3ds, false, nullptr, true}, // fitted, the first mesh parks them too
        {far3ds, true, nullptr},
        {farObj, false, nullptr},
        {farObj, true, nullptr},
    };
    for (const auto& c : cases) {
        scene_.ImportOptions.WholeModel = c.Whole;
        scene_.ImportOptions.FitToWindow = c.Fit;
        const std::string label = c.File + (c.Whole ? ", whole" : "");
        try {
            const int slot = ImportFile(c.File);
            EXPECT_EQ(c.Error, nullptr) << label;
            EXPECT_EQ(scene_.Objects[slot]->FaceCount, 1) << label;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.Error) << label;
        }
    }
}

TEST_F(SceneImport, TheTableHoldsAtMost255Objects) {
    const std::string file = dir_.Write("one.3ds", MeshFile({Corner}));
    for (int i = 1; i <= MaxObjects; ++i) {
        ASSERT_EQ(ImportFile(file), i);
    }
    EXPECT_THROW(
        {
            try {
                ImportFile(file);
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), "Numero massimo di oggetti raggiunto (255)");
                throw;
            }
        },
        std::exception);
    EXPECT_EQ(scene_.ObjectCount, 255);
}

TEST_F(SceneImport, AFileWithoutAMeshBecomesAnEmptyObject) {
    ImportFile(dir_.Write("notes.3ds", std::string("this is not a mesh\n")));
    EXPECT_EQ(scene_.ObjectCount, 1);
    EXPECT_EQ(scene_.Objects[1]->Name, "");
    EXPECT_EQ(scene_.Objects[1]->FaceCount, 0);
    EXPECT_TRUE(ImagesEqual(top_, ExpectedPane(TTestImage(SmallPane.Width, SmallPane.Height),
                                               "Visuale Dall'alto:", {})));
}

// The one object at rest and turned, in both projections and both layouts.
TEST_F(SceneFreeView, TheCurrentObjectIsDrawnTurnedWithTheFourLines) {
    const struct {
        const char* Name;
        bool Perspective, OnePane;
        int X, Y, Z;
        TOutline Outline;
    } cases[] = {
        {"at rest: the top view", false, false, 0, 0, 0, {250, 150, 200, 130, 200, 150, White}},
        {"X 90: the front view", false, false, 90, 0, 0, {250, 150, 200, 150, 200, 120, White}},
        {"Y 270: the side view", false, false, 90, 270, 0, {200, 150, 180, 150, 200, 120, White}},
        {"Z 360: at rest", false, false, 0, 0, 360, {250, 150, 200, 130, 200, 150, White}},
        // (50, 0, -300) -> (167, 150), (0, 20, -300) -> (200, 168), (0, 0, -270) -> (200, 150).
        {"perspective", true, false, 0, 0, 0, {167, 150, 200, 168, 200, 150, White}},
        // Around (400, 320), clipped to 800 x 600.
        {"one pane", false, true, 0, 0, 0, {450, 320, 400, 300, 400, 320, White}},
    };
    Import({Corner});
    for (const auto& c : cases) {
        scene_.SetProjection(c.Perspective);
        scene_.SetLayout(c.OnePane);
        EXPECT_TRUE(ImagesEqual(Draw(c.X, c.Y, c.Z), ExpectedFreeView(c.OnePane ? full_ : small_,
                                                                      {c.Outline}, "Angolo", 1, 3)))
            << c.Name;
        EXPECT_TRUE(scene_.CurrentAtRest()) << c.Name;
    }
}

// A change of mode shows in the free view at its next redraw: hidden lines are some of the
// wireframe's pixels, surfaces are shades of white and grey, and the
// wireframe comes back exactly. The fixed views keep their picture and draw the next import in
// the mode.
TEST_F(SceneFreeView, TheDrawModeReachesTheFreeViewAtOnceAndTheFixedViewsFromTheNextImport) {
    const auto cube = [](const char* name, float x) {
        TMeshSpec mesh{name, {}, {}};
        for (int i = 0; i < 8; ++i) {
            mesh.Vertices.push_back(
                {x + (i & 1 ? 8.f : -8.f), i & 2 ? 8.f : -8.f, i & 4 ? 8.f : -8.f});
        }
        mesh.Faces = {{0, 1, 3}, {0, 3, 2}, {4, 7, 5}, {4, 6, 7}, {0, 4, 5}, {0, 5, 1},
                      {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
        return mesh;
    };
    const auto drawn = [&](const TTestImage& pane) { // the objects' pixels, not the text's
        std::map<std::pair<int, int>, TColorRGB> pixels;
        for (int y = 0; y < pane.Height(); ++y) {
            for (int x = 0; x < pane.Width(); ++x) {
                const TColorRGB c = pane.At(x, y);
                if (c != small_.At(x, y) && c != LabelColor) {
                    pixels[{x, y}] = c;
                }
            }
        }
        return pixels;
    };
    const auto changed = [](const TTestImage& before, const TTestImage& after) {
        int count = 0;
        for (int y = 0; y < after.Height(); ++y) {
            for (int x = 0; x < after.Width(); ++x) {
                count += before.At(x, y) != after.At(x, y);
            }
        }
        return count;
    };
    Import({cube("Primo", -6)}, "a.3ds");
    const TTestImage firstTop = top_;
    Import({cube("Secondo", 6)}, "b.3ds");
    const TTestImage wireTop = top_;
    const TTestImage wirePane = Draw(30, 40, 0);
    const auto wire = drawn(wirePane);

    scene_.DrawMode = TDrawMode::HiddenLines;
    const auto hidden = drawn(Draw(30, 40, 0));
    EXPECT_LT(hidden.size(), wire.size());
    for (const auto& [at, colour] : hidden) {
        // Where wires cross, the nearer one shows, which need not be the one drawn last.
        ASSERT_TRUE(wire.contains(at) && (colour == White || colour == Grey))
            << at.first << " " << at.second;
    }
    scene_.DrawMode = TDrawMode::SolidSurfaces;
    const auto solid = drawn(Draw(30, 40, 0));
    std::set<int> shades;
    for (const auto& [at, colour] : solid) {
        ASSERT_TRUE(colour.R == colour.G && colour.G == colour.B) << at.first << " " << at.second;
        shades.insert(colour.R);
    }
    EXPECT_GT(solid.size(), wire.size());
    EXPECT_GE(shades.size(), 4u); // three sides of the white cube, at least one of the grey
    scene_.DrawMode = TDrawMode::Wireframe;
    EXPECT_TRUE(ImagesEqual(Draw(30, 40, 0), wirePane));
    EXPECT_TRUE(ImagesEqual(top_, wireTop));

    scene_.DrawMode = TDrawMode::SolidSurfaces;
    Import({cube("Terzo", 0)}, "c.3ds");
    // The top view of a cube: a filled square where the wire drew an outline.
    EXPECT_GT(changed(wireTop, top_), 3 * changed(firstTop, wireTop));
}

TEST_F(SceneFreeView, WithoutObjectsNothingIsDrawn) {
    TTestImage before = free_;
    scene_.DrawFreeView(free_.View(), small_.View(), 10, 20, 30);
    EXPECT_TRUE(ImagesEqual(free_, before));
}

// In every mode: what the turned drawing left in the depth buffer does not show in the next.
TEST_F(SceneFreeView, TurningAndTurningBackRestoresThePictureAndTheVertices) {
    Import({Corner});
    for (const TDrawMode mode :
         {TDrawMode::Wireframe, TDrawMode::HiddenLines, TDrawMode::SolidSurfaces}) {
        SCOPED_TRACE(int(mode));
        scene_.DrawMode = mode;
        const TTestImage rest = Draw(0, 0, 0);
        const std::vector<TPoint3D> before = Vertices(1);
        EXPECT_FALSE(ImagesEqual(Draw(30, 40, 0), rest));
        EXPECT_TRUE(ImagesEqual(Draw(0, 0, 0), rest));
        const std::vector<TPoint3D> after = Vertices(1);
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_NEAR(after[i].X, before[i].X, 1e-4);
            EXPECT_NEAR(after[i].Y, before[i].Y, 1e-4);
            EXPECT_NEAR(after[i].Z, before[i].Z, 1e-4);
        }
    }
}

TEST_F(SceneFreeView, TheCurrentObjectIsWhiteAndTurnedTheOthersGreyInSlotOrder) {
    // Three crossing bars: a horizontal one, a vertical one, then a diagonal one.
    Import({{"Uno", {{-20, 0, 0}, {20, 0, 0}, {20, 0, 0}}, {{0, 1, 2}}}}, "1.3ds");
    Import({{"Due", {{0, -20, 0}, {0, 20, 0}, {0, 20, 0}}, {{0, 1, 2}}}}, "2.3ds");
    Import({{"Tre", {{-20, -20, 0}, {20, 20, 0}, {20, 20, 0}}, {{0, 1, 2}}}}, "3.3ds");
    scene_.CurrentObject = 2;
    // Object 2 turns from vertical to horizontal: (0, +-100) -> (-+100, 0).
    const TTestImage& drawn = Draw(0, 0, 90);
    EXPECT_TRUE(ImagesEqual(drawn, ExpectedFreeView(small_,
                                                    {{100, 150, 300, 150, 300, 150, Grey},
                                                     {300, 150, 100, 150, 100, 150, White},
                                                     {100, 250, 300, 50, 300, 50, Grey}},
                                                    "Due", 1, 3)));
    EXPECT_EQ(drawn.At(200, 150), Grey); // object 3 lies on top where the lines cross
    EXPECT_EQ(drawn.At(150, 150), White);
    // Objects 1 and 3 stayed at rest.
    EXPECT_NEAR(scene_.Objects[1]->Vertices[1].X, -100, 1e-4);
    EXPECT_NEAR(scene_.Objects[3]->Vertices[2].Y, 100, 1e-4);
}

TEST_F(SceneFreeView, LongNamesAreShownWhole) {
    const std::string name(80, 'N');
    Import({{name, {{1, 1, 1}}, {}}});
    scene_.SetLayout(true);
    // "Nome Oggetto:" and 80 characters: 93 glyphs, the last at x = 1 + 92 x 8.
    const TTestImage& drawn = Draw(0, 0, 0);
    EXPECT_TRUE(ImagesEqual(drawn, ExpectedFreeView(full_, {}, name, 0, 1)));
    bool lastGlyph = false;
    for (int x = 737; x < 745; ++x) {
        for (int y = 10; y < 20; ++y) {
            lastGlyph |= drawn.At(x, y) == Green;
        }
    }
    EXPECT_TRUE(lastGlyph);
}

TEST_F(SceneFreeView, AFailedRedrawLeavesTheObjectAtRest) {
    // Far out but drawable at rest; turned by 45 degrees its y passes the 64-bit range.
    Import({{"Enorme", {{1.6e18f, 1.6e18f, 0}, {0, 0, 0}, {2, 0, 0}}, {{0, 1, 2}}}});
    const TTestImage rest = Draw(0, 0, 0);
    const std::vector<TPoint3D> before = Vertices(1);
    try {
        Draw(0, 0, 45);
        ADD_FAILURE() << "the redraw succeeded";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    EXPECT_TRUE(scene_.CurrentAtRest());
    const std::vector<TPoint3D> after = Vertices(1);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].X, before[i].X, std::fabs(before[i].X) * 1e-6 + 1e-4);
        EXPECT_NEAR(after[i].Y, before[i].Y, std::fabs(before[i].Y) * 1e-6 + 1e-4);
    }
    EXPECT_TRUE(ImagesEqual(Draw(0, 0, 0), rest));
}

using SceneNavigation = SceneTest;

// The pane pixels drawn in a colour, row by row.
std::vector<std::pair<int, int>> PixelsIn(const TTestImage& image, TColorRGB color) {
    std::vector<std::pair<int, int>> found;
    for (const TPixel& p : image.Marked()) {
        if (p.Color == color) {
            found.emplace_back(p.X, p.Y);
        }
    }
    return found;
}

// The box of the pane pixels drawn in white or grey; left and top past right and bottom when
// there are none.
struct TDrawnBox {
    int Left = SmallPane.Width, Right = -1, Top = SmallPane.Height, Bottom = -1;
};
TDrawnBox DrawnBox(const TTestImage& image) {
    TDrawnBox box;
    for (const TPixel& p : image.Marked()) {
        if (p.Color == White || p.Color == Grey) {
            box.Left = std::min(box.Left, p.X);
            box.Right = std::max(box.Right, p.X);
            box.Top = std::min(box.Top, p.Y);
            box.Bottom = std::max(box.Bottom, p.Y);
        }
    }
    return box;
}

// Two points, each a face whose corners are one vertex: placed at world (20, 10) and (-30, -15),
// drawn at (220, 140) and (170, 165) at the initial view.
const TMeshSpec Points{"Punti", {{4, 2, 0}, {-6, -3, 0}}, {{0, 0, 0}, {1, 1, 1}}};

// The projected point under the pointer stays under it while zooming, after a pan and about a
// second point alike; a pan moves the picture by whole pixels.
TEST_F(SceneNavigation, ZoomingKeepsThePointUnderThePointer) {
    Import({Points});
    scene_.SetLayout(false);
    const std::vector<std::pair<int, int>> p = {{220, 140}, {170, 165}};
    const struct {
        const char* Step;
        std::function<void()> Do;
        std::vector<std::pair<int, int>> Drawn; // sorted as drawn: by row, then column
    } steps[] = {
        {"at the initial view", [] {}, {{220, 140}, {170, 165}}},
        {"panned by (7, -5)", [&] { scene_.PanBy(7, -5); }, {{227, 135}, {177, 160}}},
        {"zoomed in twice about the first",
         [&] { scene_.ZoomAt(4, 227, 135); },
         {{227, 135}, {127, 185}}},
        {"zoomed back about the second",
         [&] { scene_.ZoomAt(-4, 127, 185); },
         {{177, 160}, {127, 185}}},
        {"zoomed in about a pixel between",
         [&] { scene_.ZoomAt(4, 152, 172); },
         {{202, 148}, {102, 198}}},
    };
    for (const auto& step : steps) {
        step.Do();
        EXPECT_EQ(PixelsIn(Draw(0, 0, 0), White), step.Drawn) << step.Step;
    }
    scene_.ResetView();
    EXPECT_EQ(PixelsIn(Draw(0, 0, 0), White), p);
}

// Wheel notches of 2^(1/4) reach 256 and 1/256 exactly, and go no further.
TEST_F(SceneNavigation, ZoomStopsExactlyAtItsLimits) {
    Import({Points});
    for (const int notch : {1, -1}) {
        scene_.ResetView();
        for (int i = 0; i < 40; ++i) {
            scene_.ZoomAt(notch, 200, 150);
        }
        EXPECT_EQ(scene_.Navigation().Zoom(), notch > 0 ? 256.0 : 1.0 / 256) << notch;
        scene_.ResetView();
        scene_.ZoomAt(100 * notch, 10, 10);
        EXPECT_EQ(scene_.Navigation().Zoom(), notch > 0 ? 256.0 : 1.0 / 256) << notch;
    }
}

// "Inquadra tutto" fits every object, the current one and the others, into 90 % of the pane,
// centred; in perspective with everything in front the viewer stays where it is. Vertices with a
// coordinate that is not finite have no place and change nothing.
TEST_F(SceneNavigation, FramingFitsEveryObjectIntoTheMiddleOfThePane) {
    // At rest x from -50 to 300 and y from -10 to 40 (world units): wider than the pane's shape.
    Import({{"Piccolo", {{-10, -2, 0}, {10, 2, 0}, {10, -2, 0}}, {{0, 1, 2}}}}, "a.3ds");
    Import({{"Grande", {{20, 0, 0}, {60, 8, 0}, {60, 0, 0}}, {{0, 1, 2}}}}, "b.3ds");
    scene_.SetLayout(false);
    TFreeViewNavigation framed[2];
    for (const bool perspective : {false, true}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        scene_.SetProjection(perspective);
        scene_.ResetView();
        scene_.PanBy(7, -5); // framing undoes a pan
        scene_.FrameAll(0, 0, 0);
        EXPECT_EQ(scene_.Navigation().MoveBack, 0);
        const TDrawnBox box = DrawnBox(Draw(0, 0, 0));
        // 90 % of 400 pixels wide, centred on both axes.
        EXPECT_NEAR(box.Right - box.Left, 0.9 * SmallPane.Width, 1.5);
        EXPECT_NEAR(box.Left + box.Right, SmallPane.Width, 1.5);
        EXPECT_NEAR(box.Top + box.Bottom, SmallPane.Height, 1.5);
        framed[perspective] = scene_.Navigation();
    }
    // A third object inside the others' extent whose placed vertices go bad on one axis each;
    // the reader would not let them in, so they are set here, and it is not the current one.
    Import({{"Guasto", {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}}},
           "c.3ds");
    // A fourth, without faces, has no place either.
    ImportFile(dir_.Write("notes.3ds", std::string("this is not a mesh\n")));
    TObject3D& damaged = *scene_.Objects[3];
    damaged.WorldVertices[2].X = NAN;
    damaged.WorldVertices[3].Y = INFINITY;
    damaged.WorldVertices[4].Z = -INFINITY;
    scene_.CurrentObject = 2;
    for (const bool perspective : {false, true}) {
        SCOPED_TRACE(perspective ? "perspective, a damaged object" : "parallel, a damaged object");
        scene_.SetProjection(perspective);
        scene_.ResetView();
        scene_.FrameAll(0, 0, 0);
        const TFreeViewNavigation& n = scene_.Navigation();
        const TFreeViewNavigation& was = framed[perspective];
        EXPECT_EQ(std::tie(n.BaseZoom, n.CentreX, n.CentreY, n.AnchorX, n.AnchorY, n.MoveBack),
                  std::tie(was.BaseZoom, was.CentreX, was.CentreY, was.AnchorX, was.AnchorY,
                           was.MoveBack));
    }
}

// In perspective, a vertex behind the viewer moves the viewer back until everything is in front
// of it, then framed; the vertex may belong to any of the objects.
TEST_F(SceneNavigation, InPerspectiveFramingMovesTheViewerBackFirst) {
    scene_.SetLayout(false);
    Import({{"Piatta", {{-5, -1, 0}, {5, 1, 0}, {5, -1, 0}}, {{0, 1, 2}}}}, "a.3ds");
    Import({{"Lunga", {{-10, -2, 0}, {10, 2, 70}, {10, -2, 0}}, {{0, 1, 2}}}}, "b.3ds");
    scene_.SetProjection(true);
    scene_.ResetView();
    scene_.FrameAll(0, 0, 0);
    EXPECT_GT(scene_.Navigation().MoveBack, 0);
    const TDrawnBox box = DrawnBox(Draw(0, 0, 0));
    EXPECT_NEAR(box.Left + box.Right, SmallPane.Width, 2);
    EXPECT_NEAR(box.Top + box.Bottom, SmallPane.Height, 2);
    EXPECT_NEAR(std::max((box.Right - box.Left) / double(SmallPane.Width),
                         (box.Bottom - box.Top) / double(SmallPane.Height)),
                0.9, 0.01);
}

// The second mesh's face is numbered 65536 to 65538 in the whole model and drawn where the
// corner triangle of the one-mesh tests is drawn.
TEST_F(SceneTest, WholeModelFacesPast65535AreDrawnFromTheirOwnVertices) {
    TMeshSpec first{"Molti", std::vector<std::array<float, 3>>(65535, {0, 0, 0}), {{0, 1, 2}}};
    scene_.ImportOptions.WholeModel = true;
    Import({first, Corner});
    const TObject3D& object = *scene_.Objects[1];
    ASSERT_EQ(object.VertexCount, 65538);
    ASSERT_EQ(object.FaceCount, 2);
    EXPECT_EQ(object.Faces[2].A, 65536u);
    EXPECT_TRUE(ImagesEqual(top_, ExpectedPane(TTestImage(SmallPane.Width, SmallPane.Height),
                                               "Visuale Dall'alto:",
                                               {{200, 150, 200, 150, 200, 150, White},
                                                {250, 150, 200, 130, 200, 150, White}})));
}

// Fitted, a model stays inside the small pane at every turn, in both projections, whatever its
// size and place, and an unused far vertex changes nothing.
TEST_F(SceneTest, FittedModelsStayInsideThePaneAtEveryTurn) {
    TMeshSpec model{"Lontano",
                    {{1e4f, 8e3f, -3},
                     {1.02e4f, 8e3f, 5},
                     {1e4f, 8.3e3f, 40},
                     {1.01e4f, 8.1e3f, -60},
                     {1e30f, 1e30f, 1e30f}},
                    {{0, 1, 2}, {1, 2, 3}, {0, 3, 2}}};
    scene_.ImportOptions.FitToWindow = true;
    Import({model});
    constexpr int Margin = 600; // the picture is drawn into a larger image, origin at its centre
    const TTestImage wide(SmallPane.Width + 2 * Margin, SmallPane.Height + 2 * Margin);
    TTestImage image = wide; // each drawing starts from `wide` again
    // The first white pixel outside the pane, as "x,y", or nothing. White is 0xFF in all three
    // bytes, so the rows are searched for that byte.
    static_assert(White.R == 0xFF && White.G == 0xFF && White.B == 0xFF);
    const auto whiteOutside = [&]() -> std::string {
        const auto search = [&](std::int32_t y, std::int32_t from, std::int32_t to) {
            const std::uint8_t* row = image.View().ScanLine(y);
            const std::uint8_t* end = row + 3 * to;
            for (const std::uint8_t* at = row + 3 * from; at < end; ++at) {
                at = static_cast<const std::uint8_t*>(std::memchr(at, 0xFF, std::size_t(end - at)));
                if (at == nullptr) {
                    break;
                }
                const auto byte = at - row;
                if (at[-(byte % 3)] == 0xFF && at[1 - byte % 3] == 0xFF &&
                    at[2 - byte % 3] == 0xFF) {
                    return std::to_string(byte / 3) + "," + std::to_string(y);
                }
            }
            return std::string();
        };
        for (std::int32_t y = 0; y < image.Height(); ++y) {
            const bool paneRow = y >= Margin && y < Margin + SmallPane.Height;
            std::string found =
                paneRow ? search(y, 0, Margin) + search(y, Margin + SmallPane.Width, image.Width())
                        : search(y, 0, image.Width());
            if (!found.empty()) {
                return found;
            }
        }
        return {};
    };
    for (const bool perspective : {false, true}) {
        perspective ? SetPerspectiveProjection() : SetParallelProjection();
        SetViewOrigin(SmallPaneOrigin.X + Margin, SmallPaneOrigin.Y + Margin);
        SetClipRect(0, 0, wide.Width() - 1, wide.Height() - 1);
        for (int x = 0; x < 360; x += 45) {
            for (int y = 0; y < 360; y += 30) {
                scene_.DrawFreeView(image.View(), wide.View(), x, y, 15);
                ASSERT_EQ(whiteOutside(), "") << x << " " << y << " " << perspective;
            }
        }
    }
    EXPECT_TRUE(scene_.CurrentAtRest());
}

} // namespace scene_test
} // namespace
