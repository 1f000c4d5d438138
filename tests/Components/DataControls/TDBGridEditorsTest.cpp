// The table grid's column widths and special cell editors: titles never cut, widths the user
// set kept while the rows are read anew; the notes box inside the grid with its line breaks
// and its Enter; the date picker of an empty date; a right click on any editor asking the grid
// for its menu.

#include "Components/DataControls/TDBGrid.h"
#include "DataControlsFixtures.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Name string(20), Notes memo, Due date-time (empty when 0), Town string(20).
struct TNotesTable {
    TRecordSet Rs;
    TNotesTable() {
        Rs.AddField(S("Name"), TFieldType::String, 20);
        Rs.AddField(S("Notes"), TFieldType::Memo);
        TField& due = Rs.AddField(S("Due"), TFieldType::DateTime);
        Rs.AddField(S("Town"), TFieldType::String, 20);
        Rs.CreateDataSet();
        due.OnGetText = [](TField& f, QString& text, bool) {
            text = f.AsDateTime() == 0 ? QString() : DateToStr(f.AsDateTime());
        };
        due.OnSetText = [](TField& f, const QString& text) {
            if (text.trimmed().isEmpty())
                f.SetAsDateTime(0);
            else
                f.SetAsString(text);
        };
        for (int i = 0; i < 6; ++i) {
            Rs.Append();
            Rs.FieldByName(S("Name")).SetAsString(S("Row%1").arg(i));
            Rs.FieldByName(S("Due")).SetAsDateTime(0);
            Rs.Post();
        }
        Rs.First();
    }
    TField& F(const char* name) { return Rs.FieldByName(S(name)); }
};

TDBGridColumn Column(const char* field, const char* title, int width,
                     TDBGridEditor editor = TDBGridEditor::Default) {
    TDBGridColumn column;
    column.FieldName = S(field);
    column.Title = S(title);
    column.Width = width;
    column.Editor = editor;
    return column;
}

struct TDBGridEditorsTest : ::testing::Test {
    TNotesTable T;
    TTestWindow Window;
    TDataSource Ds{&T.Rs};
    TDBGrid* Grid = new TDBGrid(&Window);

    TDBGridEditorsTest() {
        Window.resize(420, 160);
        Grid->setGeometry(0, 0, 420, 160);
        Grid->SetDataSource(&Ds);
        // Notes at the right edge, so that its box would run out of the grid.
        Grid->SetColumns({Column("Name", "Name", 90), Column("Town", "Town", 80),
                          Column("Due", "Due Date", 90, TDBGridEditor::Date),
                          Column("Notes", "Notes", 120, TDBGridEditor::Memo)});
        Grid->show();
    }

    QWidget* Focused() {
        QApplication::processEvents();
        return QApplication::focusWidget();
    }
    QRect CellRect(int row, int column) {
        return Grid->visualRect(Grid->model()->index(row, column));
    }
    // A click on the middle of a cell, on whatever lies there.
    void Click(int row, int column) {
        const QPoint at = CellRect(row, column).center();
        QWidget* target = Grid->viewport()->childAt(at);
        if (!target) target = Grid->viewport();
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(Grid->viewport(), at));
        QApplication::processEvents();
    }
    // The open notes box (a closed one is hidden until it is deleted).
    QPlainTextEdit* NotesBox() {
        for (auto* box : Grid->viewport()->findChildren<QPlainTextEdit*>())
            if (box->isVisible()) return box;
        return nullptr;
    }
};

TEST_F(TDBGridEditorsTest, StatedWidthsWidenToTheirTitlesAndTheUsersWidthsSurviveAReload) {
    const QString title = S("A Rather Long Column Title");
    Grid->SetColumns({Column("Name", "Name", 90), Column("Town", title.toUtf8().constData(), 30)});
    QHeaderView* header = Grid->horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int needed = QFontMetrics(header->font()).horizontalAdvance(title) + 2 * margin;
    ASSERT_GT(needed, 30);
    EXPECT_GE(Grid->columnWidth(1), needed) << "the title is shown whole";
    EXPECT_EQ(Grid->columnWidth(0), 90) << "a stated width wide enough stays";

    // The user's widths, narrower than the title too, survive the rows being read anew.
    header->resizeSection(0, 140);
    header->resizeSection(1, 40);
    T.Rs.LoadFromBytes(T.Rs.SaveToBytes(), S("rows"));
    T.Rs.Append();
    T.Rs.Cancel();
    EXPECT_EQ(Grid->columnWidth(0), 140);
    EXPECT_EQ(Grid->columnWidth(1), 40);

    // New columns bring their own widths.
    Grid->SetColumns({Column("Name", "Name", 90), Column("Town", "Town", 80)});
    EXPECT_EQ(Grid->columnWidth(0), 90);
    EXPECT_EQ(Grid->columnWidth(1), 80);
}

