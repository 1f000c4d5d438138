// The table grid: rows read through the cursor, the current row following the cursor both
// ways, in-place editing in Delphi order, refused values, new rows appended and dropped,
// read-only painting, lookup columns, sizes, blank new rows.

#include "Components/DataControls/TDBGrid.h"
#include "DataControlsFixtures.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TDBGridTest : ::testing::Test {
    TLoggedTable T;
    TTestWindow Window;
    TDataSource Ds{&T.Rs};
    TDBGrid* Grid = new TDBGrid(&Window);
    QLineEdit* Other = new QLineEdit(&Window);

    TDBGridTest() {
        Window.resize(460, 220);
        Grid->setGeometry(0, 0, 460, 180);
        Other->setGeometry(0, 190, 100, 22);
        T.F("Picture").SetVisible(false);
        T.F("Note").SetDisplayLabel(S("Remark"));
        Grid->SetDataSource(&Ds);
        Grid->show();
        Other->show();
    }

    QString Cell(int row, int column) {
        return Grid->model()->index(row, column).data().toString();
    }
    QLineEdit* Editor() {
        QApplication::processEvents();
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    }
    void EditCell(int row, int column) {
        Grid->setFocus(Qt::OtherFocusReason);
        Grid->setCurrentIndex(Grid->model()->index(row, column));
        QApplication::processEvents();
    }
};

TEST_F(TDBGridTest, ShowsTheRowsAndFollowsTheCursorBothWays) {
    // Code, Minutes, Done, Note, Twice: the visible fields.
    ASSERT_EQ(Grid->model()->columnCount(), 5);
    EXPECT_EQ(Grid->model()->headerData(3, Qt::Horizontal).toString(), S("Remark"));
    EXPECT_EQ(Cell(1, 0), S("[C2]"));
    EXPECT_EQ(Cell(2, 1), S("01:30"));
    EXPECT_EQ(Cell(2, 4), S("180"));
    EXPECT_EQ(Grid->currentIndex().row(), 0);

    T.Rs.Last();
    EXPECT_EQ(Grid->currentIndex().row(), 2);
    EXPECT_EQ(Grid->model()->headerData(2, Qt::Vertical).toString(), QString(QChar(0x25B6)));

    // The row being edited shows its edit buffer; the others their stored values.
    T.Rs.Edit();
    T.F("Code").SetAsString(S("NEW"));
    EXPECT_EQ(Cell(2, 0), S("[NEW]"));
    EXPECT_EQ(Grid->model()->headerData(2, Qt::Vertical).toString(), S("I"));
    Grid->setCurrentIndex(Grid->model()->index(0, 1));
    EXPECT_EQ(T.Rs.RecNo(), 1); // the grid moved the cursor; the changed row was posted
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(Cell(2, 0), S("[NEW]"));

    EXPECT_EQ(Grid->DefaultRowHeight(), 17);
    EXPECT_EQ(Grid->TitleHeight(), 17);
    EXPECT_EQ(Grid->rowHeight(1), 17);
}

TEST_F(TDBGridTest, EditingACellRunsTheFieldRulesInOrderAndTabMovesOn) {
    EditCell(1, 0);
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), S("C2")); // the edit text
    T.Log.clear();
    SendKey(editor, Qt::Key_End);
    TypeText(editor, S("q"));
    EXPECT_EQ(T.Rs.State(), TDataSetState::Edit);
    SendKey(editor, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(T.Log.mid(0, 6),
              (QStringList{S("BeforeEdit"), S("AfterEdit"), S("SetText Code 'C2q'"),
                           S("Validate Code"), S("Calc"), S("Change Code")}));
    EXPECT_EQ(T.F("Code").AsString(), S("C2Q"));
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(1, 1));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->displayText(), S("01:00")); // under the field's mask

    // Calculated columns do not edit.
    EXPECT_FALSE(Grid->model()->flags(Grid->model()->index(0, 4)) & Qt::ItemIsEditable);
}

