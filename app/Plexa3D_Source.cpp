#include "Plexa3D_Source.h"

#include "DataFiles.h"
#include "ErrorReporting.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "WindowDesign.h"
#include "ZuveloArchiveLibrary.h"
#include "ZuveloGraphLibrary.h"
#include "ZuveloStringLibrary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;

namespace {

constexpr TColorRGB White{255, 255, 255};
constexpr TColorRGB Grey{120, 120, 120};

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

// A handler's turn of the current object, undone exactly as far as it was made: a rotation that
// raises an error has already stored its values.
class TTurn {
public:
    TTurn(TObject3D& object, int x, int y, int z) : object_(object), x_(x), y_(y), z_(z) {}

    void Apply() {
        turnedX_ = x_ != 0;
        RotateObject(x_, 0, 0, object_);
        turnedY_ = y_ != 0;
        RotateObject(0, y_, 0, object_);
        turnedZ_ = z_ != 0;
        RotateObject(0, 0, z_, object_);
    }
    void Undo() {
        RotateObject(0, 0, turnedZ_ ? -z_ : 0, object_);
        RotateObject(0, turnedY_ ? -y_ : 0, 0, object_);
        RotateObject(turnedX_ ? -x_ : 0, 0, 0, object_);
        TransformObject(object_);
    }

private:
    TObject3D& object_;
    int x_, y_, z_;
    bool turnedX_ = false, turnedY_ = false, turnedZ_ = false;
};

} // namespace

TForm1::TForm1(const QString& programFile, QWidget* parent)
    : QMainWindow(parent), programFile_(programFile) {
    CreateControls();
    CreateMenu();
    SetDesignGeometry();
    ConnectHandlers();
    RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zuvelo Omarin Plexa3D V 0.1"));
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

    Image1 = Make<TImagePane>(ClientArea, "Image1", {2, 2, 400, 300});
    Image2 = Make<TImagePane>(ClientArea, "Image2", {404, 2, 400, 300});
    Image3 = Make<TImagePane>(ClientArea, "Image3", {2, 304, 400, 300});
    Image4 = Make<TImagePane>(ClientArea, "Image4", {404, 304, 400, 300});
    Image5 = Make<TImagePane>(ClientArea, "Image5", {3, 3, 800, 600});
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
    const auto item = [this](auto* owner, const char* name, const char* caption) {
        QAction* action = owner->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        action->setMenuRole(QAction::NoRole);
        return action;
    };
    const auto menu = [bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    QMenu* file = menu("File1", "File");
    item(file, "Apri1", "Apri");
    item(file, "Salva1", "Salva");
    item(file, "SalvaConNome1", "Salva Con Nome");
    item(file, "Importa3DS1", "Importa .3DS");
    item(file, "Esporta3DS1", "Esporta .3DS");
    item(file, "Esci1", "Esci");
    item(bar, "Opzioni1", "Opzioni");
    QMenu* view = menu("Visualizza1", "Visualizza");
    item(view, "N4Finestre1", "4 Finestre");
    item(view, "N1Finestra1", "1 Finestra");
    item(view, "VisualeParallela1", "Visuale Parallela");
    item(view, "VisualeProspettica1", "Visuale Prospettica");
    item(bar, "Lingua1", "Lingua");
    QMenu* info = menu("Info1", "Info");
    item(info, "Guida1", "Guida");
    item(info, "Autore1", "Autore");
    item(info, "SitoWeb1", "Sito Web");
    item(info, "EMail1", "E-Mail");
    item(info, "Licenza1", "Licenza");
    item(bar, "Exit1", "Exit"); // present, and does nothing: it does not end the program
}

void TForm1::ConnectHandlers() {
    const auto onMenu = [this](const char* name, void (TForm1::*handler)()) {
        auto* action = findChild<QAction*>(QLatin1String(name));
        connect(action, &QAction::triggered, this, Guarded(this, handler));
    };
    onMenu("Importa3DS1", &TForm1::Importa3DS1Click);
    onMenu("Esci1", &TForm1::Esci1Click);
    onMenu("N4Finestre1", &TForm1::N4Finestre1Click);
    onMenu("N1Finestra1", &TForm1::N1Finestra1Click);
    onMenu("VisualeParallela1", &TForm1::VisualeParallela1Click);
    onMenu("VisualeProspettica1", &TForm1::VisualeProspettica1Click);
    onMenu("Guida1", &TForm1::Guida1Click);
    onMenu("Autore1", &TForm1::Autore1Click);
    onMenu("SitoWeb1", &TForm1::SitoWeb1Click);
    onMenu("EMail1", &TForm1::EMail1Click);
    onMenu("Licenza1", &TForm1::Licenza1Click);
    connect(X_Bar1, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::X_Bar1Change));
    connect(Y_Bar2, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::Y_Bar2Change));
    connect(Z_Bar3, &QScrollBar::valueChanged, this, Guarded(this, &TForm1::Z_Bar3Change));
    connect(StringGrid1, &TStringGrid::SelectCell, this,
            Guarded(this, &TForm1::StringGrid1SelectCell));
    connect(Timer1, &QTimer::timeout, this, Guarded(this, &TForm1::Timer1Timer));
}

void TForm1::FormCreate() {
    AppDir = ZuveloArchiveLibrary::ExtractPath(BackslashPath(programFile_));
    LoadBitmapFont(DataFilePath(AppDir + "Fonts\\" + "NORMFONT.QXF"));
    ViewMode = 0;
    SetDrawColor(255, 255, 255);
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
    SetClipRect(0, 0, 399, 299);
}