TEST_F(TDBGridEditorsTest, TheNotesBoxStaysInsideTakesLineBreaksAndEnterStoresAndClosesIt) {
    for (int row : {0, 5}) {
        Grid->setFocus();
        Click(row, 3);
        QPlainTextEdit* box = NotesBox();
        ASSERT_NE(box, nullptr) << "row " << row;
        EXPECT_EQ(Focused(), box) << "row " << row << ": "
                                  << (Focused() ? Focused()->metaObject()->className() : "none");
        EXPECT_FALSE(box->isWindow());
        EXPECT_TRUE(Grid->viewport()->rect().contains(box->geometry()))
            << "row " << row << ": the box lies inside the grid";
        EXPECT_TRUE(box->geometry().intersects(CellRect(row, 3))) << "the box is over its cell";

        QTest::keyClicks(box, S("One"));
        QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(box, S("Two"));
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(box, S("Three"));
        QTest::keyClick(box, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(T.F("Notes").AsString(), S("One\nTwo\nThree")) << "row " << row;
        EXPECT_EQ(NotesBox(), nullptr) << "Enter finishes the notes";
        QWidget* focus = Focused();
        EXPECT_TRUE(focus == Grid || Grid->isAncestorOf(focus));
        // It stays closed: the grid has the keyboard again, and a key opens the box anew.
        EXPECT_EQ(NotesBox(), nullptr);
    }
    T.Rs.First();
    EXPECT_EQ(T.F("Notes").AsString(), S("One\nTwo\nThree")) << "the first row was posted";
}

TEST_F(TDBGridEditorsTest, AClickElsewhereStoresTheNotes) {
    Grid->setFocus();
    Click(1, 3);
    ASSERT_NE(NotesBox(), nullptr);
    QTest::keyClicks(NotesBox(), S("Seen"));
    Click(3, 0);
    EXPECT_EQ(NotesBox(), nullptr);
    EXPECT_EQ(T.Rs.RecNo(), 4);
    QString notes;
    T.Rs.WithRecord(2, [&] { notes = T.F("Notes").AsString(); });
    EXPECT_EQ(notes, S("Seen")) << "posted with its row";
}

TEST_F(TDBGridEditorsTest, EscapeInTheNotesBoxUndoesTheTypingAndLeavesTheBoxClosed) {
    Grid->setFocus();
    Click(2, 3);
    ASSERT_NE(NotesBox(), nullptr);
    QTest::keyClicks(NotesBox(), S("Gone"));
    ASSERT_EQ(T.Rs.State(), TDataSetState::Edit);
    QTest::keyClick(NotesBox(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(T.F("Notes").AsString(), QString());
    EXPECT_EQ(NotesBox(), nullptr) << "not opened again over the rows";
    // A key typed into the cell opens it again.
    QTest::keyClick(Focused(), Qt::Key_A);
    ASSERT_NE(NotesBox(), nullptr);
}

TEST_F(TDBGridEditorsTest, AnEmptyDateOpensEmptyAndTypingThereStoresTheDateTyped) {
    TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)));
    Grid->setFocus();
    Click(0, 2);
    QDateEdit* picker = nullptr;
    for (auto* editor : Grid->viewport()->findChildren<QDateEdit*>())
        if (editor->isVisible()) picker = editor;
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->text().trimmed(), QString()) << "an empty date shows empty";
    QWidget* focus = Focused();
    ASSERT_TRUE(focus == picker || picker->isAncestorOf(focus));
    QTest::keyClicks(focus, S("24/12/2026"));
    QTest::keyClick(Focused(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 24));

    // Emptied again with Delete: no date.
    QTest::keyClick(Focused(), Qt::Key_Delete);
    QTest::keyClick(Focused(), Qt::Key_Return);
    EXPECT_EQ(T.F("Due").AsDateTime(), 0);

    // Enter on an empty date leaves it empty; a single digit starts from today's date.
    QTest::keyClick(Focused(), Qt::Key_Return);
    EXPECT_EQ(T.F("Due").AsDateTime(), 0);
    QTest::keyClick(Focused(), Qt::Key_3);
    QTest::keyClick(Focused(), Qt::Key_Return);
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 3));
    TClock::Reset();
}

// A field that offers a date to edit where it has none (today's, say): the picker shows it
// and Enter stores it, although nothing was changed in the picker.
TEST_F(TDBGridEditorsTest, EnterStoresTheDateTheEmptyCellsPickerShows) {
    T.F("Due").OnGetText = [](TField& f, QString& text, bool display) {
        if (f.AsDateTime() != 0)
            text = DateToStr(f.AsDateTime());
        else
            text = display ? QString() : DateToStr(DateToDayNumber(QDate(2026, 12, 9)));
    };
    Grid->setFocus();
    Click(1, 2);
    QWidget* focus = Focused();
    ASSERT_TRUE(focus && focus->inherits("QDateEdit")) << "the picker has the keyboard";
    EXPECT_EQ(static_cast<QDateEdit*>(focus)->date(), QDate(2026, 12, 9));
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 9));
    EXPECT_EQ(T.Rs.RecNo(), 2);
}

TEST_F(TDBGridEditorsTest, ARightClickOnAnyEditorAsksTheGridForItsMenu) {
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QList<QPoint> asked;
    QObject::connect(Grid, &QWidget::customContextMenuRequested,
                     [&asked](const QPoint& at) { asked << at; });
    struct TCell {
        int Column;
        const char* Editor;
    };
    for (const TCell cell :
         {TCell{0, "QLineEdit"}, TCell{2, "QDateEdit"}, TCell{3, "QPlainTextEdit"}}) {
        Grid->setFocus();
        Click(0, cell.Column);
        QWidget* focus = Focused();
        ASSERT_NE(focus, nullptr);
        QWidget* editor = focus;
        while (editor && editor->parentWidget() != Grid->viewport())
            editor = editor->parentWidget();
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->inherits(cell.Editor)) << editor->metaObject()->className();
        // The innermost widget under the pointer gets the request, as from the window system.
        const QPoint at = CellRect(0, cell.Column).center();
        QWidget* under = Grid->viewport()->childAt(at);
        ASSERT_NE(under, nullptr);
        const QPoint local = under->mapFrom(Grid->viewport(), at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, local, under->mapToGlobal(local));
        QApplication::sendEvent(under, &request);
        ASSERT_EQ(asked.size(), 1) << cell.Editor << ": the grid was asked";
        EXPECT_EQ(asked.first(), at) << "at the point in the grid's viewport";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no editor menu of its own";
        asked.clear();
    }
}

} // namespace
