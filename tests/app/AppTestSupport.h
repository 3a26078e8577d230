// Helpers for the window tests: the program's folder, error message boxes caught and answered,
// Qt's own file dialog answered with a file name, and the pixels of a pane.
#pragma once

#include "ImagePane.h"
#include "PaneDrawing.h"
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

// The program file of the build: the data folders lie beside it.
QString BuiltProgramFile();

// Answers every message box that opens while it lives, keeping the texts shown: yes to a
// question, OK to the others.
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
// it when fileName is empty). With `shownIn`, keeps there the folder the dialog opened in.
void AnswerNextFileDialog(const QString& fileName, QString* shownIn = nullptr);

// A main window created from the build's folder, with fresh drawing state.
std::unique_ptr<Plexa3DApp::TForm1> NewMainWindow();

// Runs the event loop until the free view has been redrawn (or a second has passed).
bool WaitForRedraw(Plexa3DApp::TForm1& form);

// The pane's bitmap as a test image, for exact comparisons.
TTestImage PaneImage(const Plexa3DApp::TImagePane& pane);

// Triggers the menu item with this object name, as a click on it would.
void ChooseMenuItem(Plexa3DApp::TForm1& form, const char* name);

} // namespace Plexa3DTest
