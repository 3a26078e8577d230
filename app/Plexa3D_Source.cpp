#include "Plexa3D_Source.h"

#include "DataFiles.h"
#include "ErrorReporting.h"
#include "ExportImages.h"
#include "FileReader.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "FreeViewGestures.h"
#include "ImageDecoding.h"
#include "WindowDesign.h"
#include "ZuveloArchiveLibrary.h"
#include "ZuveloGraphLibrary.h"
#include "ZuveloStringLibrary.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;

namespace {

void SetLeft(QWidget* w, int left) {
    w->move(left, w->y());
}
void SetTop(QWidget* w, int top) {
    w->move(w->x(), top);
}
void SetWidth(QWidget* w, int width) {
    w->resize(width, w->height());
}
void SetHeight(QWidget* w, int height) {
    w->resize(w->width(), height);
}

template <class Widget, class... Args>
Widget* Make(QWidget* parent, const char* name, QRect geometry, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QString Latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool StateTraced() {
    static const bool enabled = qEnvironmentVariable("PLEXA3D_STATE_TRACE") == QLatin1String("1");
    return enabled;
}

constexpr int FullTurn = 360;
constexpr int NoticeMilliseconds = 10000;
// A note shown while another still is goes under it; the newest lines are kept.
constexpr qsizetype MaxNoticeLines = 12;

// The ending a name filter of the export dialog gives, as ".glb" of "... (*.glb)".
QString FilterEnding(const QString& filter) {
    return filter.mid(filter.indexOf(QStringLiteral("(*")) + 2).chopped(1);
}

// Angles on the scroll bars wrap into 0 to 359.
void TurnBar(QScrollBar& bar, int degrees) {
    bar.setValue(((bar.value() + degrees) % FullTurn + FullTurn) % FullTurn);
}

} // namespace

// What the free view's gestures do, through the same controls and handlers as the user's
// scroll bars and menu items.
class TFreeView final : public TFreeViewActions {
public:
    explicit TFreeView(TForm1& form) : form_(form) {}
    bool HasObjects() const override { return form_.ObjectCount > 0; }
    void TurnBy(int aboutY, int aboutX) override {
        TurnBar(*form_.Y_Bar2, aboutY);
        TurnBar(*form_.X_Bar1, aboutX);
    }
    void PanBy(int dx, int dy) override {
        form_.Scene.PanBy(dx, dy);
        form_.EnableTimer1();
    }
    void ZoomAt(int notches, QPoint at) override {
        form_.Scene.ZoomAt(notches, at.x(), at.y());
        form_.EnableTimer1();
    }
    void FrameAll() override { form_.InquadraTutto1Click(); }
    void ResetView() override { form_.VistaIniziale1Click(); }

private:
    TForm1& form_;
};

TForm1::TForm1(const QString& programFile, QWidget* parent)
    : QMainWindow(parent), programFile_(programFile) {
    CreateControls();
    CreateMenu();
    CreatePaneMenus();
    SetDesignGeometry();
    ConnectHandlers();
    Scene.DecodeImage = [](const std::string& path) { return DecodeImageFile(path); };
    Scene.DecodeImageBytes = [](std::span<const std::uint8_t> bytes) {
        return DecodeImageBytes(bytes);
    };
    RunGuarded([this] { FormCreate(); });
}

// The gestures read the window's members whenever a pane has an event: they go before those do.
TForm1::~TForm1() {
    delete gestures_;
}

void TForm1::CreateControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zuvelo Omarin Plexa3D V " PLEXA3D_VERSION));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DesignFont(11, false));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(ClientArea);

