#include "TRecordSet.h"

#include "Components/Core/SysExceptions.h"
#include "TFilterExpression.h"
#include "TRowSort.h"
#include "TRowStore.h"

#include <algorithm>

namespace {

QString NotEditingMessage() {
    return QStringLiteral("Dataset not in edit or insert mode");
}

bool IsEditing(TDataSetState state) {
    return state == TDataSetState::Edit || state == TDataSetState::Insert;
}

// Restores a value when leaving a scope, also by an exception.
template <typename T> class TRestore {
public:
    TRestore(T& target, T value) : FTarget(target), FSaved(target) { target = value; }
    ~TRestore() { FTarget = FSaved; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FTarget;
    T FSaved;
};

} // namespace

TRecordSet::TRecordSet() = default;

TRecordSet::~TRecordSet() {
    // An observer may outlive the set (a data source owned by a window that holds the set as
    // a member is deleted after it); it is told so it never reaches back into freed memory.
    const std::vector<IRecordSetObserver*> observers = std::move(FObservers);
    FObservers.clear();
    for (IRecordSetObserver* observer : observers)
        observer->RecordSetDestroyed(*this);
    Detach();
}

void TRecordSet::Error(const QString& message) const {
    throw EDatabaseError(Name.isEmpty() ? message : Name + QStringLiteral(": ") + message);
}

void TRecordSet::CheckInactive() const {
    if (Active()) Error(QStringLiteral("Cannot perform this operation on an open dataset"));
}

void TRecordSet::CheckActive() const {
    if (!Active()) Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TRecordSet::CheckRowsWritable() const {
    if (FStore && FStore->Readers > 0)
        Error(QStringLiteral("The rows cannot change while they are being written to disk; try "
                             "again when the save is done"));
}

bool TRecordSet::Active() const {
    return FState != TDataSetState::Inactive;
}

// ---------------------------------------------------------------- fields

TField& TRecordSet::AddFieldDef(const QString& name, TFieldType type, int size, TFieldKind kind) {
    CheckInactive();
    if (name.trimmed().isEmpty()) Error(QStringLiteral("A field needs a name"));
    const QString folded = name.toCaseFolded();
    if (FFieldIndex.contains(folded)) Error(QStringLiteral("Duplicate field name '%1'").arg(name));
    if (type == TFieldType::String && size <= 0) size = 20;
    auto field = std::make_unique<TField>(*this, name, type, size, kind);
    field->FIndex = int(FFields.size());
    if (kind == TFieldKind::Data) field->FColumn = FDataColumns++;
    FFieldIndex.insert(folded, field->FIndex);
    FFields.push_back(std::move(field));
    return *FFields.back();
}

TField& TRecordSet::AddField(const QString& name, TFieldType type, int size) {
    return AddFieldDef(name, type, size, TFieldKind::Data);
}

TField& TRecordSet::AddCalculatedField(const QString& name, TFieldType type, int size) {
    return AddFieldDef(name, type, size, TFieldKind::Calculated);
}

TField& TRecordSet::AddLookupField(const QString& name, TFieldType type, int size,
                                   TRecordSet* lookupDataSet, const QString& keyFields,
                                   const QString& lookupKeyFields, const QString& resultField) {
    TField& field = AddFieldDef(name, type, size, TFieldKind::Lookup);
    field.SetLookup(lookupDataSet, keyFields, lookupKeyFields, resultField);
    return field;
}

void TRecordSet::ClearFields() {
    CheckInactive();
    FFields.clear();
    FFieldIndex.clear();
    FDataColumns = 0;
    FFilter.reset();
    FFilterText.clear();
    FSortKeys.clear();
    FSortText.clear();
}

TField* TRecordSet::FindField(const QString& name) const {
    // A short list is searched directly, which costs less than folding the name; a table
    // read from a file with very many columns uses the index.
    if (FFields.size() <= 32) {
        for (const auto& field : FFields)
            if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0) return field.get();
        return nullptr;
    }
    const auto it = FFieldIndex.constFind(name.toCaseFolded());
    return it == FFieldIndex.constEnd() ? nullptr : FFields[size_t(*it)].get();
}

TField& TRecordSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field) Error(QStringLiteral("Field '%1' not found").arg(name));
    return *field;
}

