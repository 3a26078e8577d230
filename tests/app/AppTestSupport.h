// Helpers for the window tests: the program's folder, error message boxes caught and answered,
// Qt's own file dialog answered with a file name, and the pixels of a pane.
#pragma once

#include "ImagePane.h"
#include "Plexa3D_Source.h"
#include "TestImage.h"
#include "Writer3DS.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
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

// The program file of the build: the data folders lie beside it.
QString BuiltProgramFile();

// Answers every error message box that opens while it lives, keeping the texts shown.
class TMessageBoxCatcher {
public:
    TMessageBoxCatcher();
    ~TMessageBoxCatcher();
    const QStringList& Texts() const { return texts_; }

private:
    struct TState;
    std::unique_ptr<TState> state_;
    QStringList& texts_;
};

// When the next modal file dialog opens, types `fileName` into it and accepts it (or rejects
// it when fileName is empty).
void AnswerNextFileDialog(const QString& fileName);

// A main window created from the build's folder, with fresh drawing state.
std::unique_ptr<Plexa3DApp::TForm1> NewMainWindow();

// Runs the event loop until the free view has been redrawn (or a second has passed).
bool WaitForRedraw(Plexa3DApp::TForm1& form);

// The pane's bitmap as a test image, for exact comparisons.
TTestImage PaneImage(const Plexa3DApp::TImagePane& pane);

// A triangle outline in pane coordinates and its colour.
struct TOutline {
    int X1, Y1, X2, Y2, X3, Y3;
    ZuveloGraphLibrary::TColorRGB Color;
};

// Draws onto an expected picture the way the program draws into a pane, clipped to the whole
// image; the program's own clip window is kept. Text is green, at the advance in force.
void DrawOutlines(TTestImage& image, const std::vector<TOutline>& outlines);
void DrawTextLine(TTestImage& image, int y, const std::string& text);

// Triggers the menu item with this object name, as a click on it would.
void ChooseMenuItem(Plexa3DApp::TForm1& form, const char* name);

} // namespace Plexa3DTest
