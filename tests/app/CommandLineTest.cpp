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

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using Plexa3DTools::MeshFile;

QImage LoadPng(const QString& path) {
    QImage image(path);
    return image.convertToFormat(QImage::Format_BGR888);
}

// The program's own output, run as a user would run it, against the same work done here.
class Snapshot : public ::testing::Test {
protected:
    int Run(const QStringList& arguments, QString* errors = nullptr, QString* output = nullptr) {
        QProcess program;
        program.setWorkingDirectory(QDir::tempPath()); // not the program's folder
        program.start(BuiltProgramFile(), arguments);
        EXPECT_TRUE(program.waitForFinished(20000));
        if (errors) {
            *errors = QString::fromLocal8Bit(program.readAllStandardError());
        }
        if (output) {
            *output = QString::fromLocal8Bit(program.readAllStandardOutput());
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

    // --draw holds for every pane, though it stands after the file.
    ASSERT_EQ(Run({"--snapshot", Path("solid"), car, "--draw", "solid"}), 0);
    auto solid = NewMainWindow();
    solid->Superfici1->trigger();
    solid->ImportFile(car);
    solid->Timer1Timer();
    const TImagePane* panes[] = {solid->Image1, solid->Image2, solid->Image3, solid->Image4,
                                 solid->Image5};
    for (int i = 0; i < 5; ++i) {
        const QString name = QStringLiteral("/Image%1.png").arg(i + 1);
        EXPECT_EQ(LoadPng(Path("solid") + name), panes[i]->Bitmap()) << "Image" << i + 1;
        if (i != 4) { // the large pane is drawn only in its layout
            EXPECT_NE(LoadPng(Path("solid") + name), LoadPng(Path("plain") + name)) << i + 1;
        }
    }
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
    // Row 2 is the empty row below the one object; row 3 is not there.
    EXPECT_EQ(
        Run({"--snapshot", Path("x"), "--select", "3", PLEXA3D_SOURCE_DIR "/samples/cube.3ds"},
            &errors),
        1);
    EXPECT_TRUE(errors.contains("--select 3: the object list has no such row"))
        << errors.toStdString();
    // Past the 255th object, the first file that finds no room is told, and no other is tried.
    QStringList many{"--snapshot", Path("x")};
    for (int i = 0; i < 258; ++i) {
        many << PLEXA3D_SOURCE_DIR "/samples/cube.3ds";
    }
    EXPECT_EQ(Run(many, &errors), 1);
    EXPECT_EQ(errors.count("Numero massimo di oggetti raggiunto (255)"), 1) << errors.toStdString();
    EXPECT_EQ(Run({"--angles", "1,2"}, &errors), 2);
    EXPECT_TRUE(errors.contains("--angles")) << errors.toStdString();
    EXPECT_EQ(Run({"--no-such-option"}, &errors), 2);
    // An image that cannot be shown is no failure, but it is told with the model's name.
    const QString painted =
        QString::fromStdString(dir_.Write("painted.3ds", CornerNamingAMissingImage()));
    EXPECT_EQ(Run({"--snapshot", Path("x"), painted}, &errors), 0);
    EXPECT_TRUE(errors.contains(painted + ": image not found: ASSENTE.JPG"))
        << errors.toStdString();
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

// --info describes each file it can read, a blank line between, and names those it cannot and
// what it passed over.
TEST_F(Snapshot, InfoDescribesEachFileOrNamesWhyNot) {
    const QString painted = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/vehicle-painted.3ds");
    const QString cube = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/cube.3ds");
    const QString text = QString::fromStdString(dir_.Write("note.txt", std::string("hello\n")));
    const QString lines = QString::fromStdString(
        dir_.Write("lines.obj", std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nl 1 2\n")));
    QString errors, output;
    EXPECT_EQ(Run({"--info", painted, text, cube, lines}, &errors, &output), 1);
    EXPECT_EQ(output, "file: " + painted +
                          "\nformat: .3DS\nmeshes: 6\ntriangles: 280\nvertices: 152\n"
                          "materials: 5\ntextures: 1\ntextures missing: \n"
                          "bounds: -30 -15 -12 30 15 13\n\nfile: " +
                          cube +
                          "\nformat: .3DS\nmeshes: 1\ntriangles: 12\nvertices: 8\n"
                          "materials: 0\ntextures: 0\ntextures missing: \n"
                          "bounds: -20 -20 -20 20 20 20\n\nfile: " +
                          lines +
                          "\nformat: OBJ\nmeshes: 1\ntriangles: 1\nvertices: 3\n"
                          "materials: 0\ntextures: 0\ntextures missing: \n"
                          "bounds: 0 0 0 1 1 0\n");
    EXPECT_EQ(errors, "plexa3d: " + text + ": not a .3DS, OBJ, STL, PLY, OFF or glTF file\n" +
                          "plexa3d: " + lines + ": passed over: 1 line element (l)\n");
    EXPECT_EQ(Run({"--info", cube}), 0);
}

// A file without faces has no bounds; missing images are each named once, in order.
TEST_F(Snapshot, InfoTellsNoBoundsAndEachMissingImageOnce) {
    const QString empty =
        QString::fromStdString(dir_.Write("empty.stl", std::string("solid x\nendsolid x\n")));
    dir_.Write("two.mtl", std::string("newmtl a\nmap_Kd B.PNG\nnewmtl b\nmap_Kd A.PNG\n"
                                      "newmtl c\nmap_Kd B.PNG\n"));
    const QString two = QString::fromStdString(dir_.Write(
        "two.obj", std::string("mtllib two.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl a\nf 1 2 3\n"
                               "usemtl b\nf 1 3 2\nusemtl c\nf 2 1 3\n")));
    QString errors, output;
    EXPECT_EQ(Run({"--info", empty, two}, &errors, &output), 0);
    EXPECT_EQ(output, "file: " + empty +
                          "\nformat: STL\nmeshes: 0\ntriangles: 0\nvertices: 0\nmaterials: 0\n"
                          "textures: 0\ntextures missing: \nbounds: none\n\nfile: " +
                          two +
                          "\nformat: OBJ\nmeshes: 1\ntriangles: 3\nvertices: 3\nmaterials: 3\n"
                          "textures: 0\ntextures missing: A.PNG, B.PNG\nbounds: 0 0 0 1 1 0\n");
    EXPECT_EQ(errors, "");
}

// --export writes the whole model and says nothing else, or gives the reason with the input's
// name and status 1; a malformed request is status 2. A missing image is told, and the export is
// written all the same.
TEST_F(Snapshot, ExportWritesTheModelOrSaysWhyNot) {
    const QString painted = QStringLiteral(PLEXA3D_SOURCE_DIR "/samples/vehicle-painted.3ds");
    const QString missing =
        QString::fromStdString(dir_.Write("missing.3ds", CornerNamingAMissingImage()));
    const QString text = QString::fromStdString(dir_.Write("note.txt", std::string("hello\n")));
    const QString empty =
        QString::fromStdString(dir_.Write("empty.stl", std::string("solid x\nendsolid x\n")));
    std::string cutBytes(84 + 50 + 20, '\0'); // three triangles said, one of them whole
    cutBytes[80] = 3;
    const QString cut = QString::fromStdString(dir_.Write("cut.stl", cutBytes));
    // Four reasons why no face came of it: the first three are told.
    const QString damaged = QString::fromStdString(dir_.Write(
        "damaged.off", std::string("OFF\n3 5 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 x\n2 0 1\n3 0 1 9\n")));
    // A buffer longer than the file says it is cannot be read, and nothing else holds faces.
    dir_.Write("scatola.bin", std::string(48, '\0'));
    const QString unread = QString::fromStdString(dir_.Write(
        "scatola.gltf",
        std::string(
            R"({"asset":{"version":"2.0"},"buffers":[{"uri":"scatola.bin","byteLength":4}],)"
            R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"accessors":)"
            R"([{"bufferView":0,"componentType":5126,"type":"VEC3","count":3}],)"
            R"("bufferViews":[{"buffer":0,"byteLength":36}],"nodes":[{"mesh":0}],)"
            R"("scenes":[{"nodes":[0]}],"scene":0})")));
    const struct {
        QStringList Arguments;
        int Status;
        QString Told; // what standard error holds, or begins with for status 2
        const char* Written;
    } cases[] = {
        {{"--export", Path("p.glb"), painted}, 0, "", "glTF"},
        {{"--export", Path("s.STL"), painted}, 0, "", "Bina"}, // the extension in any case
        {{"--export", Path("m.obj"), missing},
         0,
         "plexa3d: " + missing + ": image not found: ASSENTE.JPG\n",
         ""},
        {{"--export", Path("a.obj"), Path("absent.3ds")},
         1,
         "plexa3d: " + Path("absent.3ds") + ": File not found\n",
         nullptr},
        {{"--export", Path("t.ply"), text},
         1,
         "plexa3d: " + text + ": not a .3DS, OBJ, STL, PLY, OFF or glTF file\n",
         nullptr},
        {{"--export", Path("c.ply"), cut},
         0,
         "plexa3d: " + cut +
             ": passed over: 2 triangles that the count names past the end of the file\n",
         "ply"},
        {{"--export", Path("e.glb"), empty},
         1,
         "plexa3d: " + empty + ": Nothing to export: the file holds no faces\n",
         nullptr},
        {{"--export", Path("d.glb"), damaged},
         1,
         "plexa3d: " + damaged +
             ": Nothing to export: no faces were read from the file (passed over: the end of "
             "the file, cut short after 3 of 5 faces; passed over: 1 face line that cannot be "
             "read; passed over: 1 polygon of fewer than 3 corners; ...)\n",
         nullptr},
        {{"--export", Path("u.glb"), unread},
         1,
         "plexa3d: " + unread +
             ": Nothing to export: no faces were read from the file (file cannot be read: "
             "scatola.bin; passed over: 1 primitive whose positions lie in a buffer that cannot "
             "be read)\n",
         nullptr},
        {{"--export", Path("x/y.stl"), painted},
         1,
         "plexa3d: " + painted + ": Cannot write file \"" + Path("x/y.stl") +
             "\": No such file or directory\n",
         nullptr},
        {{"--export", Path("p.txt"), painted}, 2, "plexa3d: --export needs", nullptr},
        {{"--export", Path("q.glb"), painted, painted}, 2, "plexa3d: --export takes", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        QString errors;
        EXPECT_EQ(Run(c.Arguments, &errors), c.Status);
        if (c.Status == 2) {
            EXPECT_TRUE(errors.startsWith(c.Told)) << errors.toStdString();
        } else {
            EXPECT_EQ(errors.toStdString(), c.Told.toStdString());
        }
        std::ifstream written(c.Arguments[1].toStdString(), std::ios::binary);
        EXPECT_EQ(bool(written), c.Written != nullptr);
        if (c.Written != nullptr) {
            std::string start(4, '\0');
            written.read(start.data(), 4);
            EXPECT_EQ(start.substr(0, std::strlen(c.Written)), c.Written);
        }
    }
    // An image glTF takes as it is, a JPEG, goes into a .glb byte for byte.
    std::filesystem::create_directory(dir_.Path() / "jpeg");
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(QColor(10, 120, 200));
    ASSERT_TRUE(photo.save(Path("jpeg/ASSENTE.JPG"), "jpg"));
    const QString found =
        QString::fromStdString(dir_.Write("jpeg/found.3ds", CornerNamingAMissingImage()));
    QString told;
    EXPECT_EQ(Run({"--export", Path("jpeg/j.glb"), found}, &told), 0);
    EXPECT_EQ(told, "");
    const auto bytes = [](const QString& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_NE(bytes(Path("jpeg/j.glb")).find(bytes(Path("jpeg/ASSENTE.JPG"))), std::string::npos);
    // The image the .glb holds is counted among those found.
    QString info;
    EXPECT_EQ(Run({"--info", Path("p.glb")}, nullptr, &info), 0);
    EXPECT_TRUE(info.contains("\ntextures: 1\ntextures missing: \n")) << info.toStdString();
}

// A failed output leaves the files that were there as they were, and nothing else behind: a
// snapshot whose third file cannot be written (a folder holds its name), and a thumbnail that
// cannot be written whole (the file size is limited to one block).
TEST_F(Snapshot, FailedOutputsLeaveTheOldFilesAsTheyWere) {
    const QString sample = PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds";
    const struct {
        const char* Name;
        QString Command;
        std::vector<std::string> Old;
    } cases[] = {
        {"snapshot", "exec \"$0\" --snapshot out \"$1\"", {"out/Image1.png", "out/Image2.png"}},
        {"thumbnail",
         "trap '' XFSZ; ulimit -f 1; exec \"$0\" --thumbnail 512 \"$1\" out/t.png",
         {"out/t.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        std::filesystem::create_directories(dir.Path() / "out" / "Image3.png");
        for (const std::string& old : c.Old) {
            dir.Write(old, std::string("old bytes"));
        }
        QProcess program;
        program.setWorkingDirectory(QString::fromStdString(dir.Path().string()));
        program.start("/bin/sh", {"-c", c.Command, BuiltProgramFile(), sample});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_TRUE(program.readAllStandardError().contains("Cannot write file"));
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "out")) {
            left.push_back(entry.path().filename().string());
        }
        std::sort(left.begin(), left.end());
        std::vector<std::string> expected{"Image3.png"};
        for (const std::string& old : c.Old) {
            expected.push_back(std::filesystem::path(old).filename().string());
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(left, expected);
        for (const std::string& old : c.Old) {
            std::ifstream in(dir.Path() / old, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old bytes") << old;
        }
    }
}

// A pipe where an output goes is refused, not replaced by a file, and nothing is left beside it:
// the pipe named itself, or as the companion an OBJ's output would take, or as one of a snapshot's.
TEST_F(Snapshot, OutputsThatAreNotFilesAreRefused) {
    const QString sample = PLEXA3D_SOURCE_DIR "/samples/vehicle.3ds";
    const struct {
        QStringList Arguments;
        const char* Pipe;
    } cases[] = {
        {{"--thumbnail", "64", sample, Path("t.png")}, "t.png"},
        {{"--export", Path("m.stl"), sample}, "m.stl"},
        {{"--export", Path("m.obj"), sample}, "m.mtl"},
        {{"--snapshot", Path(""), sample}, "Image2.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        const std::filesystem::path pipe = dir_.Path() / c.Pipe;
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        QString errors;
        EXPECT_EQ(Run(c.Arguments, &errors), 1);
        EXPECT_TRUE(errors.endsWith(QStringLiteral("Cannot write file \"%1\": Not a regular file\n")
                                        .arg(QString::fromStdString(pipe.string()))))
            << errors.toStdString();
        EXPECT_TRUE(std::filesystem::is_fifo(pipe));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1);
        std::filesystem::remove(pipe);
    }
}

TEST(DragAndDrop, DroppedMeshFilesAreImportedInOrder) {
    TTempDir dir;
    const auto file = [&](const char* name, const char* mesh) {
        return QUrl::fromLocalFile(QString::fromStdString(
            dir.Write(name, MeshFile({{mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}}))));
    };
    auto form = NewMainWindow();
    TMessageBoxCatcher errors;
    // Files are taken by the names of the formats the program opens and read by their content.
    form->ImportDroppedFiles(
        {file("b.3DS", "Secondo"), file("note.txt", "Testo"), file("a.3ds", "Primo"),
         QUrl::fromLocalFile(QString::fromStdString((dir.Path() / "x.3ds").string())),
         file("c.OBJ", "Terzo"), file("d.stl", "Quarto"), file("e.Ply", "Quinto"),
         file("f.off", "Sesto"), file("g.gltf", "Settimo"), file("h.glb", "Ottavo")});
    EXPECT_EQ(errors.Texts(), QStringList{"File not found"}); // the missing one, and only it
    const std::vector<std::string> names = {"Secondo", "Primo", "Terzo",   "Quarto",
                                            "Quinto",  "Sesto", "Settimo", "Ottavo"};
    ASSERT_EQ(form->ObjectCount, int(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(form->Objects[i + 1]->Name, names[i]);
    }
    EXPECT_TRUE(form->acceptDrops());
}

} // namespace
