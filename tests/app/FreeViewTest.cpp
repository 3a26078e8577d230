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

// The free view as the redraw must leave it: background, outlines in slot order, the four lines.
TTestImage ExpectedFreeView(const TTestImage& background, const std::vector<TOutline>& outlines,
                            const std::string& name, int faces, int vertices) {
    TTestImage image = background;
    DrawOutlines(image, outlines);
    DrawTextLine(image, 1, "Visuale Libera XYZ:");
    DrawTextLine(image, 11, "Nome Oggetto:" + name);
    DrawTextLine(image, 21, "Numero Poligoni:" + std::to_string(faces));
    DrawTextLine(image, 31, "Numero Vertici:" + std::to_string(vertices));
    return image;
}

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
    const std::vector<TPoint3D> after = Vertices(1);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].X, before[i].X, 1e-4);
        EXPECT_NEAR(after[i].Y, before[i].Y, 1e-4);
        EXPECT_NEAR(after[i].Z, before[i].Z, 1e-4);
    }
    Turn(0, 0, 360);
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), rest));
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
    const TTestImage expected = ExpectedFreeView(small_,
                                                 {{100, 150, 300, 150, 300, 150, Grey},
                                                  {300, 150, 100, 150, 100, 150, White},
                                                  {100, 250, 300, 50, 300, 50, Grey}},
                                                 "Due", 1, 3);
    const TTestImage drawn = PaneImage(*form_->Image4);
    EXPECT_TRUE(ImagesEqual(drawn, expected));
    EXPECT_EQ(drawn.At(200, 150), Grey); // object 3 lies on top where the lines cross
    EXPECT_EQ(drawn.At(150, 150), White);
    // Objects 1 and 3 stayed at rest.
    EXPECT_NEAR(form_->Objects[1]->Vertices[1].X, -100, 1e-4);
    EXPECT_NEAR(form_->Objects[3]->Vertices[2].Y, 100, 1e-4);
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
    // "Nome Oggetto:" and 80 characters: 93 glyphs, the last at x = 1 + 92 x 8.
    const TTestImage drawn = PaneImage(*form_->Image5);
    EXPECT_TRUE(ImagesEqual(drawn, ExpectedFreeView(full_, {}, name, 0, 1)));
    bool lastGlyph = false;
    for (int x = 737; x < 745; ++x) {
        for (int y = 10; y < 20; ++y) {
            lastGlyph |= drawn.At(x, y) == Green;
        }
    }
    EXPECT_TRUE(lastGlyph);
}

TEST_F(FreeView, PerspectiveAtRestTurnsAndShrinksThePicture) {
    Import(Corner);
    Choose("VisualeProspettica1");
    // (50, 0, -300) -> (167, 150), (0, 20, -300) -> (200, 168), (0, 0, -270) -> (200, 150).
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{167, 150, 200, 168, 200, 150, White}}, "Angolo", 1, 3)));
    Choose("VisualeParallela1");
    EXPECT_TRUE(ImagesEqual(
        PaneImage(*form_->Image4),
        ExpectedFreeView(small_, {{250, 150, 200, 130, 200, 150, White}}, "Angolo", 1, 3)));
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
    const std::vector<TPoint3D> before = Vertices(1);
    TMessageBoxCatcher errors;
    form_->Z_Bar3->setValue(45);
    QTest::qWait(50);
    EXPECT_EQ(errors.Texts(), QStringList{"Invalid floating point operation"});
    EXPECT_FALSE(form_->Timer1->isActive());
    EXPECT_EQ(form_->Edit5->text(), "0"); // not updated by the failed redraw
    const std::vector<TPoint3D> after = Vertices(1);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].X, before[i].X, std::fabs(before[i].X) * 1e-6 + 1e-4);
        EXPECT_NEAR(after[i].Y, before[i].Y, std::fabs(before[i].Y) * 1e-6 + 1e-4);
    }
    Turn(0, 0, 0);
    EXPECT_TRUE(ImagesEqual(PaneImage(*form_->Image4), rest));
}

} // namespace
