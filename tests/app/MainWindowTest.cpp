#include "AppTestSupport.h"
#include "TempDir.h"
#include "WindowDesign.h"
#include "ZuveloGraphLibrary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
namespace fs = std::filesystem;

QRect At(const QWidget* w) {
    return w->geometry();
}

TEST(MainWindow, StartUpLaysOutThePanesAndTheColumn) {
    TMessageBoxCatcher errors;
    auto form = NewMainWindow();
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "Zuvelo Omarin Plexa3D V 0.1");
    EXPECT_EQ(At(form->Image1), QRect(2, 2, 400, 300));
    EXPECT_EQ(At(form->Image2), QRect(404, 2, 400, 300));
    EXPECT_EQ(At(form->Image3), QRect(2, 304, 400, 300));
    EXPECT_EQ(At(form->Image4), QRect(404, 304, 400, 300));
    EXPECT_EQ(At(form->Image5), QRect(3, 3, 800, 600));
    EXPECT_TRUE(form->Image5->isHidden());
    EXPECT_TRUE(form->DefaultBackground->isHidden());
    EXPECT_TRUE(form->DefaultBackgroundFull->isHidden());
    // The column right of the panes, top to bottom in the design's order, each control whole and
    // clear of the next, within the window.
    const QWidget* column[] = {form->GroupBox1, form->StringGrid1, form->GroupBox2,
                               form->GroupBox3, form->GroupBox4,   form->GroupBox5};
    const QRect window(QPoint(0, 0), OuterSize(form.get()));
    for (std::size_t i = 0; i < std::size(column); ++i) {
        const QRect at = At(column[i]);
        SCOPED_TRACE(column[i]->objectName().toStdString());
        EXPECT_EQ(at.left(), At(form->Image2).right() + 3); // two pixels clear of the panes
        EXPECT_TRUE(
            window.contains(QRect(form->ClientArea->mapTo(form.get(), at.topLeft()), at.size())));
        if (i + 1 < std::size(column)) {
            EXPECT_GT(At(column[i + 1]).top(), at.bottom());
        }
    }
    EXPECT_EQ(form->GroupBox1->y(), 2);
    EXPECT_EQ(form->GroupBox5->y(), 514);
    EXPECT_EQ(form->GroupBox5->geometry().bottom() + 1, 604);
    // The offscreen screen has no window frame: the outer size is the client size.
    EXPECT_EQ(OuterSize(form.get()), QSize(960, 658));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()); // fixed size
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    // Every bitmap loaded at its size and depth, the fonts' glyphs read, the clip window set.
    for (TImagePane* pane : {form->Image1, form->Image2, form->Image3, form->Image4}) {
        EXPECT_EQ(pane->Bitmap().size(), QSize(400, 300));
        EXPECT_EQ(pane->Bitmap().format(), QImage::Format_BGR888);
    }
    EXPECT_EQ(form->Image5->Bitmap().size(), QSize(800, 600));
    EXPECT_EQ(form->DefaultBackgroundFull->Bitmap().size(), QSize(800, 600));
    EXPECT_FALSE(ZuveloGraphLibrary::FontGlyphs.Blocks['A'].empty());
    EXPECT_EQ(ZuveloGraphLibrary::ClipRect.Right, 399);
    EXPECT_EQ(ZuveloGraphLibrary::ClipRect.Bottom, 299);
    EXPECT_EQ(ZuveloGraphLibrary::DrawColor, (ZuveloGraphLibrary::TColorRGB{255, 255, 255}));
}

TEST(MainWindow, StartStateAndObjectList) {
    auto form = NewMainWindow();
    EXPECT_EQ(form->ObjectCount, 0);
    EXPECT_EQ(form->CurrentObject, 0);
    EXPECT_EQ(form->ViewMode, 0);
    for (const auto& slot : form->Objects) {
        EXPECT_EQ(slot, nullptr);
    }
    ASSERT_EQ(form->StringGrid1->RowCount(), 2);
    ASSERT_EQ(form->StringGrid1->columnCount(), 2);
    EXPECT_EQ(form->StringGrid1->Cell(0, 0), "ID");
    EXPECT_EQ(form->StringGrid1->Cell(1, 0), "Oggetto 3D");
    EXPECT_EQ(form->StringGrid1->Cell(0, 1), "");
    EXPECT_EQ(form->StringGrid1->Cell(1, 1), "");
    EXPECT_EQ(form->StringGrid1->columnWidth(0), 32);
    EXPECT_EQ(form->StringGrid1->columnWidth(1), 91);
    EXPECT_EQ(form->AppDir.back(), '\\');
    EXPECT_EQ(form->AppDir.find('/'), std::string::npos);
    for (QScrollBar* bar : {form->X_Bar1, form->Y_Bar2, form->Z_Bar3}) {
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 360);
        EXPECT_EQ(bar->value(), 0);
    }
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1);
}

