#include "AppTestSupport.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;

const TMeshSpec Bar{"Barra", {{-20, -10, 0}, {-20, 10, 0}, {-15, 10, 0}}, {{0, 1, 2}}};

class ImportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = NewMainWindow();
        background_ = PaneImage(*form_->DefaultBackground);
        QTest::qWait(5); // the start-up tick
    }
    void Import(const TMeshSpec& mesh, const char* name = "mesh.3ds") {
        ImportPath(QString::fromStdString(dir_.Write(name, MeshFile({mesh}))));
    }
    void ImportPath(const QString& path) {
        AnswerNextFileDialog(path);
        ChooseMenuItem(*form_, "Importa3DS1");
    }
    std::string State() const {
        std::string s = std::to_string(form_->ObjectCount) + "/" +
                        std::to_string(form_->CurrentObject) + "/" +
                        std::to_string(form_->StringGrid1->RowCount());
        for (int row = 0; row < form_->StringGrid1->RowCount(); ++row) {
            s += "|" + form_->StringGrid1->Cell(0, row).toStdString() + ":" +
                 form_->StringGrid1->Cell(1, row).toStdString();
        }
        for (int slot = 1; slot <= MaxObjects; ++slot) {
            s += form_->Objects[slot] ? "#" : "";
        }
        return s;
    }

    TTempDir dir_;
    std::unique_ptr<TForm1> form_;
    TTestImage background_{1, 1};
};

TEST_F(ImportCommand, FirstImportDrawsTheThreeCaptionedViewsAndListsTheObject) {
    TMessageBoxCatcher errors;
    Import(Corner);
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    EXPECT_EQ(form_->ObjectCount, 1);
    EXPECT_EQ(form_->CurrentObject, 1);
    EXPECT_EQ(State(), "1/1/3|ID:Oggetto 3D|1:Angolo|:#");
    // Each view is drawn into its own pane, on the pane's own background.
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image3),
        ExpectedPane(background_, "Visuale Dall'alto:", {{250, 150, 200, 130, 200, 150, White}})));
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image1),
        ExpectedPane(background_, "Visuale Frontale:", {{250, 150, 200, 150, 200, 120, White}})));
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image2),
        ExpectedPane(background_, "Visuale Laterale:", {{200, 150, 180, 150, 200, 120, White}})));
    EXPECT_TRUE(form_->Timer1->isActive()); // the free view's redraw is requested
}

// An image a model names that cannot be shown is told on its row, when the pointer rests there,
// not in a box; a row without such images tells nothing.
TEST_F(ImportCommand, ImagesThatCannotBeShownAreToldOnTheObjectsRow) {
    TMessageBoxCatcher errors;
    ImportPath(QString::fromStdString(dir_.Write("painted.3ds", CornerNamingAMissingImage())));
    Import(Bar, "b.3ds");
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    for (int column = 0; column < 2; ++column) {
        EXPECT_EQ(form_->StringGrid1->item(1, column)->toolTip(),
                  "Immagine non trovata: ASSENTE.JPG");
        EXPECT_EQ(form_->StringGrid1->item(2, column)->toolTip(), "");
    }
}

