#include "TDBGridModel.h"

#include "TDataControls.h"

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDBGridModel::SetDataSource(TDataSource* dataSource) {
    if (FDataSource) disconnect(FDataSource, nullptr, this, nullptr);
    FDataSource = dataSource;
    if (dataSource) {
        connect(dataSource, &TDataSource::RowsChanged, this, &TDBGridModel::Refresh);
        connect(dataSource, &TDataSource::DataChange, this, [this](TField*) { Refresh(); });
        connect(dataSource, &TDataSource::StateChange, this, &TDBGridModel::StateChange);
        connect(dataSource, &TDataSource::ActiveChange, this, &TDBGridModel::Reset);
        connect(dataSource, &TDataSource::CursorMoved, this, &TDBGridModel::CursorMoved);
        connect(dataSource, &QObject::destroyed, this, [this] {
            FDataSource = nullptr;
            Reset();
        });
    }
    Reset();
}

void TDBGridModel::SetColumns(std::vector<TDBGridColumn> columns) {
    FDefaultColumns = columns.empty();
    FColumns = std::move(columns);
    Reset();
}

void TDBGridModel::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    Refresh();
}

void TDBGridModel::SetReadOnlyColor(const QColor& color) {
    FReadOnlyColor = color;
    Refresh();
}

void TDBGridModel::RebuildDefaultColumns() {
    if (!FDefaultColumns) return;
    FColumns.clear();
    const TRecordSet* ds = DataSet();
    if (!ds) return;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        const TField& field = ds->Fields(i);
        if (!field.Visible()) continue;
        TDBGridColumn column;
        column.FieldName = field.FieldName();
        FColumns.push_back(column);
    }
}

void TDBGridModel::Reset() {
    beginResetModel();
    RebuildDefaultColumns();
    FInsertRow = -1;
    StateChange();
    FRows = rowCount();
    endResetModel();
    Q_EMIT ColumnsChanged();
}

TRecordSet* TDBGridModel::DataSet() const {
    return FDataSource && FDataSource->IsActive() ? FDataSource->DataSet() : nullptr;
}

TField* TDBGridModel::Field(int column) const {
    const TRecordSet* ds = DataSet();
    if (!ds || column < 0 || column >= int(FColumns.size())) return nullptr;
    return ds->FindField(FColumns[size_t(column)].FieldName);
}

bool TDBGridModel::ColumnWritable(int column) const {
    const TField* field = Field(column);
    if (!field || FReadOnly || FColumns[size_t(column)].ReadOnly || field->ReadOnly()) return false;
    if (field->FieldKind() == TFieldKind::Data) return true;
    // A lookup column writes its key fields.
    if (field->FieldKind() != TFieldKind::Lookup || !field->LookupDataSet()) return false;
    for (const QString& key : field->KeyFields().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const TField* keyField = field->DataSet().FindField(key.trimmed());
        if (!keyField || keyField->ReadOnly()) return false;
    }
    return true;
}

bool TDBGridModel::FieldReadOnly(int column) const {
    const TField* field = Field(column);
    return field && !FReadOnly && !FColumns[size_t(column)].ReadOnly &&
           field->FieldKind() == TFieldKind::Data && field->ReadOnly();
}

void TDBGridModel::StateChange() {
    const TRecordSet* ds = DataSet();
    if (!ds || ds->State() != TDataSetState::Insert) FNewRowStart.clear();
    if (ds && ds->State() == TDataSetState::Insert) {
        if (FInsertRow < 0)
            FInsertRow =
                FNewRowAtEnd ? ds->RecordCount() : std::clamp(FLastRecNo - 1, 0, ds->RecordCount());
    } else {
        FInsertRow = -1;
        if (ds) FLastRecNo = ds->RecNo();
    }
    Refresh();
}

int TDBGridModel::CurrentRow() const {
    return GridCurrentRow(DataSet(), FInsertRow);
}

int TDBGridModel::RecNoOfRow(int row) const {
    return GridRecNoOfRow(DataSet(), row, FInsertRow);
}

