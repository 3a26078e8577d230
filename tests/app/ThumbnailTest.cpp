#include "Thumbnail.h"
#include "AppTestSupport.h"
#include "DamagedModels.h"
#include "ErrorReporting.h"
#include "ImageDecoding.h"
#include "ModelImages.h"
#include "PaneDrawing.h"
#include "TempDir.h"
#include "TestImage.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <limits>
#include <set>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;

// The model fills the picture but for its margins, inside them, centred, whatever the size and
// shape of the picture and of the model, in shades of white no darker than the ambient share, and
// the library's drawing state is left as it was.
TEST(Thumbnail, ShowsTheWholeModelFramedWithinItsMargins) {
    TTempDir dir;
    const float inf = std::numeric_limits<float>::infinity();
    // Flat: no extent along its up axis (Z); damaged: one face on an infinite vertex.
    const std::string flat = dir.Write(
        "flat.3ds",
        Plexa3DTools::MeshFile(
            {{"Piano", {{0, 0, 0}, {40, 0, 0}, {40, 25, 0}, {0, 25, 0}}, {{0, 1, 2}, {0, 2, 3}}}}));
    const std::string damaged = dir.Write(
        "damaged.3ds",
        Plexa3DTools::MeshFile(
            {{"Rotto", {{0, 0, 0}, {10, 0, 0}, {0, 10, 5}, {inf, 0, 0}}, {{0, 1, 2}, {1, 2, 3}}}}));
    const std::string corpusFile = PLEXA3D_CORPUS_DIR "/gmat__X-WING.3DS";
    const struct {
        std::string File;
        int Width, Height;
        std::set<int> Shades{}; // checked when given
    } cases[] = {
        {PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", 128, 128},
        {PLEXA3D_SOURCE_DIR "/samples/torus.3ds", 33, 33},
        // Turned 30 degrees and seen from 30 above: the top at 60 degrees from the line of sight,
        // the sides at cos 30 cos 30 and cos 60 cos 30; 255 (0.25 + 0.75 cos) each.
        {PLEXA3D_SOURCE_DIR "/samples/cube.3ds", 1000, 1000, {147, 159, 207}},
        {PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", 200, 48}, // wider than the model
        {PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", 40, 150}, // taller than the model
        {flat, 96, 96},
        {damaged, 64, 64},
        {corpusFile, 128, 128},
    };
    for (const auto& c : cases) {
        if (!std::filesystem::exists(c.File)) {
            continue; // the corpus is optional
        }
        SCOPED_TRACE(c.File + " at " + std::to_string(c.Width) + " x " + std::to_string(c.Height));
        TObject3D object;
        Load3DSModel(c.File, object);
        SetClipRect(1, 2, 3, 4);
        SetDrawColor(5, 6, 7);
        SetViewOrigin(8, 9);
        SetPerspectiveProjection();
        SetViewNavigation({2, 3, 4, 5, 6, 7});
        TTestImage image(c.Width, c.Height);
        ASSERT_TRUE(DrawThumbnail(object, image.View()));

        EXPECT_EQ(ClipRect.Right, 3);
        EXPECT_EQ(DrawColor, (TColorRGB{5, 6, 7}));
        EXPECT_EQ(ViewOrigin.X, 8);
        EXPECT_EQ(ProjectionMode, PerspectiveProjection);
        EXPECT_EQ(ViewNavigation.Zoom, 2);
        EXPECT_TRUE(image.PaddingIntact());
        const std::vector<TPixel> lit = image.Marked();
        ASSERT_FALSE(lit.empty());
        int left = c.Width, top = c.Height, right = -1, bottom = -1;
        bool shaded = false; // surfaces, not white wires
        std::set<int> shades;
        for (const TPixel& p : lit) {
            shaded = shaded || p.Color.R < 255;
            shades.insert(p.Color.R);
            EXPECT_TRUE(p.Color.R == p.Color.G && p.Color.G == p.Color.B && p.Color.R >= 64)
                << int(p.Color.R) << " " << int(p.Color.G) << " " << int(p.Color.B);
            left = std::min(left, p.X);
            right = std::max(right, p.X);
            top = std::min(top, p.Y);
            bottom = std::max(bottom, p.Y);
        }
        EXPECT_TRUE(shaded);
        EXPECT_TRUE(c.Shades.empty() || shades == c.Shades);
        const int marginX = c.Width / 16, marginY = c.Height / 16;
        EXPECT_GE(left, marginX);
        EXPECT_GE(top, marginY);
        EXPECT_LT(right, c.Width - marginX);
        EXPECT_LT(bottom, c.Height - marginY);
        // One side spans the picture but for its margins, less the rounding of the corners to
        // pixels and the silhouette's bottom and right edges, which the fill rule leaves out.
        EXPECT_TRUE(right - left >= c.Width - 2 * marginX - 3 ||
                    bottom - top >= c.Height - 2 * marginY - 3)
            << left << " " << right << " " << top << " " << bottom;
        // Centred: the margins left and right, and above and below, differ by a pixel at most.
        EXPECT_LE(std::abs(left - (c.Width - 1 - right)), 1);
        EXPECT_LE(std::abs(top - (c.Height - 1 - bottom)), 1);
    }
    ResetGraphicsState();
}

// The program as a file manager runs it: no display, a PNG or status 1 with the reason.
TEST(Thumbnail, TheProgramWritesAPngOrSaysWhyNot) {
    TTempDir dir;
    const std::string noMesh = dir.Write("empty.3ds", Plexa3DTools::MeshFile({}));
    const float inf = std::numeric_limits<float>::infinity();
    const std::string noFinite = dir.Write(
        "infinite.3ds",
        Plexa3DTools::MeshFile({{"M", {{inf, 0, 0}, {0, inf, 0}, {0, 0, -inf}}, {{0, 1, 2}}}}));
    const QString painted =
        QString::fromStdString(dir.Write("painted.3ds", CornerNamingAMissingImage()));
    const QString out = QString::fromStdString((dir.Path() / "t.png").string());
    const std::string model =
        dir.Write("model.3ds",
                  Plexa3DTools::MeshFile({{"M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}}));
    const std::uint64_t modelSize = std::filesystem::file_size(model);
    struct TCase {
        QStringList Arguments;
        int Status;
        const char* Message; // on standard error
    };
    for (const TCase& c : std::vector<TCase>{
             {{"128", PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", out}, 0, ""},
             {{"128", QString::fromStdString((dir.Path() / "absent.3ds").string()), out},
              1,
              "File not found"},
             {{"128", QString::fromStdString(noMesh), out}, 1, "the file holds no faces"},
             {{"128", QString::fromStdString(noFinite), out},
              1,
              "no face of the file has finite vertices"},
             {{"128", PLEXA3D_SOURCE_DIR "/samples/cube.3ds",
               QString::fromStdString((dir.Path() / "no folder" / "t.png").string())},
              1,
              "t.png\": No such file or directory"},
             {{"128", QString::fromStdString(model), QString::fromStdString(model)},
              1,
              "model.3ds: the thumbnail would be written over the model itself"},
             {{"128", PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", out, "--draw", "wire"}, 0, ""},
             {{"128", painted, out}, 0, "painted.3ds: image not found: ASSENTE.JPG"},
             {{"300", PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", out}, 0, ""},
             {{"128", PLEXA3D_SOURCE_DIR "/samples/cube.3ds", out, "--draw", "flat"}, 2, "--draw"},
             {{"0", PLEXA3D_SOURCE_DIR "/samples/cube.3ds", out}, 2, "--thumbnail"},
             {{"4097", PLEXA3D_SOURCE_DIR "/samples/cube.3ds", out}, 2, "--thumbnail"}}) {
        std::filesystem::remove(out.toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(variable);
        }
        program.setProcessEnvironment(environment);
        program.start(BuiltProgramFile(), QStringList{"--thumbnail"} + c.Arguments);
        ASSERT_TRUE(program.waitForFinished(20000));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        SCOPED_TRACE(c.Arguments.join(' ').toStdString() + ": " + errors.toStdString());
        EXPECT_EQ(program.exitCode(), c.Status);
        EXPECT_TRUE(errors.contains(QLatin1String(c.Message)));
        const QImage written(out);
        const int size = c.Arguments[0].toInt();
        EXPECT_EQ(written.size(),
                  c.Status == 0 ? QSize(size, size) : QSize(0, 0)); // none after a failure
        if (c.Status == 0 && size == 300) {
            // Still the small pane's background, whose middle square it is unscaled: the top
            // row, above the model's margin, is the bitmap's.
            const QImage small(QFileInfo(BuiltProgramFile()).dir().filePath("Bmps/bk400x300.bmp"));
            for (int x = 0; x < size; ++x) {
                ASSERT_EQ(written.pixel(x, 0), small.pixel(x + 50, 0)) << x;
            }
        }
    }
    EXPECT_EQ(std::filesystem::file_size(model), modelSize);
}

// A damaged vertex costs only its own faces: the thumbnail is that of the model without them.
TEST(Thumbnail, ADamagedVertexCostsOnlyItsFaces) {
    TTempDir dir;
    for (const auto& c : DamagedModels(PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds")) {
        SCOPED_TRACE(c.Label);
        TObject3D damaged;
        TObject3D sound;
        Load3DSModel(dir.Write("damaged.3ds", c.Damaged), damaged);
        Load3DSModel(dir.Write("sound.3ds", c.Sound), sound);
        TTestImage fromDamaged(96, 96);
        TTestImage fromSound(96, 96);
        ASSERT_TRUE(DrawThumbnail(damaged, fromDamaged.View()));
        ASSERT_TRUE(DrawThumbnail(sound, fromSound.View()));
        EXPECT_FALSE(fromSound.Marked().empty());
        EXPECT_TRUE(ImagesEqual(fromDamaged, fromSound));
    }
    ResetGraphicsState();
}

// Shaded surfaces drawn larger and reduced have an outline of pixels mixed with the background,
// where surfaces drawn at the picture's size have none, and cover about the same pixels.
TEST(Thumbnail, ShadedSurfacesAreSmoothedAtTheirOutline) {
    constexpr TColorRGB Back{10, 20, 200};
    EXPECT_EQ(ThumbnailSupersampling(128), 4);
    EXPECT_EQ(ThumbnailSupersampling(1024), 2);
    EXPECT_EQ(ThumbnailSupersampling(4096), 1);
    int covered[2] = {};
    for (const int factor : {1, 4}) {
        SCOPED_TRACE(factor);
        TObject3D object;
        TModelLooks looks;
        Load3DSModelWithLooks(PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds", object, looks);
        TTestImage image(64, 64, Back);
        ASSERT_TRUE(DrawSmoothThumbnail(object, looks, image.View(), factor));
        int mixed = 0;
        for (const TPixel& p : image.Marked()) {
            mixed += p.Color.R == p.Color.G && p.Color.G == p.Color.B ? 0 : 1;
        }
        covered[factor > 1] = int(image.Marked().size());
        EXPECT_EQ(mixed > 20, factor > 1) << mixed;
        EXPECT_TRUE(image.PaddingIntact());
    }
    EXPECT_NEAR(covered[1], covered[0], covered[0] / 5);
    ResetGraphicsState();
}

// Only the images of faces that own a pixel of the thumbnail are decoded: a damaged image on a
// face hidden under a plate goes untold, one on a face too small to be seen at a quarter of the
// drawing's size but seen in the drawing itself is told.
TEST(Thumbnail, OnlyTheImagesOfFacesSeenAreDecoded) {
    TTempDir dir;
    dir.Write("nascosta.png", "not an image");
    dir.Write("minuta.png", "not an image");
    const std::vector<Plexa3DTools::TMaterialSpec> materials{
        {"lastra", {}, {{{150, 150, 150}}}},
        {"nascosta", {}, {{{150, 150, 150}}}, {}, {}, {}, {}, false, "NASCOSTA.PNG"},
        {"minuta", {}, {{{150, 150, 150}}}, {}, {}, {}, {}, false, "MINUTA.PNG"}};
    // A plate, a smaller square just under it, and a triangle about two pixels of the drawing
    // wide lying on it, moved by a quarter of a pixel of the glimpse at a time until the glimpse
    // misses it.
    const auto model = [&](float dx, float dy) {
        constexpr float T = 0.012f;
        return Plexa3DTools::LooksFile(
            materials, {{"M",
                         {{-1, -1, 0},
                          {1, -1, 0},
                          {1, 1, 0},
                          {-1, 1, 0},
                          {-0.3f, -0.3f, -0.1f},
                          {0.3f, -0.3f, -0.1f},
                          {0.3f, 0.3f, -0.1f},
                          {-0.3f, 0.3f, -0.1f},
                          {dx, dy, 0.01f},
                          {dx + T, dy, 0.01f},
                          {dx, dy + T, 0.01f}},
                         {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {8, 9, 10}},
                         {},
                         {{"lastra", {0, 1}}, {"nascosta", {2, 3}}, {"minuta", {4}}}}});
    };
    const auto owns = [](const TDepthBuffer& buffer, const TObject3D& object, int face) {
        const TDepthBuffer::TFill* fill = buffer.FindFill(object);
        const std::uint32_t* owners = buffer.Owners();
        return fill != nullptr &&
               std::count(owners, owners + std::size_t(buffer.Width()) * buffer.Height(),
                          fill->FirstOwner + std::uint32_t(face)) > 0;
    };
    std::string path;
    for (int step = 0; step < 64 && path.empty(); ++step) {
        const std::string candidate =
            dir.Write("lastra.3ds", model(0.006f * float(step % 8), 0.006f * float(step / 8)));
        TObject3D object;
        TModelLooks looks;
        Load3DSModelWithLooks(candidate, object, looks);
        bool glimpsed = true;
        bool seen = false;
        bool hidden = true;
        TTestImage image(128, 128);
        TThumbnailSteps steps;
        steps.Glimpsed = [&](const TDepthBuffer& glimpse) { glimpsed = owns(glimpse, object, 5); };
        steps.Filled = [&](const TDepthBuffer& buffer) {
            seen = owns(buffer, object, 5);
            hidden = !owns(buffer, object, 3) && !owns(buffer, object, 4);
        };
        ASSERT_TRUE(
            DrawSmoothThumbnail(object, looks, image.View(), ThumbnailSupersampling(128), steps));
        ASSERT_TRUE(hidden);
        if (seen && !glimpsed) {
            path = candidate;
        }
    }
    ResetGraphicsState();
    ASSERT_FALSE(path.empty()) << "no place found where only the drawing sees the triangle";

    QProcess program;
    program.start(BuiltProgramFile(), {"--thumbnail", "128", QString::fromStdString(path),
                                       QString::fromStdString((dir.Path() / "t.png").string())});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(errors.contains("image cannot be read: MINUTA.PNG")) << errors.toStdString();
    EXPECT_FALSE(errors.contains("NASCOSTA")) << errors.toStdString();
}

// Real models whose images lie beside them show them; images that are not there are named.
TEST(Thumbnail, RealModelsShowTheImagesBesideThem) {
    const struct {
        const char* File;
        std::vector<std::string> Missing;
    } cases[] = {
        {"o3dv__cube_with_materials.3ds", {}},
        {"assimp__cube_with_diffuse_texture.3DS", {}}, // TEST.PNG is test.png
        {"assimp__test1.3ds", {}},
        {"gmat__hst.3ds",
         {"hbltel_1.bmp", "hbltel_2.bmp", "hbltel_4.bmp", "hbltel_3.bmp", "hbltel_w.bmp"}},
    };
    for (const auto& c : cases) {
        const std::string path = std::string(PLEXA3D_CORPUS_DIR "/") + c.File;
        if (!std::filesystem::exists(path)) {
            continue; // the corpus is optional
        }
        SCOPED_TRACE(c.File);
        TTestImage pictures[2] = {{96, 96}, {96, 96}};
        for (const bool images : {false, true}) {
            TObject3D object;
            TModelLooks looks;
            Load3DSModelWithLooks(path, object, looks);
            if (images) {
                LoadModelImages(looks, ModelFolder(path),
                                [](const std::string& p) { return DecodeImageFile(p); });
                std::vector<std::string> missing;
                for (const TLooksNote& note : looks.Notes) {
                    EXPECT_EQ(note.Kind, TLooksNote::TKind::ImageMissing);
                    missing.push_back(note.Subject);
                }
                EXPECT_EQ(missing, c.Missing);
            }
            ASSERT_TRUE(DrawSmoothThumbnail(object, looks, pictures[images].View(), 2));
        }
        int differ = 0;
        for (int y = 0; y < 96; ++y) {
            for (int x = 0; x < 96; ++x) {
                differ += pictures[0].At(x, y) == pictures[1].At(x, y) ? 0 : 1;
            }
        }
        EXPECT_EQ(differ > 500, c.Missing.empty()) << differ;
    }
    ResetGraphicsState();
}

// A thumbnail stopped by a signal says so, naming its model, and stops as the signal would have
// stopped it.
TEST(ThumbnailDeathTest, ASignalThatStopsTheThumbnailIsTold) {
    for (const int signal : {SIGTERM, SIGXFSZ, SIGFPE}) {
        SCOPED_TRACE(signal);
        EXPECT_EXIT(
            {
                TellWhenStoppedBySignal(QStringLiteral("/models/car.3ds"));
                std::raise(signal);
            },
            ::testing::KilledBySignal(signal),
            "plexa3d: /models/car.3ds: stopped by signal " + std::to_string(signal) + " \\(SIG");
    }
}

} // namespace

// The window tests under AddressSanitizer leave SIGFPE to the program: ThumbnailDeathTest checks
// the program's own handler of it.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "handle_sigfpe=0";
}
