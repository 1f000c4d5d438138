// Journeys through the grids of the users, clients, projects and task codes dialogs: a blank
// row, started with Insert or by Down on the last row, is removed by Ctrl+Delete, by Escape
// or by OK, the dialog is closed with OK, and after a restart the table holds the rows it
// held before and no blank one. A half-filled row is refused by OK with the fields it lacks.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"

#include <QPushButton>

using namespace Journey;

namespace {

// A maintenance dialog: its menu item, its window, its table and the column of a field that
// every one of its rows must have filled (clicked to reach the grid's last row).
struct TMaintained {
    const char* Item;
    const char* Window;
    TRecordSet TdmTasks_Form::*Table;
    const char* Required;
};

const TMaintained Users{"Users", "Form_User_Form", &TdmTasks_Form::adsUsers, "FirstName"};
const TMaintained Clients{"Clients", "Form_Clients_Form", &TdmTasks_Form::adsClients, "ClientName"};
const TMaintained Projects{"Projects", "Form_Projects_Form", &TdmTasks_Form::adsProjects,
                           "ProjectName"};
const TMaintained TaskCodes{"Tasks", "Form_Tasks_Form", &TdmTasks_Form::adsTaskCodes, "TaskCode"};

QDialog* DialogInFront(const char* name) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(name) &&
                   QApplication::activeWindow() == dialog
               ? dialog
               : nullptr;
}

TDBGrid* GridOf(const char* window) {
    QDialog* dialog = DialogInFront(window);
    return dialog ? dialog->findChild<TDBGrid*>(QStringLiteral("dbgMaintain")) : nullptr;
}

TRecordSet& TableOf(const TMaintained& dialog) {
    return (*dmTasks_Form).*dialog.Table;
}

// The rows of the table as its required field shows them, in stored order.
QStringList RowsOf(const TMaintained& dialog) {
    TRecordSet& table = TableOf(dialog);
    QStringList rows;
    for (int recNo = 1; recNo <= table.RecordCount(); ++recNo)
        table.WithRecord(
            recNo, [&] { rows << table.FieldByName(QLatin1String(dialog.Required)).AsString(); });
    return rows;
}

int ColumnOf(TDBGrid* grid, const char* field) {
    const auto& columns = grid->Columns();
    for (int i = 0; i < int(columns.size()); ++i)
        if (columns[size_t(i)].FieldName == QLatin1String(field)) return i;
    return -1;
}

// Opens the dialog from the Maintain menu and clicks the required field's cell on the last row.
void OpenOnTheLastRow(TScript& script, const TMaintained& dialog) {
    ChooseMenu(script, QStringLiteral("&Maintain"), QLatin1String(dialog.Item));
    const char* window = dialog.Window;
    const char* field = dialog.Required;
    script.Then(
        QStringLiteral("the dialog %1, to click its last row").arg(QLatin1String(window)),
        [window] { return GridOf(window) != nullptr; },
        [window, field] {
            TDBGrid* grid = GridOf(window);
            const int column = ColumnOf(grid, field);
            const QModelIndex cell = grid->model()->index(grid->model()->rowCount() - 1, column);
            if (column < 0 || !cell.isValid()) return false;
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                              grid->visualRect(cell).center());
            return true;
        });
    script.Then(QStringLiteral("the last row's cell has the keyboard"), [window] {
        TDBGrid* grid = GridOf(window);
        return grid && grid->isAncestorOf(QApplication::focusWidget()) &&
               grid->currentIndex().row() == grid->model()->rowCount() - 1;
    });
}

// A click on the required field's cell of the last row (the new one).
bool ClickRequiredOfNewRow(const TMaintained& dialog) {
    TDBGrid* grid = GridOf(dialog.Window);
    const int column = grid ? ColumnOf(grid, dialog.Required) : -1;
    if (column < 0) return false;
    const QModelIndex cell = grid->model()->index(grid->model()->rowCount() - 1, column);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(cell).center());
    return true;
}

// What makes the blank row, and what removes it.
enum class TStart { Insert, Down };
enum class TRemove { Delete, Escape, Ok };

struct TCase {
    const TMaintained* Dialog;
    TStart Start;
    TRemove Remove;
};

std::string CaseName(const TCase& c) {
    const char* start = c.Start == TStart::Insert ? "Insert" : "Down";
    const char* remove = c.Remove == TRemove::Delete   ? "Delete"
                         : c.Remove == TRemove::Escape ? "Escape"
                                                       : "Ok";
    return std::string(c.Dialog->Item) + "_" + start + "_" + remove;
}

void PrintTo(const TCase& c, std::ostream* os) {
    *os << CaseName(c);
}

bool ClickOk(const char* window) {
    QDialog* dialog = DialogInFront(window);
    auto* ok = dialog ? dialog->findChild<QPushButton*>(QStringLiteral("btnOk")) : nullptr;
    if (!ok || !ok->isVisible()) return false;
    QTest::mouseClick(ok, Qt::LeftButton);
    return true;
}

class BlankRowJourney : public JourneyTest, public ::testing::WithParamInterface<TCase> {
protected:
    // The rows of the table in a program started again on the same folder.
    QStringList RowsAfterRestart(const TMaintained& dialog) {
        QStringList rows;
        TScript script;
        WaitForReviewWindow(script);
        script.Do(QStringLiteral("read the table"), [&] {
            rows = RowsOf(dialog);
            return true;
        });
        ExitByMenu(script);
        RunProgram(script);
        return rows;
    }
};
} // namespace

