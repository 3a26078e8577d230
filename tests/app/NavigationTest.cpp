// The free view's gestures and the panes' context menus, through real mouse and wheel events.
#include "AppTestSupport.h"
#include "Form_Plexa3d_Autore_Source.h"
#include "Form_Plexa3d_EMail_Source.h"
#include "Form_Plexa3d_Guida_Source.h"
#include "Form_Plexa3d_Licenza_Source.h"
#include "Form_Plexa3d_SitoWeb_Source.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;

// A box of 12 triangles, `size` across, its corner at `at`.
TMeshSpec Box(const std::string& name, float size, std::array<float, 3> at = {0, 0, 0}) {
    TMeshSpec mesh{name, {}, {}};
    for (int i = 0; i < 8; ++i) {
        mesh.Vertices.push_back(
            {at[0] + size * (i & 1), at[1] + size * ((i >> 1) & 1), at[2] + size * ((i >> 2) & 1)});
    }
    const std::uint16_t quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        mesh.Faces.push_back({q[0], q[1], q[2]});
        mesh.Faces.push_back({q[0], q[2], q[3]});
    }
    return mesh;
}

// The box around the pixels that are not the background's.
struct TLit {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
};
TLit LitBox(const TTestImage& image, const TTestImage& background) {
    TLit box;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            if (image.At(x, y) == TColorRGB{255, 255, 255} &&
                !(background.At(x, y) == image.At(x, y))) {
                box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x),
                       std::max(box.Bottom, y)};
            }
        }
    }
    return box;
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = NewMainWindow();
        form_->show();
        background_ = PaneImage(*form_->DefaultBackground);
    }
    void Import(const TMeshSpec& mesh) {
        form_->ImportFile(QString::fromStdString(dir_.Write(mesh.Name + ".3ds", MeshFile({mesh}))));
        ASSERT_TRUE(WaitForRedraw(*form_));
    }
    TTestImage Free() const { return PaneImage(*form_->Image4); }
    void Redrawn() { ASSERT_TRUE(WaitForRedraw(*form_)); }
    // Keys are sent with the events they cause: their redraw may have come already.
    void Settled() {
        if (form_->Timer1->isActive()) {
            Redrawn();
        }
    }
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint from, QPoint by,
              int steps) {
        QWidget* pane = form_->Image4;
        QTest::mousePress(pane, button, keys, from);
        for (int i = 1; i <= steps; ++i) {
            QMouseEvent move(QEvent::MouseMove, from + by * i / steps,
                             pane->mapToGlobal(from + by * i / steps), Qt::NoButton, button, keys);
            QApplication::sendEvent(pane, &move);
        }
        QTest::mouseRelease(pane, button, keys, from + by);
    }
    void Wheel(QPoint at, int delta) {
        QWidget* pane = form_->Image4;
        QWheelEvent wheel(at, pane->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane, &wheel);
    }

    TTempDir dir_;
    std::unique_ptr<TForm1> form_;
    TTestImage background_{1, 1};
};

TEST_F(Navigation, LeftDragTurnsThroughTheScrollBarsWithOneRedraw) {
    Import(Box("Scatola", 20));
    QSignalSpy redrawn(form_.get(), &TForm1::FreeViewRedrawn);
    Drag(Qt::LeftButton, {}, {100, 100}, {30, 20}, 10);
    Redrawn();
    EXPECT_EQ(redrawn.count(), 1);
    EXPECT_EQ(form_->Y_Bar2->value(), 30);
    EXPECT_EQ(form_->X_Bar1->value(), 20);
    EXPECT_EQ(form_->Edit4->text(), "30");
    EXPECT_EQ(form_->Edit3->text(), "20");
    const TTestImage dragged = Free();
    form_->X_Bar1->setValue(0);
    form_->Y_Bar2->setValue(0);
    Redrawn();
    form_->X_Bar1->setValue(20);
    form_->Y_Bar2->setValue(30);
    Redrawn();
    EXPECT_TRUE(ImagesEqual(Free(), dragged));
    // Past 360 and below 0 the angles wrap.
    Drag(Qt::LeftButton, {}, {10, 10}, {340, -30}, 4);
    Redrawn();
    EXPECT_EQ(form_->Y_Bar2->value(), 10);
    EXPECT_EQ(form_->X_Bar1->value(), 350);
}