// ---------------------------------------------------------------- opening

void TRecordSet::Attach(std::shared_ptr<TRowStore> store) {
    Detach();
    FStore = std::move(store);
    FStore->Cursors.push_back(this);
}

void TRecordSet::Detach() {
    if (!FStore) return;
    auto& cursors = FStore->Cursors;
    cursors.erase(std::remove(cursors.begin(), cursors.end(), this), cursors.end());
    FStore.reset();
}

void TRecordSet::CreateDataSet() {
    CheckInactive();
    auto store = std::make_shared<TRowStore>();
    for (const auto& field : FFields)
        if (field->FieldKind() == TFieldKind::Data)
            store->Columns.emplace_back(field->DataType(), field->Size());
    Attach(std::move(store));
    AfterOpen();
}

void TRecordSet::AfterOpen() {
    FEditBuffer.clear();
    FModified = false;
    FCalcBuffer.assign(FFields.size(), TValue());
    SetState(TDataSetState::Browse);
    RebuildView();
    const int n = ViewSize();
    FCur = n > 0 ? 0 : -1;
    FBof = true;
    FEof = n == 0;
    CalculateFields();
    Notify(ReloadedNote);
    RunEvent(AfterScroll);
}

void TRecordSet::Close() {
    if (!Active()) return;
    FEditBuffer.clear();
    FModified = false;
    Detach();
    FView.clear();
    FNatural = true;
    FCur = -1;
    FBof = FEof = true;
    SetState(TDataSetState::Inactive);
    Notify(ReloadedNote);
}

void TRecordSet::ReplaceStore(std::shared_ptr<TRowStore> store) {
    FEditBuffer.clear();
    FModified = false;
    if (FState != TDataSetState::Inactive) FState = TDataSetState::Browse;
    Attach(std::move(store));
    AfterOpen();
}

void TRecordSet::SetState(TDataSetState state) {
    if (FState == state) return;
    FState = state;
    Notify(StateChangedNote);
}

void TRecordSet::Notify(TNote what, TField* field) {
    if (FDisableCount > 0) {
        FChangedWhileDisabled = true;
        return;
    }
    const std::vector<IRecordSetObserver*> observers = FObservers;
    for (IRecordSetObserver* observer : observers) {
        switch (what) {
        case RecordChangedNote:
            observer->RecordChanged(*this);
            break;
        case FieldChangedNote:
            observer->FieldChanged(*this, *field);
            break;
        case ScrolledNote:
            observer->Scrolled(*this);
            break;
        case StateChangedNote:
            observer->StateChanged(*this);
            break;
        case DataSetChangedNote:
            observer->DataSetChanged(*this);
            break;
        case ReloadedNote:
            observer->Reloaded(*this);
            break;
        }
    }
}

// ---------------------------------------------------------------- view

int TRecordSet::ViewSize() const {
    if (!FStore) return 0;
    return int(FNatural ? FStore->Order.size() : FView.size());
}

quint32 TRecordSet::ViewSlot(int index) const {
    return FNatural ? FStore->Order[size_t(index)] : FView[size_t(index)];
}

bool TRecordSet::RowPasses(quint32 slot) const {
    return !FFiltered || !FFilter || FFilter->Matches(*FStore, slot);
}

void TRecordSet::RebuildView() {
    FView.clear();
    const bool filtering = FFiltered && FFilter;
    if (!filtering && FSortKeys.empty()) {
        FNatural = true;
        FView.shrink_to_fit();
        return;
    }
    FNatural = false;
    const TRowStore& store = *FStore;
    if (filtering) {
        for (quint32 slot : store.Order)
            if (FFilter->Matches(store, slot)) FView.push_back(slot);
    } else {
        FView = store.Order;
    }
    if (!FSortKeys.empty()) SortSlots(store, FView, FSortKeys);
}

