// Expected pictures of the panes, drawn the way the program draws into them, and the small models
// the scene and window tests share. No Qt: the scene's tests use them as the windows' tests do.
#pragma once

#include "DrawingState.h"
#include "RasterCanvas.h"
#include "TestImage.h"
#include "Writer3DS.h"

#include <string>
#include <vector>

namespace Plexa3DTest {

// The program's colours: lines of the current object and of the others, and text.
inline constexpr ZuveloGraphLibrary::TColorRGB White{255, 255, 255};
inline constexpr ZuveloGraphLibrary::TColorRGB Grey{120, 120, 120};
inline constexpr ZuveloGraphLibrary::TColorRGB Green{0, 255, 0};

// One triangle through the file points (10, 0, 0), (0, 4, 0), (0, 0, 6): placed by the import at
// (50, 0, -300), (0, 20, -300), (0, 0, -270), so that every view shows it differently.
inline const Plexa3DTools::TMeshSpec Corner{
    "Angolo", {{10, 0, 0}, {0, 4, 0}, {0, 0, 6}}, {{0, 1, 2}}};

// A file of Corner, mapped, whose material names an image that is not beside it.
inline std::vector<std::uint8_t> CornerNamingAMissingImage() {
    return Plexa3DTools::LooksFile(
        {{"pittura", {}, {{{200, 60, 20}}}, {}, {}, {}, {}, false, "ASSENTE.JPG"}},
        {{Corner.Name,
          Corner.Vertices,
          Corner.Faces,
          {{0, 0}, {1, 0}, {0, 1}},
          {{"pittura", {0}}}}});
}

// A pane of width x height pixels for the library's drawings: clipped to it, the view origin at
// its centre, in the projection and with the navigation given.
void SetUpCentredPane(int width, int height, bool perspective,
                      const ZuveloGraphLibrary::TViewNavigation& navigation = {});

// The font file of the build, beside the program.
std::string BuiltFontFile();

// A triangle outline in pane coordinates and its colour.
struct TOutline {
    int X1, Y1, X2, Y2, X3, Y3;
    ZuveloGraphLibrary::TColorRGB Color;
};

// Draws onto an expected picture the way the program draws into a pane, clipped to the whole
// image; the drawing state in force is kept. Text is green, at the advance in force.
void DrawOutlines(TTestImage& image, const std::vector<TOutline>& outlines);
void DrawTextLine(TTestImage& image, int y, const std::string& text);

// A pane as an import must leave it: its earlier pixels, then the caption (none when null), then
// the outlines.
TTestImage ExpectedPane(const TTestImage& before, const char* caption,
                        const std::vector<TOutline>& outlines);

// The free view as a redraw must leave it: background, outlines in slot order, the four lines.
TTestImage ExpectedFreeView(const TTestImage& background, const std::vector<TOutline>& outlines,
                            const std::string& name, int faces, int vertices);

} // namespace Plexa3DTest