TEST_F(Navigation, WheelZoomsAboutThePointerAndBackExactly) {
    Import(Box("Scatola", 20));
    const TTestImage rest = Free();
    const QPoint at{300, 100}; // on the box's right edge
    ASSERT_EQ(rest.At(300, 100), (TColorRGB{255, 255, 255}));
    Wheel(at, 3 * 120);
    Redrawn();
    const TTestImage zoomed = Free();
    EXPECT_FALSE(ImagesEqual(zoomed, rest));
    EXPECT_EQ(zoomed.At(300, 100), (TColorRGB{255, 255, 255}));
    for (int i = 0; i < 6; ++i) {
        Wheel(at, -60); // half notches add up
    }
    Redrawn();
    EXPECT_TRUE(ImagesEqual(Free(), rest));
}

TEST_F(Navigation, PanMovesThePicturePixelForPixel) {
    Import(Box("Scatola", 20));
    const TLit before = LitBox(Free(), background_);
    Drag(Qt::MiddleButton, {}, {100, 100}, {-7, 5}, 3);
    Redrawn();
    const TLit middle = LitBox(Free(), background_);
    EXPECT_EQ(middle.Left, before.Left - 7);
    EXPECT_EQ(middle.Bottom, before.Bottom + 5);
    Drag(Qt::LeftButton, Qt::ShiftModifier, {100, 100}, {7, -5}, 3);
    Redrawn();
    const TLit back = LitBox(Free(), background_);
    EXPECT_EQ(back.Left, before.Left);
    EXPECT_EQ(back.Bottom, before.Bottom);
    EXPECT_EQ(form_->X_Bar1->value(), 0);
}

// Frame all fills 80 to 90 % of the pane's width or height and touches no edge; the initial view
// gives back the exact picture of before.
TEST_F(Navigation, FrameAllAndTheInitialView) {
    struct TCase {
        const char* Name;
        TMeshSpec Mesh;
        bool Perspective;
    } cases[] = {
        {"speck", Box("Punto", 0.2f), false},
        {"far outside", Box("Lontano", 10, {900, -700, 0}), false},
        {"behind the viewer", Box("Dietro", 100, {-50, -50, 0}), true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        form_ = NewMainWindow();
        form_->show();
        Import(c.Mesh);
        if (c.Perspective) {
            ChooseMenuItem(*form_, "VisualeProspettica1");
            Redrawn();
        }
        const TTestImage initial = Free();
        QTest::mouseDClick(form_->Image4, Qt::LeftButton, {}, {123, 45});
        Redrawn();
        const TLit lit = LitBox(Free(), background_);
        ASSERT_GE(lit.Right, 0);
        EXPECT_GT(lit.Left, 0);
        EXPECT_GT(lit.Top, 0);
        EXPECT_LT(lit.Right, SmallPane.Width - 1);
        EXPECT_LT(lit.Bottom, SmallPane.Height - 1);
        EXPECT_TRUE(lit.Right - lit.Left + 1 >= 0.8 * SmallPane.Width ||
                    lit.Bottom - lit.Top + 1 >= 0.8 * SmallPane.Height);
        form_->VistaIniziale1->trigger();
        Redrawn();
        EXPECT_TRUE(ImagesEqual(Free(), initial));
    }
}

// Keys pressed as on a keyboard: to the focus widget of the active window.
void Keys(const QString& text) {
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
}
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
}

// Moves the pointer, and lets the window see it move before anything else happens, as on a
// real display (a move still queued would end the menu bar's Alt key).
void PointerTo(QWidget* widget, QPoint at) {
    QCursor::setPos(widget->mapToGlobal(at));
    QCoreApplication::processEvents();
}

