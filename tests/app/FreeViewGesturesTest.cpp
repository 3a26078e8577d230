// The gestures on a bare pane, with a record of what they ask of the free view.
#include "FreeViewGestures.h"
#include "ImagePane.h"

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace Plexa3DApp;

class TRecordedActions final : public TFreeViewActions {
public:
    bool Objects = true;
    std::string Done;

    bool HasObjects() const override { return Objects; }
    void TurnBy(int y, int x) override { Add("turn " + Pair(y, x)); }
    void PanBy(int dx, int dy) override { Add("pan " + Pair(dx, dy)); }
    void ZoomAt(int notches, QPoint at) override {
        Add("zoom " + std::to_string(notches) + " at " + Pair(at.x(), at.y()));
    }
    void FrameAll() override { Add("frame"); }
    void ResetView() override { Add("reset"); }

private:
    static std::string Pair(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }
    void Add(const std::string& s) { Done += (Done.empty() ? "" : "; ") + s; }
};

void Wheel(QWidget& pane, QPoint at, int delta) {
    QWheelEvent wheel(at, pane.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&pane, &wheel);
}

void Drag(TImagePane& pane, Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&pane, button, {}, from);
    QTest::mouseMove(&pane, to);
    QTest::mouseRelease(&pane, button, {}, to);
}

TEST(FreeViewGestures, EachGestureAsksTheFreeViewForItsChange) {
    const struct {
        const char* Name;
        bool Objects;
        std::function<void(TImagePane&)> Gesture;
        const char* Done;
    } cases[] = {
        {"a click without movement", true,
         [](TImagePane& p) {
             QTest::mouseClick(&p, Qt::LeftButton, {}, {50, 50});
         },
         ""},
        {"a left drag", true,
         [](TImagePane& p) {
             Drag(p, Qt::LeftButton, {50, 50}, {53, 48});
         },
         "turn 3,-2"},
        {"a left drag without objects", false,
         [](TImagePane& p) {
             Drag(p, Qt::LeftButton, {50, 50}, {53, 48});
         },
         ""},
        {"a middle drag", true,
         [](TImagePane& p) {
             Drag(p, Qt::MiddleButton, {50, 50}, {40, 57});
         },
         "pan -10,7"},
        {"a double click", true,
         [](TImagePane& p) {
             QTest::mouseDClick(&p, Qt::LeftButton, {}, {5, 6});
         },
         "frame"},
        {"a wheel notch in two halves", true,
         [](TImagePane& p) {
             Wheel(p, {30, 40}, 60);
             Wheel(p, {30, 40}, 60);
             Wheel(p, {30, 40}, -240);
         },
         "zoom 1 at 30,40; zoom -2 at 30,40"},
        {"keys after a click", true,
         [](TImagePane& p) {
             QTest::mouseClick(&p, Qt::LeftButton, {}, {50, 50});
             QTest::keyClick(&p, Qt::Key_Right);
             QTest::keyClick(&p, Qt::Key_Left);
             QTest::keyClick(&p, Qt::Key_Up);
             QTest::keyClick(&p, Qt::Key_Up, Qt::ShiftModifier);
             QTest::keyClick(&p, Qt::Key_Home);
             QTest::keyClick(&p, Qt::Key_F);
             QTest::keyClick(&p, Qt::Key_A); // not the free view's
             // With Alt, Control or Meta a key belongs to the menus and shortcuts.
             QTest::keyClick(&p, Qt::Key_F, Qt::AltModifier);
             QTest::keyClick(&p, Qt::Key_Right, Qt::ControlModifier);
             QTest::keyClick(&p, Qt::Key_Down, Qt::MetaModifier);
         },
         "turn 1,0; turn -1,0; turn 0,-1; turn 0,-15; reset; frame"},
        {"+ and - with the pointer over the pane: about the pointer", true,
         [](TImagePane& p) {
             QTest::mouseClick(&p, Qt::LeftButton, {}, {50, 50});
             QCursor::setPos(p.mapToGlobal(QPoint(30, 40)));
             QTest::keyClick(&p, Qt::Key_Plus);
             QTest::keyClick(&p, Qt::Key_Minus);
         },
         "zoom 1 at 30,40; zoom -1 at 30,40"},
        {"+ with the pointer beside the pane: about its centre", true,
         [](TImagePane& p) {
             QTest::mouseClick(&p, Qt::LeftButton, {}, {50, 50});
             QCursor::setPos(p.mapToGlobal(QPoint(-1, 40)));
             QTest::keyClick(&p, Qt::Key_Plus);
         },
         "zoom 1 at 199,149"},
    };
    for (const auto& c : cases) {
        QWidget window;
        auto* pane = new TImagePane(&window);
        pane->resize(400, 300);
        window.show();
        TRecordedActions actions;
        actions.Objects = c.Objects;
        TFreeViewGestures gestures(actions, {pane});
        c.Gesture(*pane);
        EXPECT_EQ(actions.Done, c.Done) << c.Name;
    }
}

} // namespace
