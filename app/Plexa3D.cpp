// The program's main routine. The graphics library has built its angle tables and set its
// drawing state before main() begins; then the application, the main window (whose creation
// runs FormCreate) and the five hidden information windows are created, the files named on the
// command line are imported and its options applied, and the event loop runs until File, "Esci"
// or the main window is closed. With --snapshot, no window is shown: the panes are drawn once
// and written as PNG files instead. With --thumbnail, only a thumbnail is drawn and written.
#include "CommandLine.h"
#include "DataFiles.h"
#include "ErrorReporting.h"
#include "ExportImages.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "GraphErrors.h"
#include "ModelInfo.h"
#include "Plexa3DApplication.h"
#include "Plexa3D_Source.h"
#include "Snapshot.h"
#include "Thumbnail.h"
#include "ZuveloArchiveLibrary.h"

#include <QAction>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>

namespace {

using namespace Plexa3DApp;
using ZuveloGraphLibrary::TDrawMode;

// The imports and the options, through the handlers that the user's actions reach.
void ApplyCommandLine(TForm1& form, const TCommandLine& line) {
    if (line.WholeModel || line.FitToWindow) {
        form.SetImportOptions({line.WholeModel, line.FitToWindow});
    }
    if (line.DrawMode) {
        form.SetDrawMode(*line.DrawMode);
    }
    for (const std::string& file : line.Files) {
        const bool full = form.ObjectCount >= MaxObjects;
        RunGuarded([&] { form.ImportFile(QString::fromLocal8Bit(file.c_str())); });
        if (full) { // the first file that finds no room is told; the rest would be alike
            break;
        }
    }
    if (line.OnePane) {
        form.N1Finestra1->trigger();
    }
    if (line.Perspective) {
        form.VisualeProspettica1->trigger();
    }
    if (line.Select) {
        // A row that is not there is told: the list would pass over it without a word.
        const int row = *line.Select;
        RunGuarded([&] {
            if (row >= form.StringGrid1->rowCount()) {
                throw ZuveloGraphLibrary::RuntimeError("--select " + std::to_string(row) +
                                                       ": the object list has no such row");
            }
            form.StringGrid1->ChooseCell(1, row);
        });
    }
    if (line.Angles) {
        form.X_Bar1->setValue((*line.Angles)[0]);
        form.Y_Bar2->setValue((*line.Angles)[1]);
        form.Z_Bar3->setValue((*line.Angles)[2]);
    }
}

// Writes the thumbnail without any window or display: status 0, or 1 with the error on standard
// error.
int RunThumbnail(int argc, char** argv, const TThumbnailRequest& request, TDrawMode mode) {
    QCoreApplication application(argc, argv); // for the program's own path
    SetErrorDisplay(TErrorDisplay::StandardError);
    const std::string appDir =
        ZuveloArchiveLibrary::ExtractPath(BackslashPath(QCoreApplication::applicationFilePath()));
    const QString input = QString::fromLocal8Bit(request.Input.c_str());
    TellWhenStoppedBySignal(input);
    const bool written = RunGuarded([&] {
        try {
            WriteThumbnail(request.Size, request.Input,
                           QString::fromLocal8Bit(request.Output.c_str()), appDir, mode);
        } catch (const std::exception& error) {
            // Named, as file managers run many at once.
            throw ZuveloGraphLibrary::RuntimeError(
                (input + QStringLiteral(": ") + QString::fromUtf8(error.what())).toStdString());
        }
    });
    return written ? 0 : 1;
}

// Writes the model out without any window or display: status 0, or 1 with the error on standard
// error, naming the file; what the export tells (images not found) goes there too.
int RunExport(int argc, char** argv, const std::pair<std::string, std::string>& request) {
    QCoreApplication application(argc, argv); // for the image plugins
    const auto& [output, input] = request;
    try {
        const Plexa3DFormats::TExportReport report = ExportModelFile(input, output);
        for (const std::string& note : report.Notes) {
            std::fprintf(stderr, "plexa3d: %s: %s\n", input.c_str(), note.c_str());
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "plexa3d: %s: %s\n", input.c_str(), error.what());
        return 1;
    }
}

// Describes each file on standard output, a blank line between files; what a reader passed over
// is told on standard error, naming the file; a file that cannot be read is told there too and
// makes the status 1.
int RunInfo(const TCommandLine& line) {
    int status = 0;
    bool first = true;
    for (const std::string& file : line.Files) {
        try {
            std::vector<std::string> notes;
            const std::string text = DescribeModelFile(file, &notes);
            for (const std::string& note : notes) {
                std::fprintf(stderr, "plexa3d: %s: %s\n", file.c_str(), note.c_str());
            }
            std::fputs(first ? "" : "\n", stdout);
            std::fputs(text.c_str(), stdout);
            first = false;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "plexa3d: %s: %s\n", file.c_str(), error.what());
            status = 1;
        }
    }
    std::fflush(stdout);
    return status;
}

} // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
    return {argv + std::min(argc, 1), argv + argc};
}