// The free view has the keys once a click has given it the focus, wherever the pointer then is.
TEST_F(Navigation, KeysWorkWhileTheFreeViewHasTheFocus) {
    Import(Box("Scatola", 20));
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    const TTestImage rest = Free();
    PointerTo(form_->Image4, {200, 150});
    QTest::mouseClick(form_->Edit1, Qt::LeftButton);
    Key(Qt::Key_Right); // the edit box's key, with the pointer over the free view
    EXPECT_EQ(form_->Y_Bar2->value(), 0);
    QTest::mouseClick(form_->Image4, Qt::LeftButton, {}, {200, 150});
    PointerTo(form_->Image1, {200, 150});
    Key(Qt::Key_Right);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Plus);
    Settled();
    EXPECT_EQ(form_->Y_Bar2->value(), 1);
    EXPECT_EQ(form_->X_Bar1->value(), 15);
    EXPECT_DOUBLE_EQ(form_->Scene.Navigation().Zoom(), std::exp2(0.25));
    form_->X_Bar1->setValue(0);
    form_->Y_Bar2->setValue(0);
    Key(Qt::Key_Home);
    Settled();
    EXPECT_TRUE(ImagesEqual(Free(), rest));
}

// A click on the free pane, in either layout or before a change of layout, shows nothing new;
// Right then turns as --angles 0,1,0 does.
TEST_F(Navigation, AfterAClickRightTurnsByOneDegreeAsTheCommandLineDoes) {
    struct TCase {
        const char* Name;
        const char* LayoutBefore; // chosen before the click
        const char* LayoutAfter;  // chosen after it
    } cases[] = {
        {"four panes", nullptr, nullptr},
        {"one pane", "N1Finestra1", nullptr},
        {"clicked, then one pane", nullptr, "N1Finestra1"},
    };
    const auto window = [&](const char* layout) {
        form_ = NewMainWindow();
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        Import(Box("Scatola", 20));
        if (layout) {
            ChooseMenuItem(*form_, layout);
            Redrawn();
        }
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        window(c.LayoutAfter ? c.LayoutAfter : c.LayoutBefore);
        form_->Y_Bar2->setValue(1); // as the command line sets --angles
        Redrawn();
        TImagePane* free = form_->ViewMode == 1 ? form_->Image5 : form_->Image4;
        const TTestImage turned = PaneImage(*free);
        window(c.LayoutBefore);
        free = form_->ViewMode == 1 ? form_->Image5 : form_->Image4;
        const QImage shown = free->grab().toImage();
        const TTestImage rest = PaneImage(*free);
        QTest::mouseClick(free, Qt::LeftButton, {}, {120, 80});
        EXPECT_TRUE(free->hasFocus());
        EXPECT_EQ(free->grab().toImage(), shown);
        QTest::qWait(20);
        EXPECT_TRUE(ImagesEqual(PaneImage(*free), rest));
        if (c.LayoutAfter) {
            ChooseMenuItem(*form_, c.LayoutAfter);
            Redrawn();
            free = form_->Image5;
        }
        Key(Qt::Key_Right);
        Settled();
        EXPECT_EQ(form_->X_Bar1->value(), 0);
        EXPECT_EQ(form_->Y_Bar2->value(), 1);
        EXPECT_TRUE(ImagesEqual(PaneImage(*free), turned));
    }
}