    // Two pixels apart, in a grid of two by two; the large pane over all four.
    const int w = SmallPane.Width, h = SmallPane.Height;
    Image1 = Make<TImagePane>(ClientArea, "Image1", {2, 2, w, h});
    Image2 = Make<TImagePane>(ClientArea, "Image2", {w + 4, 2, w, h});
    Image3 = Make<TImagePane>(ClientArea, "Image3", {2, h + 4, w, h});
    Image4 = Make<TImagePane>(ClientArea, "Image4", {w + 4, h + 4, w, h});
    Image5 = Make<TImagePane>(ClientArea, "Image5", {3, 3, LargePane.Width, LargePane.Height});
    Image5->hide();
    DefaultBackground = Make<TImagePane>(ClientArea, "DefaultBackground", {104, 8, 65, 25});
    DefaultBackgroundFull = Make<TImagePane>(ClientArea, "DefaultBackgroundFull", {176, 8, 65, 25});
    DefaultBackground->hide();
    DefaultBackgroundFull->hide();
    CreateColumn();

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    ExportDialog1 = new QFileDialog(this, QStringLiteral("Esporta modello"));
    ExportDialog1->setObjectName(QStringLiteral("ExportDialog1"));
    ExportDialog1->setAcceptMode(QFileDialog::AcceptSave);
    ExportDialog1->setNameFilters({QStringLiteral("glTF binario, immagini incluse (*.glb)"),
                                   QStringLiteral("glTF con .bin e immagini accanto (*.gltf)"),
                                   QStringLiteral("OBJ con MTL e immagini accanto (*.obj)"),
                                   QStringLiteral("STL binario (*.stl)"),
                                   QStringLiteral("PLY binario con colori (*.ply)")});
    // A name typed without an ending takes the filter's before the dialog asks whether to replace
    // a file of that name.
    ExportDialog1->setDefaultSuffix(FilterEnding(ExportDialog1->selectedNameFilter()));
    connect(ExportDialog1, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        ExportDialog1->setDefaultSuffix(FilterEnding(filter));
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    Timer1->start(); // one redraw follows start-up
    setAcceptDrops(true);
}

// The design's position and client area, below the menu bar, until start-up replaces them.
void TForm1::SetDesignGeometry() {
    setFixedSize(657, 416 + menuBar()->sizeHint().height());
    move(305, 243);
}

void TForm1::CreateColumn() {
    const QFont bold = DesignFont(11, true);
    const QFont axis = DesignFont(13, true);
    const auto group = [&](const char* name, const char* caption, int height) {
        auto* box = Make<QGroupBox>(ClientArea, name, {806, 2, 146, height}, QString(caption));
        box->setFont(bold);
        return box;
    };
    const auto label = [&](const char* name, QRect at, const char* caption) {
        auto* l = Make<QLabel>(GroupBox1, name, at, QString(caption));
        l->setFont(axis);
        return l;
    };
    const auto bar = [&](const char* name, int top) {
        auto* b = Make<QScrollBar>(GroupBox1, name, {24, top, 113, 17}, Qt::Horizontal);
        b->setRange(0, 360);
        b->setSingleStep(1);
        b->setPageStep(1);
        return b;
    };
    const auto button = [](QGroupBox* box, const char* name, QRect at, const char* caption) {
        return Make<QPushButton>(box, name, at, QString(caption));
    };

    GroupBox1 = group("GroupBox1", "XYZ Rotation", 137);
    Label1 = label("Label1", {8, 16, 12, 16}, "X");
    Label2 = label("Label2", {8, 40, 12, 16}, "Y");
    Label3 = label("Label3", {8, 64, 12, 16}, "Z");
    X_Bar1 = bar("X_Bar1", 16);
    Y_Bar2 = bar("Y_Bar2", 40);
    Z_Bar3 = bar("Z_Bar3", 64);
    Label4 = label("Label4", {8, 88, 12, 16}, "X");
    Label5 = label("Label5", {52, 88, 12, 16}, "Y");
    Label6 = label("Label6", {98, 88, 12, 16}, "Z");
    Edit3 = Make<QLineEdit>(GroupBox1, "Edit3", {20, 88, 26, 21});
    Edit4 = Make<QLineEdit>(GroupBox1, "Edit4", {66, 88, 26, 21});
    Edit5 = Make<QLineEdit>(GroupBox1, "Edit5", {110, 88, 26, 21});
    Button18 = button(GroupBox1, "Button18", {8, 114, 129, 15}, "Aggiorna");

    StringGrid1 = Make<TStringGrid>(ClientArea, "StringGrid1", {806, 141, 146, 80}, 2, 2, 1, 1);
    StringGrid1->horizontalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setDefaultSectionSize(16);
    StringGrid1->setColumnWidth(0, 32);
    StringGrid1->setColumnWidth(1, 91);
    for (int row = 0; row < StringGrid1->RowCount(); ++row) {
        StringGrid1->setRowHeight(row, 16);
    }

    GroupBox2 = group("GroupBox2", "Primitive 2D", 105);
    Button9 = button(GroupBox2, "Button9", {4, 16, 68, 16}, "Punto");
    Button10 = button(GroupBox2, "Button10", {4, 32, 68, 16}, "Cerchio");
    Button11 = button(GroupBox2, "Button11", {4, 48, 68, 16}, "Quadrato");
    Button12 = button(GroupBox2, "Button12", {4, 64, 68, 16}, "Ellisse");
    Button19 = button(GroupBox2, "Button19", {4, 80, 68, 16}, "Pentagono");
    Button13 = button(GroupBox2, "Button13", {74, 16, 68, 16}, "Linea");
    Button14 = button(GroupBox2, "Button14", {74, 32, 68, 16}, "Triangolo");
    Button15 = button(GroupBox2, "Button15", {74, 48, 68, 16}, "Rombo");
    Button16 = button(GroupBox2, "Button16", {74, 64, 68, 16}, "Rettangolo");
    Button20 = button(GroupBox2, "Button20", {74, 80, 68, 16}, "Esagono");

    GroupBox3 = group("GroupBox3", "Primitive 3D", 90);
    Button1 = button(GroupBox3, "Button1", {4, 16, 68, 16}, "Sfera");
    Button3 = button(GroupBox3, "Button3", {4, 32, 68, 16}, "Cono");
    Button4 = button(GroupBox3, "Button4", {4, 48, 68, 16}, "Anello");
    Button5 = button(GroupBox3, "Button5", {4, 64, 68, 16}, "Semisfera");
    Button2 = button(GroupBox3, "Button2", {74, 16, 68, 16}, "Cilindro");
    Button6 = button(GroupBox3, "Button6", {74, 32, 68, 16}, "Piramide");
    Button7 = button(GroupBox3, "Button7", {74, 48, 68, 16}, "Cubo");
    Button8 = button(GroupBox3, "Button8", {74, 64, 68, 16}, "Cuboide");

    // The two text groups: the button first in the tab order, then the edit box, the combo box.
    const auto combo = [](QGroupBox* box, const char* name) {
        auto* c = Make<QComboBox>(box, name, {8, 40, 129, 21});
        c->setEditable(true);
        c->addItems({QStringLiteral("Arial"), QStringLiteral("Gothic Font"),
                     QStringLiteral("Verdana"), QStringLiteral("Sans Font"),
                     QStringLiteral("Times New Roman")});
        c->setEditText(QStringLiteral("Seleziona Font"));
        return c;
    };
    GroupBox4 = group("GroupBox4", "Funzioni Testo 2D", 90);
    Button24 = button(GroupBox4, "Button24", {4, 64, 138, 16}, "Crea");
    Edit1 = Make<QLineEdit>(GroupBox4, "Edit1", {8, 16, 129, 21});
    ComboBox1 = combo(GroupBox4, "ComboBox1");
    GroupBox5 = group("GroupBox5", "Funzioni Testo 3D", 90);
    Button17 = button(GroupBox5, "Button17", {4, 64, 138, 16}, "Crea");
    Edit2 = Make<QLineEdit>(GroupBox5, "Edit2", {8, 16, 129, 21});
    ComboBox2 = combo(GroupBox5, "ComboBox2");

    const QWidget* order[] = {X_Bar1, Y_Bar2,    Z_Bar3,      Edit3,   Edit4,
                              Edit5,  Button18,  StringGrid1, Button9, Button24,
                              Edit1,  ComboBox1, Button17,    Edit2,   ComboBox2};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    }
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto item = [](auto* owner, const char* name, const char* caption) {
        QAction* action = owner->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        action->setMenuRole(QAction::NoRole);
        return action;
    };
    const auto handled = [this, &item](auto* owner, const char* name, const char* caption,
                                       void (TForm1::*handler)()) {
        QAction* action = item(owner, name, caption);
        connect(action, &QAction::triggered, this, Guarded(this, handler));
        return action;
    };
    const auto menu = [bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    QMenu* file = menu("File1", "File");
    Apri1 = item(file, "Apri1", "Apri");
    Salva1 = item(file, "Salva1", "Salva");
    SalvaConNome1 = item(file, "SalvaConNome1", "Salva Con Nome");
    Importa3DS1 = handled(file, "Importa3DS1", "Importa .3DS", &TForm1::Importa3DS1Click);
    Esporta3DS1 = item(file, "Esporta3DS1", "Esporta .3DS");
    Esci1 = handled(file, "Esci1", "Esci", &TForm1::Esci1Click);
    Opzioni1 = item(bar, "Opzioni1", "Opzioni");
    QMenu* view = menu("Visualizza1", "Visualizza");
    N4Finestre1 = handled(view, "N4Finestre1", "4 Finestre", &TForm1::N4Finestre1Click);
    N1Finestra1 = handled(view, "N1Finestra1", "1 Finestra", &TForm1::N1Finestra1Click);
    VisualeParallela1 =
        handled(view, "VisualeParallela1", "Visuale Parallela", &TForm1::VisualeParallela1Click);
    VisualeProspettica1 = handled(view, "VisualeProspettica1", "Visuale Prospettica",
                                  &TForm1::VisualeProspettica1Click);
    Lingua1 = item(bar, "Lingua1", "Lingua");
    QMenu* info = menu("Info1", "Info");
    Guida1 = handled(info, "Guida1", "Guida", &TForm1::Guida1Click);
    Autore1 = handled(info, "Autore1", "Autore", &TForm1::Autore1Click);
    SitoWeb1 = handled(info, "SitoWeb1", "Sito Web", &TForm1::SitoWeb1Click);
    EMail1 = handled(info, "EMail1", "E-Mail", &TForm1::EMail1Click);
    Licenza1 = handled(info, "Licenza1", "Licenza", &TForm1::Licenza1Click);
    Exit1 = item(bar, "Exit1", "Exit"); // present, and does nothing: it does not end the program
}

void TForm1::CreatePaneMenus() {
    const auto item = [this](const char* name, const char* caption, void (TForm1::*handler)(),
                             Qt::ConnectionType type = Qt::AutoConnection) {
        auto* action = new QAction(QString::fromUtf8(caption), this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, Guarded(this, handler), type);
        return action;
    };
    ModelloIntero1 = item("ModelloIntero1", "Modello intero", &TForm1::ModelloIntero1Click);
    AdattaAllaFinestra1 =
        item("AdattaAllaFinestra1", "Adatta alla finestra", &TForm1::AdattaAllaFinestra1Click);
    ModelloIntero1->setCheckable(true);
    AdattaAllaFinestra1->setCheckable(true);
    auto* modes = new QActionGroup(this); // exclusive
    FilDiFerro1 = item("FilDiFerro1", "Fil di ferro", &TForm1::DrawModeClick);
    LineeNascoste1 = item("LineeNascoste1", "Linee nascoste", &TForm1::DrawModeClick);
    Superfici1 = item("Superfici1", "Superfici", &TForm1::DrawModeClick);
    for (QAction* mode : {FilDiFerro1, LineeNascoste1, Superfici1}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    FilDiFerro1->setChecked(true);
    // Its dialog opens once the menu has closed, not inside the menu's own handling of the click:
    // a second click on the item, still queued for the menu, would open it again.
    EsportaModello1 = item("EsportaModello1", "Esporta modello...", &TForm1::EsportaModello1Click,
                           Qt::QueuedConnection);
    EsportaModello1->setEnabled(false); // until there is a model to export
    InquadraTutto1 = item("InquadraTutto1", "Inquadra tutto", &TForm1::InquadraTutto1Click);
    VistaIniziale1 = item("VistaIniziale1", "Vista iniziale", &TForm1::VistaIniziale1Click);
    const auto separator = [this] {
        auto* action = new QAction(this);
        action->setSeparator(true);
        return action;
    };
    QAction* beforeModes = separator();
    QAction* beforeExport = separator();
    QAction* beforeFraming = separator();
    for (TImagePane* pane : {Image1, Image2, Image3, Image4, Image5}) {
        pane->setContextMenuPolicy(Qt::ActionsContextMenu);
        pane->addActions({ModelloIntero1, AdattaAllaFinestra1, beforeModes, FilDiFerro1,
                          LineeNascoste1, Superfici1, beforeExport, EsportaModello1});
    }
    for (TImagePane* pane : {Image4, Image5}) {
        pane->addActions({beforeFraming, InquadraTutto1, VistaIniziale1});
    }
    freeViewActions_ = std::make_unique<TFreeView>(*this);
    gestures_ = new TFreeViewGestures(*freeViewActions_, {Image4, Image5}, this);
}

void TForm1::ConnectHandlers() {
    connect(X_Bar1, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::X_Bar1Change));
    connect(Y_Bar2, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::Y_Bar2Change));
    connect(Z_Bar3, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::Z_Bar3Change));
    connect(StringGrid1, &TStringGrid::SelectCell, this,
            Guarded(this, &TForm1::StringGrid1SelectCell));
    connect(Timer1, &QTimer::timeout, this, Guarded(this, &TForm1::Timer1Timer));
    if (StateTraced()) {
        connect(Edit1, &QLineEdit::textChanged, this, [](const QString& text) {
            std::fprintf(stderr, "plexa3d-text: Edit1=%s\n", text.toUtf8().constData());
            std::fflush(stderr);
        });
    }
}

