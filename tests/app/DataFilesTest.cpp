#include "DataFiles.h"
#include "AppTestSupport.h"
#include "TempDir.h"
#include "ZuveloGraphLibrary.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
namespace fs = std::filesystem;

// The program's folder is named with backslashes of its own; only those the program wrote into
// its paths are separators.
TEST(DataFiles, AreFoundInAFolderWhoseNameHoldsBackslashes) {
    for (const char* name : {"a\\b", "ends with\\", "\\starts", "two\\\\in a row"}) {
        TTempDir outer;
        const fs::path folder = outer.Path() / name;
        for (const char* file : {"plexa3d", "Fonts/NORMFONT.QXF", "Bmps/bk400x300.bmp",
                                 "Bmps/bk800x600.bmp", "License/licenza.rtf"}) {
            fs::create_directories((folder / file).parent_path());
            fs::copy_file(fs::path(PLEXA3D_RUNTIME_DIR) / file, folder / file);
        }
        QProcess program;
        program.start(QString::fromStdString((folder / "plexa3d").string()),
                      {"--snapshot", QString::fromStdString((outer.Path() / "out").string())});
        ASSERT_TRUE(program.waitForFinished(20000)) << name;
        EXPECT_EQ(program.exitCode(), 0) << name << program.readAllStandardError().toStdString();

        ZuveloGraphLibrary::ResetGraphicsState();
        TMessageBoxCatcher errors;
        TForm1 form(QString::fromStdString((folder / "plexa3d").string()));
        EXPECT_TRUE(errors.Texts().isEmpty()) << name << errors.Texts().join("; ").toStdString();
        EXPECT_EQ(form.Image5->Bitmap().size(), QSize(800, 600)) << name;
        EXPECT_TRUE(QFile::exists(DataFileName(form.AppDir + "\\License\\licenza.rtf"))) << name;
    }
    // A path the program did not take from the file system has only its own separators.
    EXPECT_EQ(DataFilePath("\\elsewhere\\Fonts\\NORMFONT.QXF"), "/elsewhere/Fonts/NORMFONT.QXF");
}

} // namespace