TEST_P(BlankRowJourney, ABlankRowIsRemovedAndNeverReachesTheTable) {
    const TCase c = GetParam();
    const TMaintained& dialog = *c.Dialog;
    SetUpStore();
    QStringList before;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("note the table's rows"), [&] {
        before = RowsOf(dialog);
        return !before.isEmpty();
    });
    OpenOnTheLastRow(script, dialog);
    const char* window = dialog.Window;
    if (c.Start == TStart::Insert)
        script.Do(QStringLiteral("press Insert"), [] { return Press(Qt::Key_Insert); });
    else
        script.Do(QStringLiteral("press Down"), [] { return Press(Qt::Key_Down); });
    script.Then(QStringLiteral("a blank new row in the grid"), [&before, &dialog, window] {
        TDBGrid* grid = GridOf(window);
        return grid && TableOf(dialog).State() == TDataSetState::Insert &&
               grid->model()->rowCount() == before.size() + 1;
    });
    switch (c.Remove) {
    case TRemove::Delete:
        script.Do(QStringLiteral("press Ctrl+Delete"),
                  [] { return Press(Qt::Key_Delete, Qt::ControlModifier); });
        break;
    case TRemove::Escape:
        script.Do(QStringLiteral("press Escape"), [] { return Press(Qt::Key_Escape); });
        break;
    case TRemove::Ok:
        break;
    }
    if (c.Remove != TRemove::Ok) {
        script.Then(
            QStringLiteral("the blank row gone, the dialog still open, to click OK"),
            [&before, &dialog, window] {
                TDBGrid* grid = GridOf(window);
                return grid && TableOf(dialog).State() != TDataSetState::Insert &&
                       grid->model()->rowCount() == before.size();
            },
            [window] { return ClickOk(window); });
    } else {
        script.Do(QStringLiteral("click OK"), [window] { return ClickOk(window); });
    }
    script.Then(QStringLiteral("the dialog closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    EXPECT_EQ(RowsAfterRestart(dialog), before);
}

namespace {
std::vector<TCase> AllCases() {
    std::vector<TCase> cases;
    for (const TMaintained* dialog : {&Users, &Clients, &Projects, &TaskCodes})
        for (TStart start : {TStart::Insert, TStart::Down})
            for (TRemove remove : {TRemove::Delete, TRemove::Escape, TRemove::Ok})
                cases.push_back({dialog, start, remove});
    return cases;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Journey, BlankRowJourney, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<TCase>& info) {
                             return CaseName(info.param);
                         });

// A new user with only a first name: OK names the three fields still blank and the dialog
// stays on the row; Escape then removes it and OK closes the dialog with the users as before.
TEST_F(JourneyTest, OkWithAHalfFilledUserNamesTheBlankFieldsAndKeepsTheDialogOpen) {
    SetUpStore();
    QStringList before, after;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("note the users"), [&] {
        before = RowsOf(Users);
        return true;
    });
    OpenOnTheLastRow(script, Users);
    script.Do(QStringLiteral("press Insert"), [] { return Press(Qt::Key_Insert); });
    script.Then(
        QStringLiteral("the new row, to click its First Name cell"),
        [] { return GridOf(Users.Window) && TableOf(Users).State() == TDataSetState::Insert; },
        [] { return ClickRequiredOfNewRow(Users); });
    script.Then(
        QStringLiteral("the First Name cell has the keyboard, to type Mia"),
        [] {
            TDBGrid* grid = GridOf(Users.Window);
            return grid && qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
                   grid->currentIndex().column() == ColumnOf(grid, Users.Required);
        },
        [] { return Type(QStringLiteral("Mia")) && Press(Qt::Key_Tab); });
    script.Then(
        QStringLiteral("Mia in the row, to click OK"),
        [] {
            return TableOf(Users).FieldByName(QStringLiteral("FirstName")).AsString() ==
                   QLatin1String("Mia");
        },
        [] { return ClickOk(Users.Window); });
    script.Then(
        QStringLiteral("the message naming the blank fields, answered with Return"),
        [] {
            return MessageBoxSays(QStringLiteral("Key Field Blank(s): Last Name, Sign On, "
                                                 "Password"));
        },
        [] { return ReturnInMessageBox(); });
    script.Then(
        QStringLiteral("the dialog still open on the new row with the keyboard back in the grid, "
                       "to click into it and press Escape"),
        [] {
            TDBGrid* grid = GridOf(Users.Window);
            QWidget* focus = QApplication::focusWidget();
            return grid && TableOf(Users).State() == TDataSetState::Insert && focus &&
                   (focus == grid || grid->isAncestorOf(focus));
        },
        [] { return ClickRequiredOfNewRow(Users) && Press(Qt::Key_Escape); });
    script.Then(
        QStringLiteral("the row gone, to click OK"),
        [&before] {
            return GridOf(Users.Window) && TableOf(Users).State() != TDataSetState::Insert &&
                   RowsOf(Users) == before;
        },
        [] { return ClickOk(Users.Window); });
    script.Then(QStringLiteral("the dialog closed"), ReviewWaitsForTheUser);
    script.Do(QStringLiteral("note the users"), [&] {
        after = RowsOf(Users);
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(after, before);
}