void TRecordSet::MoveTo(int index, bool bof, bool eof) {
    FCur = index;
    FBof = bof;
    FEof = eof;
    CalculateFields();
    Notify(ScrolledNote);
}

int TRecordSet::RecordCount() const {
    return Active() ? ViewSize() : 0;
}

int TRecordSet::RecNo() const {
    if (!Active() || FState == TDataSetState::Insert || FCur < 0) return -1;
    return FCur + 1;
}

// ---------------------------------------------------------------- calculated fields

void TRecordSet::CalculateFields() {
    bool anyCalculated = false;
    for (const auto& field : FFields) {
        if (field->FieldKind() != TFieldKind::Calculated) continue;
        anyCalculated = true;
        (*FActiveCalc)[size_t(field->Index())] = TValue();
    }
    if (!OnCalcFields || !anyCalculated) return;
    // Nothing to calculate without a row.
    if (FOverrideSlot < 0 && !IsEditing(FState) && FState != TDataSetState::CalcFields &&
        (FCur < 0 || FCur >= ViewSize()))
        return;
    if (FState == TDataSetState::CalcFields) return; // no recursion
    TRestore<TDataSetState> before(FStateBeforeCalc, FState);
    TRestore<TDataSetState> state(FState, TDataSetState::CalcFields);
    OnCalcFields(*this);
}

void TRecordSet::WithRecord(int recNo, const std::function<void()>& fn) {
    CheckActive();
    if (recNo < 1 || recNo > ViewSize()) Error(QStringLiteral("Record %1 not found").arg(recNo));
    WithSlot(ViewSlot(recNo - 1), fn);
}

TValue TRecordSet::StoredValue(int recNo, const TField& field) const {
    CheckActive();
    if (recNo < 1 || recNo > ViewSize()) Error(QStringLiteral("Record %1 not found").arg(recNo));
    if (field.FieldKind() != TFieldKind::Data || &field.DataSet() != this)
        Error(QStringLiteral("'%1' is not a data field of %2").arg(field.FieldName(), Name));
    return FStore->Columns[size_t(field.Column())].Get(ViewSlot(recNo - 1));
}

void TRecordSet::WithSlot(quint32 slot, const std::function<void()>& fn) const {
    // Reading a row changes nothing the caller can see: the cursor, the state and the
    // calculated values of the current row are all put back.
    auto* self = const_cast<TRecordSet*>(this);
    std::vector<TValue> calc(FFields.size());
    TRestore<qint64> overrideSlot(self->FOverrideSlot, qint64(slot));
    TRestore<std::vector<TValue>*> activeCalc(self->FActiveCalc, &calc);
    self->CalculateFields();
    fn();
}

// ---------------------------------------------------------------- active buffer

TValue TRecordSet::ReadField(const TField& field) const {
    if (&field == FValidatingField) return *FValidatingValue;
    switch (field.FieldKind()) {
    case TFieldKind::Data: {
        if (!FStore) return {};
        const TColumn& column = FStore->Columns[size_t(field.Column())];
        if (FOverrideSlot >= 0) return column.Get(quint32(FOverrideSlot));
        const TDataSetState state = FState == TDataSetState::CalcFields ? FStateBeforeCalc : FState;
        if (IsEditing(state)) return FEditBuffer[size_t(field.Column())];
        if (FCur < 0 || FCur >= ViewSize()) return {};
        return column.Get(ViewSlot(FCur));
    }
    case TFieldKind::Calculated:
        if (size_t(field.Index()) >= FActiveCalc->size()) return {};
        return (*FActiveCalc)[size_t(field.Index())];
    case TFieldKind::Lookup:
        return ReadLookup(field);
    }
    return {};
}

TValue TRecordSet::ReadStoredField(const TField& field) const {
    const TDataSetState state = FState == TDataSetState::CalcFields ? FStateBeforeCalc : FState;
    if (state == TDataSetState::Insert && FOverrideSlot < 0) return {};
    if (state == TDataSetState::Edit && FOverrideSlot < 0 && FStore && FStore->IsAlive(FEditSlot))
        return FStore->Columns[size_t(field.Column())].Get(FEditSlot);
    return ReadField(field);
}

