#include "AppTestSupport.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "TempDir.h"
#include "WindowDesign.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

// Receives the addresses that the windows hand to the desktop.
class TUrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> Urls;

public slots:
    void Open(const QUrl& url) { Urls.append(url); }
};

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;

// The main window with its five information windows, as the main routine creates them.
struct TWindows {
    explicit TWindows(const QString& programFile = BuiltProgramFile())
        : Form(std::make_unique<TForm1>(programFile)) {
        Form->SetInformationWindows({&Guida, &Autore, &SitoWeb, &EMail, &Licenza});
    }
    std::unique_ptr<TForm1> Form;
    TForm_Plexa3d_Guida Guida;
    TForm_Plexa3d_Autore Autore;
    TForm_Plexa3d_SitoWeb SitoWeb;
    TForm_Plexa3d_EMail EMail;
    TForm_Plexa3d_Licenza Licenza;
};

QString LabelText(QWidget& window, const char* name) {
    return window.findChild<QLabel*>(QLatin1String(name))->text();
}

TEST(InformationWindows, EachMenuItemShowsItsWindowAsDesigned) {
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w;
    struct TExpected {
        const char* Item;
        QWidget* Window;
        const char* Caption;
        QRect Outer;
    };
    const TExpected expected[] = {
        {"Guida1", &w.Guida, "Form_Plexa3d_Guida", {309, 208, 696, 480}},
        {"Autore1", &w.Autore, "Informazioni Autore Software", {301, 246, 311, 138}},
        {"SitoWeb1", &w.SitoWeb, "Informazione Siti Web", {225, 299, 312, 139}},
        {"EMail1", &w.EMail, "E-Mail", {248, 219, 321, 139}},
        {"Licenza1", &w.Licenza, "Form_Plexa3d_Licenza", {311, 268, 696, 480}},
    };
    for (const TExpected& e : expected) {
        EXPECT_FALSE(e.Window->isVisible()) << e.Caption; // hidden at creation
        ChooseMenuItem(*w.Form, e.Item);
        EXPECT_TRUE(e.Window->isVisible()) << e.Caption;
        EXPECT_EQ(e.Window->windowTitle(), e.Caption);
        EXPECT_EQ(e.Window->frameGeometry(), e.Outer) << e.Caption;
        EXPECT_FALSE(e.Window->isModal());
    }
    EXPECT_TRUE(w.Guida.children().isEmpty() ||
                w.Guida.findChildren<QWidget*>().isEmpty()); // the guide is empty
    EXPECT_EQ(LabelText(w.Autore, "Label2"), "Zuvelo Omarin Software");
    EXPECT_EQ(LabelText(w.SitoWeb, "Label3"), "https://www.example.org/");
    EXPECT_EQ(LabelText(w.EMail, "Label1"), "info@example.org");
    EXPECT_EQ(LabelText(w.Autore, "Label4"), "+39 000 000 0000");
    EXPECT_EQ(w.SitoWeb.Button1->text(), "www.example.org");
    EXPECT_EQ(w.EMail.Button1->text(), "Clicca qui per inviarmi una E-Mail");
    EXPECT_EQ(w.EMail.Button1->geometry(), QRect(96, 80, 209, 17));
    const QPixmap emblem = w.Autore.findChild<QLabel*>("Image1")->pixmap();
    EXPECT_EQ(emblem.size(), QSize(80, 88));
    EXPECT_EQ(w.Autore.findChild<QLabel*>("Label3")->pos(), QPoint(104, 48));
}

TEST(InformationWindows, ShowingAVisibleWindowChangesNothingAndClosingOnlyHides) {
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w;
    ChooseMenuItem(*w.Form, "Autore1");
    w.Autore.move(40, 50); // the user moves it
    ChooseMenuItem(*w.Form, "Autore1");
    EXPECT_EQ(w.Autore.pos(), QPoint(40, 50));
    w.SitoWeb.show();
    w.SitoWeb.close();
    EXPECT_FALSE(w.SitoWeb.isVisible());
    ChooseMenuItem(*w.Form, "SitoWeb1");
    EXPECT_TRUE(w.SitoWeb.isVisible());
    EXPECT_FALSE(w.SitoWeb.testAttribute(Qt::WA_QuitOnClose));
}

TEST(InformationWindows, LicenceIsReadAnewEveryTime) {
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w;
    ChooseMenuItem(*w.Form, "Licenza1");
    QTextDocument& text = *w.Licenza.RichEdit1->document();
    EXPECT_TRUE(w.Licenza.isVisible());
    EXPECT_TRUE(text.toPlainText().startsWith("Licenza d'uso di Plexa3D"));
    EXPECT_TRUE(text.toPlainText().contains("MIT License"));
    EXPECT_TRUE(text.toPlainText().contains(QString::fromUtf8("Plexa3D \xC3\xA8 software libero")));
    EXPECT_TRUE(text.firstBlock().begin().fragment().charFormat().font().bold());
    w.Licenza.RichEdit1->setPlainText("edited");
    ChooseMenuItem(*w.Form, "Licenza1");
    EXPECT_TRUE(text.toPlainText().startsWith("Licenza d'uso di Plexa3D"));
    EXPECT_FALSE(w.Licenza.RichEdit1->isReadOnly());
}

