// The table grid's column widths and special cell editors: titles never cut, widths the user
// set kept while the rows are read anew; the notes box inside the grid with its line breaks,
// its Enter and its Tab; the date box of an empty date, ISO dates and refused ones; cells
// typed into as a spreadsheet's; a right click on any editor asking the grid for its menu.

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDateEdit.h"
#include "DataControlsFixtures.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

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

// Tab leaves the notes box for the next cell (Shift+Tab for the one before), storing them:
// the keyboard never puts a tab character into the notes.
TEST_F(TDBGridEditorsTest, TabLeavesTheNotesBoxAndTypesNoTab) {
    Grid->setFocus();
    Click(1, 3);
    ASSERT_NE(NotesBox(), nullptr);
    QTest::keyClicks(NotesBox(), S("Before"));
    QTest::keyClick(NotesBox(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(NotesBox(), nullptr) << "Tab left the box";
    EXPECT_FALSE(T.F("Notes").AsString().contains(QLatin1Char('\t')));
    T.Rs.SetRecNo(2);
    EXPECT_EQ(T.F("Notes").AsString(), S("Before"));

    Grid->setFocus();
    Click(2, 3);
    ASSERT_NE(NotesBox(), nullptr);
    QTest::keyClicks(NotesBox(), S("After"));
    QTest::keyClick(NotesBox(), Qt::Key_Tab, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(NotesBox(), nullptr);
    QString notes;
    T.Rs.WithRecord(3, [&] { notes = T.F("Notes").AsString(); });
    EXPECT_EQ(notes, S("After")) << "Ctrl+Tab types no tab either";
    Grid->setFocus();
    Click(3, 3);
    QTest::keyClick(NotesBox(), Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_EQ(Grid->currentIndex().column(), 2) << "Shift+Tab goes to the cell before";
}

TEST_F(TDBGridEditorsTest, AnEmptyDateOpensEmptyAndTakesShortAndIsoDatesOnly) {
    TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)));
    QStringList errors;
    TDataControls::OnError = [&errors](const Exception& e) { errors << e.Message(); };
    T.F("Due").OnSetText = [](TField& f, const QString& text) {
        f.SetAsDateTime(text.trimmed().isEmpty() ? 0 : StrToDateFor(text, S("Due Date")));
    };
    Grid->setFocus();
    Click(0, 2);
    auto* box = qobject_cast<TDateEdit*>(Focused());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().trimmed(), QString()) << "an empty date shows empty";
    QTest::keyClicks(box, S("24/12/2026"));
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 24));

    // Emptied: no date.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(T.F("Due").AsDateTime(), 0);

    // ISO, as other programs and people write dates.
    QTest::keyClicks(box, S("2026-12-18"));
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 18));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(S("; ")).toStdString();

    // Anything else is refused, naming the text and the field; the date stays and the box
    // keeps the text for correction.
    box = qobject_cast<TDateEdit*>(Focused());
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, S("2026-13-45"));
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(S("'2026-13-45' is not a valid date for Due Date")))
        << errors.first().toStdString();
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 18));
    box = qobject_cast<TDateEdit*>(Focused());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), S("2026-13-45"));
    TClock::Reset();
}

// A field that offers a date to edit where it has none (today's, say): the box shows it and
// Enter stores it, although nothing was typed.
TEST_F(TDBGridEditorsTest, EnterStoresTheDateTheEmptyCellsBoxShows) {
    T.F("Due").OnGetText = [](TField& f, QString& text, bool display) {
        if (f.AsDateTime() != 0)
            text = DateToStr(f.AsDateTime());
        else
            text = display ? QString() : DateToStr(DateToDayNumber(QDate(2026, 12, 9)));
    };
    Grid->setFocus();
    Click(1, 2);
    auto* box = qobject_cast<TDateEdit*>(Focused());
    ASSERT_NE(box, nullptr) << "the date box has the keyboard";
    EXPECT_EQ(box->text(), S("09/12/2026"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(DayNumberToDate(T.F("Due").AsDateTime()), QDate(2026, 12, 9));
    EXPECT_EQ(T.Rs.RecNo(), 2);
}

// A cell clicked again keeps its whole text selected; F2 edits it in place at the end.
TEST_F(TDBGridEditorsTest, ALineCellIsTypedIntoAsASpreadsheetCell) {
    T.Rs.Edit();
    T.F("Town").SetAsString(S("Leeds"));
    T.Rs.Post();
    Grid->setFocus();
    Click(0, 1);
    auto* edit = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), S("Leeds"));
    Click(0, 1);
    EXPECT_EQ(Focused(), edit);
    EXPECT_EQ(edit->selectedText(), S("Leeds")) << "clicked again";
    QTest::keyClick(edit, Qt::Key_F2);
    EXPECT_FALSE(edit->hasSelectedText());
    EXPECT_EQ(edit->cursorPosition(), 5);
    QTest::keyClicks(edit, S("shire"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), S("Leedsshire"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(T.F("Town").AsString(), S("Leedsshire"));
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
         {TCell{0, "QLineEdit"}, TCell{2, "TDateEdit"}, TCell{3, "QPlainTextEdit"}}) {
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
