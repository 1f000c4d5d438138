// Journeys with the keyboard in the dialogs: a maintenance dialog opens with the keyboard in
// its grid; Escape in a cell that was typed into puts the cell back and leaves the dialog
// open, the next Escape cancels the dialog and nothing typed is kept; Escape cancels the
// other dialogs too; a right click on the current cell, with its editor open, shows the
// grid's own menu with Export, not the text box's.

#include "MaintainDialogJourney.h"

#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Journey;

namespace {
// A dialog with a text field whose cell is clicked and typed into.
struct TTypedCell {
    const TMaintainedTable* Dialog;
    const char* Field;
};

void PrintTo(const TTypedCell& c, std::ostream* os) {
    *os << c.Dialog->Item;
}

class EscapeInACellJourney : public JourneyTest,
                             public ::testing::WithParamInterface<TTypedCell> {};

// Adds a second client, with a contact and notes, to the seeded store.
void AddAClient(TdmTasks_Form& dm) {
    dm.adsClients.Append();
    dm.adsClients.FieldByName(QStringLiteral("ClientId")).SetAsInteger(1);
    dm.adsClients.FieldByName(QStringLiteral("ClientName")).SetAsString(QStringLiteral("Acme"));
    dm.adsClients.FieldByName(QStringLiteral("ContactFirstName"))
        .SetAsString(QStringLiteral("Ann"));
    dm.adsClients.FieldByName(QStringLiteral("BillingTypeNumber")).SetAsInteger(1);
    dm.adsClients.FieldByName(QStringLiteral("ClientTypeNumber")).SetAsInteger(1);
    dm.adsClients.Post();
}
} // namespace