void TForm1::FormCreate() {
    AppDir = ZuveloArchiveLibrary::ExtractPath(BackslashPath(programFile_));
    Scene.LoadFont(DataFilePath(AppDir + "Fonts\\" + "NORMFONT.QXF"));
    ViewMode = 0;
    Scene.SetLineColor(CurrentColor);
    ObjectCount = 0;
    CurrentObject = 0;
    SetOuterSize(this, {960, 658});
    KeepOuterSize(this, {960, 658}, [this] {
        const QRect used = ClientArea->childrenRect();
        return QSize(used.right() + 1, used.bottom() + 3 + menuBar()->height());
    });
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int top = CenteredPosition(screen.height(), OuterSize(this).height());
    const int left = CenteredPosition(screen.width(), OuterSize(this).width());
    move(left, top);
    LayOutPanes();
    LayOutColumn();
    LoadBackgrounds();
    Scene.ClipToPane(SmallPane);
}

void TForm1::LayOutPanes() {
    for (TImagePane* pane : {Image1, Image2, Image3, Image4}) {
        SetWidth(pane, SmallPane.Width);
        SetHeight(pane, SmallPane.Height);
    }
    SetWidth(Image5, LargePane.Width);
    SetHeight(Image5, LargePane.Height);
    SetTop(Image1, 2);
    SetTop(Image2, 2);
    SetTop(Image3, Image1->height() + 4);
    SetTop(Image4, Image2->height() + 4);
    SetLeft(Image1, 2);
    SetLeft(Image3, 2);
    SetLeft(Image2, Image1->width() + 4);
    SetLeft(Image4, Image3->width() + 4);
    SetTop(Image5, 3);
    SetLeft(Image5, 3);
}

