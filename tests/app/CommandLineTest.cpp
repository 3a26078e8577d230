#include "CommandLine.h"
#include "AppTestSupport.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using Plexa3DTools::MeshFile;

TEST(CommandLine, OptionsAndFilesAreReadInAnyOrder) {
    TCommandLineError error;
    const auto line =
        ParseCommandLine({"a.3ds", "--perspective", "--select", "2", "b c.3ds", "--angles",
                          "0,90,360", "--one-pane", "--snapshot", "out", "--fit", "--", "--d.3ds"},
                         error);
    ASSERT_TRUE(line) << error.Message;
    EXPECT_EQ(line->Files, (std::vector<std::string>{"a.3ds", "b c.3ds", "--d.3ds"}));
    EXPECT_TRUE(line->Perspective);
    EXPECT_TRUE(line->OnePane);
    EXPECT_EQ(line->Select, 2);
    EXPECT_EQ(line->Angles, (std::array<int, 3>{0, 90, 360}));
    EXPECT_EQ(line->SnapshotDir, "out");
    EXPECT_TRUE(line->FitToWindow);
    EXPECT_FALSE(line->WholeModel);
    EXPECT_FALSE(ParseCommandLine({}, error)->SnapshotDir);
    const auto thumbnail = ParseCommandLine({"--thumbnail", "4096", "in.3ds", "-out.png"}, error);
    ASSERT_TRUE(thumbnail && thumbnail->Thumbnail) << error.Message;
    EXPECT_EQ(thumbnail->Thumbnail->Size, 4096);
    EXPECT_EQ(thumbnail->Thumbnail->Input, "in.3ds");
    EXPECT_EQ(thumbnail->Thumbnail->Output, "-out.png");
    EXPECT_TRUE(thumbnail->Files.empty());
}

TEST(CommandLine, MalformedOptionsAreRefusedWithAReason) {
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--angles", "1,2"},
                                               {"--angles", "1,2,361"},
                                               {"--angles", "1,2,3,"},
                                               {"--angles", "-1,2,3"},
                                               {"--angles", "a,b,c"},
                                               {"--select", "0"},
                                               {"--select", "256"},
                                               {"--select"},
                                               {"--snapshot"},
                                               {"--colour"},
                                               {"--thumbnail", "128", "in.3ds"},
                                               {"--thumbnail", "x", "in.3ds", "out.png"},
                                               {"--thumbnail", "128", "in.3ds", ""},
                                               {"--thumbnail", "128", "a.3ds", "o.png", "b.3ds"},
                                               {"--snapshot", "d", "--thumbnail", "1", "a", "o"},
                                               {"-x"}}) {
        TCommandLineError error;
        EXPECT_FALSE(ParseCommandLine(bad, error)) << bad.front();
        EXPECT_FALSE(error.Message.empty());
    }
    // Before the toolkit has taken its own options out, single-dash options are left to it.
    TCommandLineError error;
    EXPECT_TRUE(ParseCommandLine({"-platform", "xcb", "m.3ds"}, error, true));
    EXPECT_FALSE(ParseCommandLine({"--platform"}, error, true));
}

QImage LoadPng(const QString& path) {
    QImage image(path);
    return image.convertToFormat(QImage::Format_BGR888);
}

// The program's own output, run as a user would run it, against the same work done here.
class Snapshot : public ::testing::Test {
protected:
    int Run(const QStringList& arguments, QString* errors = nullptr) {
        QProcess program;
        program.setWorkingDirectory(QDir::tempPath()); // not the program's folder
        program.start(BuiltProgramFile(), arguments);
        EXPECT_TRUE(program.waitForFinished(20000));
        if (errors) {
            *errors = QString::fromLocal8Bit(program.readAllStandardError());
        }
        return program.exitCode();
    }
    QString Path(const char* name) const {
        return QString::fromStdString((dir_.Path() / name).string());
    }

    TTempDir dir_;
};

TEST_F(Snapshot, WritesExactlyThePanesOfTheSameWorkDoneInProcess) {
    const QString cube = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/cube.3ds");
    const QString car = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds");
    ASSERT_EQ(Run({"--snapshot", Path("out"), cube, car, "--select", "1", "--angles", "20,30,40"}),
              0);

    auto form = NewMainWindow();
    form->ImportFile(cube);
    form->ImportFile(car);
    form->StringGrid1->ChooseCell(1, 1);
    form->X_Bar1->setValue(20);
    form->Y_Bar2->setValue(30);
    form->Z_Bar3->setValue(40);
    form->Timer1Timer();
    const TImagePane* panes[] = {form->Image1, form->Image2, form->Image3, form->Image4,
                                 form->Image5};
    for (int i = 0; i < 5; ++i) {
        const QImage written = LoadPng(Path("out") + QStringLiteral("/Image%1.png").arg(i + 1));
        EXPECT_EQ(written, panes[i]->Bitmap()) << "Image" << i + 1;
    }
}

