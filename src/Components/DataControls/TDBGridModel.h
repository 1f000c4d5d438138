#pragma once
// The table model under TDBGrid: one row per row of the record set (plus a pending new row),
// one column per grid column, read through the record set's cursor rules: the current row from
// the active buffer (so a row being edited shows its edit buffer), every other row by making
// it the active buffer for the moment (WithRecord). Nothing is cached.

#include "TDataSource.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <vector>

// The in-cell editor of a column: a line edit (or a list for lookup columns), a multi-line
// text box of fixed size that opens over the cell, or a date picker that can be emptied.
enum class TDBGridEditor { Default, Memo, Date };

struct TDBGridColumn {
    QString FieldName;
    QString Title; // empty: the field's DisplayLabel
    int Width = 0; // pixels; 0: from the field's DisplayWidth
    bool Visible = true;
    bool ReadOnly = false;
    QColor Color;         // background of the column's cells; invalid: the grid's
    int DropDownRows = 0; // rows a lookup column's list shows; 0: the toolkit's default
    TDBGridEditor Editor = TDBGridEditor::Default;
};

class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDBGridModel(QObject* parent = nullptr);

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* dataSource);
    // With no columns set, every visible field of the record set is a column.
    void SetColumns(std::vector<TDBGridColumn> columns);
    const std::vector<TDBGridColumn>& Columns() const { return FColumns; }
    bool DefaultColumns() const { return FDefaultColumns; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    const QColor& ReadOnlyColor() const { return FReadOnlyColor; }
    void SetReadOnlyColor(const QColor& color);
    bool NewRowAtEnd() const { return FNewRowAtEnd; }
    void SetNewRowAtEnd(bool atEnd) { FNewRowAtEnd = atEnd; }

    TRecordSet* DataSet() const;
    TField* Field(int column) const;
    // The field of a visible grid column can be written from the grid.
    bool ColumnWritable(int column) const;
    // The column could be written but its data field is read-only (for the current row, when
    // the record set sets it per row).
    bool FieldReadOnly(int column) const;
    int CurrentRow() const;        // -1 when there is none
    int RecNoOfRow(int row) const; // 0 for the pending new row

    // Starts a new row at the end (a blank one pending is dropped first); the record set's
    // insert rules fill in what they fill in, and the values it starts with are kept, to tell
    // a blank row.
    void AppendRow();
    // A pending new row that holds nothing but what it started with: nothing was typed or
    // chosen in it (a row that AppendRow did not start: its record set's Modified is false).
    bool NewRowBlank() const;
    // Drops a blank new row; true when there was one.
    bool DropBlankNewRow();

    // Moves the cursor to a row as the user does: a pending new row is finished first
    // (dropped when blank, otherwise posted). Raises what the record set raises.
    void MoveToRow(int row);
    // Puts the set into edit mode for a change typed into a cell of a row (moving there
    // first). Raises what the record set raises.
    bool BeginEdit(int row);
    // Assigns an edit text (SetText) or, for a lookup column, the key of a list row.
    void AssignText(int row, int column, const QString& text);
    void AssignLookupKey(int row, int column, const QVariantList& key);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Reads the rows again: a reset when their number changed, otherwise a repaint.
    void Refresh();

Q_SIGNALS:
    void CursorMoved();
    void ColumnsChanged(); // after a reset that rebuilt the columns

private:
    void Reset();
    void StateChange();
    void RebuildDefaultColumns();
    template <typename Fn> void WithRow(int row, Fn fn) const;

    QPointer<TDataSource> FDataSource;
    std::vector<TDBGridColumn> FColumns;
    bool FDefaultColumns = true;
    bool FReadOnly = false;
    bool FNewRowAtEnd = true;
    QColor FReadOnlyColor;
    int FRows = 0;
    int FLastRecNo = 0;
    int FInsertRow = -1;
    // The data fields' values of the new row AppendRow started, as it started; empty else.
    std::vector<TValue> FNewRowStart;
};
