// The mouse and keyboard on the free view: a left drag turns the current object through the
// scroll bars (one degree a pixel), the wheel zooms about the pointer, a middle drag or a drag with
// Shift pans, a double click frames everything. A click or any of these gestures gives the pane the
// keyboard focus; while it has it, the arrow keys turn by one degree (fifteen with Shift), + and -
// zoom, Home gives back the initial view and F frames everything. Every other key, and every key
// while another widget has the focus, goes where it would go without the gestures.
#pragma once

#include <QObject>
#include <QPoint>

#include <initializer_list>
#include <vector>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace Plexa3DApp {

class TImagePane;

// What the gestures do to the free view: the window that shows it fills these in.
class TFreeViewActions {
public:
    virtual ~TFreeViewActions() = default;
    virtual bool HasObjects() const = 0;
    // Turns the current object by whole degrees about Y and X, through the scroll bars.
    virtual void TurnBy(int aboutY, int aboutX) = 0;
    virtual void PanBy(int dx, int dy) = 0;
    virtual void ZoomAt(int notches, QPoint at) = 0; // about the pane pixel `at`
    virtual void FrameAll() = 0;
    virtual void ResetView() = 0;
};

class TFreeViewGestures : public QObject {
    Q_OBJECT

public:
    // Watches the free panes (one shown at a time): their mouse, wheel and key events.
    TFreeViewGestures(TFreeViewActions& actions, std::initializer_list<TImagePane*> panes,
                      QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TDrag { None, Turn, Pan };

    bool Press(TImagePane& pane, const QMouseEvent& event);
    void Move(const QMouseEvent& event);
    void Release(TImagePane& pane);
    void Wheel(const QWheelEvent& event);
    bool Key(const TImagePane& pane, const QKeyEvent& event);
    void TurnBy(int dx, int dy);
    void ZoomBy(int notches, QPoint at);

    TFreeViewActions& actions_;
    std::vector<TImagePane*> panes_;
    TDrag drag_ = TDrag::None;
    QPoint last_;
    int wheelRest_ = 0; // wheel units short of a whole notch
};

} // namespace Plexa3DApp
