#pragma once
// Pieces of journeys through the maintenance dialogs (users, clients, projects, task codes):
// finding the dialog in front and its grid, clicking a cell of the grid where the user would,
// reading a row of its table, and the settings file that keeps the dialogs' layout.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"

#include <QHeaderView>
#include <QPushButton>
#include <QWindow>

namespace Journey {

// A maintenance dialog: its item in the Maintain menu, its window and its table.
struct TMaintainedTable {
    const char* Item;
    const char* Window;
    TRecordSet TdmTasks_Form::*Table;
};

inline const TMaintainedTable ClientsDialog{"Clients", "Form_Clients_Form",
                                            &TdmTasks_Form::adsClients};
inline const TMaintainedTable ProjectsDialog{"Projects", "Form_Projects_Form",
                                             &TdmTasks_Form::adsProjects};
inline const TMaintainedTable TasksDialog{"Tasks", "Form_Tasks_Form", &TdmTasks_Form::adsTaskCodes};
inline const TMaintainedTable UsersDialog{"Users", "Form_User_Form", &TdmTasks_Form::adsUsers};

// The dialog of that name when it is in front and has the keyboard.
inline QDialog* DialogInFront(const char* name) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(name) &&
                   QApplication::activeWindow() == dialog && !QApplication::activePopupWidget()
               ? dialog
               : nullptr;
}

// Whether a dialog of that name is on screen at all.
inline bool DialogShown(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name) && window->isVisible()) return true;
    return false;
}

inline TDBGrid* GridOf(const char* window) {
    QDialog* dialog = DialogInFront(window);
    return dialog ? dialog->findChild<TDBGrid*>(QStringLiteral("dbgMaintain")) : nullptr;
}

inline TRecordSet& TableOf(const TMaintainedTable& dialog) {
    return (*dmTasks_Form).*dialog.Table;
}

inline int ColumnOf(const TDBGrid* grid, const char* field) {
    const auto& columns = grid->Columns();
    for (int i = 0; i < int(columns.size()); ++i)
        if (columns[size_t(i)].FieldName == QLatin1String(field)) return i;
    return -1;
}

// The text of a field of the table's row recNo, as stored.
inline QString StoredText(const TMaintainedTable& dialog, int recNo, const char* field) {
    TRecordSet& table = TableOf(dialog);
    QString text;
    if (recNo >= 1 && recNo <= table.RecordCount())
        table.WithRecord(recNo, [&] { text = table.FieldByName(QLatin1String(field)).AsString(); });
    return text;
}

// The field's texts of every row of the table, in stored order.
inline QStringList StoredColumn(const TMaintainedTable& dialog, const char* field) {
    QStringList texts;
    for (int recNo = 1; recNo <= TableOf(dialog).RecordCount(); ++recNo)
        texts << StoredText(dialog, recNo, field);
    return texts;
}

// A click on the middle of a grid cell: on the open editor when the cell has one (it lies
// over the cell), else on the grid.
inline bool ClickGridCell(const char* window, int row, const char* field) {
    TDBGrid* grid = GridOf(window);
    const int column = grid ? ColumnOf(grid, field) : -1;
    if (column < 0 || row >= grid->model()->rowCount()) return false;
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    if (cell.isEmpty()) return false;
    QWidget* target = grid->viewport()->childAt(cell.center());
    if (!target) target = grid->viewport();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier,
                      target->mapFrom(grid->viewport(), cell.center()));
    return true;
}

// A right click on the middle of a grid cell, given to the dialog's window as the window
// system gives it: the window finds the widget under the pointer and asks it for its context
// menu.
inline bool RightClickGridCell(const char* window, int row, const char* field) {
    TDBGrid* grid = GridOf(window);
    const int column = grid ? ColumnOf(grid, field) : -1;
    if (column < 0 || row >= grid->model()->rowCount()) return false;
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QWindow* handle = grid->window()->windowHandle();
    if (cell.isEmpty() || !handle) return false;
    const QPoint at = grid->viewport()->mapTo(grid->window(), cell.center());
    QTest::mouseClick(handle, Qt::RightButton, Qt::NoModifier, at);
    return true;
}

// The grid's current cell is that field's on that row, and the keyboard is in the grid.
inline bool GridHasKeyboardAt(const char* window, int row, const char* field) {
    TDBGrid* grid = GridOf(window);
    QWidget* focus = QApplication::focusWidget();
    return grid && focus && (focus == grid || grid->isAncestorOf(focus)) &&
           grid->currentIndex().row() == row &&
           grid->currentIndex().column() == ColumnOf(grid, field);
}

// The widget with the keyboard when it is a cell editor of the grid, as that type.
template <class TEditor> TEditor* CellEditor(const char* window) {
    TDBGrid* grid = GridOf(window);
    QWidget* focus = QApplication::focusWidget();
    if (!grid || !focus || !grid->viewport()->isAncestorOf(focus)) return nullptr;
    for (QWidget* w = focus; w && w != grid->viewport(); w = w->parentWidget())
        if (auto* editor = qobject_cast<TEditor*>(w)) return editor;
    return nullptr;
}

inline bool ClickButton(const char* window, const char* button) {
    QDialog* dialog = DialogInFront(window);
    auto* push = dialog ? dialog->findChild<QPushButton*>(QLatin1String(button)) : nullptr;
    if (!push || !push->isVisible() || !push->isEnabled()) return false;
    QTest::mouseClick(push, Qt::LeftButton);
    return true;
}

// Opens the dialog from the Maintain menu and waits for it to take the keyboard.
inline void OpenMaintained(TScript& script, const TMaintainedTable& dialog) {
    ChooseMenu(script, QStringLiteral("&Maintain"), QLatin1String(dialog.Item));
    const char* window = dialog.Window;
    script.Then(QStringLiteral("the dialog %1 in front").arg(QLatin1String(window)),
                [window] { return GridOf(window) != nullptr; });
}

} // namespace Journey