TEST_F(TDBGridTest, ARefusedValueKeepsTheEditorOpenWithTheTypedText) {
    EditCell(0, 1);
    SendKey(Editor(), Qt::Key_Home);
    TypeText(Editor(), S("2530"));
    SendKey(Editor(), Qt::Key_Tab);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(T.Errors, QStringList{S("'25:3 ' is not a valid time")});
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(0, 1));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->displayText(), S("25:30"));
    EXPECT_DOUBLE_EQ(T.F("Minutes").AsFloat(), 30);

    // Corrected, it is taken.
    SendKey(Editor(), Qt::Key_Home);
    TypeText(Editor(), S("0215"));
    SendKey(Editor(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(T.F("Minutes").AsFloat(), 135);
}

TEST_F(TDBGridTest, DownOnTheLastRowAppendsAndAnUnchangedNewRowIsDropped) {
    // Down from the editor of the last row: the typed text is written and posted first.
    EditCell(2, 0);
    SendKey(Editor(), Qt::Key_End);
    TypeText(Editor(), S("x"));
    SendKey(Editor(), Qt::Key_Down);
    EXPECT_EQ(T.Rs.State(), TDataSetState::Insert);
    EXPECT_EQ(Cell(2, 0), S("[C3X]"));
    EXPECT_EQ(Grid->model()->rowCount(), 4);
    EXPECT_EQ(Grid->currentIndex().row(), 3);
    EXPECT_EQ(Grid->model()->headerData(3, Qt::Vertical).toString(), S("*"));
    Other->setFocus(Qt::TabFocusReason); // leaving the grid
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(Grid->model()->rowCount(), 3);

    // A new row with a value is posted when another row is chosen.
    EditCell(2, 0);
    SendKey(Grid, Qt::Key_Down);
    QApplication::processEvents();
    ASSERT_NE(Editor(), nullptr);
    TypeText(Editor(), S("n4"));
    SendKey(Editor(), Qt::Key_Up);
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.RecordCount(), 4);
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_EQ(Cell(3, 0), S("[N4]"));
}

// A new row that its record set's insert rules fill in (so the set counts it as modified)
// and that a rule refuses to post without a code.
struct TDBGridNewRowTest : TDBGridTest {
    TDBGridNewRowTest() {
        T.Rs.AfterInsert = [this](TRecordSet&) { T.F("Note").SetAsString(S("default")); };
        T.Rs.BeforePost = [this](TRecordSet&) {
            if (T.F("Code").AsString().isEmpty()) throw Exception(S("Code Blank"));
        };
    }
    void AppendByDown() {
        EditCell(2, 0);
        SendKey(Editor(), Qt::Key_Down);
        QApplication::processEvents();
        ASSERT_EQ(T.Rs.State(), TDataSetState::Insert);
        ASSERT_TRUE(T.Rs.Modified()) << "the insert rule's value counts as a change";
    }
};

TEST_F(TDBGridNewRowTest, ABlankNewRowIsDroppedWhereverTheUserGoesInsteadOfRefused) {
    AppendByDown();
    Other->setFocus(Qt::TabFocusReason); // leaving the grid
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    EXPECT_EQ(T.Rs.RecordCount(), 3);

    AppendByDown();
    ASSERT_NE(Editor(), nullptr);
    SendKey(Editor(), Qt::Key_Up); // another row
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.RecordCount(), 3);
    EXPECT_EQ(T.Rs.RecNo(), 3);
    EXPECT_EQ(Grid->currentIndex().row(), 2);

    // Clicking a row above it.
    AppendByDown();
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {},
                      Grid->visualRect(Grid->model()->index(0, 3)).center());
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.RecordCount(), 3);
    EXPECT_EQ(T.Rs.RecNo(), 1);

    // Started from outside, twice: one new row, then none.
    Grid->AppendRow();
    Grid->AppendRow();
    EXPECT_EQ(Grid->model()->rowCount(), 4);
    EXPECT_TRUE(Grid->DropBlankNewRow());
    EXPECT_FALSE(Grid->DropBlankNewRow());
    EXPECT_EQ(Grid->model()->rowCount(), 3);
    EXPECT_TRUE(T.Errors.isEmpty()) << T.Errors.join(S("; ")).toStdString();
}