// The column of controls right of the panes: each 2 pixels below the one above, from the heights
// the controls have now.
void TForm1::LayOutColumn() {
    const int left = Image1->width() + Image2->width() + 6;
    int top = 2;
    for (QWidget* control : std::initializer_list<QWidget*>{GroupBox1, StringGrid1, GroupBox2,
                                                            GroupBox3, GroupBox4, GroupBox5}) {
        SetTop(control, top);
        SetLeft(control, left);
        if (control == StringGrid1) {
            StringGrid1->SetCell(0, 0, QStringLiteral("ID"));
            StringGrid1->SetCell(1, 0, QStringLiteral("Oggetto 3D"));
        }
        top += control->height() + 2;
    }
}

void TForm1::LoadBackgrounds() {
    const QString small = DataFileName(AppDir + "Bmps\\bk400x300.bmp");
    const QString full = DataFileName(AppDir + "Bmps\\bk800x600.bmp");
    DefaultBackground->LoadBitmapFile(small);
    DefaultBackgroundFull->LoadBitmapFile(full);
    for (TImagePane* pane : {Image1, Image2, Image3, Image4}) {
        pane->LoadBitmapFile(small);
    }
    Image5->LoadBitmapFile(full);
}

void TForm1::Esci1Click() {
    QCoreApplication::quit();
}

