// DrawObject3D projects each vertex once, walks faces inside the window without clipping and
// passes over segments it has already drawn. These tests hold it to the plain per-face drawing.
#include "TestImage.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>

namespace {
namespace renderer_differential_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::ImagesEqual;
using Plexa3DTest::TTestImage;

constexpr TColorRGB Back{9, 8, 7};

// A grid of vertices `scale` apart, jittered, about a random centre, and faces that each cover
// half a cell of it, in random corner order: neighbouring faces share edges in both directions,
// as in a real mesh, and some faces come twice. Many coordinates lie on half-integers, where the
// rounding ties; a few depths lie on the eye plane and a few faces name a missing vertex. Finer
// grids have more cells than faces, so that the faces leave gaps where a wrong pixel shows.
TObject3D RandomMesh(std::mt19937& random, double scale) {
    const std::int32_t side = scale < 1 ? 120 : 40;
    constexpr std::int32_t Faces = 3000;
    TObject3D object;
    object.VertexCount = side * side;
    object.FaceCount = Faces;
    AllocObjectArrays(object);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> centre(-200, 200);
    const double cx = centre(random);
    const double cy = centre(random);
    const auto coordinate = [&](double v) {
        return static_cast<float>(random() % 3 == 0 ? std::round(2 * v) / 2 : v);
    };
    for (std::int32_t i = 0; i < object.VertexCount; ++i) {
        const double gx = i % side - side / 2 + 0.3 * unit(random);
        const double gy = i / side - side / 2 + 0.3 * unit(random);
        object.WorldVertices[i + 1] = {coordinate(cx + scale * gx), coordinate(cy + scale * gy),
                                       random() % 50 == 0 ? 0.0f
                                                          : coordinate(-300 + 50 * unit(random))};
    }
    std::uniform_int_distribution<std::int32_t> cell(0, side - 2);
    for (TFace3D& f : object.Faces) {
        const auto a = static_cast<std::uint32_t>(cell(random) * side + cell(random) + 1);
        std::uint32_t c[3] = {a, a + side + 1, random() % 2 ? a + 1 : a + side};
        std::shuffle(c, c + 3, random);
        f = {c[0], c[1], random() % 200 == 0 ? std::uint32_t(object.VertexCount + 1) : c[2]};
    }
    return object;
}

struct TOutcome {
    TTestImage Image;
    std::optional<std::string> Error;
};

TOutcome Draw(void (*draw)(const TImageView&, const TObject3D&), const TObject3D& object,
              std::int32_t width, std::int32_t height) {
    TOutcome outcome{TTestImage(width, height, Back), std::nullopt};
    try {
        draw(outcome.Image.View(), object);
    } catch (const FloatingPointError& e) {
        outcome.Error = e.what();
    }
    return outcome;
}

TEST(RendererDifferential, FastDrawingEqualsThePlainPerFaceDrawing) {
    struct TCase {
        double Scale; // spread of the vertices
        TViewNavigation Navigation;
        TClipRect Clip;
    };
    const TClipRect pane{0, 0, 399, 299};
    const TCase cases[] = {
        {0.4, {}, pane},                                          // sub-pixel faces
        {1.2, {}, pane},                                          // most lines of a step or two
        {3, {}, pane},                                            // faces of a few pixels
        {40, {}, pane},                                           // larger faces
        {3, {}, {150, 100, 260, 210}},                            // many faces cut by the window
        {40, {}, {0, 0, 999, 999}},                               // a window wider than the image
        {40, {}, {300, 0, 100, 299}},                             // an empty window
        {4e3, {}, pane},                                          // most corners far outside
        {3e8, {}, pane},                                          // lines beyond 2^24 pixels
        {3, {256, 0.5, -0.5, -51200, 38400, 0}, pane},            // zoomed into the faces
        {40, {1.0 / 256, 0, 0, 0, 0, 0}, pane},                   // zoomed out to specks
        {40, {std::pow(2.0, 0.25), 3.5, -2.5, 7, -9, 120}, pane}, // moved back
        {40, {0x1p58, 0, 0, 0, 0, 0}, pane},                      // a value beyond the 64-bit range
        {3, {1, 0, 0, 0x7FFFFFFFFFFFFF00, 0, 0}, pane},           // pane coordinates beyond 64 bits
    };
    std::mt19937 random(20261208);
    for (const bool perspective : {false, true}) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const TCase& c = cases[i];
            ResetGraphicsState();
            SetClipRect(c.Clip.Left, c.Clip.Top, c.Clip.Right, c.Clip.Bottom);
            SetDrawColor(250, 251, 252);
            SetViewOrigin(200, 150);
            perspective ? SetPerspectiveProjection() : SetParallelProjection();
            SetViewNavigation(c.Navigation);
            const TObject3D object = RandomMesh(random, perspective ? c.Scale / 2 : c.Scale);
            const TOutcome fast = Draw(DrawObject3D, object, 400, 300);
            const TOutcome plain = Draw(DrawObject3DPerFace, object, 400, 300);
            const std::string where =
                "case " + std::to_string(i) + (perspective ? ", perspective" : ", parallel");
            ASSERT_EQ(fast.Error, plain.Error) << where;
            ASSERT_TRUE(ImagesEqual(fast.Image, plain.Image)) << where;
        }
    }
}

} // namespace renderer_differential_test
} // namespace