TEST_F(TDBGridNewRowTest, ANewRowWithSomethingInItIsPostedOrRefusedByItsRule) {
    // Something typed and still in the editor: not blank.
    AppendByDown();
    TypeText(Editor(), S("n4"));
    EXPECT_FALSE(Grid->DropBlankNewRow());
    SendKey(Editor(), Qt::Key_Up);
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.RecordCount(), 4);
    EXPECT_EQ(Cell(3, 0), S("[N4]"));

    // Only a remark: the rule says what is missing and the row stays for correction.
    EditCell(3, 0);
    SendKey(Editor(), Qt::Key_Down);
    QApplication::processEvents();
    Grid->setCurrentIndex(Grid->model()->index(4, 3));
    QApplication::processEvents();
    ASSERT_NE(Editor(), nullptr);
    SendKey(Editor(), Qt::Key_End);
    TypeText(Editor(), S("x"));
    SendKey(Editor(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_FALSE(Grid->DropBlankNewRow());
    Grid->setCurrentIndex(Grid->model()->index(0, 0));
    QApplication::processEvents();
    EXPECT_EQ(T.Errors, QStringList{S("Code Blank")});
    EXPECT_EQ(T.Rs.State(), TDataSetState::Insert);
    EXPECT_EQ(T.F("Note").AsString(), S("defaultx"));
    Other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.State(), TDataSetState::Insert) << "leaving the grid keeps it";
}

TEST_F(TDBGridTest, ColumnsLookupListsAndReadOnlyPainting) {
    TRecordSet kinds;
    kinds.AddField(S("Id"), TFieldType::Integer);
    kinds.AddField(S("Name"), TFieldType::String, 10);
    kinds.CreateDataSet();
    for (int i = 1; i <= 2; ++i) {
        kinds.Append();
        kinds.FieldByName(S("Id")).SetAsInteger(i);
        kinds.FieldByName(S("Name")).SetAsString(i == 1 ? S("Odd") : S("Even"));
        kinds.Post();
    }
    TRecordSet rows;
    rows.AddField(S("Kind"), TFieldType::Integer);
    rows.AddLookupField(S("KindName"), TFieldType::String, 10, &kinds, S("Kind"), S("Id"),
                        S("Name"));
    rows.CreateDataSet();
    rows.Append();
    rows.FieldByName(S("Kind")).SetAsInteger(1);
    rows.Post();
    TDataSource ds(&rows);
    Grid->SetDataSource(&ds);
    TDBGridColumn key{S("Kind"), S("No."), 40, true, true, {}};
    TDBGridColumn name{S("KindName"), S("Kind"), 80, true, false, {}};
    Grid->SetColumns({key, name});
    Grid->SetReadOnlyColor(QColor(Qt::lightGray));
    EXPECT_EQ(Grid->columnWidth(1), 80);
    Grid->setColumnWidth(1, 120); // the user's width survives new rows
    rows.Append();
    rows.Cancel();
    EXPECT_EQ(Grid->columnWidth(1), 120);
    EXPECT_EQ(Grid->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
              QColor(Qt::lightGray));
    EXPECT_FALSE(Grid->model()->index(0, 1).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(Grid->model()->flags(Grid->model()->index(0, 0)) & Qt::ItemIsEditable);

    EditCell(0, 1);
    auto* box = Grid->viewport()->findChild<QComboBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), S("Odd"));
    box->setCurrentIndex(1);
    Other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(rows.FieldByName(S("Kind")).AsInteger(), 2);
    EXPECT_EQ(Cell(0, 1), S("Even"));
    Grid->SetDataSource(&Ds);
    Grid->SetColumns({});
}