// With the pointer over the free view, the widget with the focus keeps every key: an edit box
// gets its text and its cursor keys, the object list its arrows, and the free view never moves.
TEST_F(Navigation, OtherWidgetsKeepEveryKeyWithThePointerOverTheFreeView) {
    Import(Box("Scatola", 20));
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    struct TCase {
        const char* Name;
        QWidget* Target;
        QLineEdit* Box; // whose text is checked; none for the list
    } cases[] = {
        {"text box 2D", form_->Edit1, form_->Edit1},
        {"text box 3D", form_->Edit2, form_->Edit2},
        {"font box", form_->ComboBox1, form_->ComboBox1->lineEdit()},
        {"angle box", form_->Edit3, form_->Edit3},
        {"object list", form_->StringGrid1->viewport(), nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Box) {
            c.Box->clear();
        }
        QTest::mouseClick(c.Target, Qt::LeftButton, {}, {5, 5});
        PointerTo(form_->Image4, {200, 150});
        Keys("fa+b-c=F");
        Key(Qt::Key_Home);
        Keys("1");
        Key(Qt::Key_Right);
        Key(Qt::Key_Right);
        Keys("2");
        Key(Qt::Key_Left);
        Keys("3");
        if (c.Box) {
            EXPECT_EQ(c.Box->text(), "1fa32+b-c=F");
        }
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Up}) {
            Key(key);
            Key(key, Qt::ShiftModifier);
        }
        QTest::qWait(20);
        EXPECT_EQ(form_->X_Bar1->value(), 0);
        EXPECT_EQ(form_->Y_Bar2->value(), 0);
        EXPECT_EQ(form_->Scene.Navigation().Notches, 0);
        EXPECT_EQ(form_->Scene.Navigation().BaseZoom, 1);
    }
}

// The menu bar from the keyboard with the pointer over the free view, whoever has the focus:
// Alt, Right four times to Info, Down and Return open its first item.
TEST_F(Navigation, TheMenuBarWorksFromTheKeyboardOverTheFreeView) {
    TForm_Plexa3d_Guida guida;
    TForm_Plexa3d_Autore autore;
    TForm_Plexa3d_SitoWeb sitoWeb;
    TForm_Plexa3d_EMail eMail;
    TForm_Plexa3d_Licenza licenza;
    Import(Box("Scatola", 20));
    form_->SetInformationWindows({&guida, &autore, &sitoWeb, &eMail, &licenza});
    for (QWidget* focus :
         {static_cast<QWidget*>(form_->Edit1), static_cast<QWidget*>(form_->Image4)}) {
        SCOPED_TRACE(focus->objectName().toStdString());
        guida.hide();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        QTest::mouseClick(focus, Qt::LeftButton, {}, {5, 5});
        PointerTo(form_->Image4, {200, 150});
        Key(Qt::Key_Alt, Qt::AltModifier);
        for (int i = 0; i < 4; ++i) {
            Key(Qt::Key_Right);
        }
        Key(Qt::Key_Down);
        Key(Qt::Key_Return);
        EXPECT_TRUE(guida.isVisible());
        EXPECT_EQ(form_->Y_Bar2->value(), 0);
    }
}

// Opens a pane's context menu as the right button does and clicks the item with this caption.
void ChooseFromContextMenu(QWidget* pane, const QString& caption) {
    QTimer::singleShot(0, [caption] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == caption) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        menu->close();
        ADD_FAILURE() << "no item " << caption.toStdString();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5}, pane->mapToGlobal(QPoint{5, 5}));
    QApplication::sendEvent(pane, &event);
}