TValue TRecordSet::ReadLookup(const TField& field) const {
    TRecordSet* source = field.LookupDataSet();
    if (!source || !source->Active()) return {};
    const QStringList keys = SplitFieldList(field.KeyFields());
    const QStringList lookupKeys = SplitFieldList(field.LookupKeyFields());
    if (keys.isEmpty() || keys.size() != lookupKeys.size()) return {};
    std::vector<int> sourceFields;
    std::vector<TValue> values;
    for (int i = 0; i < keys.size(); ++i) {
        const TField& key = FieldByName(keys.at(i));
        const TField& sourceKey = source->FieldByName(lookupKeys.at(i));
        const TValue value = key.RawValue();
        if (value.IsNull) return {};
        sourceFields.push_back(sourceKey.Index());
        values.push_back(sourceKey.Convert(value, key.DataType()));
    }
    const TField& result = source->FieldByName(field.LookupResultField());
    const int n = source->ViewSize();
    for (int i = 0; i < n; ++i) {
        const quint32 slot = source->ViewSlot(i);
        if (!source->RowMatches(slot, sourceFields, values, {})) continue;
        TValue found;
        if (result.FieldKind() == TFieldKind::Data) {
            found = source->FStore->Columns[size_t(result.Column())].Get(slot);
        } else {
            source->WithSlot(slot, [&] { found = result.RawValue(); });
        }
        return field.Convert(found, result.DataType());
    }
    return {};
}

void TRecordSet::WriteField(TField& field, TValue value) {
    CheckActive();
    const QString name = field.FieldName();
    if (field.FieldKind() == TFieldKind::Lookup)
        Error(QStringLiteral("Field '%1' cannot be modified").arg(name));
    if (FState == TDataSetState::CalcFields) {
        if (field.FieldKind() != TFieldKind::Calculated)
            Error(QStringLiteral("Field '%1' cannot be modified").arg(name));
        (*FActiveCalc)[size_t(field.Index())] = std::move(value);
        return;
    }
    if (!IsEditing(FState)) Error(NotEditingMessage());
    if (field.ReadOnly()) Error(QStringLiteral("Field '%1' cannot be modified").arg(name));
    if (field.OnValidate) {
        TRestore<const TField*> validating(FValidatingField, &field);
        TRestore<const TValue*> validatingValue(FValidatingValue, &value);
        field.OnValidate(field);
    }
    if (!IsEditing(FState)) Error(NotEditingMessage()); // the handler may have posted
    if (field.FieldKind() == TFieldKind::Data) {
        FEditBuffer[size_t(field.Column())] = std::move(value);
        FModified = true;
        CalculateFields();
    } else {
        (*FActiveCalc)[size_t(field.Index())] = std::move(value);
    }
    if (field.OnChange) field.OnChange(field);
    Notify(FieldChangedNote, &field);
}

// ---------------------------------------------------------------- rows

void TRecordSet::CheckBrowseMode() {
    CheckActive();
    if (!IsEditing(FState)) return;
    if (FModified)
        Post();
    else
        Cancel();
}

void TRecordSet::BeginInsert(bool append) {
    CheckActive();
    CheckBrowseMode();
    RunEvent(BeforeInsert);
    RunEvent(BeforeScroll);
    const int n = ViewSize();
    FCursorBeforeInsert = FCur;
    FInsertAppend = append || n == 0;
    FInsertIndex = FInsertAppend ? n : std::max(FCur, 0);
    if (FInsertAppend) FCur = n - 1;
    FEditBuffer.assign(FStore->Columns.size(), TValue());
    FModified = false;
    FBof = FEof = false;
    SetState(TDataSetState::Insert);
    try {
        CalculateFields();
        RunEvent(OnNewRecord);
    } catch (...) {
        FEditBuffer.clear();
        FCur = FCursorBeforeInsert;
        FBof = FEof = ViewSize() == 0;
        SetState(TDataSetState::Browse);
        throw;
    }
    FModified = false;
    Notify(DataSetChangedNote);
    RunEvent(AfterInsert);
    RunEvent(AfterScroll);
}