// The pane menu's export, there once a model is, opens beside the model and writes the current
// object's whole model where the dialog says, as the name's extension or else the chosen filter
// says, and tells what it could not write beside the list; a folder that is not there is an error
// in its box. A file the output would replace is asked about first, the ending the filter adds
// included.
TEST_F(ImportCommand, ThePaneMenuExportsTheCurrentObjectsModel) {
    EXPECT_FALSE(form_->EsportaModello1->isEnabled());
    ImportPath(QString::fromStdString(dir_.Write("painted.3ds", CornerNamingAMissingImage())));
    const auto path = [&](const char* name) {
        return QString::fromStdString((dir_.Path() / name).string());
    };
    // The dialog opens once the menu has closed: after the events posted by the choice.
    const auto choose = [&] {
        form_->EsportaModello1->trigger();
        QCoreApplication::sendPostedEvents(form_.get(), QEvent::MetaCall);
    };
    TMessageBoxCatcher errors;
    QString shownIn;
    AnswerNextFileDialog(path("out.obj"), &shownIn);
    choose();
    EXPECT_EQ(shownIn.toStdString(), std::filesystem::canonical(dir_.Path()).string());
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "out.obj"));
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "out.mtl"));
    EXPECT_TRUE(form_->LastNotice().contains("image not found: ASSENTE.JPG"))
        << form_->LastNotice().toStdString();
    AnswerNextFileDialog(path("senza"));
    choose();
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "senza.glb")); // the first filter's
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    AnswerNextFileDialog(path("assente/out.stl"));
    choose();
    ASSERT_EQ(errors.Texts().size(), 1);
    EXPECT_TRUE(errors.Texts().front().startsWith("Cannot write file"))
        << errors.Texts().front().toStdString();
    // Yes to both questions.
    AnswerNextFileDialog(path("senza"));
    choose();
    const std::string old = dir_.Write("x.fbx.glb", std::string("old"));
    AnswerNextFileDialog(path("x.fbx"));
    choose();
    EXPECT_EQ(errors.Texts().mid(1),
              QStringList({"senza.glb already exists.\nDo you want to replace it?",
                           "x.fbx.glb already exists.\nDo you want to replace it?"}));
    std::ifstream replaced(old);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(replaced), {}).substr(0, 4), "glTF");
    // The model's file gone: told before any dialog.
    std::filesystem::remove(dir_.Path() / "painted.3ds");
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
            ADD_FAILURE() << "the dialog opened";
        }
    });
    watch.start(5);
    choose();
    EXPECT_EQ(errors.Texts().last(), path("painted.3ds") + ": File not found");
}

// With whole models, each model refused is told beside the list under those still shown there,
// neither in a box nor in their place.
TEST_F(ImportCommand, WholeModelsRefusedInARowAreAllTold) {
    form_->SetImportOptions({true, false});
    // The pane menus show the options as set.
    EXPECT_TRUE(form_->ModelloIntero1->isChecked());
    EXPECT_FALSE(form_->AdattaAllaFinestra1->isChecked());
    TMessageBoxCatcher errors;
    const QString text = QString::fromStdString(dir_.Write("a.txt", std::string("testo\n")));
    const QString empty = QString::fromStdString(dir_.Write("b.obj", std::string("v 0 0 0\n")));
    form_->ImportFile(text);
    form_->ImportFile(empty);
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    EXPECT_EQ(form_->LastNotice(), text + ": not a .3DS, OBJ, STL, PLY, OFF or glTF file\n" +
                                       empty + ": Nothing to draw: the file holds no faces");
    EXPECT_EQ(form_->ObjectCount, 0);
    // Only the last twelve stay.
    for (int i = 0; i < 12; ++i) {
        form_->ImportFile(text);
    }
    EXPECT_EQ(form_->LastNotice().split('\n'),
              QStringList(12, text + ": not a .3DS, OBJ, STL, PLY, OFF or glTF file"));
}

TEST_F(ImportCommand, SecondImportDrawsOverTheFirstAndAddsRowTwo) {
    Import(Corner, "a.3ds");
    Import(Bar, "b.3ds");
    EXPECT_EQ(State(), "2/2/4|ID:Oggetto 3D|1:Angolo|2:Barra|:##");
}

TEST_F(ImportCommand, ImportInPerspectiveDrawsEarlierObjectsInPerspectiveThenGoesParallel) {
    Import(Corner, "a.3ds");
    ChooseMenuItem(*form_, "VisualeProspettica1");
    QTest::qWait(5);
    Import(Bar, "b.3ds");
    // Before the tick, the free view holds only the earlier object, grey, in perspective:
    // (50, 0, -300) -> (167, 150), (0, 20, -300) -> (200, 168), (0, 0, -270) -> (200, 150).
    EXPECT_TRUE(
        ImagesEqual(PaneImage(*form_->Image4),
                    ExpectedPane(background_, nullptr, {{167, 150, 200, 168, 200, 150, Grey}})));
    EXPECT_EQ(ProjectionMode, ParallelProjection);
    // The fixed views are drawn in parallel all the same.
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image3),
                            ExpectedPane(background_, "Visuale Dall'alto:",
                                         {{250, 150, 200, 130, 200, 150, White},
                                          {100, 200, 100, 100, 125, 100, White}})));
}

