// The main window: four 400 x 300 panes (front, side, top and free view) or one 800 x 600 pane,
// the control column (rotation scroll bars, object list, primitive and text groups), the menus,
// the object table and the timer that redraws the free view.
#pragma once

#include "ImagePane.h"
#include "Scene.h"
#include "StringGrid.h"

#include <QList>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QUrl;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace Plexa3DApp {

class TForm_Plexa3d_Guida;
class TForm_Plexa3d_Autore;
class TForm_Plexa3d_SitoWeb;
class TForm_Plexa3d_EMail;
class TForm_Plexa3d_Licenza;
class TFreeViewActions;
class TFreeViewGestures;

// The five information windows, created by the main routine after the main window.
struct TInformationWindows {
    TForm_Plexa3d_Guida* Guida = nullptr;
    TForm_Plexa3d_Autore* Autore = nullptr;
    TForm_Plexa3d_SitoWeb* SitoWeb = nullptr;
    TForm_Plexa3d_EMail* EMail = nullptr;
    TForm_Plexa3d_Licenza* Licenza = nullptr;
};

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // programFile is the full path of the program's own file: the data folders lie beside it.
    // Creating the window runs FormCreate; an error there is shown and ends FormCreate early.
    explicit TForm1(const QString& programFile, QWidget* parent = nullptr);
    ~TForm1() override;

    void SetInformationWindows(const TInformationWindows& windows) { infoWindows_ = windows; }

    std::string AppDir; // the program's directory, written with backslashes, ending in one
    // The objects and what is drawn of them; the window's names for the scene's state.
    TScene Scene;
    decltype(TScene::Objects)& Objects = Scene.Objects;
    std::uint8_t& ObjectCount = Scene.ObjectCount;
    std::uint8_t& CurrentObject = Scene.CurrentObject;
    std::uint8_t& ViewMode = Scene.ViewMode;

    // Controls, named as in the design.
    QWidget* ClientArea = nullptr;
    TImagePane* Image1 = nullptr;                // front view
    TImagePane* Image2 = nullptr;                // side view
    TImagePane* Image3 = nullptr;                // top view
    TImagePane* Image4 = nullptr;                // free view, four-pane layout
    TImagePane* Image5 = nullptr;                // free view, one-pane layout
    TImagePane* DefaultBackground = nullptr;     // never shown: resets a small pane
    TImagePane* DefaultBackgroundFull = nullptr; // never shown: resets the large pane
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr; // "X", "Y", "Z" by the bars
    QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr; // "X", "Y", "Z" by the edits
    QScrollBar* X_Bar1 = nullptr;
    QScrollBar* Y_Bar2 = nullptr;
    QScrollBar* Z_Bar3 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr;                   // text functions
    QLineEdit *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr; // the free view's angles
    QPushButton* Button18 = nullptr;                                // "Aggiorna"
    QPushButton *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr, *Button12 = nullptr,
                *Button19 = nullptr, *Button13 = nullptr, *Button14 = nullptr, *Button15 = nullptr,
                *Button16 = nullptr, *Button20 = nullptr; // 2D primitives
    QPushButton *Button1 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr,
                *Button2 = nullptr, *Button6 = nullptr, *Button7 = nullptr,
                *Button8 = nullptr;                       // 3D primitives
    QPushButton *Button24 = nullptr, *Button17 = nullptr; // "Crea"
    TStringGrid* StringGrid1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    // Menu items, named as in the design; those with a handler are connected where they are made.
    QAction *Apri1 = nullptr, *Salva1 = nullptr, *SalvaConNome1 = nullptr, *Importa3DS1 = nullptr,
            *Esporta3DS1 = nullptr, *Esci1 = nullptr, *Opzioni1 = nullptr;
    QAction *N4Finestre1 = nullptr, *N1Finestra1 = nullptr, *VisualeParallela1 = nullptr,
            *VisualeProspettica1 = nullptr, *Lingua1 = nullptr;
    QAction *Guida1 = nullptr, *Autore1 = nullptr, *SitoWeb1 = nullptr, *EMail1 = nullptr,
            *Licenza1 = nullptr, *Exit1 = nullptr;
    // The panes' context menus: how later imports read and place a file and how the panes draw
    // (every pane), and the free view's framing (the free panes only).
    QAction *ModelloIntero1 = nullptr, *AdattaAllaFinestra1 = nullptr;
    QAction *FilDiFerro1 = nullptr, *LineeNascoste1 = nullptr, *Superfici1 = nullptr;
    QAction *InquadraTutto1 = nullptr, *VistaIniziale1 = nullptr;
    QAction* EsportaModello1 = nullptr; // the current object's model, written out
    QFileDialog* ExportDialog1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Handlers.
    void FormCreate();
    void Esci1Click();
    void Importa3DS1Click();
    void Timer1Timer();
    void X_Bar1Change();
    void Y_Bar2Change();
    void Z_Bar3Change();
    void N4Finestre1Click();
    void N1Finestra1Click();
    void VisualeParallela1Click();
    void VisualeProspettica1Click();
    void StringGrid1SelectCell(int ACol, int ARow);
    void Guida1Click();
    void Autore1Click();
    void SitoWeb1Click();
    void EMail1Click();
    void Licenza1Click();
    void ModelloIntero1Click();
    void AdattaAllaFinestra1Click();
    void InquadraTutto1Click();
    void VistaIniziale1Click();
    void DrawModeClick();
    void EsportaModello1Click();

    // What the pane menus' two import options are set to, shown as their check marks.
    void SetImportOptions(const TImportOptions& options);
    // The drawing mode, shown as the check mark of its pane menu item; the free view is redrawn.
    void SetDrawMode(ZuveloGraphLibrary::TDrawMode mode);

    // What the import command does once its dialog has given a file name.
    void ImportFile(const QString& fileName);
    // The redraw request: enabling an enabled timer changes nothing, not even its next tick.
    void EnableTimer1();

    // Imports the dropped model files in the order given.
    void ImportDroppedFiles(const QList<QUrl>& urls);

    // The last note shown beside the object list (a whole model refused), for the tests.
    const QString& LastNotice() const { return lastNotice_; }

signals:
    void FreeViewRedrawn();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void CreateColumn();
    void CreateMenu();
    void CreatePaneMenus();
    void SetDesignGeometry();
    void ConnectHandlers();
    void LayOutPanes();
    void LayOutColumn();
    void LoadBackgrounds();
    void SetLayout(bool onePane);
    void ShowImportNotes(const QString& fileName);
    void ShowBesideList(const QString& text);
    void TraceState() const;

    std::unique_ptr<TFreeViewActions> freeViewActions_;
    TFreeViewGestures* gestures_ = nullptr;
    QString programFile_;
    TInformationWindows infoWindows_;
    QString lastNotice_;
};

} // namespace Plexa3DApp