void TRecordSet::Append() {
    BeginInsert(true);
}
void TRecordSet::Insert() {
    BeginInsert(false);
}

void TRecordSet::Edit() {
    CheckActive();
    if (IsEditing(FState)) return;
    if (ViewSize() == 0) {
        Insert();
        return;
    }
    RunEvent(BeforeEdit);
    FEditSlot = ViewSlot(FCur);
    FEditBuffer.clear();
    FEditBuffer.reserve(FStore->Columns.size());
    for (const TColumn& column : FStore->Columns)
        FEditBuffer.push_back(column.Get(FEditSlot));
    FModified = false;
    SetState(TDataSetState::Edit);
    Notify(RecordChangedNote);
    RunEvent(AfterEdit);
}

void TRecordSet::Post() {
    CheckActive();
    if (!IsEditing(FState)) return;
    CheckRowsWritable();
    RunEvent(BeforePost);
    if (!IsEditing(FState)) return; // the handler finished the row itself
    TRowStore& store = *FStore;
    if (FState == TDataSetState::Insert) {
        const quint32 slot = store.NewSlot();
        for (size_t c = 0; c < store.Columns.size(); ++c)
            store.Columns[c].Set(slot, FEditBuffer[c]);
        const int n = ViewSize();
        size_t orderIndex = store.Order.size();
        int index = n;
        if (!FInsertAppend && FInsertIndex < n) {
            index = FInsertIndex;
            const quint32 before = ViewSlot(index);
            orderIndex = size_t(std::find(store.Order.begin(), store.Order.end(), before) -
                                store.Order.begin());
        }
        store.NoteInserted(slot, orderIndex);
        store.Order.insert(store.Order.begin() + qsizetype(orderIndex), slot);
        if (FNatural)
            index = int(orderIndex);
        else
            FView.insert(FView.begin() + index, slot);
        FCur = index;
        ShareRowInserted(slot, orderIndex);
    } else {
        if (!store.IsAlive(FEditSlot))
            Error(QStringLiteral("Record not found or changed by another user"));
        store.NoteChanged(FEditSlot);
        for (size_t c = 0; c < store.Columns.size(); ++c)
            if (!SameValue(store.Columns[c].Type, store.Columns[c].Get(FEditSlot), FEditBuffer[c]))
                store.Columns[c].Set(FEditSlot, FEditBuffer[c]);
        ShareRowChanged(FEditSlot);
    }
    ++store.PendingChanges;
    FEditBuffer.clear();
    FModified = false;
    FBof = FEof = false;
    SetState(TDataSetState::Browse);
    CalculateFields();
    Notify(DataSetChangedNote);
    RunEvent(AfterPost);
}

void TRecordSet::Cancel() {
    CheckActive();
    if (!IsEditing(FState)) return;
    RunEvent(BeforeCancel);
    const bool wasInsert = FState == TDataSetState::Insert;
    FEditBuffer.clear();
    FModified = false;
    const int n = ViewSize();
    if (wasInsert) {
        if (FInsertAppend)
            FCur = n - 1;
        else
            FCur = std::min(std::max(FCursorBeforeInsert, n > 0 ? 0 : -1), n - 1);
    }
    FBof = FEof = n == 0;
    SetState(TDataSetState::Browse);
    CalculateFields();
    Notify(DataSetChangedNote);
    RunEvent(AfterCancel);
}

