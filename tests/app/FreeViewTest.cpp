#include "AppTestSupport.h"
#include "TempDir.h"
#include "Writer3DS.h"
#include "ZuveloGraphLibrary.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace Plexa3DApp;
using namespace Plexa3DTest;
using namespace ZuveloGraphLibrary;
using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;

class FreeView : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = NewMainWindow();
        small_ = PaneImage(*form_->DefaultBackground);
        full_ = PaneImage(*form_->DefaultBackgroundFull);
    }
    void Import(const TMeshSpec& mesh) {
        form_->ImportFile(QString::fromStdString(dir_.Write(mesh.Name + ".3ds", MeshFile({mesh}))));
        ASSERT_TRUE(WaitForRedraw(*form_));
    }
    // Moves the scroll bars as a user would and waits for the redraw they request.
    void Turn(int x, int y, int z) {
        form_->X_Bar1->setValue(x);
        form_->Y_Bar2->setValue(y);
        form_->Z_Bar3->setValue(z);
        ASSERT_TRUE(WaitForRedraw(*form_));
    }
    void Choose(const char* item) {
        ChooseMenuItem(*form_, item);
        ASSERT_TRUE(WaitForRedraw(*form_));
    }
    std::vector<TPoint3D> Vertices(int slot) const {
        const TObject3D& o = *form_->Objects[slot];
        return {o.Vertices.begin(), o.Vertices.end()};
    }

    TTempDir dir_;
    std::unique_ptr<TForm1> form_;
    TTestImage small_{1, 1};
    TTestImage full_{1, 1};
};

TEST_F(FreeView, FirstTickWithoutObjectsDrawsNothing) {
    const TTestImage before = PaneImage(*form_->Image4);
    QSignalSpy redrawn(form_.get(), &TForm1::FreeViewRedrawn);
    QTest::qWait(30);
    EXPECT_FALSE(form_->Timer1->isActive());
    EXPECT_EQ(redrawn.count(), 0);
    for (QLineEdit* edit : {form_->Edit3, form_->Edit4, form_->Edit5}) {
        EXPECT_EQ(edit->text(), "");
    }
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), before));
}

TEST_F(FreeView, AtRestItShowsTheTopViewAndTheFourLines) {
    Import(Corner);
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{250, 150, 200, 130, 200, 150, White}}, "Angolo", 1, 3)));
    for (QLineEdit* edit : {form_->Edit3, form_->Edit4, form_->Edit5}) {
        EXPECT_EQ(edit->text(), "0");
    }
}

TEST_F(FreeView, ScrollBarsTurnTheObjectIntoTheFrontAndSideViews) {
    Import(Corner);
    Turn(90, 0, 0);
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{250, 150, 200, 150, 200, 120, White}}, "Angolo", 1, 3)));
    EXPECT_EQ(form_->Edit3->text(), "90");
    Turn(90, 270, 0);
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{200, 150, 180, 150, 200, 120, White}}, "Angolo", 1, 3)));
    EXPECT_EQ(form_->Edit4->text(), "270");
}

TEST_F(FreeView, TurningAndTurningBackRestoresThePicture) {
    Import(Corner);
    const TTestImage rest = PaneImage(*form_->Image4);
    const std::vector<TPoint3D> before = Vertices(1);
    Turn(30, 40, 0);
    EXPECT_FALSE(ImagesEqual(PaneImage(*form_->Image4), rest));
    Turn(0, 0, 0);
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), rest));
    EXPECT_TRUE(form_->Scene.CurrentAtRest());
    EXPECT_EQ(Vertices(1).size(), before.size());
}

TEST_F(FreeView, CurrentObjectIsWhiteAndTurnedOthersGreyInSlotOrder) {
    // Three crossing bars: a horizontal one, a vertical one, then a diagonal one.
    Import({"Uno", {{-20, 0, 0}, {20, 0, 0}, {20, 0, 0}}, {{0, 1, 2}}});
    Import({"Due", {{0, -20, 0}, {0, 20, 0}, {0, 20, 0}}, {{0, 1, 2}}});
    Import({"Tre", {{-20, -20, 0}, {20, 20, 0}, {20, 20, 0}}, {{0, 1, 2}}});
    form_->StringGrid1->setCurrentCell(2, 1); // row 2: object 2
    ASSERT_TRUE(WaitForRedraw(*form_));
    EXPECT_EQ(form_->CurrentObject, 2);
    Turn(0, 0, 90); // object 2 turns from vertical to horizontal: (0, +-100) -> (-+100, 0)
    const TTestImage drawn = PaneImage(*form_->Image4);
    EXPECT_EQ(drawn.At(200, 150), Grey); // object 3 lies on top where the lines cross
    EXPECT_EQ(drawn.At(150, 150), White);
}