TEST_F(TDBGridTest, WithoutAlwaysShowEditorOnlyAKeyOpensTheEditorAndColEnterSwitchesIt) {
    // The line edit open in a cell of the grid, if any.
    auto CellEditor = [this]() -> QLineEdit* {
        QApplication::processEvents();
        for (QLineEdit* edit : Grid->viewport()->findChildren<QLineEdit*>())
            if (edit->isVisible()) return edit;
        return nullptr;
    };
    Grid->SetAlwaysShowEditor(false);
    EditCell(0, 0);
    EXPECT_EQ(CellEditor(), nullptr) << "entering an editable cell opens nothing";
    Other->setFocus(Qt::TabFocusReason);
    Grid->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(CellEditor(), nullptr) << "nor does the grid taking the focus";
    TypeText(Grid, S("z"));
    ASSERT_NE(CellEditor(), nullptr) << "a key does";
    EXPECT_EQ(CellEditor()->text(), S("z"));
    SendKey(CellEditor(), Qt::Key_Escape);
    T.Rs.Cancel();
    QApplication::processEvents();

    // A handler switching the option on for the Minutes column only.
    QList<int> entered;
    QObject::connect(Grid, &TDBGrid::ColEnter, Grid, [this, &entered] {
        entered << Grid->SelectedColumn();
        Grid->SetAlwaysShowEditor(Grid->SelectedColumn() == 1);
    });
    EditCell(1, 0);
    EXPECT_EQ(CellEditor(), nullptr);
    SendKey(Grid, Qt::Key_Tab);
    ASSERT_NE(CellEditor(), nullptr) << "the editor opens on entering Minutes";
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(1, 1));
    SendKey(CellEditor(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(1, 2));
    EXPECT_EQ(CellEditor(), nullptr) << "and not on the next column";
    SendKey(Grid, Qt::Key_Down);
    EXPECT_EQ(entered, (QList<int>{1, 2})) << "a row change within a column enters nothing";
}

// A field that its record set makes read-only on some rows (as each row becomes current), with
// a rule that says why: what may be typed is judged on the row typed into.
struct TDBGridLockedRowTest : TDBGridTest {
    TDBGridLockedRowTest() {
        // The second row is done: its minutes are locked.
        T.Rs.AfterScroll = [this](TRecordSet&) {
            T.F("Minutes").SetReadOnly(T.F("Done").AsBoolean());
        };
        T.F("Minutes").OnValidate = [this](TField&) {
            if (T.F("Done").AsBoolean())
                throw Exception(S("%1 is done").arg(T.F("Code").AsString()));
        };
        T.Rs.First();
    }
    QLineEdit* CellEditor() {
        QApplication::processEvents();
        for (QLineEdit* edit : Grid->viewport()->findChildren<QLineEdit*>())
            if (edit->isVisible()) return edit;
        return nullptr;
    }
    QWidget* Focused() {
        QApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : Grid;
    }
    void Press(Qt::Key key) {
        QTest::keyClick(Focused(), key);
        QApplication::processEvents();
    }
    // Each key goes where the focus is at the time, as typing does.
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) {
            QTest::keyClick(Focused(), *c);
            QApplication::processEvents();
        }
    }
    // The minutes the rows show (the row being edited shows its edit buffer).
    QString Minutes() {
        QStringList minutes;
        for (int row = 0; row < Grid->model()->rowCount(); ++row)
            minutes << Cell(row, 1);
        return minutes.join(QLatin1Char(','));
    }
};

TEST_F(TDBGridLockedRowTest, ALockedRowTakesNoTypingAndSaysWhyTheRowsAroundItDo) {
    EditCell(0, 1);
    ASSERT_NE(CellEditor(), nullptr);
    Press(Qt::Key_Down); // into the locked row from an open editor
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(1, 1));
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_EQ(CellEditor(), nullptr) << "no editor on the locked row";
    Type("0215");
    EXPECT_EQ(Grid->currentIndex(), Grid->model()->index(1, 1)) << "typing moved nowhere";
    EXPECT_EQ(T.Rs.State(), TDataSetState::Browse);
    ASSERT_FALSE(T.Errors.isEmpty());
    EXPECT_EQ(T.Errors.first(), S("C2 is done"));
    T.Errors.clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(T.Errors, QStringList{S("C2 is done")}) << "F2 says it too";
    EXPECT_EQ(Minutes(), S("00:30,01:00,01:30"));

    // The row below takes typing again, into its own minutes.
    Press(Qt::Key_Down);
    ASSERT_NE(CellEditor(), nullptr);
    EXPECT_EQ(T.Rs.RecNo(), 3);
    Press(Qt::Key_Home);
    Type("0215");
    Press(Qt::Key_Up);
    EXPECT_EQ(Minutes(), S("00:30,01:00,02:15"));
    EXPECT_EQ(CellEditor(), nullptr);
    Press(Qt::Key_Up);
    ASSERT_NE(CellEditor(), nullptr) << "the first row is open again";
    Press(Qt::Key_Home);
    Type("0005");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Minutes(), S("00:05,01:00,02:15"));
    EXPECT_EQ(T.Errors, QStringList{S("C2 is done")});
}