void TRecordSet::Delete() {
    CheckActive();
    if (FState == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (ViewSize() == 0) Error(QStringLiteral("Cannot perform this operation on an empty dataset"));
    CheckRowsWritable();
    RunEvent(BeforeDelete);
    RunEvent(BeforeScroll);
    TRowStore& store = *FStore;
    const quint32 slot = ViewSlot(FCur);
    size_t orderIndex =
        FNatural
            ? size_t(FCur)
            : size_t(std::find(store.Order.begin(), store.Order.end(), slot) - store.Order.begin());
    store.NoteDeleted(slot, orderIndex);
    store.Order.erase(store.Order.begin() + qsizetype(orderIndex));
    if (!FNatural) FView.erase(FView.begin() + FCur);
    for (TColumn& column : store.Columns)
        column.Set(slot, TValue());
    store.MarkDead(slot);
    ++store.PendingChanges;
    FEditBuffer.clear();
    FModified = false;
    // As in a Delphi data set the cursor moves to the row that followed; when the last row
    // went, it stays on the new last row at the end (Eof), so that a scan which deletes some
    // rows and steps over the others ends there instead of visiting that row again.
    const int n = ViewSize();
    const bool wasLast = FCur >= n;
    if (wasLast) FCur = n - 1;
    FBof = n == 0;
    FEof = wasLast;
    ShareRowDeleted(slot, orderIndex);
    SetState(TDataSetState::Browse);
    CalculateFields();
    Notify(DataSetChangedNote);
    RunEvent(AfterDelete);
    RunEvent(AfterScroll);
}

// ---------------------------------------------------------------- rows shared with clones

void TRecordSet::ShareRowInserted(quint32 slot, size_t orderIndex) {
    const std::vector<TRecordSet*> cursors = FStore->Cursors;
    for (TRecordSet* other : cursors)
        if (other != this) other->OnRowInserted(slot, orderIndex);
}

void TRecordSet::ShareRowDeleted(quint32 slot, size_t orderIndex) {
    const std::vector<TRecordSet*> cursors = FStore->Cursors;
    for (TRecordSet* other : cursors)
        if (other != this) other->OnRowDeleted(slot, orderIndex);
}

void TRecordSet::ShareRowChanged(quint32 slot) {
    const std::vector<TRecordSet*> cursors = FStore->Cursors;
    for (TRecordSet* other : cursors)
        if (other != this) other->OnRowChanged(slot);
}

void TRecordSet::OnRowInserted(quint32 slot, size_t orderIndex) {
    if (FNatural) {
        if (FCur >= 0 && orderIndex <= size_t(FCur)) ++FCur;
        if (FState == TDataSetState::Insert && orderIndex <= size_t(FInsertIndex)) ++FInsertIndex;
        if (FState == TDataSetState::Insert && FCursorBeforeInsert >= 0 &&
            orderIndex <= size_t(FCursorBeforeInsert))
            ++FCursorBeforeInsert;
    } else if (RowPasses(slot)) {
        FView.push_back(slot);
    } else {
        return;
    }
    if (FCur < 0 && FState == TDataSetState::Browse) {
        FCur = 0;
        FBof = FEof = false;
        CalculateFields();
    }
    Notify(DataSetChangedNote);
}

void TRecordSet::OnRowDeleted(quint32 slot, size_t orderIndex) {
    int index = -1;
    if (FNatural) {
        index = int(orderIndex);
    } else {
        const auto it = std::find(FView.begin(), FView.end(), slot);
        if (it == FView.end()) return;
        index = int(it - FView.begin());
        FView.erase(it);
    }
    // The cursor keeps its row; when its own row went it moves to the row that followed, or
    // to the new last row at the end (Eof) when there was none, as the deleting set does.
    const int n = ViewSize();
    if (index < FCur) {
        --FCur;
    } else if (index == FCur && FCur >= n) {
        FCur = n - 1;
        if (FState != TDataSetState::Insert) FEof = true;
    }
    if (FState == TDataSetState::Insert) {
        if (index < FInsertIndex) --FInsertIndex;
        if (FCursorBeforeInsert >= 0 && index < FCursorBeforeInsert) --FCursorBeforeInsert;
        if (FCursorBeforeInsert >= n) FCursorBeforeInsert = n - 1;
    }
    if (n == 0) {
        FCur = -1;
        FBof = FEof = true;
    }
    if (FState == TDataSetState::Browse) CalculateFields();
    Notify(DataSetChangedNote);
}

void TRecordSet::OnRowChanged(quint32 slot) {
    if (FState == TDataSetState::Browse && FCur >= 0 && ViewSlot(FCur) == slot) {
        CalculateFields();
        Notify(RecordChangedNote);
    } else {
        Notify(DataSetChangedNote);
    }
}

// ---------------------------------------------------------------- cursor

void TRecordSet::First() {
    CheckActive();
    CheckBrowseMode();
    RunEvent(BeforeScroll);
    const int n = ViewSize();
    MoveTo(n > 0 ? 0 : -1, true, n == 0);
    RunEvent(AfterScroll);
}

void TRecordSet::Last() {
    CheckActive();
    CheckBrowseMode();
    RunEvent(BeforeScroll);
    const int n = ViewSize();
    MoveTo(n - 1, n == 0, true);
    RunEvent(AfterScroll);
}

void TRecordSet::Next() {
    MoveBy(1);
}
void TRecordSet::Prior() {
    MoveBy(-1);
}

int TRecordSet::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    RunEvent(BeforeScroll);
    if ((distance > 0 && FEof) || (distance < 0 && FBof) || distance == 0) return 0;
    const int n = ViewSize();
    bool bof = false, eof = false;
    qint64 target = qint64(FCur) + distance;
    if (target >= n) {
        target = n - 1;
        eof = true;
    }
    if (target < 0) {
        target = n > 0 ? 0 : -1;
        bof = true;
    }
    const int moved = int(target) - FCur;
    MoveTo(int(target), bof, eof || n == 0);
    RunEvent(AfterScroll);
    return moved;
}