TEST(MainWindow, MenuTreeHasTheItalianCaptionsInDisplayOrder) {
    auto form = NewMainWindow();
    QStringList shown;
    for (QAction* top : form->menuBar()->actions()) {
        QString entry = top->objectName() + "=" + top->text();
        if (top->menu()) {
            QStringList items;
            for (QAction* item : top->menu()->actions()) {
                EXPECT_FALSE(item->isSeparator());
                EXPECT_TRUE(item->isEnabled());
                EXPECT_FALSE(item->isCheckable());
                EXPECT_TRUE(item->shortcut().isEmpty());
                items << item->objectName() + "=" + item->text();
            }
            entry += "[" + items.join(",") + "]";
        }
        shown << entry;
    }
    EXPECT_EQ(shown.join(" ").toStdString(),
              "File1=File[Apri1=Apri,Salva1=Salva,SalvaConNome1=Salva Con Nome,"
              "Importa3DS1=Importa .3DS,Esporta3DS1=Esporta .3DS,Esci1=Esci] "
              "Opzioni1=Opzioni "
              "Visualizza1=Visualizza[N4Finestre1=4 Finestre,N1Finestra1=1 Finestra,"
              "VisualeParallela1=Visuale Parallela,VisualeProspettica1=Visuale Prospettica] "
              "Lingua1=Lingua "
              "Info1=Info[Guida1=Guida,Autore1=Autore,SitoWeb1=Sito Web,EMail1=E-Mail,"
              "Licenza1=Licenza] "
              "Exit1=Exit");
}

// Everything a user can see or the program keeps, as one comparable value.
std::string Snapshot(TForm1& form) {
    std::string s = std::to_string(form.ObjectCount) + "/" + std::to_string(form.CurrentObject) +
                    "/" + std::to_string(form.ViewMode) + "/" +
                    std::to_string(form.StringGrid1->RowCount()) + "/" + form.AppDir;
    for (TImagePane* pane : {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5}) {
        s += pane->isVisible() ? "V" : "H";
        s += std::to_string(
            qHash(QByteArrayView(pane->Bitmap().constBits(), pane->Bitmap().sizeInBytes())));
    }
    for (QLineEdit* edit : form.findChildren<QLineEdit*>()) {
        s += "|" + edit->text().toStdString();
    }
    return s;
}

TEST(MainWindow, ItemsAndButtonsWithoutActionChangeNothing) {
    auto form = NewMainWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(20); // the first tick
    const std::string before = Snapshot(*form);
    for (const char* item :
         {"Apri1", "Salva1", "SalvaConNome1", "Esporta3DS1", "Opzioni1", "Lingua1", "Exit1"}) {
        ChooseMenuItem(*form, item);
    }
    for (QPushButton* button : form->ClientArea->findChildren<QPushButton*>()) {
        button->click();
    }
    QTest::qWait(20);
    EXPECT_EQ(Snapshot(*form), before);
    EXPECT_TRUE(form->isVisible()); // "Exit" does not end the program
    EXPECT_EQ(form->ClientArea->findChildren<QPushButton*>().size(), 21);
    EXPECT_EQ(form->ComboBox1->currentText(), "Seleziona Font");
    EXPECT_EQ(form->ComboBox2->count(), 5);
    EXPECT_EQ(form->ComboBox2->itemText(4), "Times New Roman");
}