void TForm1::LayOutPanes() {
    for (TImagePane* pane : {Image1, Image2, Image3, Image4}) {
        SetWidth(pane, 400);
        SetHeight(pane, 300);
    }
    SetWidth(Image5, 800);
    SetHeight(Image5, 600);
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
    if (ObjectCount >= MaxObjects) {
        throw RuntimeError("Numero massimo di oggetti raggiunto (255)");
    }
    if (OpenDialog1->exec() != QDialog::Accepted) {
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
    if (ObjectCount >= MaxObjects) {
        throw RuntimeError("Numero massimo di oggetti raggiunto (255)");
    }
    CopyImagePixels(DefaultBackground->View(), Image4->View());
    for (int i = 1; i <= ObjectCount; ++i) {
        SetDrawColor(Grey.R, Grey.G, Grey.B);
        DrawObject3D(Image4->View(), *Objects[i]);
    }
    SetDrawColor(White.R, White.G, White.B);
    SetFontColor(0, 255, 0);
    SetCharAdvance(8);
    const int slot = ObjectCount + 1;
    std::unique_ptr<TObject3D> object;
    NewObject3D(object);
    Load3DS(QFile::encodeName(fileName).toStdString(), *object);
    SetViewOrigin(200, 150);
    SetParallelProjection();
    SetObjectPivot(0, 0, 0, *object);
    SetObjectPosition(0, 0, -300, *object);
    ScaleObject(*object, 5.0f);
    DrawFixedViews(*object);

    Objects[slot] = std::move(object);
    ObjectCount = static_cast<std::uint8_t>(slot);
    CurrentObject = ObjectCount;
    StringGrid1->SetRowCount(StringGrid1->RowCount() + 1);
    StringGrid1->setRowHeight(StringGrid1->RowCount() - 1, 16);
    StringGrid1->SetCell(0, ObjectCount, QString::number(CurrentObject));
    StringGrid1->SetCell(1, ObjectCount, Latin1(Objects[slot]->Name));
    EnableTimer1();
}

// Top, front and side views, each captioned; the turns between views are taken back after.
void TForm1::DrawFixedViews(TObject3D& object) {
    WriteText(Image3->View(), 1, 1, "Visuale Dall'alto:");
    RotateObject(0, 0, 0, object);
    TransformObject(object);
    DrawObject3D(Image3->View(), object);
    Image3->Refresh();

    WriteText(Image1->View(), 1, 1, "Visuale Frontale:");
    RotateObject(90, 0, 0, object);
    TransformObject(object);
    DrawObject3D(Image1->View(), object);
    RotateObject(-90, 0, 0, object);
    TransformObject(object);
    Image1->Refresh();

    WriteText(Image2->View(), 1, 1, "Visuale Laterale:");
    RotateObject(90, 0, 0, object);
    TransformObject(object);
    RotateObject(0, -90, 0, object);
    TransformObject(object);
    DrawObject3D(Image2->View(), object);
    RotateObject(0, 90, 0, object);
    TransformObject(object);
    RotateObject(-90, 0, 0, object);
    TransformObject(object);
    Image2->Refresh();
}

// The one redraw path of the free view.
void TForm1::Timer1Timer() {
    Timer1->stop();
    TImagePane& pane = ViewMode == 1 ? *Image5 : *Image4;
    if (ObjectCount == 0) {
        return;
    }
    CopyImagePixels((ViewMode == 1 ? DefaultBackgroundFull : DefaultBackground)->View(),
                    pane.View());
    TObject3D& current = *Objects[CurrentObject];
    DrawFreeView(pane, current);
    WriteText(pane.View(), 1, 1, "Visuale Libera XYZ:");
    WriteText(pane.View(), 1, 11, "Nome Oggetto:" + current.Name);
    WriteText(pane.View(), 1, 21, "Numero Poligoni:" + std::to_string(current.FaceCount));
    WriteText(pane.View(), 1, 31, "Numero Vertici:" + std::to_string(current.VertexCount));
    pane.Refresh();
    Edit3->setText(QString::number(X_Bar1->value()));
    Edit4->setText(QString::number(Y_Bar2->value()));
    Edit5->setText(QString::number(Z_Bar3->value()));
    emit FreeViewRedrawn();
}

// Every object in slot order, the current one white and turned by the scroll bars, the others
// grey at rest. The current object is back at rest afterwards, also when drawing fails.
void TForm1::DrawFreeView(TImagePane& pane, TObject3D& current) {
    TTurn turn(current, X_Bar1->value(), Y_Bar2->value(), Z_Bar3->value());
    try {
        turn.Apply();
        TransformObject(current);
        for (int i = 1; i <= ObjectCount; ++i) {
            const TColorRGB color = i == CurrentObject ? White : Grey;
            SetDrawColor(color.R, color.G, color.B);
            DrawObject3D(pane.View(), *Objects[i]);
        }
    } catch (...) {
        turn.Undo();
        throw;
    }
    turn.Undo();
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

void TForm1::SetLayout(bool onePane) {
    if (onePane) {
        SetViewOrigin(400, 320);
        SetClipRect(0, 0, 799, 599);
    } else {
        SetViewOrigin(200, 150);
        SetClipRect(0, 0, 399, 299);
    }
    ViewMode = onePane ? 1 : 0;
    for (TImagePane* pane : {Image1, Image2, Image3, Image4}) {
        pane->setVisible(!onePane);
    }
    Image5->setVisible(onePane);
    EnableTimer1();
}

void TForm1::N4Finestre1Click() {
    SetLayout(false);
}
void TForm1::N1Finestra1Click() {
    SetLayout(true);
}

void TForm1::VisualeParallela1Click() {
    SetParallelProjection();
    EnableTimer1();
}

void TForm1::VisualeProspettica1Click() {
    SetPerspectiveProjection();
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
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".3ds"), Qt::CaseInsensitive)) {
            files << url.toLocalFile();
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