void TRecordSet::SetRecNo(int recNo) {
    CheckActive();
    CheckBrowseMode();
    const int n = ViewSize();
    if (n == 0) return;
    RunEvent(BeforeScroll);
    MoveTo(std::clamp(recNo, 1, n) - 1, false, false);
    RunEvent(AfterScroll);
}

TBookmark TRecordSet::GetBookmark() const {
    if (!Active() || FState == TDataSetState::Insert || FCur < 0 || FCur >= ViewSize()) return 0;
    return TBookmark(ViewSlot(FCur)) + 1;
}

bool TRecordSet::BookmarkValid(TBookmark bookmark) const {
    if (!Active() || bookmark <= 0 || bookmark > TBookmark(FStore->SlotCount)) return false;
    const quint32 slot = quint32(bookmark - 1);
    if (!FStore->IsAlive(slot)) return false;
    return FNatural || std::find(FView.begin(), FView.end(), slot) != FView.end();
}

void TRecordSet::GotoBookmark(TBookmark bookmark) {
    CheckActive();
    CheckBrowseMode();
    if (!BookmarkValid(bookmark)) Error(QStringLiteral("Record not found"));
    const quint32 slot = quint32(bookmark - 1);
    const auto& rows = FNatural ? FStore->Order : FView;
    const int index = int(std::find(rows.begin(), rows.end(), slot) - rows.begin());
    RunEvent(BeforeScroll);
    MoveTo(index, false, false);
    RunEvent(AfterScroll);
}

// ---------------------------------------------------------------- controls and pending changes

void TRecordSet::DisableControls() {
    ++FDisableCount;
}

void TRecordSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount > 0) return;
    FChangedWhileDisabled = false;
    Notify(DataSetChangedNote);
}

void TRecordSet::AddObserver(IRecordSetObserver* observer) {
    if (std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
        FObservers.push_back(observer);
}

void TRecordSet::RemoveObserver(IRecordSetObserver* observer) {
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), observer), FObservers.end());
}

void TRecordSet::CommitUpdates() {
    CheckActive();
    CheckBrowseMode();
    FStore->PendingChanges = 0;
}

bool TRecordSet::HasPendingChanges() const {
    return Active() && (FStore->PendingChanges > 0 || (IsEditing(FState) && FModified));
}

size_t TRecordSet::MemoryUsage() const {
    return (FStore ? FStore->MemoryUsage() : 0) + FView.capacity() * sizeof(quint32);
}

// ---------------------------------------------------------------- undoing a batch of changes

void TRecordSet::BeginUndoRecord() {
    CheckActive();
    auto record = std::make_unique<TUndoRecord>();
    record->Mark = FStore->File;
    record->PendingChanges = FStore->PendingChanges;
    FStore->Undo = std::move(record);
}