TEST_P(EscapeInACellJourney, TheFirstEscapeUndoesTheCellTheSecondCancelsTheDialog) {
    const TTypedCell c = GetParam();
    const TMaintainedTable& dialog = *c.Dialog;
    const char* window = dialog.Window;
    const char* field = c.Field;
    SetUpStore(AddAClient);
    QStringList before, after;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("note the table"), [&] {
        before = StoredColumn(dialog, field);
        return !before.isEmpty();
    });
    OpenMaintained(script, dialog);
    script.Do(QStringLiteral("click the first row's cell"),
              [window, field] { return ClickGridCell(window, 0, field); });
    script.Then(QStringLiteral("the cell's editor has the keyboard, to type Zed"), [window, field] {
        return GridHasKeyboardAt(window, 0, field) && CellEditor<QLineEdit>(window);
    });
    script.Do(QStringLiteral("type Zed"),
              [] { return Press(Qt::Key_End) && Type(QStringLiteral("Zed")); });
    script.Then(QStringLiteral("the editor shows the typing"), [window, &before] {
        QLineEdit* editor = CellEditor<QLineEdit>(window);
        return editor && editor->text() == before.first() + QStringLiteral("Zed");
    });
    script.Do(QStringLiteral("press Escape"), [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the dialog still open, the cell showing its old value"),
                [window, field, &dialog, &before] {
                    TDBGrid* grid = GridOf(window);
                    if (!grid || TableOf(dialog).State() != TDataSetState::Browse) return false;
                    const QModelIndex cell = grid->model()->index(0, ColumnOf(grid, field));
                    QLineEdit* editor = CellEditor<QLineEdit>(window);
                    return cell.data().toString() == before.first() &&
                           (!editor || editor->text() == before.first());
                });
    script.Do(QStringLiteral("press Escape again"), [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    script.Do(QStringLiteral("note the table"), [&] {
        after = StoredColumn(dialog, field);
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(after, before);

    // Nothing of the typing reached the file.
    QStringList restarted;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("read the table"), [&] {
        restarted = StoredColumn(dialog, field);
        return true;
    });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_EQ(restarted, before);
}

INSTANTIATE_TEST_SUITE_P(Journey, EscapeInACellJourney,
                         ::testing::Values(TTypedCell{&ClientsDialog, "ClientName"},
                                           TTypedCell{&ProjectsDialog, "ProjectName"}),
                         [](const ::testing::TestParamInfo<TTypedCell>& info) {
                             return std::string(info.param.Dialog->Item);
                         });

// Each maintenance dialog opens with the keyboard in its grid; Escape there cancels it.
TEST_F(JourneyTest, MaintenanceDialogsOpenWithTheKeyboardInTheGridAndEscapeCancelsThem) {
    SetUpStore();
    QStringList opened;
    TScript script;
    WaitForReviewWindow(script);
    for (const TMaintainedTable* dialog :
         {&UsersDialog, &ClientsDialog, &ProjectsDialog, &TasksDialog}) {
        const char* window = dialog->Window;
        OpenMaintained(script, *dialog);
        script.Then(QStringLiteral("the keyboard in the grid of %1").arg(QLatin1String(window)),
                    [window, &opened] {
                        TDBGrid* grid = GridOf(window);
                        QWidget* focus = QApplication::focusWidget();
                        if (!grid || !focus || (focus != grid && !grid->isAncestorOf(focus)))
                            return false;
                        opened << QLatin1String(window);
                        return true;
                    });
        script.Do(QStringLiteral("press Escape"), [] { return Press(Qt::Key_Escape); });
        script.Then(QStringLiteral("the dialog closed"),
                    [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    }
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(opened.size(), 4);
}

namespace {
// A dialog of the review window's menus that Escape must cancel: where it is and its name.
struct TMenuDialog {
    const char* Menu;
    const char* Item;
    const char* Window;
};

void PrintTo(const TMenuDialog& d, std::ostream* os) {
    *os << d.Window;
}

class EscapeCancelsJourney : public JourneyTest,
                             public ::testing::WithParamInterface<TMenuDialog> {};
} // namespace

TEST_P(EscapeCancelsJourney, EscapeWhereTheKeyboardIsClosesTheDialog) {
    const TMenuDialog d = GetParam();
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QLatin1String(d.Menu), QLatin1String(d.Item));
    const char* window = d.Window;
    script.Then(QStringLiteral("the dialog %1 in front").arg(QLatin1String(window)),
                [window] { return DialogInFront(window) != nullptr; });
    script.Do(QStringLiteral("press Escape"), [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Journey, EscapeCancelsJourney,
    ::testing::Values(TMenuDialog{"&Timesheets", "&Options", "Form_Options_Form"},
                      TMenuDialog{"&Timesheets", "&History", "Form_Find_TaskData_Form"},
                      TMenuDialog{"&Timesheets", "&Report", "Form_Reporting_Form"}),
    [](const ::testing::TestParamInfo<TMenuDialog>& info) {
        return std::string(info.param.Window);
    });

namespace {
// The grid's menu when it is open over the dialog: its items' texts.
QStringList OpenGridMenu() {
    QMenu* menu = OpenMenu();
    if (!menu || menu->objectName() != QLatin1String("MaintainOptionsPopup")) return {};
    QStringList items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) items << action->text();
    return items;
}
} // namespace

// A right click on the current cell, while its editor is open (a line and the notes box), and
// on another row's cell: each time the grid's menu, which Escape closes again.
TEST_F(JourneyTest, ARightClickOnTheCurrentCellShowsTheGridMenuWithExport) {
    SetUpStore(AddAClient);
    const char* window = ClientsDialog.Window;
    QList<QStringList> menus;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ClientsDialog);
    auto rightClick = [&](int row, const char* field, const QString& what) {
        script.Do(QStringLiteral("right-click %1").arg(what),
                  [window, row, field] { return RightClickGridCell(window, row, field); });
        script.Then(QStringLiteral("a menu open over %1").arg(what), [&menus] {
            if (!OpenMenu()) return false;
            menus << OpenGridMenu();
            return true;
        });
        script.Do(QStringLiteral("press Escape in the menu"), [] { return Press(Qt::Key_Escape); });
        script.Then(QStringLiteral("the menu closed, the dialog still open"),
                    [window] { return GridOf(window) != nullptr; });
    };
    script.Do(QStringLiteral("click the first client's name"),
              [window] { return ClickGridCell(window, 0, "ClientName"); });
    script.Then(QStringLiteral("its editor open"),
                [window] { return CellEditor<QLineEdit>(window) != nullptr; });
    rightClick(0, "ClientName", QStringLiteral("the open editor of the name"));
    script.Do(QStringLiteral("click the first client's notes"),
              [window] { return ClickGridCell(window, 0, "Notes"); });
    script.Then(QStringLiteral("the notes box open"),
                [window] { return CellEditor<QPlainTextEdit>(window) != nullptr; });
    rightClick(0, "Notes", QStringLiteral("the open notes box"));
    rightClick(1, "ContactFirstName", QStringLiteral("the second client's contact"));
    script.Do(QStringLiteral("press Escape to leave"), [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    const QStringList gridMenu{QStringLiteral("Edit"), QStringLiteral("Insert"),
                               QStringLiteral("Delete"), QStringLiteral("Export")};
    ASSERT_EQ(menus.size(), 3);
    for (const QStringList& menu : menus)
        EXPECT_EQ(menu, gridMenu);
}

namespace {
// A cell clicked open and left untouched: its editor's kind, the dialog and the field.
struct TClickedCell {
    const char* Kind;
    const TMaintainedTable* Dialog;
    const char* Field;
};

void PrintTo(const TClickedCell& c, std::ostream* os) {
    *os << c.Kind;
}

class EscapeAfterAClickJourney : public JourneyTest,
                                 public ::testing::WithParamInterface<TClickedCell> {};
} // namespace

// Whatever editor a click opened, Escape with nothing typed cancels the dialog at once.
TEST_P(EscapeAfterAClickJourney, EscapeInAnUntouchedEditorCancelsTheDialog) {
    const TClickedCell c = GetParam();
    const char* window = c.Dialog->Window;
    const char* field = c.Field;
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, *c.Dialog);
    script.Do(QStringLiteral("click the first row's %1 cell").arg(QLatin1String(field)),
              [window, field] { return ClickGridCell(window, 0, field); });
    script.Then(QStringLiteral("the cell's editor has the keyboard"), [window, field] {
        TDBGrid* grid = GridOf(window);
        return GridHasKeyboardAt(window, 0, field) && QApplication::focusWidget() != grid;
    });
    script.Do(QStringLiteral("press Escape"), [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the dialog closed"),
                [window] { return !DialogShown(window) && ReviewWaitsForTheUser(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
}

INSTANTIATE_TEST_SUITE_P(Journey, EscapeAfterAClickJourney,
                         ::testing::Values(TClickedCell{"Line", &ClientsDialog, "ClientName"},
                                           TClickedCell{"List", &ClientsDialog, "BillingTypeDesc"},
                                           TClickedCell{"Notes", &ClientsDialog, "Notes"},
                                           TClickedCell{"Date", &ProjectsDialog, "CompletionDate"}),
                         [](const ::testing::TestParamInfo<TClickedCell>& info) {
                             return std::string(info.param.Kind);
                         });