TEST_F(TDBGridLockedRowTest, AClickOnALockedRowOpensNoEditorAndTypingThereChangesNothing) {
    EditCell(2, 1);
    ASSERT_NE(CellEditor(), nullptr);
    Press(Qt::Key_Home);
    Type("0100");
    // Clicking the locked row writes the open editor into its own row first.
    const QRect locked = Grid->visualRect(Grid->model()->index(1, 1));
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, locked.center());
    QApplication::processEvents();
    EXPECT_EQ(T.Rs.RecNo(), 2);
    EXPECT_EQ(CellEditor(), nullptr);
    Type("2000");
    EXPECT_EQ(Minutes(), S("00:30,01:00,01:00"));
    EXPECT_FALSE(T.Errors.isEmpty());
}

TEST_F(TDBGridLockedRowTest, AKeyOpensAMaskedEditorWithTheKeyTyped) {
    Grid->SetAlwaysShowEditor(false);
    EditCell(0, 1);
    EXPECT_EQ(CellEditor(), nullptr);
    Type("0130");
    ASSERT_NE(CellEditor(), nullptr);
    EXPECT_EQ(CellEditor()->displayText(), S("01:30"));
    Press(Qt::Key_Tab);
    EXPECT_EQ(Minutes(), S("01:30,01:00,01:30"));
}

// Escape in a cell editor undoes the row's changes; with nothing to undo it reaches the window,
// so a dialog holding the grid is cancelled (the editor would otherwise open again at once).
TEST(TDBGridEscapeTest, EscapeUndoesTheRowFirstThenReachesTheDialog) {
    TLoggedTable table;
    TDataSource ds(&table.Rs);
    QDialog dialog;
    dialog.resize(400, 200);
    auto* grid = new TDBGrid(&dialog);
    grid->setGeometry(0, 0, 400, 200);
    grid->SetDataSource(&ds);
    dialog.show();
    dialog.activateWindow();
    for (int i = 0; i < 50 && !dialog.isActiveWindow(); ++i)
        QApplication::processEvents();
    auto focused = [] {
        QApplication::processEvents();
        return QApplication::focusWidget();
    };
    const QRect code = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, code.center());
    auto* editor = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, S("xy"));
    ASSERT_EQ(table.Rs.State(), TDataSetState::Edit);

    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(table.Rs.State(), TDataSetState::Browse);
    editor = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(editor, nullptr) << "the editor is open again";
    EXPECT_EQ(editor->text(), S("C2"));

    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(table.F("Code").AsString(), S("C2"));
}

TEST_F(TDBGridTest, Screenshot) {
    for (int i = 0; i < 6; ++i) {
        T.Rs.Append();
        T.F("Code").SetAsString(S("ROW%1").arg(i));
        T.F("Minutes").SetAsFloat(i * 17);
        T.F("Note").SetAsString(S("A note on row %1").arg(i));
        T.Rs.Post();
    }
    Grid->SetReadOnlyColor(Grid->palette().color(QPalette::Button));
    EditCell(2, 3);
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) Window.grab().save(QDir(dir).filePath(S("dbgrid.png")));
    EXPECT_EQ(T.Rs.RecNo(), 3);
}

} // namespace
