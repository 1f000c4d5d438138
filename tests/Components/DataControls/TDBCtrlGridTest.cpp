// The row-panel grid: rows drawn through the template with each row made the active buffer,
// only the visible ones; the live panel following the cursor; clicks, keys and the scroll bar
// moving the cursor in the order a Delphi grid uses; a pending new row.

#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "DataControlsFixtures.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

struct TDBCtrlGridTest : ::testing::Test {
    TLoggedTable T;
    TTestWindow Window;
    TDataSource Ds{&T.Rs};
    TDBCtrlGrid* Grid = new TDBCtrlGrid(&Window);
    TDBEdit* Code = nullptr;
    TDBEdit* Minutes = nullptr;
    TDBCheckBox* Done = nullptr;

    TDBCtrlGridTest() {
        Window.resize(420, 320);
        Grid->setGeometry(0, 20, 400, 5 * 25);
        QWidget* panel = Grid->Panel();
        Code = new TDBEdit(panel);
        Code->setObjectName(S("dbeCode"));
        Code->setGeometry(2, 2, 90, 21);
        Code->SetDataField(S("Code"));
        Minutes = new TDBEdit(panel);
        Minutes->setObjectName(S("dbeMinutes"));
        Minutes->setGeometry(96, 2, 60, 21);
        Minutes->SetDataField(S("Minutes"));
        Done = new TDBCheckBox(panel);
        Done->setGeometry(162, 4, 18, 18);
        Done->SetDataField(S("Done"));
        auto* caption = new QLabel(S("row"), panel);
        caption->setGeometry(190, 4, 40, 18);
        for (auto* edit : {Code, Minutes})
            edit->SetDataSource(&Ds);
        Done->SetDataSource(&Ds);
        Grid->SetDataSource(&Ds);
        Grid->show();
    }

    void AddRows(int count) {
        for (int i = 0; i < count; ++i) {
            T.Rs.Append();
            T.F("Code").SetAsString(S("N%1").arg(i + 1));
            T.F("Minutes").SetAsFloat(i);
            T.Rs.Post();
        }
        T.Rs.First();
    }

    void Click(const QPoint& point) {
        QMouseEvent press(QEvent::MouseButtonPress, point, Grid->mapToGlobal(point), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Grid, &press);
        QApplication::processEvents();
    }

    // The codes of the rows the grid draws, by panel index, read in its paint hook.
    QStringList PaintedCodes() {
        QStringList codes(Grid->RowCount());
        Grid->OnPaintPanel = [&](TDBCtrlGrid&, int index, QPainter&, const QRect&) {
            if (index >= 0 && index < codes.size()) codes[index] = T.F("Code").AsString();
        };
        Grid->grab();
        Grid->OnPaintPanel = nullptr;
        return codes;
    }

    void Screenshot(const char* name) {
        const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
        if (!dir.isEmpty()) Window.grab().save(QDir(dir).filePath(S(name)));
    }
};

TEST_F(TDBCtrlGridTest, DrawsEveryVisibleRowThroughTheTemplateAndOnlyThose) {
    AddRows(197); // 200 rows
    EXPECT_EQ(Grid->RowCount(), 5);
    EXPECT_EQ(Grid->Rows(), 200);
    EXPECT_EQ(Grid->Panel()->geometry(), QRect(0, 0, Grid->PanelWidth(), 25));
    EXPECT_TRUE(Grid->findChild<QScrollBar*>()->isEnabled());
    EXPECT_EQ(PaintedCodes(), (QStringList{S("C1"), S("C2"), S("C3"), S("N1"), S("N2")}));

    int calculated = 0;
    T.Rs.OnCalcFields = [&](TRecordSet&) { ++calculated; };
    Grid->grab();
    EXPECT_LE(calculated, 5); // one per drawn row, never the whole table

    T.Rs.Last();
    EXPECT_EQ(Grid->TopRow(), 195);
    EXPECT_EQ(Grid->PanelIndex(), 4);
    EXPECT_EQ(Grid->Panel()->y(), 100);
    EXPECT_EQ(PaintedCodes().first(), S("N193"));
    EXPECT_EQ(Code->text(), S("[N197]"));

    // Rows going away pull the view back; a taller grid shows more rows.
    T.Rs.SetFilter(S("Code = 'C2' OR Code = 'C3'"));
    T.Rs.SetFiltered(true);
    EXPECT_EQ(Grid->TopRow(), 0);
    EXPECT_EQ(PaintedCodes().mid(0, 3), (QStringList{S("C2"), S("C3"), QString()}));
    EXPECT_FALSE(Grid->findChild<QScrollBar*>()->isEnabled());
    Grid->resize(400, 8 * 25 + 10);
    EXPECT_EQ(Grid->RowCount(), 8);
}