TEST_F(Navigation, ImportOptionsFromEveryPaneAffectLaterImportsOnly) {
    const TMeshSpec second{"Secondo", {{1000, 0, 0}, {1001, 0, 0}, {1000, 1, 0}}, {{0, 1, 2}}};
    const std::string file = dir_.Write("due.3ds", MeshFile({Box("Primo", 20), second}));
    form_->ImportFile(QString::fromStdString(file));
    Redrawn();
    const std::vector<TPoint3D> first(form_->Objects[1]->Vertices.begin(),
                                      form_->Objects[1]->Vertices.end());
    for (TImagePane* pane : {form_->Image1, form_->Image2, form_->Image3, form_->Image4}) {
        ChooseFromContextMenu(pane, QStringLiteral("Modello intero"));
        EXPECT_TRUE(form_->Scene.ImportOptions.WholeModel);
        ChooseFromContextMenu(pane, QStringLiteral("Modello intero"));
        EXPECT_FALSE(form_->Scene.ImportOptions.WholeModel);
    }
    ChooseFromContextMenu(form_->Image2, QStringLiteral("Modello intero"));
    ChooseFromContextMenu(form_->Image3, QStringLiteral("Adatta alla finestra"));
    EXPECT_TRUE(form_->ModelloIntero1->isChecked());
    EXPECT_TRUE(form_->AdattaAllaFinestra1->isChecked());
    form_->ImportFile(QString::fromStdString(file));
    Redrawn();
    EXPECT_EQ(form_->Objects[1]->VertexCount, 8);
    EXPECT_EQ(form_->Objects[2]->VertexCount, 11);
    EXPECT_EQ(form_->Objects[2]->Name, "due.3ds");
    const std::vector<TPoint3D> after(form_->Objects[1]->Vertices.begin(),
                                      form_->Objects[1]->Vertices.end());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), after.begin(),
                           [](auto a, auto b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }));
    // Fitted, the whole model lies within 140 pixels of the top view's origin.
    const TLit top = LitBox(PaneImage(*form_->Image3), background_);
    EXPECT_GE(top.Left, SmallPaneOrigin.X - 141);
    EXPECT_LE(top.Right, SmallPaneOrigin.X + 141);
    EXPECT_GE(top.Top, SmallPaneOrigin.Y - 141);
    EXPECT_LE(top.Bottom, SmallPaneOrigin.Y + 141);
    // The framing items are on the free panes only.
    EXPECT_FALSE(form_->Image1->actions().contains(form_->InquadraTutto1));
    EXPECT_TRUE(form_->Image5->actions().contains(form_->VistaIniziale1));
}

// The three drawing modes are on every pane's menu, one checked at a time, the wireframe at
// start. A choice redraws the free view at once; the fixed views keep their picture.
TEST_F(Navigation, DrawModesFromEveryPaneRedrawTheFreeViewAtOnce) {
    Import(Box("Scatola", 20));
    form_->X_Bar1->setValue(30);
    Redrawn();
    const TTestImage wire = Free();
    const TTestImage front = PaneImage(*form_->Image1);
    QAction* const items[] = {form_->FilDiFerro1, form_->LineeNascoste1, form_->Superfici1};
    EXPECT_TRUE(form_->FilDiFerro1->isChecked());
    for (TImagePane* pane : {form_->Image1, form_->Image2, form_->Image3, form_->Image4}) {
        std::vector<TTestImage> seen;
        for (QAction* item : {items[1], items[2], items[0]}) {
            ChooseFromContextMenu(pane, item->text());
            Redrawn();
            EXPECT_EQ(std::count_if(std::begin(items), std::end(items),
                                    [](QAction* a) { return a->isChecked(); }),
                      1);
            EXPECT_TRUE(item->isChecked()) << item->text().toStdString();
            seen.push_back(Free());
        }
        EXPECT_FALSE(ImagesEqual(seen[0], wire));
        EXPECT_FALSE(ImagesEqual(seen[1], wire));
        EXPECT_FALSE(ImagesEqual(seen[1], seen[0]));
        EXPECT_TRUE(ImagesEqual(seen[2], wire));
        EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image1), front));
    }
    for (QAction* item : items) {
        EXPECT_TRUE(form_->Image5->actions().contains(item));
    }
    // A mode set as --draw sets it checks its item.
    const TDrawMode modes[] = {TDrawMode::Wireframe, TDrawMode::HiddenLines,
                               TDrawMode::SolidSurfaces};
    for (const int i : {1, 2, 0}) {
        form_->SetDrawMode(modes[i]);
        EXPECT_TRUE(items[i]->isChecked()) << items[i]->text().toStdString();
        EXPECT_EQ(form_->Scene.DrawMode, modes[i]);
    }
}

} // namespace