TEST_F(FreeView, GridSelectionChoosesTheObjectByMouseAndKeyboard) {
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    // With no objects the empty row selects object 0, and the redraw draws nothing.
    form_->StringGrid1->setCurrentCell(1, 0);
    form_->StringGrid1->setCurrentCell(1, 1);
    EXPECT_EQ(form_->CurrentObject, 0);
    Import(Corner);
    Import({"Secondo", {{1, 1, 1}}, {}});
    TStringGrid& grid = *form_->StringGrid1;
    const auto click = [&](int column, int row) {
        const QRect cell = grid.visualRect(grid.model()->index(row, column));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_TRUE(WaitForRedraw(*form_));
    };
    click(1, 1);
    EXPECT_EQ(form_->CurrentObject, 1);
    click(1, 3); // the empty row below the list
    EXPECT_EQ(form_->CurrentObject, 2);
    QTest::keyClick(grid.viewport(), Qt::Key_Up);
    QTest::keyClick(grid.viewport(), Qt::Key_Up);
    ASSERT_TRUE(WaitForRedraw(*form_));
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(form_->CurrentObject, 1);
    QTest::keyClick(grid.viewport(), Qt::Key_Up); // the header row cannot be selected
    EXPECT_EQ(grid.currentRow(), 1);
    // The name cells can be edited; that changes only the grid's text.
    grid.SetCell(1, 1, "Rinominato");
    click(1, 1);
    EXPECT_EQ(form_->Objects[1]->Name, "Angolo");
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{250, 150, 200, 130, 200, 150, White}}, "Angolo", 1, 3)));
}

TEST_F(FreeView, OnePaneLayoutAndBack) {
    Import(Corner);
    const TTestImage front = PaneImage(*form_->Image1);
    Choose("N1Finestra1");
    EXPECT_EQ(form_->ViewMode, 1);
    EXPECT_TRUE(form_->Image5->isVisibleTo(form_.get()));
    EXPECT_FALSE(form_->Image1->isVisibleTo(form_.get()));
    EXPECT_FALSE(form_->Image4->isVisibleTo(form_.get()));
    // Around (400, 320), clipped to 800 x 600.
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image5),
        ExpectedFreeView(full_, {{450, 320, 400, 300, 400, 320, White}}, "Angolo", 1, 3)));
    Choose("N4Finestre1");
    EXPECT_EQ(form_->ViewMode, 0);
    EXPECT_TRUE(form_->Image1->isVisibleTo(form_.get()));
    EXPECT_FALSE(form_->Image5->isVisibleTo(form_.get()));
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image1), front));
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{250, 150, 200, 130, 200, 150, White}}, "Angolo", 1, 3)));
}

TEST_F(FreeView, LongNamesAreShownWhole) {
    const std::string name(80, 'N');
    Import({name, {{1, 1, 1}}, {}});
    Choose("N1Finestra1");
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image5), ExpectedFreeView(full_, {}, name, 0, 1)));
}

TEST_F(FreeView, PerspectiveAtRestTurnsAndShrinksThePicture) {
    Import(Corner);
    const TTestImage parallel = PaneImage(*form_->Image4);
    Choose("VisualeProspettica1");
    EXPECT_EQ(ProjectionMode, PerspectiveProjection);
    EXPECT_FALSE(ImagesEqual(PaneImage(*form_->Image4), parallel));
    Choose("VisualeParallela1");
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), parallel));
}

TEST_F(FreeView, ManyRequestsBeforeATickGiveOneRedraw) {
    Import(Corner);
    QSignalSpy redrawn(form_.get(), &TForm1::FreeViewRedrawn);
    for (int angle = 1; angle <= 20; ++angle) {
        form_->X_Bar1->setValue(angle);
        form_->Y_Bar2->setValue(angle);
    }
    ChooseMenuItem(*form_, "VisualeParallela1");
    form_->StringGrid1->setCurrentCell(1, 1);
    QTest::qWait(50);
    EXPECT_EQ(redrawn.count(), 1);
    EXPECT_EQ(form_->Edit3->text(), "20");
}

TEST_F(FreeView, FailedRedrawLeavesTheObjectAtRest) {
    // Far out but drawable at rest; turned by 45 degrees its y passes the 64-bit range.
    Import({"Enorme", {{1.6e18f, 1.6e18f, 0}, {0, 0, 0}, {2, 0, 0}}, {{0, 1, 2}}});
    const TTestImage rest = PaneImage(*form_->Image4);
    TMessageBoxCatcher errors;
    form_->Z_Bar3->setValue(45);
    QTest::qWait(50);
    EXPECT_EQ(errors.Texts(), QStringList{"Invalid floating point operation"});
    EXPECT_FALSE(form_->Timer1->isActive());
    EXPECT_EQ(form_->Edit5->text(), "0"); // not updated by the failed redraw
    EXPECT_TRUE(form_->Scene.CurrentAtRest());
    Turn(0, 0, 0);
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), rest));
}

// A bar held down steps on its own, and its button's release goes to the error's box: it stops at
// the first step whose redraw fails, which gives one box, not one more at every step.
TEST_F(FreeView, ABarHeldDownStopsAtTheFirstFailedRedraw) {
    // Drawable turned by 1 degree, not by 2.
    Import({"Enorme", {{1.8e18f, 1.8e18f, 0}, {0, 0, 0}, {2, 0, 0}}, {{0, 1, 2}}});
    TMessageBoxCatcher errors;
    QScrollBar& bar = *form_->Z_Bar3;
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 20, bar.height() / 2));
    for (int wait = 0; wait < 500 && errors.Texts().isEmpty(); ++wait) {
        QTest::qWait(10);
    }
    QTest::qWait(500); // ten steps of a bar held down
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 20, bar.height() / 2));
    ASSERT_FALSE(errors.Texts().isEmpty());
    EXPECT_EQ(errors.Texts().front(), "Invalid floating point operation");
    EXPECT_EQ(errors.Texts().size(), 1);
    EXPECT_EQ(bar.value(), 2);
}

} // namespace
