#pragma once
// TDBGrid: a table view over a record set (Delphi's TDBGrid), for dialogs that edit a table.
//
// - Columns name a field, a title, a width, visibility, read-only and a colour; without
//   columns every visible field is one. Read-only columns (and calculated ones) are painted
//   in ReadOnlyColor when it is set.
// - The current row follows the record set's cursor and the other way round; the row
//   indicator shows the current row and the state (edit "I", insert "*").
// - Cells edit in place: the editor shows the field's edit text under its edit mask (or, for
//   a date or time field without one, as free text in the shape of its edit format, as
//   TDigitShape describes) with the whole text selected, the first change puts the record
//   set into edit mode, leaving the cell assigns through the
//   field's SetText (a lookup column offers its list and assigns the key). A refused value is
//   reported through TDataControls::OnError and the editor stays open with the typed text.
//   A line editor is typed into as a spreadsheet cell (TCellEdit): a click selects its whole
//   text, F2 or a double click edit in place with the caret at the end, Ctrl+A selects all.
// - Tab moves between cells; Down on the last row appends a row (AutoAppend). A blank new row
//   (nothing typed or chosen in it since it started: the values that the record set's insert
//   rules gave it do not count) is dropped when the grid loses the focus or another row is
//   chosen, instead of being posted; AppendRow starts a row as Down does.
// - With AlwaysShowEditor (the default) the editor opens as soon as an editable cell becomes
//   current while the grid has the focus; without it, only on a key, a double click or F2.
//   ColEnter is emitted as another column becomes current, before the grid decides whether
//   to open the editor there, so a handler may switch AlwaysShowEditor per column.
// - Whether a cell can be edited is judged on its own row: the cursor moves to a row before
//   an editor opens there, and editors open on the cursor's row only, so a field that its
//   record set makes read-only as a row becomes current is read-only on that row alone.
// - A cell whose field is read-only takes no typing. A key typed there (or F2) asks the
//   field's OnValidate about its present value, so a rule that refuses changes on this row
//   says why (through TDataControls::OnError); nothing is assigned.
// - Typing never searches: a key goes to the current cell or nowhere, never to another row.
// - Rows and titles are 17 pixels high by default.
// - A column is never narrower than its title needs in the header's font when its width comes
//   from the columns (a stated width too small for the title is widened to it). Widths the
//   user set (by dragging or setColumnWidth) stay while the rows are read anew (a record set
//   reloaded, rows added); only new columns bring their own widths again.
// - Escape in a cell editor undoes what was typed into the row (the record set's Cancel) and
//   closes the editor; with nothing to undo it goes on to the window (a dialog's Cancel).
// - The notes box (a memo column) lies inside the grid's visible area; Ctrl+Enter or
//   Shift+Enter start a new line, Enter finishes and stores (as a click elsewhere does), and
//   the box then stays closed until the cell is clicked, typed into or entered again. Tab
//   stores and goes on to the next cell (Shift+Tab to the one before): the keyboard never
//   types a tab character into the notes.
// - The date box (TDateEdit) of an empty date shows an empty box (or the date its field offers
//   as the edit text); a date is typed in the short date format or as 2026-12-18, and the field
//   refuses any other text. Its calendar opens on the date typed, or on today's month. Enter
//   stores the date shown, also when the cell showed none.
// - A right click on a cell editor asks the grid for its context menu (the grid's
//   customContextMenuRequested, at the point in the viewport), not the editor's own.

#include "TDBGridModel.h"

#include <QHash>
#include <QTableView>
#include <functional>

class TDBGridDelegate;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FModel->DataSource(); }
    void SetDataSource(TDataSource* dataSource);
    TDBGridModel* Model() const { return FModel; }

    void SetColumns(std::vector<TDBGridColumn> columns);
    // Adds one column and returns it for further settings (call ApplyColumns afterwards
    // when changing it).
    TDBGridColumn& AddColumn(const QString& fieldName, const QString& title = {}, int width = 0);
    void ApplyColumns();
    const std::vector<TDBGridColumn>& Columns() const { return FModel->Columns(); }
    TField* ColumnField(int column) const { return FModel->Field(column); }

    bool ReadOnly() const { return FModel->ReadOnly(); }
    void SetReadOnly(bool readOnly) { FModel->SetReadOnly(readOnly); }
    const QColor& ReadOnlyColor() const { return FModel->ReadOnlyColor(); }
    void SetReadOnlyColor(const QColor& color) { FModel->SetReadOnlyColor(color); }
    bool AutoAppend() const { return FAutoAppend; }
    void SetAutoAppend(bool autoAppend) { FAutoAppend = autoAppend; }
    bool AlwaysShowEditor() const { return FAlwaysShowEditor; }
    void SetAlwaysShowEditor(bool always) { FAlwaysShowEditor = always; }
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    int TitleHeight() const;
    void SetTitleHeight(int height);

    using QTableView::edit;

    // Starts a new row at the end, as Down on the last row does (what an open editor holds is
    // written first). Raises what the record set raises.
    void AppendRow();
    // Drops a pending new row that is blank (see above); true when it did. Raises what the
    // record set raises.
    bool DropBlankNewRow();

    // The grid column (model column) of the current cell, -1 for none.
    int SelectedColumn() const { return currentIndex().column(); }

    // Does nothing: typing does not search the rows.
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    // Another column became current (also the first one); SelectedColumn() tells which.
    void ColEnter();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TDBGridDelegate;
    void SyncToCursor();
    void ApplyColumnWidths();
    void FocusChanged(QWidget* old, QWidget* now);
    void Refused(const QModelIndex& index, const QString& text);
    void ReopenRefused();
    void OpenEditor();
    QWidget* OpenEditorWidget() const;
    QWidget* VisibleEditor() const;
    bool CommitEditor();
    void ExplainReadOnly(int column);
    // The width the column's title needs in the header's font and style.
    int TitleWidth(int column) const;
    // The notes box of the cell was finished (Enter): it does not open again by itself.
    void MemoFinished(const QModelIndex& index);

    TDBGridModel* FModel;
    TDBGridDelegate* FDelegate;
    bool FSyncing = false;
    bool FAutoAppend = true;
    bool FAlwaysShowEditor = true;
    QPersistentModelIndex FRefusedIndex;
    QString FRefusedText;
    bool FReopenPending = false;
    bool FResetting = false;
    bool FHadFocus = false;
    int FResets = 0;
    // Widths the user gave columns, by field name, kept while the rows are read anew.
    QHash<QString, int> FKeptWidths;
    bool FNewColumns = true;
    bool FApplyingWidths = false;
    QPersistentModelIndex FFinishedCell;
};