void TRecordSet::EndUndoRecord() {
    if (FStore) FStore->Undo.reset();
}

bool TRecordSet::UndoRecording() const {
    return FStore && FStore->Undo;
}

void TRecordSet::UndoChanges() {
    CheckActive();
    if (!FStore->Undo) return;
    // What was typed and not posted is dropped, not recorded.
    if (IsEditing(FState)) {
        FEditBuffer.clear();
        FModified = false;
        SetState(TDataSetState::Browse);
    }
    CheckRowsWritable();
    TRowStore& store = *FStore;
    const std::unique_ptr<TUndoRecord> record = std::move(store.Undo);
    for (auto entry = record->Entries.rbegin(); entry != record->Entries.rend(); ++entry) {
        switch (entry->Kind) {
        case TUndoRecord::Changed:
            for (size_t c = 0; c < store.Columns.size(); ++c)
                store.Columns[c].Set(entry->Slot, entry->Values[c]);
            break;
        case TUndoRecord::Inserted: {
            const auto at = std::find(store.Order.begin(), store.Order.end(), entry->Slot);
            if (at != store.Order.end()) store.Order.erase(at);
            for (TColumn& column : store.Columns)
                column.Set(entry->Slot, TValue());
            store.MarkDead(entry->Slot);
            break;
        }
        case TUndoRecord::Deleted:
            store.Dead[entry->Slot >> 6] &= ~(quint64(1) << (entry->Slot & 63));
            for (size_t c = 0; c < store.Columns.size(); ++c)
                store.Columns[c].Set(entry->Slot, entry->Values[c]);
            store.Order.insert(store.Order.begin() +
                                   qsizetype(std::min(entry->OrderIndex, store.Order.size())),
                               entry->Slot);
            break;
        }
    }
    // The file holds what it held when the record began, unless a save wrote it meanwhile.
    if (store.File.Generation == record->Mark.Generation)
        store.File = record->Mark;
    else
        store.File.Dirty = true;
    store.PendingChanges = record->PendingChanges;
    ++store.Edits;
    const std::vector<TRecordSet*> cursors = store.Cursors;
    for (TRecordSet* cursor : cursors)
        cursor->AfterRowsRestored(cursor == this);
}

void TRecordSet::AfterRowsRestored(bool toFirst) {
    // Another cursor keeps its row when it is still there; this one starts at the first row,
    // as after a reload.
    const TBookmark kept = toFirst ? 0 : GetBookmark();
    if (IsEditing(FState)) {
        FEditBuffer.clear();
        FModified = false;
        FState = TDataSetState::Browse;
    }
    RebuildView();
    const int n = ViewSize();
    int index = n > 0 ? 0 : -1;
    if (kept > 0 && FStore->IsAlive(quint32(kept - 1))) {
        const auto& rows = FNatural ? FStore->Order : FView;
        const auto at = std::find(rows.begin(), rows.end(), quint32(kept - 1));
        if (at != rows.end()) index = int(at - rows.begin());
    }
    FCur = index;
    FBof = index <= 0;
    FEof = n == 0;
    CalculateFields();
    Notify(StateChangedNote);
    Notify(ReloadedNote);
    RunEvent(AfterScroll);
}

// ---------------------------------------------------------------- rows read by another thread

TRecordSet::THold::THold(std::shared_ptr<TRowStore> store) : FStore(std::move(store)) {
    if (FStore) ++FStore->Readers;
}

TRecordSet::THold::THold(THold&& other) noexcept : FStore(std::move(other.FStore)) {}

TRecordSet::THold& TRecordSet::THold::operator=(THold&& other) noexcept {
    if (this != &other) {
        Release();
        FStore = std::move(other.FStore);
    }
    return *this;
}

TRecordSet::THold::~THold() {
    Release();
}

void TRecordSet::THold::Release() {
    if (FStore) --FStore->Readers;
    FStore.reset();
}

TRecordSet::THold TRecordSet::HoldRows() const {
    return THold(FStore);
}

bool TRecordSet::RowsHeld() const {
    return FStore && FStore->Readers > 0;
}