// Ending the event loop ends every later one too, so this runs in a process of its own.
TEST(MainWindowDeathTest, EsciEndsTheEventLoopAtOnce) {
    EXPECT_EXIT(
        {
            auto form = NewMainWindow();
            form->show();
            QTimer::singleShot(10, form.get(), [&] { ChooseMenuItem(*form, "Esci1"); });
            QTimer::singleShot(3000, [] { QCoreApplication::exit(99); });
            std::exit(QApplication::exec());
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(MainWindow, EnablingAnEnabledTimerDoesNotRestartIt) {
    auto form = NewMainWindow();
    ASSERT_TRUE(form->Timer1->isActive());
    // Stretched to 10 s, so that no tick comes during the test: a second request, by the handler
    // of a scroll bar or directly, leaves the time to the tick as it was; a restart would set it
    // back to the whole interval.
    QTest::qWait(20); // the start-up tick
    form->Timer1->setInterval(10000);
    form->Timer1->setTimerType(Qt::PreciseTimer); // a coarse one may report its time rounded
    form->EnableTimer1();
    QTest::qWait(50);
    const int left = form->Timer1->remainingTime();
    ASSERT_GT(left, 0);
    form->EnableTimer1();
    form->X_Bar1->setValue(10);
    EXPECT_LE(form->Timer1->remainingTime(), left);
    EXPECT_TRUE(form->Timer1->isActive());
}

// Whatever the screen, the started window's middle is the screen's middle, to the pixel; a
// window larger than the screen overhangs it on both sides.
TEST(WindowDesign, TheStartedWindowIsCentredOnTheScreen) {
    auto form = NewMainWindow();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect window(form->pos(), OuterSize(form.get()));
    EXPECT_LE(std::abs(2 * window.left() + window.width() - screen.width()), 1);
    EXPECT_LE(std::abs(2 * window.top() + window.height() - screen.height()), 1);
}

// A copy of the program's folder with some data files left out.
class PartialFolder {
public:
    explicit PartialFolder(std::initializer_list<const char*> missing) {
        const fs::path built = fs::path(PLEXA3D_RUNTIME_DIR);
        for (const char* file : {"Fonts/NORMFONT.QXF", "Bmps/bk400x300.bmp", "Bmps/bk800x600.bmp",
                                 "License/licenza.rtf"}) {
            if (std::find_if(missing.begin(), missing.end(), [&](const char* m) {
                    return fs::path(m) == fs::path(file);
                }) != missing.end()) {
                continue;
            }
            fs::create_directories((dir_.Path() / file).parent_path());
            fs::copy_file(built / file, dir_.Path() / file);
        }
    }
    QString ProgramFile() const {
        return QString::fromStdString((dir_.Path() / "plexa3d").string());
    }
    std::string Path(const char* file) const { return (dir_.Path() / file).string(); }

private:
    TTempDir dir_;
};

TEST(MainWindow, MissingFontStopsStartUpAtTheDesignLayout) {
    PartialFolder folder({"Fonts/NORMFONT.QXF"});
    ZuveloGraphLibrary::ResetGraphicsState();
    TMessageBoxCatcher errors;
    TForm1 form(folder.ProgramFile());
    ASSERT_EQ(errors.Texts(), QStringList{"File not found"});
    EXPECT_EQ(form.pos(), QPoint(305, 243));
    EXPECT_EQ(form.size(), QSize(657, 416 + form.menuBar()->sizeHint().height()));
    EXPECT_TRUE(form.Image1->Bitmap().isNull());
    EXPECT_EQ(ZuveloGraphLibrary::ClipRect.Right, 0);
    EXPECT_EQ(ZuveloGraphLibrary::DrawColor, (ZuveloGraphLibrary::TColorRGB{0, 0, 0}));
    EXPECT_EQ(form.StringGrid1->Cell(0, 0), ""); // the headers are written later in start-up
    EXPECT_EQ(form.AppDir.back(), '\\');
}

TEST(MainWindow, MissingBitmapIsNamedAndTheRestOfStartUpIsSkipped) {
    PartialFolder folder({"Bmps/bk400x300.bmp"});
    ZuveloGraphLibrary::ResetGraphicsState();
    TMessageBoxCatcher errors;
    TForm1 form(folder.ProgramFile());
    ASSERT_EQ(errors.Texts().size(), 1);
    EXPECT_EQ(errors.Texts().first().toStdString(), "Cannot open file \"" +
                                                        folder.Path("Bmps/bk400x300.bmp") +
                                                        "\". No such file or directory");
    // Laid out and centred on the screen (800 pixels wide offscreen), but no bitmap was loaded.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(OuterSize(&form), QSize(960, 658));
    EXPECT_EQ(form.pos(), QPoint(CenteredPosition(screen.width(), 960),
                                 CenteredPosition(screen.height(), 658)));
    EXPECT_EQ(form.x(), -80);
    EXPECT_EQ(At(form.Image4), QRect(404, 304, 400, 300));
    EXPECT_EQ(form.StringGrid1->Cell(1, 0), "Oggetto 3D");
    for (TImagePane* pane : {form.Image1, form.Image2, form.Image3, form.Image4, form.Image5,
                             form.DefaultBackground, form.DefaultBackgroundFull}) {
        EXPECT_TRUE(pane->Bitmap().isNull()) << pane->objectName().toStdString();
    }
    EXPECT_EQ(ZuveloGraphLibrary::ClipRect.Right, 0);
    EXPECT_FALSE(ZuveloGraphLibrary::FontGlyphs.Blocks['A'].empty());
}

TEST(MainWindow, DataFilesAreFoundBesideTheProgramWhateverItsFolderIsCalled) {
    TTempDir outer;
    const fs::path odd = outer.Path() / "Cartella con spazi \xC3\xA8 pi\xC3\xB9";
    fs::create_directories(odd);
    for (const char* file : {"Fonts/NORMFONT.QXF", "Bmps/bk400x300.bmp", "Bmps/bk800x600.bmp"}) {
        fs::create_directories((odd / file).parent_path());
        fs::copy_file(fs::path(PLEXA3D_RUNTIME_DIR) / file, odd / file);
    }
    ZuveloGraphLibrary::ResetGraphicsState();
    TMessageBoxCatcher errors;
    TForm1 form(QString::fromStdString((odd / "plexa3d").string()));
    EXPECT_TRUE(errors.Texts().isEmpty()) << errors.Texts().join("; ").toStdString();
    EXPECT_EQ(form.Image5->Bitmap().size(), QSize(800, 600));
}

} // namespace
