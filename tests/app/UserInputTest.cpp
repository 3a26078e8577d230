// What a user can do to the program beyond its commands: drop anything on the main window, and
// use it with a fresh home folder, which it must leave as it found it.
#include "AppTestSupport.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "Snapshot.h"
#include "TempDir.h"
#include "Writer3DS.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;

// Drops that carry no .3DS file import nothing and raise nothing; a folder named like a model is
// refused with a message. Each drop is delivered even where the window would refuse it on entry.
TEST(MainWindowDrop, DropsWithoutAModelFileImportNothing) {
    TTempDir dir;
    fs::create_directory(dir.Path() / "cartella.3ds");
    const QUrl folder =
        QUrl::fromLocalFile(QString::fromStdString((dir.Path() / "cartella.3ds").string()));
    struct TCase {
        const char* Name;
        std::function<void(QMimeData&)> Fill; // none: the drop carries no data at all
        bool Accepted;                        // the window takes the drag on entry
        int Errors;
    };
    const TCase cases[] = {
        {"no data", nullptr, false, 0},
        {"no format", [](QMimeData&) {}, false, 0},
        {"text naming a model", [](QMimeData& d) { d.setText("/tmp/modello.3ds"); }, false, 0},
        {"web and mail addresses",
         [](QMimeData& d) {
             d.setUrls({QUrl("https://www.example.org/modello.3ds"), QUrl("mailto:a@example.org")});
         },
         false, 0},
        {"the root folder", [](QMimeData& d) { d.setUrls({QUrl("file:///")}); }, false, 0},
        {"empty address list", [](QMimeData& d) { d.setUrls({}); }, false, 0},
        {"a folder named like a model", [&](QMimeData& d) { d.setUrls({folder}); }, true, 1},
    };
    auto form = NewMainWindow();
    for (const TCase& c : cases) {
        QMimeData data;
        if (c.Fill) {
            c.Fill(data);
        }
        const QMimeData* sent = c.Fill ? &data : nullptr;
        TMessageBoxCatcher errors;
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, sent, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.Accepted) << c.Name;
        QDropEvent drop({10, 10}, Qt::CopyAction, sent, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        EXPECT_EQ(errors.Texts().size(), c.Errors)
            << c.Name << ": " << errors.Texts().join('|').toStdString();
        EXPECT_EQ(form->ObjectCount, 0) << c.Name;
        EXPECT_EQ(form->StringGrid1->RowCount(), 2) << c.Name;
    }
}

// The program keeps no settings: Qt's file dialog would write its state to the user's
// configuration folder when it is destroyed. In a process of its own, started with an empty
// home and configuration folder: import through the dialog, open every window, write a
// snapshot, close everything; both folders stay empty. The folders have fixed names, because
// the process runs this test's body again from its start.
TEST(UserFilesDeathTest, NothingIsWrittenToTheHomeOrConfigurationFolders) {
    const fs::path base = fs::path(PLEXA3D_TEST_OUTPUT_DIR) / "user-files";
    const fs::path home = base / "home", config = base / "config", model = base / "m.3ds";
    fs::remove_all(base);
    fs::create_directories(home);
    fs::create_directories(config);
    Plexa3DTools::WriteBytes(model.string(), Plexa3DTools::MeshFile({Corner}));
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.c_str());
    qputenv("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EXIT(
        {
            auto form = NewMainWindow();
            TForm_Plexa3d_Guida guida;
            TForm_Plexa3d_Autore autore;
            TForm_Plexa3d_SitoWeb sitoWeb;
            TForm_Plexa3d_EMail eMail;
            TForm_Plexa3d_Licenza licenza;
            form->SetInformationWindows({&guida, &autore, &sitoWeb, &eMail, &licenza});
            form->show();
            AnswerNextFileDialog(QString::fromStdString(model.string()));
            ChooseMenuItem(*form, "Importa3DS1");
            for (const char* item : {"Guida1", "Autore1", "SitoWeb1", "EMail1", "Licenza1"}) {
                ChooseMenuItem(*form, item);
            }
            WriteSnapshot(*form, QString::fromStdString((base / "snapshot").string()));
            const int imported = form->ObjectCount;
            form.reset();
            std::exit(imported == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    EXPECT_TRUE(fs::is_empty(home));
    EXPECT_TRUE(fs::is_empty(config));
    EXPECT_TRUE(fs::exists(base / "snapshot" / "Image5.png"));
}

} // namespace