TEST(InformationWindows, MissingLicenceIsNamedAndTheWindowStaysHidden) {
    TTempDir dir;
    for (const char* file : {"Fonts/NORMFONT.QXF", "Bmps/bk400x300.bmp", "Bmps/bk800x600.bmp"}) {
        fs::create_directories((dir.Path() / file).parent_path());
        fs::copy_file(fs::path(PLEXA3D_RUNTIME_DIR) / file, dir.Path() / file);
    }
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w(QString::fromStdString((dir.Path() / "plexa3d").string()));
    const QString before = w.Licenza.RichEdit1->toPlainText();
    {
        TMessageBoxCatcher errors;
        ChooseMenuItem(*w.Form, "Licenza1");
        ASSERT_EQ(errors.Texts().size(), 1);
        EXPECT_EQ(errors.Texts().first().toStdString(),
                  "Cannot open file \"" + (dir.Path() / "License/licenza.rtf").string() +
                      "\". No such file or directory");
    }
    EXPECT_FALSE(w.Licenza.isVisible());
    EXPECT_EQ(w.Licenza.RichEdit1->toPlainText(), before);
    fs::create_directories(dir.Path() / "License");
    dir.Write("License/licenza.rtf", std::string("{\\rtf1 {\\b Nuova} licenza\\par}"));
    ChooseMenuItem(*w.Form, "Licenza1");
    EXPECT_TRUE(w.Licenza.isVisible());
    EXPECT_EQ(w.Licenza.RichEdit1->toPlainText(), "Nuova licenza");
}

// Drops on the licence text with no data, data without a format, or data of any kind: nothing
// crashes, what is text is inserted, and the area stays editable.
TEST(InformationWindows, LicenceTextTakesAnyDropAndSurvivesMissingData) {
    TForm_Plexa3d_Licenza window;
    window.show();
    QTextEdit& area = *window.RichEdit1;
    area.setPlainText("Licenza");
    struct TCase {
        const char* Name;
        std::function<void(QMimeData&)> Fill; // none: the drop carries no data at all
        const char* Inserted;                 // nullptr: the text stays as it was
    };
    const TCase cases[] = {
        {"no data", nullptr, nullptr},
        {"no format", [](QMimeData&) {}, nullptr},
        {"empty text", [](QMimeData& d) { d.setText(""); }, nullptr},
        {"plain text", [](QMimeData& d) { d.setText("ciao"); }, "ciao"},
        {"html", [](QMimeData& d) { d.setHtml("<b>grassetto</b>"); }, "grassetto"},
        {"image only", [](QMimeData& d) { d.setImageData(QImage(4, 4, QImage::Format_RGB32)); },
         nullptr},
        {"unknown bytes", [](QMimeData& d) { d.setData("application/x-ignota", "\x00\xff"); },
         nullptr},
        {"markdown only", [](QMimeData& d) { d.setData("text/markdown", "**forte**"); }, nullptr},
    };
    const QPoint at = area.viewport()->rect().center();
    for (const TCase& c : cases) {
        const QString before = area.toPlainText();
        QMimeData data;
        if (c.Fill) {
            c.Fill(data);
        }
        const QMimeData* sent = c.Fill ? &data : nullptr;
        QDragEnterEvent enter(at, Qt::CopyAction, sent, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area.viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, sent, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area.viewport(), &drop);
        if (c.Inserted) {
            EXPECT_TRUE(area.toPlainText().contains(c.Inserted)) << c.Name;
        } else {
            EXPECT_EQ(area.toPlainText(), before) << c.Name;
        }
    }
    EXPECT_FALSE(area.isReadOnly());
    area.setFocus();
    QTest::keyClicks(&area, "fine");
    EXPECT_TRUE(area.toPlainText().contains("fine"));
}

TEST(InformationWindows, ButtonsHandTheirFixedAddressToTheDesktop) {
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w;
    TUrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "Open");
    w.SitoWeb.Button1->click();
    w.EMail.Button1->click();
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    EXPECT_EQ(catcher.Urls,
              (QList<QUrl>{QUrl("https://www.example.org/"), QUrl("mailto:info@example.org")}));
    // Without a handler (offscreen there is no desktop) nothing is reported and nothing changes.
    TMessageBoxCatcher errors;
    w.SitoWeb.Button1->click();
    w.EMail.Button1->click();
    QTest::qWait(20);
    EXPECT_TRUE(errors.Texts().isEmpty());
}

TEST(InformationWindows, AllWindowsOpenAtOnceWithTheMainWindowStillWorking) {
    ZuveloGraphLibrary::ResetGraphicsState();
    TWindows w;
    w.Form->show();
    for (const char* item : {"Guida1", "Autore1", "SitoWeb1", "EMail1", "Licenza1"}) {
        ChooseMenuItem(*w.Form, item);
    }
    TTempDir dir;
    w.Form->ImportFile(QString::fromStdString(dir.Write(
        "m.3ds",
        Plexa3DTools::MeshFile({{"Vivo", {{0, 0, 0}, {9, 0, 0}, {0, 9, 0}}, {{0, 1, 2}}}}))));
    EXPECT_TRUE(WaitForRedraw(*w.Form));
    EXPECT_EQ(w.Form->ObjectCount, 1);
    for (QWidget* window : std::initializer_list<QWidget*>{&w.Guida, &w.Autore, &w.SitoWeb,
                                                           &w.EMail, &w.Licenza, w.Form.get()}) {
        EXPECT_TRUE(window->isVisible());
    }
}

// Closing the main window ends the event loop, and with it every later one: own process.
TEST(InformationWindowsDeathTest, ClosingTheMainWindowEndsTheProgramWhileTheyAreOpen) {
    EXPECT_EXIT(
        {
            TWindows w;
            w.Form->show();
            w.Guida.show();
            w.Licenza.show();
            QTimer::singleShot(20, w.Form.get(), [&] { w.Form->close(); });
            QTimer::singleShot(3000, [] { QCoreApplication::exit(99); });
            std::exit(QApplication::exec());
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace

#include "InformationWindowsTest.moc"