template <typename Fn> void TDBGridModel::WithRow(int row, Fn fn) const {
    TRecordSet* ds = DataSet();
    if (!ds || row < 0 || row >= rowCount()) return;
    if (row == CurrentRow()) {
        fn();
        return;
    }
    const int recNo = RecNoOfRow(row);
    if (recNo >= 1 && recNo <= ds->RecordCount()) ds->WithRecord(recNo, fn);
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const TRecordSet* ds = DataSet();
    if (!ds) return 0;
    return ds->RecordCount() + (ds->State() == TDataSetState::Insert ? 1 : 0);
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int column = index.column();
    const TField* field = Field(column);
    if (!field) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        QString text;
        TDataControls::Guard([&] {
            WithRow(index.row(), [&] {
                text = role == Qt::EditRole && field->FieldKind() == TFieldKind::Data
                           ? field->Text()
                           : field->DisplayText();
            });
        });
        return text;
    }
    case Qt::TextAlignmentRole:
        switch (field->DataType()) {
        case TFieldType::Integer:
        case TFieldType::SmallInt:
        case TFieldType::AutoInc:
        case TFieldType::Float:
        case TFieldType::Currency:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        default:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
    case Qt::BackgroundRole: {
        const TDBGridColumn& c = FColumns[size_t(column)];
        if (c.Color.isValid()) return c.Color;
        const bool readOnly =
            c.ReadOnly || field->ReadOnly() ||
            (field->FieldKind() != TFieldKind::Data && field->FieldKind() != TFieldKind::Lookup);
        if (readOnly && FReadOnlyColor.isValid()) return FReadOnlyColor;
        return {};
    }
    default:
        return {};
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role != Qt::DisplayRole || section < 0 || section >= int(FColumns.size())) return {};
        const TDBGridColumn& column = FColumns[size_t(section)];
        if (!column.Title.isEmpty()) return column.Title;
        const TField* field = Field(section);
        return field ? field->DisplayLabel() : column.FieldName;
    }
    // The row indicator: the current row, marked by the state of the record set.
    if (role == Qt::DisplayRole) {
        if (section != CurrentRow()) return QString();
        switch (DataSet()->State()) {
        case TDataSetState::Edit:
            return QStringLiteral("I");
        case TDataSetState::Insert:
            return QStringLiteral("*");
        default:
            return QString(QChar(0x25B6));
        }
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (ColumnWritable(index.column())) flags |= Qt::ItemIsEditable;
    return flags;
}

namespace {
std::vector<TValue> DataValues(const TRecordSet& ds) {
    std::vector<TValue> values;
    for (int i = 0; i < ds.FieldCount(); ++i)
        if (ds.Fields(i).FieldKind() == TFieldKind::Data) values.push_back(ds.Fields(i).RawValue());
    return values;
}
} // namespace

void TDBGridModel::AppendRow() {
    TRecordSet* ds = DataSet();
    if (!ds) return;
    // Another blank row first goes: it would only be posted on the way.
    DropBlankNewRow();
    FNewRowStart.clear();
    ds->Append();
    if (ds->State() == TDataSetState::Insert) FNewRowStart = DataValues(*ds);
}

bool TDBGridModel::NewRowBlank() const {
    const TRecordSet* ds = DataSet();
    if (!ds || ds->State() != TDataSetState::Insert) return false;
    if (FNewRowStart.empty()) return !ds->Modified();
    const std::vector<TValue> now = DataValues(*ds);
    size_t next = 0;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        const TField& field = ds->Fields(i);
        if (field.FieldKind() != TFieldKind::Data) continue;
        if (next >= FNewRowStart.size() ||
            !SameValue(field.DataType(), now[next], FNewRowStart[next]))
            return false;
        ++next;
    }
    return true;
}

bool TDBGridModel::DropBlankNewRow() {
    if (!NewRowBlank()) return false;
    DataSet()->Cancel();
    return true;
}

void TDBGridModel::MoveToRow(int row) {
    TRecordSet* ds = DataSet();
    if (!ds || row < 0 || row >= rowCount() || row == CurrentRow()) return;
    if (NewRowBlank()) {
        // Posting it would only meet the table's rules for rows that hold something.
        const int target = row > FInsertRow ? row - 1 : row;
        ds->Cancel();
        ds->SetRecNo(target + 1);
        return;
    }
    GridMoveToRow(*ds, row, FInsertRow);
}

bool TDBGridModel::BeginEdit(int row) {
    if (!FDataSource || !DataSet()) return false;
    MoveToRow(row);
    return FDataSource->Editing() || FDataSource->Edit();
}

void TDBGridModel::AssignText(int row, int column, const QString& text) {
    TField* field = Field(column);
    if (!field || !ColumnWritable(column)) return;
    if (!BeginEdit(row)) throw EAbort();
    field->SetText(text);
}

void TDBGridModel::AssignLookupKey(int row, int column, const QVariantList& key) {
    TField* field = Field(column);
    if (!field || !ColumnWritable(column) || field->FieldKind() != TFieldKind::Lookup) return;
    if (!BeginEdit(row)) throw EAbort();
    const QStringList keys = field->KeyFields().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (int i = 0; i < keys.size() && i < key.size(); ++i)
        field->DataSet().FieldByName(keys.at(i).trimmed()).SetValue(key.at(i));
}

bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    return TDataControls::Guard([&] {
        if (value.userType() == QMetaType::QVariantList)
            AssignLookupKey(index.row(), index.column(), value.toList());
        else
            AssignText(index.row(), index.column(), value.toString());
    });
}

void TDBGridModel::Refresh() {
    const TRecordSet* ds = DataSet();
    if (ds && ds->State() != TDataSetState::Insert) FLastRecNo = ds->RecNo();
    const int rows = rowCount();
    if (rows != FRows) {
        beginResetModel();
        FRows = rows;
        endResetModel();
        return;
    }
    if (rows > 0 && !FColumns.empty())
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, int(FColumns.size()) - 1));
    if (rows > 0) Q_EMIT headerDataChanged(Qt::Vertical, 0, rows - 1);
}