TEST_F(TDBCtrlGridTest, AClickLeavesTheControlThenMovesAndFocusesTheControlUnderIt) {
    QObject::connect(Code, &TDBEdit::exited,
                     [&] { T.Log << S("exited ") + T.F("Code").AsString(); });
    QObject::connect(Minutes, &TDBEdit::entered,
                     [&] { T.Log << S("entered ") + Minutes->displayText(); });
    Code->setFocus(Qt::TabFocusReason);
    SendKey(Code, Qt::Key_End);
    TypeText(Code, S("z"));
    T.Log.clear();
    Click(QPoint(100, 2 * 25 + 10)); // the minutes of the third row
    EXPECT_EQ(T.Log.mid(0, 11),
              (QStringList{S("SetText Code 'C1z'"), S("Validate Code"), S("Calc"), S("Change Code"),
                           S("exited C1Z"), S("BeforePost"), S("Calc"), S("AfterPost"), S("Calc"),
                           S("AfterScroll"), S("entered 01:30")}));
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_EQ(QApplication::focusWidget(), Minutes);
    EXPECT_EQ(Grid->Panel()->y(), 50);
    T.Rs.First();
    EXPECT_EQ(T.F("Code").AsString(), S("C1Z"));
}

TEST_F(TDBCtrlGridTest, ARefusedValueStopsTheClickAndTheKeys) {
    Minutes->setFocus(Qt::TabFocusReason);
    SendKey(Minutes, Qt::Key_Home);
    TypeText(Minutes, S("99"));
    Click(QPoint(10, 25 + 10));
    EXPECT_EQ(T.Errors.size(), 1);
    EXPECT_EQ(T.Rs.RecNo(), 1);
    EXPECT_EQ(QApplication::focusWidget(), Minutes);
    SendKey(Minutes, Qt::Key_Down);
    EXPECT_EQ(T.Errors.size(), 2);
    EXPECT_EQ(T.Rs.RecNo(), 1);

    // Corrected, Down writes the text (without leaving the control) and moves on.
    SendKey(Minutes, Qt::Key_Home);
    TypeText(Minutes, S("0145"));
    SendKey(Minutes, Qt::Key_Down);
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_EQ(QApplication::focusWidget(), Minutes);
    EXPECT_EQ(Minutes->displayText(), S("01:00"));
    SendKey(Minutes, Qt::Key_Up);
    EXPECT_EQ(Minutes->displayText(), S("01:45"));
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);

    // An exit handler that keeps the focus stops the click as well.
    QObject::connect(Code, &TDBEdit::exited, [&] {
        if (T.F("Code").AsString().isEmpty()) Code->KeepFocus();
    });
    Code->setFocus(Qt::TabFocusReason);
    SendKey(Code, Qt::Key_Backspace);
    Click(QPoint(10, 2 * 25 + 10));
    EXPECT_EQ(T.Rs.RecNo(), 1);
    EXPECT_EQ(QApplication::focusWidget(), Code);
    EXPECT_EQ(T.F("Code").AsString(), QString());

    // The context menu hook.
    QPoint asked;
    QObject::connect(Grid, &TDBCtrlGrid::contextMenuRequested, [&](const QPoint& p) { asked = p; });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 205));
    QApplication::sendEvent(Grid, &menu);
    EXPECT_EQ(asked, QPoint(105, 205));
}