void TForm1::EnableTimer1() {
    if (!Timer1->isActive()) {
        Timer1->start();
    }
}

void TForm1::Importa3DS1Click() {
    Scene.RequireFreeSlot();
    const int answer = OpenDialog1->exec();
    // A name taken from the dialog's completion list can leave the list open once the dialog has
    // closed, over the window, where it would swallow the next click.
    if (QWidget* left = QApplication::activePopupWidget()) {
        left->close();
    }
    if (answer != QDialog::Accepted) {
        return;
    }
    const QStringList chosen = OpenDialog1->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) {
        return;
    }
    ImportFile(chosen.first());
}

// The new object is built aside and takes its slot only once it has been loaded, placed and
// drawn: an import that fails leaves the table, the counters and the list as they were.
void TForm1::ImportFile(const QString& fileName) {
    const auto refresh = qScopeGuard([this] {
        for (TImagePane* pane : {Image3, Image1, Image2}) {
            pane->Refresh();
        }
    });
    try {
        Scene.Import(QFile::encodeName(fileName).toStdString(), Image4->View(),
                     DefaultBackground->View(), {Image1->View(), Image2->View(), Image3->View()});
    } catch (const std::exception& error) {
        // On standard error every error names its file, as many may be imported. In the window,
        // a whole model with nothing to draw is told beside the object list, not in a box; the
        // other errors go to their box as they are.
        const QString text = fileName + QStringLiteral(": ") + QString::fromUtf8(error.what());
        if (ErrorDisplay() == TErrorDisplay::StandardError) {
            throw RuntimeError(text.toStdString());
        }
        if (dynamic_cast<const TModelRefused*>(&error) == nullptr) {
            throw;
        }
        ShowBesideList(text);
        return;
    }
    StringGrid1->SetRowCount(StringGrid1->RowCount() + 1);
    StringGrid1->setRowHeight(StringGrid1->RowCount() - 1, 16);
    StringGrid1->SetCell(0, ObjectCount, QString::number(CurrentObject));
    StringGrid1->SetCell(1, ObjectCount, Latin1(Objects[ObjectCount]->Name));
    ShowImportNotes(fileName);
    EsportaModello1->setEnabled(true);
    EnableTimer1();
}

