// Typing into grid cells as into a spreadsheet's: a click selects the whole text even when the
// cell has the focus already, F2 and a double click edit in place with the caret at the end,
// Ctrl+A selects all; in the row-panel grid a cell reached on another row by a click, an arrow
// key or Enter is selected too, and a check box of another row is ticked by one click. Also
// the bound edit's limit in characters as the user counts them, and the start of a long text
// shown without the focus.

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"
#include "DataControlsFixtures.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TCellEditTest : ::testing::Test {
    TLoggedTable T;
    TTestWindow Window;
    TDataSource Ds{&T.Rs};
    TDBCtrlGrid* Grid = new TDBCtrlGrid(&Window);
    TDBEdit* Code = nullptr;
    TDBEdit* Minutes = nullptr;
    TDBCheckBox* Done = nullptr;

    TCellEditTest() {
        Window.resize(420, 320);
        Grid->setGeometry(0, 20, 400, 5 * 25);
        QWidget* panel = Grid->Panel();
        Code = new TDBEdit(panel);
        Code->setGeometry(2, 2, 90, 21);
        Code->SetDataField(S("Code"));
        Minutes = new TDBEdit(panel);
        Minutes->setGeometry(96, 2, 60, 21);
        Minutes->SetDataField(S("Note")); // free text, so that typing shows plainly
        Minutes->SetCellMode(true);
        Done = new TDBCheckBox(panel);
        Done->setGeometry(162, 4, 18, 18);
        Done->SetDataField(S("Done"));
        for (auto* edit : {Code, Minutes})
            edit->SetDataSource(&Ds);
        Done->SetDataSource(&Ds);
        Grid->SetDataSource(&Ds);
        Grid->show();
        for (int recNo = 1; recNo <= 3; ++recNo) {
            T.Rs.SetRecNo(recNo);
            T.Rs.Edit();
            T.F("Note").SetAsString(S("note %1").arg(recNo));
            T.Rs.Post();
        }
        T.Rs.First();
        QApplication::processEvents();
    }

    // A click in a row's cell, where the control of that column stands.
    void ClickCell(int row, QWidget* control) {
        const QPoint point(control->geometry().center().x(), row * 25 + 12);
        QWidget* target = Grid->childAt(point);
        if (!target) target = Grid;
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(Grid, point));
        QApplication::processEvents();
    }
    bool WholeTextSelected(QLineEdit* edit) const {
        return edit->hasFocus() && !edit->text().isEmpty() && edit->selectedText() == edit->text();
    }
};

TEST_F(TCellEditTest, AClickSelectsTheCellEvenWhenItHasTheFocusAndF2EditsInPlace) {
    ClickCell(0, Minutes);
    ASSERT_TRUE(WholeTextSelected(Minutes)) << "the first click";
    QTest::mouseClick(Minutes, Qt::LeftButton, Qt::NoModifier, QPoint(8, 10));
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "the click again does not place the caret";
    QTest::keyClicks(Minutes, S("typed"));
    EXPECT_EQ(Minutes->text(), S("typed")) << "what is typed replaces";

    QTest::keyClick(Minutes, Qt::Key_F2);
    EXPECT_FALSE(Minutes->hasSelectedText());
    EXPECT_EQ(Minutes->cursorPosition(), Minutes->text().size()) << "F2: the caret at the end";
    EXPECT_TRUE(Minutes->EditingInPlace());
    QTest::mouseClick(Minutes, Qt::LeftButton, Qt::NoModifier, QPoint(4, 10));
    EXPECT_FALSE(Minutes->hasSelectedText()) << "editing in place, a click places the caret";
    QTest::keyClick(Minutes, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "Ctrl+A";

    // Left and come back: a cell again. A double click edits in place.
    Code->setFocus(Qt::TabFocusReason);
    Minutes->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(Minutes->EditingInPlace());
    EXPECT_TRUE(WholeTextSelected(Minutes));
    QTest::mouseDClick(Minutes, Qt::LeftButton, Qt::NoModifier, QPoint(8, 10));
    EXPECT_FALSE(Minutes->hasSelectedText());
    EXPECT_EQ(Minutes->cursorPosition(), Minutes->text().size());
    // An edit that is no cell places the caret on a click into it while it has the focus.
    Code->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(Code, Qt::LeftButton, Qt::NoModifier, QPoint(4, 10));
    EXPECT_FALSE(Code->hasSelectedText());
}

TEST_F(TCellEditTest, ACellReachedOnAnotherRowByClickArrowOrEnterIsSelected) {
    ClickCell(0, Minutes);
    QTest::keyClick(Minutes, Qt::Key_F2); // not selected now
    ClickCell(1, Minutes);                // the same column of the next row
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_EQ(Minutes->text(), S("note 2"));
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "clicked on another row";

    QTest::keyClick(Minutes, Qt::Key_Down);
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "Down";
    QTest::keyClick(Minutes, Qt::Key_Up);
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "Up";

    QTest::keyClicks(Minutes, S("changed"));
    QTest::keyClick(Minutes, Qt::Key_Return);
    EXPECT_EQ(T.Rs.RecNo(), 3) << "Enter goes down a row";
    EXPECT_TRUE(WholeTextSelected(Minutes)) << "Enter";
    T.Rs.SetRecNo(2);
    EXPECT_EQ(T.F("Note").AsString(), S("changed")) << "written before moving";
}

// One click on the check box of a row that is not the current one moves there and ticks it.
TEST_F(TCellEditTest, ACheckBoxOfAnotherRowIsTickedByOneClick) {
    int clicks = 0;
    QObject::connect(Done, &QCheckBox::clicked, [&] { ++clicks; });
    ASSERT_FALSE(T.F("Done").AsBoolean());
    ClickCell(2, Done);
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_TRUE(T.F("Done").AsBoolean()) << "ticked by the one click";
    EXPECT_EQ(clicks, 1) << "as a click on the box itself says";
    ClickCell(1, Done); // row 2 is ticked: one click clears it
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_FALSE(T.F("Done").AsBoolean());
    EXPECT_EQ(clicks, 2);
    ClickCell(2, Code); // a click on another control ticks nothing
    EXPECT_EQ(clicks, 2);
}

// The field holds ten characters as the user counts them: the rocket takes one place.
TEST_F(TCellEditTest, AnEditTakesAsManyCharactersAsItsFieldHolds) {
    const QString rocket = QString::fromUtf8("\xF0\x9F\x9A\x80");
    Code->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(Code, S("ABCDEFGHI"));
    Code->insert(rocket);
    EXPECT_EQ(Code->text(), S("ABCDEFGHI") + rocket);
    QTest::keyClicks(Code, S("X"));
    EXPECT_EQ(Code->text(), S("ABCDEFGHI") + rocket) << "an eleventh character is refused";
    Minutes->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(T.F("Code").AsString(), S("ABCDEFGHI") + rocket);
}

// Without the focus a long text shows its start, as the drawn rows show theirs.
TEST_F(TCellEditTest, ALongTextShowsItsStartWithoutTheFocus) {
    T.Rs.Edit();
    T.F("Note").SetAsString(S("Core Data Migration"));
    T.Rs.Post();
    Code->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Minutes->cursorPosition(), 0);
    Minutes->setFocus(Qt::TabFocusReason);
    Code->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Minutes->cursorPosition(), 0) << "left again";
}

} // namespace
