// The scene driven without a window: whole models past 16-bit numbering and fitted placement.
#include "Scene.h"
#include "AppTestSupport.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <gtest/gtest.h>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGraphicsState();
        scene_.SetLayout(false);
    }
    int Import(const std::vector<TMeshSpec>& meshes) {
        const std::string file = dir_.Write("modello.3ds", MeshFile(meshes));
        return scene_.Import(file, free_.View(), free_.View(),
                             {front_.View(), side_.View(), top_.View()});
    }

    TTempDir dir_;
    TScene scene_;
    TTestImage free_{SmallPane.Width, SmallPane.Height}, front_{SmallPane.Width, SmallPane.Height},
        side_{SmallPane.Width, SmallPane.Height}, top_{SmallPane.Width, SmallPane.Height};
};

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
    TTestImage expected(SmallPane.Width, SmallPane.Height);
    DrawOutlines(expected,
                 {{200, 150, 200, 150, 200, 150, White}, {250, 150, 200, 130, 200, 150, White}});
    EXPECT_TRUE(ImagesEqual(top_, expected));
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
    TTestImage wide(SmallPane.Width + 2 * Margin, SmallPane.Height + 2 * Margin);
    for (const bool perspective : {false, true}) {
        perspective ? SetPerspectiveProjection() : SetParallelProjection();
        SetViewOrigin(SmallPaneOrigin.X + Margin, SmallPaneOrigin.Y + Margin);
        SetClipRect(0, 0, wide.Width() - 1, wide.Height() - 1);
        for (int x = 0; x < 360; x += 45) {
            for (int y = 0; y < 360; y += 30) {
                TTestImage image = wide;
                scene_.DrawFreeView(image.View(), wide.View(), x, y, 15);
                for (const TPixel& p : image.Marked()) {
                    if (p.Color == White) {
                        ASSERT_GE(p.X, Margin) << x << " " << y;
                        ASSERT_LT(p.X, Margin + SmallPane.Width) << x << " " << y;
                        ASSERT_GE(p.Y, Margin) << x << " " << y;
                        ASSERT_LT(p.Y, Margin + SmallPane.Height) << x << " " << y;
                    }
                }
            }
        }
    }
    EXPECT_TRUE(scene_.CurrentAtRest());
}

} // namespace