TEST_F(Snapshot, EachOptionChangesTheFreeViewAsItsMenuItemWould) {
    const QString car = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds");
    ASSERT_EQ(Run({"--snapshot", Path("plain"), car}), 0);
    ASSERT_EQ(Run({"--snapshot", Path("one"), car, "--one-pane", "--perspective"}), 0);

    auto form = NewMainWindow();
    form->ImportFile(car);
    form->Timer1Timer();
    EXPECT_EQ(LoadPng(Path("plain") + "/Image4.png"), form->Image4->Bitmap());
    ChooseMenuItem(*form, "N1Finestra1");
    ChooseMenuItem(*form, "VisualeProspettica1");
    form->Timer1Timer();
    EXPECT_EQ(LoadPng(Path("one") + "/Image5.png"), form->Image5->Bitmap());
    EXPECT_NE(LoadPng(Path("one") + "/Image5.png"), LoadPng(Path("plain") + "/Image5.png"));
}

TEST_F(Snapshot, ImportOptionsTakeEffectBeforeTheImportsWhereverTheyStand) {
    // Two meshes: only the whole model shows the second, and only the fit moves the first.
    const QString file = QString::fromStdString(dir_.Write(
        "two.3ds",
        MeshFile(
            {Corner, {"Accanto", {{-30, -20, 0}, {-25, -20, 0}, {-30, -15, 2}}, {{0, 1, 2}}}})));
    ASSERT_EQ(Run({"--snapshot", Path("plain"), file}), 0);
    for (const TImportOptions options :
         {TImportOptions{true, false}, TImportOptions{false, true}, TImportOptions{true, true}}) {
        QStringList arguments{"--snapshot", Path("out"), file};
        if (options.WholeModel) {
            arguments << "--whole";
        }
        if (options.FitToWindow) {
            arguments << "--fit";
        }
        ASSERT_EQ(Run(arguments), 0);
        auto form = NewMainWindow();
        form->SetImportOptions(options);
        form->ImportFile(file);
        form->Timer1Timer();
        const TImagePane* panes[] = {form->Image1, form->Image2, form->Image3, form->Image4,
                                     form->Image5};
        for (int i = 0; i < 5; ++i) {
            const QString name = QStringLiteral("/Image%1.png").arg(i + 1);
            EXPECT_EQ(LoadPng(Path("out") + name), panes[i]->Bitmap())
                << arguments.join(' ').toStdString();
        }
        EXPECT_NE(LoadPng(Path("out") + "/Image3.png"), LoadPng(Path("plain") + "/Image3.png"));
    }
}

TEST_F(Snapshot, FailuresGiveTheirStatusAndMessage) {
    QString errors;
    EXPECT_EQ(Run({"--snapshot", Path("x"), Path("absent.3ds")}, &errors), 1);
    EXPECT_TRUE(errors.contains("File not found")) << errors.toStdString();
    EXPECT_EQ(Run({"--angles", "1,2"}, &errors), 2);
    EXPECT_TRUE(errors.contains("--angles")) << errors.toStdString();
    EXPECT_EQ(Run({"--no-such-option"}, &errors), 2);
    // Without a display and without --snapshot, the program says so instead of failing in Qt.
    QProcess windowless;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(variable);
    }
    windowless.setProcessEnvironment(environment);
    windowless.start(BuiltProgramFile(), {});
    ASSERT_TRUE(windowless.waitForFinished(10000));
    EXPECT_EQ(windowless.exitCode(), 1);
    EXPECT_TRUE(windowless.readAllStandardError().contains("--snapshot"));
    QProcess version;
    version.start(BuiltProgramFile(), {"--version"});
    ASSERT_TRUE(version.waitForFinished(10000));
    EXPECT_EQ(version.readAllStandardOutput(), "Plexa3D 0.1\n");
}

TEST(DragAndDrop, DroppedMeshFilesAreImportedInOrder) {
    TTempDir dir;
    const auto file = [&](const char* name, const char* mesh) {
        return QUrl::fromLocalFile(QString::fromStdString(
            dir.Write(name, MeshFile({{mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}}))));
    };
    auto form = NewMainWindow();
    TMessageBoxCatcher errors;
    form->ImportDroppedFiles(
        {file("b.3DS", "Secondo"), file("note.txt", "Testo"), file("a.3ds", "Primo"),
         QUrl::fromLocalFile(QString::fromStdString((dir.Path() / "x.3ds").string()))});
    EXPECT_EQ(errors.Texts(), QStringList{"File not found"}); // the missing one, and only it
    ASSERT_EQ(form->ObjectCount, 2);
    EXPECT_EQ(form->Objects[1]->Name, "Secondo");
    EXPECT_EQ(form->Objects[2]->Name, "Primo");
    EXPECT_TRUE(form->acceptDrops());
}

} // namespace