// A note that goes away by itself, shown over the object list.
void TForm1::ShowBesideList(const QString& text) {
    QStringList lines;
    if (QToolTip::isVisible() && QToolTip::text() == lastNotice_) {
        lines = lastNotice_.split(QLatin1Char('\n'));
    }
    lines += text.split(QLatin1Char('\n'));
    const QString shown =
        lines.mid(std::max<qsizetype>(0, lines.size() - MaxNoticeLines)).join(QLatin1Char('\n'));
    const QPoint at = StringGrid1->mapToGlobal(QPoint(0, StringGrid1->height()));
    QToolTip::showText(at, shown, StringGrid1, {}, NoticeMilliseconds);
    lastNotice_ = shown;
}

// What could not be shown of the new object's looks: on its row, when the pointer rests on it,
// and on standard error when the program draws without a window.
void TForm1::ShowImportNotes(const QString& fileName) {
    QStringList window;
    for (const TLooksNote& note : Scene.Looks[ObjectCount].Notes) {
        window << QString::fromStdString(NoteText(note, TNoteLanguage::Window));
        ShowNotice(fileName + QStringLiteral(": ") +
                   QString::fromStdString(NoteText(note, TNoteLanguage::CommandLine)));
    }
    for (int column = 0; column < 2; ++column) {
        StringGrid1->SetCellHint(column, ObjectCount, window.join(QLatin1Char('\n')));
    }
}

// The one redraw path of the free view.
void TForm1::Timer1Timer() {
    Timer1->stop();
    TImagePane& pane = ViewMode == 1 ? *Image5 : *Image4;
    if (ObjectCount == 0) {
        return;
    }
    const auto trace = qScopeGuard([this] { TraceState(); });
    try {
        Scene.DrawFreeView(pane.View(),
                           (ViewMode == 1 ? DefaultBackgroundFull : DefaultBackground)->View(),
                           X_Bar1->value(), Y_Bar2->value(), Z_Bar3->value());
    } catch (...) {
        // A bar held down steps on by itself until its button is released, and the release goes
        // to the error's box: it would fail again at every step, a box over a box. The bars are
        // given that release now (a bar not held down takes no notice of it).
        for (QScrollBar* bar : {X_Bar1, Y_Bar2, Z_Bar3}) {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(bar, &release);
        }
        throw;
    }
    pane.Refresh();
    Edit3->setText(QString::number(X_Bar1->value()));
    Edit4->setText(QString::number(Y_Bar2->value()));
    Edit5->setText(QString::number(Z_Bar3->value()));
    emit FreeViewRedrawn();
}