TEST_F(TDBCtrlGridTest, APendingNewRowStandsWhereInsertPutsItAndIsDroppedUnchanged) {
    T.Rs.Next(); // C2
    T.Rs.Insert();
    EXPECT_EQ(Grid->Rows(), 4);
    EXPECT_EQ(Grid->CurrentRow(), 1);
    EXPECT_EQ(Grid->Panel()->y(), 25);
    EXPECT_EQ(PaintedCodes(), (QStringList{S("C1"), QString(), S("C2"), S("C3"), QString()}));
    Click(QPoint(10, 3 * 25 + 5)); // C3, below the new row
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(T.Rs.RecordCount(), 3);
    EXPECT_EQ(T.F("Code").AsString(), S("C3"));

    // Through the scroll bar and the wheel.
    AddRows(10);
    Grid->findChild<QScrollBar*>()->setValue(7);
    EXPECT_EQ(T.Rs.RecNo(), 8);
    QWheelEvent wheel(QPointF(10, 10), Grid->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Grid, &wheel);
    EXPECT_EQ(T.Rs.RecNo(), 10);
}

TEST_F(TDBCtrlGridTest, AnEditLaidOverALookupBoxAndColouredRows) {
    // A code typed into a borderless edit laid over the text area of a lookup box whose list
    // shows a summary of each code.
    TRecordSet codes;
    codes.AddField(S("Code"), TFieldType::String, 10);
    codes.AddField(S("Summary"), TFieldType::String, 40);
    codes.CreateDataSet();
    for (const char* code : {"C1", "C2", "C3", "N1"}) {
        codes.Append();
        codes.FieldByName(S("Code")).SetAsString(S(code));
        codes.FieldByName(S("Summary")).SetAsString(S(code) + S(" - summary"));
        codes.Post();
    }
    TDataSource list(&codes);
    Code->hide();
    auto* box = new TDBLookupComboBox(Grid->Panel());
    box->setGeometry(240, 2, 110, 21);
    box->SetDataSource(&Ds);
    box->SetDataField(S("Code"));
    box->SetListSource(&list);
    box->SetKeyField(S("Code"));
    box->SetListField(S("Summary"));
    box->setFocusPolicy(Qt::NoFocus);
    auto* overlay = new TDBEdit(Grid->Panel());
    overlay->setFrame(false);
    overlay->setGeometry(box->geometry().translated(box->TextRect().topLeft()).topLeft().x(),
                         box->y() + box->TextRect().y(), box->TextRect().width(),
                         box->TextRect().height());
    overlay->SetDataSource(&Ds);
    overlay->SetDataField(S("Code"));
    overlay->raise();
    box->show();
    overlay->show();
    EXPECT_EQ(box->DisplayText(), S("C1 - summary"));

    AddRows(200);
    Grid->OnPaintPanel = [&](TDBCtrlGrid&, int, QPainter& painter, const QRect& rect) {
        if (T.F("Done").AsBoolean()) painter.fillRect(rect, QColor(255, 255, 200));
    };
    T.Rs.Next();
    overlay->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    Screenshot("dbctrlgrid.png");
    EXPECT_EQ(Grid->PanelIndex(), 1);
    EXPECT_EQ(overlay->text(), S("C2"));

    // A click on a drawn row focuses the topmost control there that takes a click; a
    // read-only overlay that does not lets the box beneath have it.
    Click(QPoint(260, 2 * 25 + 10));
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_EQ(QApplication::focusWidget(), overlay);
    overlay->setFocusPolicy(Qt::NoFocus);
    box->setFocusPolicy(Qt::ClickFocus);
    Click(QPoint(260, 3 * 25 + 10));
    EXPECT_EQ(T.Rs.RecNo(), 4);
    EXPECT_EQ(QApplication::focusWidget(), box);
    box->SetListSource(nullptr); // the list goes before the window
}

} // namespace