// Whether a window can be opened: a display, or a platform chosen explicitly.
bool HasDisplay(const std::vector<std::string>& arguments) {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           std::find(arguments.begin(), arguments.end(), "-platform") != arguments.end();
}

// Reports a malformed command line; the status is 2.
int CommandLineFault(const TCommandLineError& error) {
    std::fprintf(stderr, "plexa3d: %s\nTry 'plexa3d --help'.\n", error.Message.c_str());
    return 2;
}

int main(int argc, char** argv) {
    // Help, version and malformed options are answered before the toolkit needs a display.
    TCommandLineError error;
    const std::optional<TCommandLine> early = ParseCommandLine(Arguments(argc, argv), error, true);
    if (!early) {
        return CommandLineFault(error);
    }
    if (early->Help || early->Version) {
        std::fputs(early->Help ? UsageText().c_str() : "Plexa3D " PLEXA3D_VERSION "\n", stdout);
        return 0;
    }
    if (early->Info) {
        return RunInfo(*early);
    }
    if (early->Export) {
        return RunExport(argc, argv, *early->Export);
    }
    if (early->Thumbnail) {
        return RunThumbnail(argc, argv, *early->Thumbnail,
                            early->DrawMode.value_or(TDrawMode::SolidSurfaces));
    }
    const bool snapshot = early->SnapshotDir.has_value();
    if (snapshot) {
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no display is needed or used
    } else if (!HasDisplay(Arguments(argc, argv))) {
        std::fputs("plexa3d: no display to open the window on (DISPLAY is not set).\n"
                   "To draw without one: plexa3d --snapshot DIR [FILE...]\n",
                   stderr);
        return 1;
    }
    TPlexa3DApplication application(argc, argv); // takes its own options out of argv
    const std::optional<TCommandLine> line = ParseCommandLine(Arguments(argc, argv), error);
    if (!line) {
        return CommandLineFault(error);
    }
    if (snapshot) {
        SetErrorDisplay(TErrorDisplay::StandardError);
    }

    TForm1 Form1(QCoreApplication::applicationFilePath());
    TForm_Plexa3d_Guida Form_Plexa3d_Guida;
    TForm_Plexa3d_Autore Form_Plexa3d_Autore;
    TForm_Plexa3d_SitoWeb Form_Plexa3d_SitoWeb;
    TForm_Plexa3d_EMail Form_Plexa3d_EMail;
    TForm_Plexa3d_Licenza Form_Plexa3d_Licenza;
    Form1.SetInformationWindows({&Form_Plexa3d_Guida, &Form_Plexa3d_Autore, &Form_Plexa3d_SitoWeb,
                                 &Form_Plexa3d_EMail, &Form_Plexa3d_Licenza});
    ApplyCommandLine(Form1, *line);

    if (snapshot) {
        RunGuarded([&] { Form1.Timer1Timer(); });
        RunGuarded(
            [&] { WriteSnapshot(Form1, QString::fromLocal8Bit(line->SnapshotDir->c_str())); });
        return ErrorsShown() == 0 ? 0 : 1;
    }
    Form1.show();
    return application.exec();
}