// With PLEXA3D_STATE_TRACE=1 in the environment, every redraw reports the object table's state on
// standard error, for tests that drive the program from outside; so does every change of the 2D
// text box's text (see ConnectHandlers).
void TForm1::TraceState() const {
    if (StateTraced()) {
        std::fprintf(stderr, "plexa3d-state: objects=%d rows=%d current=%d rest=%d\n", ObjectCount,
                     StringGrid1->RowCount(), CurrentObject, Scene.CurrentAtRest() ? 1 : 0);
        std::fflush(stderr);
    }
}

void TForm1::SetImportOptions(const TImportOptions& options) {
    Scene.ImportOptions = options;
    ModelloIntero1->setChecked(options.WholeModel);
    AdattaAllaFinestra1->setChecked(options.FitToWindow);
}

void TForm1::ModelloIntero1Click() {
    Scene.ImportOptions.WholeModel = ModelloIntero1->isChecked();
}
void TForm1::AdattaAllaFinestra1Click() {
    Scene.ImportOptions.FitToWindow = AdattaAllaFinestra1->isChecked();
}

// The mode of the item that is checked now: the free view shows it at once, the fixed views from
// the next import on.
void TForm1::DrawModeClick() {
    Scene.DrawMode = Superfici1->isChecked()       ? TDrawMode::SolidSurfaces
                     : LineeNascoste1->isChecked() ? TDrawMode::HiddenLines
                                                   : TDrawMode::Wireframe;
    EnableTimer1();
}

void TForm1::SetDrawMode(TDrawMode mode) {
    QAction* item = mode == TDrawMode::SolidSurfaces ? Superfici1
                    : mode == TDrawMode::HiddenLines ? LineeNascoste1
                                                     : FilDiFerro1;
    item->setChecked(true);
    DrawModeClick();
}

// The current object's model, read whole again from its file, written as the name chosen says
// (or, without a known extension, as the filter chosen says). What the export has to tell goes
// beside the object list.
void TForm1::EsportaModello1Click() {
    if (CurrentObject == 0 || !Objects[CurrentObject] || ExportDialog1->isVisible()) {
        return;
    }
    const QString source = QFile::decodeName(Scene.Files[CurrentObject].c_str());
    // A model file gone since its import is told, by its name, before a name is asked for.
    try {
        ZuveloGraphLibrary::TFileReader(Scene.Files[CurrentObject]).Close();
    } catch (const std::exception& error) {
        throw RuntimeError(Scene.Files[CurrentObject] + ": " + error.what());
    }
    // Opened beside the model, as its images are found there.
    ExportDialog1->setDirectory(QFileInfo(source).absolutePath());
    ExportDialog1->selectFile(QFileInfo(source).completeBaseName() + QStringLiteral(".glb"));
    const int answer = ExportDialog1->exec();
    if (QWidget* left = QApplication::activePopupWidget()) {
        left->close();
    }
    const QStringList chosen = ExportDialog1->selectedFiles();
    if (answer != QDialog::Accepted || chosen.isEmpty() || chosen.first().isEmpty()) {
        return;
    }
    QString output = chosen.first();
    if (!Plexa3DFormats::ExportFormatNamed(QFile::encodeName(output).toStdString())) {
        // An ending of no format ("x.fbx") is kept and the filter's added: the dialog has not
        // asked about a file of that name.
        output += FilterEnding(ExportDialog1->selectedNameFilter());
        if (QFileInfo::exists(output) &&
            QMessageBox::question(this, ExportDialog1->windowTitle(),
                                  QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                      .arg(QFileInfo(output).fileName())) != QMessageBox::Yes) {
            return;
        }
    }
    const Plexa3DFormats::TExportReport report =
        ExportModelFile(Scene.Files[CurrentObject], QFile::encodeName(output).toStdString());
    QStringList told;
    for (const std::string& note : report.Notes) {
        told << QString::fromStdString(note);
    }
    ShowBesideList(QStringLiteral("Esportato: ") + output +
                   (told.isEmpty() ? QString() : QStringLiteral("\n") + told.join('\n')));
}

