#include "FreeViewGestures.h"

#include "ErrorReporting.h"
#include "ImagePane.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

namespace Plexa3DApp {

namespace {

constexpr int WheelNotch = 120; // wheel units of one notch
constexpr int DegreesPerPixel = 1;
constexpr int KeyTurn = 1;
constexpr int ShiftKeyTurn = 15;

} // namespace

TFreeViewGestures::TFreeViewGestures(TFreeViewActions& actions,
                                     std::initializer_list<TImagePane*> panes, QObject* parent)
    : QObject(parent), actions_(actions), panes_(panes) {
    for (TImagePane* pane : panes_) {
        pane->installEventFilter(this);
        pane->setCursor(Qt::OpenHandCursor);
        // Out of the tab chain: only the pointer gives the pane the focus.
        pane->setFocusPolicy(Qt::ClickFocus);
    }
}

bool TFreeViewGestures::eventFilter(QObject* watched, QEvent* event) {
    auto* pane = qobject_cast<TImagePane*>(watched);
    if (pane && std::find(panes_.begin(), panes_.end(), pane) != panes_.end()) {
        bool handled = true;
        RunGuarded([&] {
            switch (event->type()) {
            case QEvent::MouseButtonPress:
                pane->setFocus(Qt::MouseFocusReason);
                handled = Press(*pane, *static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseMove:
                Move(*static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseButtonRelease:
                Release(*pane);
                break;
            case QEvent::MouseButtonDblClick:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    actions_.FrameAll();
                }
                break;
            case QEvent::Wheel:
                pane->setFocus(Qt::MouseFocusReason);
                Wheel(*static_cast<QWheelEvent*>(event));
                break;
            case QEvent::KeyPress:
                handled = Key(*pane, *static_cast<QKeyEvent*>(event));
                break;
            default:
                handled = false;
            }
        });
        return handled;
    }
    return false;
}

bool TFreeViewGestures::Press(TImagePane& pane, const QMouseEvent& event) {
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    if (event.button() == Qt::MiddleButton || (event.button() == Qt::LeftButton && shift)) {
        drag_ = TDrag::Pan;
    } else if (event.button() == Qt::LeftButton) {
        drag_ = TDrag::Turn;
    } else {
        return false; // the right button opens the pane's menu
    }
    last_ = event.position().toPoint();
    pane.setCursor(Qt::ClosedHandCursor);
    return true;
}

void TFreeViewGestures::Move(const QMouseEvent& event) {
    if (drag_ == TDrag::None) {
        return;
    }
    const QPoint at = event.position().toPoint();
    const QPoint by = at - last_;
    last_ = at;
    if (by.isNull()) {
        return;
    }
    if (drag_ == TDrag::Turn) {
        TurnBy(by.x() * DegreesPerPixel, by.y() * DegreesPerPixel);
    } else {
        actions_.PanBy(by.x(), by.y());
    }
}

void TFreeViewGestures::Release(TImagePane& pane) {
    drag_ = TDrag::None;
    pane.setCursor(Qt::OpenHandCursor);
}

void TFreeViewGestures::Wheel(const QWheelEvent& event) {
    wheelRest_ += event.angleDelta().y();
    const int notches = wheelRest_ / WheelNotch;
    wheelRest_ -= notches * WheelNotch;
    if (notches != 0) {
        ZoomBy(notches, event.position().toPoint());
    }
}

// The pane has the focus. The keys zoom about the pointer while it is over the pane, else about
// the pane's centre. A key held with Alt, Control or Meta is left to the menus and shortcuts.
bool TFreeViewGestures::Key(const TImagePane& pane, const QKeyEvent& event) {
    if (event.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) {
        return false;
    }
    const int turn = event.modifiers() & Qt::ShiftModifier ? ShiftKeyTurn : KeyTurn;
    const QPoint pointer = pane.mapFromGlobal(QCursor::pos());
    const QPoint at = pane.rect().contains(pointer) ? pointer : pane.rect().center();
    switch (event.key()) {
    case Qt::Key_Left:
        TurnBy(-turn, 0);
        break;
    case Qt::Key_Right:
        TurnBy(turn, 0);
        break;
    case Qt::Key_Up:
        TurnBy(0, -turn);
        break;
    case Qt::Key_Down:
        TurnBy(0, turn);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomBy(1, at);
        break;
    case Qt::Key_Minus:
        ZoomBy(-1, at);
        break;
    case Qt::Key_Home:
        actions_.ResetView();
        break;
    case Qt::Key_F:
        actions_.FrameAll();
        break;
    default:
        return false;
    }
    return true;
}

// A move to the right turns about Y, a move down about X, as a drag does.
void TFreeViewGestures::TurnBy(int dx, int dy) {
    if (actions_.HasObjects()) {
        actions_.TurnBy(dx, dy);
    }
}

void TFreeViewGestures::ZoomBy(int notches, QPoint at) {
    actions_.ZoomAt(notches, at);
}

} // namespace Plexa3DApp