TEST_F(ImportCommand, CancellingChangesNothing) {
    Import(Corner);
    ASSERT_TRUE(WaitForRedraw(*form_));
    const std::string state = State();
    const TTestImage top = PaneImage(*form_->Image3);
    const TTestImage free = PaneImage(*form_->Image4);
    ImportPath(QString()); // the dialog is cancelled
    EXPECT_EQ(State(), state);
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image3), top));
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), free));
    EXPECT_FALSE(form_->Timer1->isActive());
}

TEST_F(ImportCommand, FailedImportTakesNoSlotAndNoRow) {
    Import(Corner);
    const std::string state = State();
    TMessageBoxCatcher errors;
    ImportPath(QString::fromStdString((dir_.Path() / "assente.3ds").string()));
    EXPECT_EQ(errors.Texts(), QStringList{"File not found"});
    EXPECT_EQ(State(), state);
    // A vertex so far out that its view cannot be drawn: the error is shown, nothing is added.
    Import({"Lontano", {{2e18f, 0, 0}, {0, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}, "far.3ds");
    EXPECT_EQ(errors.Texts().last(), "Invalid floating point operation");
    EXPECT_EQ(State(), state);
    Import(Bar, "b.3ds");
    EXPECT_EQ(State(), "2/2/4|ID:Oggetto 3D|1:Angolo|2:Barra|:##");
}

TEST_F(ImportCommand, FileWithoutAMeshBecomesAnEmptyObject) {
    const std::string text = dir_.Write("notes.3ds", std::string("this is not a mesh\n"));
    ImportPath(QString::fromStdString(text));
    EXPECT_EQ(State(), "1/1/3|ID:Oggetto 3D|1:|:#");
}

TEST_F(ImportCommand, NamesAreShownAsLatin1Text) {
    Import({"Sedia \xE8 blu", {{1, 1, 1}}, {}});
    EXPECT_EQ(form_->StringGrid1->Cell(1, 1), QString::fromUtf8("Sedia \xC3\xA8 blu"));
    EXPECT_EQ(form_->Objects[1]->Name, "Sedia \xE8 blu");
}

TEST_F(ImportCommand, The256thImportIsRefusedWithoutADialog) {
    const QString path = QString::fromStdString(dir_.Write("one.3ds", MeshFile({Corner})));
    for (int i = 0; i < MaxObjects; ++i) {
        form_->ImportFile(path);
    }
    ASSERT_EQ(form_->ObjectCount, 255);
    const std::string state = State();
    bool dialogOpened = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialogOpened = true;
            dialog->reject();
        }
    });
    watch.start(5);
    TMessageBoxCatcher errors;
    ChooseMenuItem(*form_, "Importa3DS1");
    EXPECT_EQ(errors.Texts(), QStringList{"Numero massimo di oggetti raggiunto (255)"});
    EXPECT_FALSE(dialogOpened);
    EXPECT_EQ(State(), state);
}

// A name typed into the dialog, completed from its folder's list and taken with Return, leaves no
// list open over the window to take the next click.
TEST_F(ImportCommand, ATypedNameLeavesNoCompletionListOpen) {
    const QString folder = QString::fromStdString(dir_.Path().string());
    dir_.Write("cubo.3ds", MeshFile({Corner}));
    dir_.Write("cubetto.3ds", MeshFile({Corner}));
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(folder);
        dialog->activateWindow();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setFocus();
        // The list comes once the folder has been read, at a later key.
        const auto listed = [] {
            return QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; },
                                   2000);
        };
        QTest::keyClicks(edit, "cub");
        const bool early = listed();
        QTest::keyClicks(edit, "o.3ds");
        EXPECT_TRUE(early || listed());
        // Taken while its list is open, as Return in the list does on a desktop.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    ChooseMenuItem(*form_, "Importa3DS1");
    EXPECT_EQ(form_->ObjectCount, 1);
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

} // namespace
