#include "PaneDrawing.h"

#include "BitmapFont.h"
#include "DrawingState.h"
#include "Renderer.h"

namespace Plexa3DTest {

std::string BuiltFontFile() {
    return PLEXA3D_RUNTIME_DIR "/Fonts/NORMFONT.QXF";
}

namespace {

// Runs draw with the clip window set to the whole image; the drawing state is put back after.
template <class Draw> void DrawClippedToImage(TTestImage& image, Draw draw) {
    using namespace ZuveloGraphLibrary;
    const TDrawingStateGuard kept;
    SetClipRect(0, 0, image.Width() - 1, image.Height() - 1);
    draw();
}

} // namespace

void DrawOutlines(TTestImage& image, const std::vector<TOutline>& outlines) {
    DrawClippedToImage(image, [&] {
        for (const TOutline& t : outlines) {
            ZuveloGraphLibrary::DrawTriangle(image.View(), t.X1, t.Y1, t.X2, t.Y2, t.X3, t.Y3,
                                             t.Color.R, t.Color.G, t.Color.B);
        }
    });
}

void DrawTextLine(TTestImage& image, int y, const std::string& text) {
    DrawClippedToImage(image, [&] {
        ZuveloGraphLibrary::SetFontColor(Green.R, Green.G, Green.B);
        ZuveloGraphLibrary::WriteText(image.View(), 1, y, text);
    });
}

void SetUpCentredPane(int width, int height, bool perspective,
                      const ZuveloGraphLibrary::TViewNavigation& navigation) {
    using namespace ZuveloGraphLibrary;
    SetClipRect(0, 0, width - 1, height - 1);
    SetViewOrigin(width / 2, height / 2);
    if (perspective) {
        SetPerspectiveProjection();
    } else {
        SetParallelProjection();
    }
    SetViewNavigation(navigation);
}

TTestImage ExpectedPane(const TTestImage& before, const char* caption,
                        const std::vector<TOutline>& outlines) {
    TTestImage image = before;
    if (caption) {
        DrawTextLine(image, 1, caption);
    }
    DrawOutlines(image, outlines);
    return image;
}

TTestImage ExpectedFreeView(const TTestImage& background, const std::vector<TOutline>& outlines,
                            const std::string& name, int faces, int vertices) {
    TTestImage image = background;
    DrawOutlines(image, outlines);
    DrawTextLine(image, 1, "Visuale Libera XYZ:");
    DrawTextLine(image, 11, "Nome Oggetto:" + name);
    DrawTextLine(image, 21, "Numero Poligoni:" + std::to_string(faces));
    DrawTextLine(image, 31, "Numero Vertici:" + std::to_string(vertices));
    return image;
}

} // namespace Plexa3DTest