void TForm1::InquadraTutto1Click() {
    Scene.FrameAll(X_Bar1->value(), Y_Bar2->value(), Z_Bar3->value());
    EnableTimer1();
}
void TForm1::VistaIniziale1Click() {
    Scene.ResetView();
    EnableTimer1();
}

void TForm1::X_Bar1Change() {
    EnableTimer1();
}
void TForm1::Y_Bar2Change() {
    EnableTimer1();
}
void TForm1::Z_Bar3Change() {
    EnableTimer1();
}

// The free view keeps the keyboard focus when it moves to the other layout's pane.
void TForm1::SetLayout(bool onePane) {
    const bool freeViewFocused = focusWidget() == Image4 || focusWidget() == Image5;
    Scene.SetLayout(onePane);
    for (TImagePane* pane : {Image1, Image2, Image3, Image4}) {
        pane->setVisible(!onePane);
    }
    Image5->setVisible(onePane);
    if (freeViewFocused) {
        (onePane ? Image5 : Image4)->setFocus(Qt::OtherFocusReason);
    }
    EnableTimer1();
}

void TForm1::N4Finestre1Click() {
    SetLayout(false);
}
void TForm1::N1Finestra1Click() {
    SetLayout(true);
}

void TForm1::VisualeParallela1Click() {
    Scene.SetProjection(false);
    EnableTimer1();
}

void TForm1::VisualeProspettica1Click() {
    Scene.SetProjection(true);
    EnableTimer1();
}

// The ID column holds the slot number of its row's object; any other text (the empty row below
// the list) selects the last object.
void TForm1::StringGrid1SelectCell(int, int ARow) {
    const std::string id = StringGrid1->Cell(0, ARow).toLatin1().toStdString();
    const bool numbered = ZuveloStringLibrary::IsNumber(id) && id.size() <= 3 &&
                          std::stoi(id) >= 1 && std::stoi(id) <= ObjectCount;
    CurrentObject = numbered ? static_cast<std::uint8_t>(std::stoi(id)) : ObjectCount;
    EnableTimer1();
}

namespace {

QStringList DroppedMeshFiles(const QMimeData* data) {
    QStringList files;
    if (!data) {
        return files;
    }
    // The names of the formats the program opens; the files are read by their content.
    static const QStringList Suffixes = {QStringLiteral(".3ds"), QStringLiteral(".obj"),
                                         QStringLiteral(".stl"), QStringLiteral(".ply"),
                                         QStringLiteral(".off"), QStringLiteral(".gltf"),
                                         QStringLiteral(".glb")};
    for (const QUrl& url : data->urls()) {
        const QString file = url.toLocalFile();
        if (url.isLocalFile() &&
            std::any_of(Suffixes.begin(), Suffixes.end(),
                        [&](const QString& s) { return file.endsWith(s, Qt::CaseInsensitive); })) {
            files << file;
        }
    }
    return files;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedMeshFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    if (const QMimeData* data = event->mimeData()) {
        ImportDroppedFiles(data->urls());
    }
}

// Each file is imported as if the dialog had returned it; an error ends that file's import only.
void TForm1::ImportDroppedFiles(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    for (const QString& file : DroppedMeshFiles(&data)) {
        RunGuarded([&] { ImportFile(file); });
    }
}

// Shows a hidden window where it last was; a window already visible is left as it is.
void ShowWindow(QWidget* window) {
    if (window && !window->isVisible()) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void TForm1::Guida1Click() {
    ShowWindow(infoWindows_.Guida);
}
void TForm1::Autore1Click() {
    ShowWindow(infoWindows_.Autore);
}
void TForm1::SitoWeb1Click() {
    ShowWindow(infoWindows_.SitoWeb);
}
void TForm1::EMail1Click() {
    ShowWindow(infoWindows_.EMail);
}

// The document is read anew every time, replacing any edits made in the window.
void TForm1::Licenza1Click() {
    if (!infoWindows_.Licenza) {
        return;
    }
    infoWindows_.Licenza->LoadLicence(DataFileName(AppDir + "\\License\\licenza.rtf"));
    ShowWindow(infoWindows_.Licenza);
}

} // namespace Plexa3DApp
