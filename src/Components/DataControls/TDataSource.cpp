#include "TDataSource.h"

#include <algorithm>

// ---------------------------------------------------------------- TDataSource

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::TDataSource(TRecordSet* dataSet, QObject* parent) : QObject(parent) {
    SetDataSet(dataSet);
}

TDataSource::~TDataSource() {
    if (FDataSet) FDataSet->RemoveObserver(this);
    const std::vector<TFieldDataLink*> links = FLinks;
    for (TFieldDataLink* link : links)
        link->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TRecordSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) FDataSet->RemoveObserver(this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->AddObserver(this);
    Q_EMIT ActiveChange();
    Q_EMIT StateChange();
    Q_EMIT DataChange(nullptr);
    Q_EMIT RowsChanged();
}

void TDataSource::RecordSetDestroyed(TRecordSet& dataSet) {
    // No signals: the owner of the set may be half destroyed; the controls find the source
    // inactive the next time they look.
    if (&dataSet == FDataSet) FDataSet = nullptr;
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Q_EMIT ActiveChange();
    Q_EMIT StateChange();
    Q_EMIT DataChange(nullptr);
    Q_EMIT RowsChanged();
}

bool TDataSource::IsActive() const {
    return FEnabled && FDataSet && FDataSet->Active();
}

TDataSetState TDataSource::State() const {
    return IsActive() ? FDataSet->State() : TDataSetState::Inactive;
}

bool TDataSource::Editing() const {
    const TDataSetState state = State();
    return state == TDataSetState::Edit || state == TDataSetState::Insert;
}

bool TDataSource::Edit() {
    if (!IsActive()) return false;
    if (!Editing() && FAutoEdit && FDataSet->State() == TDataSetState::Browse) FDataSet->Edit();
    return Editing();
}

bool TDataSource::UpdateRecord() {
    const std::vector<TFieldDataLink*> links = FLinks;
    for (TFieldDataLink* link : links)
        if (link->OnUpdateData && !link->OnUpdateData()) return false;
    return true;
}

void TDataSource::RecordChanged(TRecordSet&) {
    if (!FEnabled) return;
    Q_EMIT DataChange(nullptr);
}

void TDataSource::FieldChanged(TRecordSet&, TField& field) {
    if (!FEnabled) return;
    Q_EMIT DataChange(&field);
}

void TDataSource::Scrolled(TRecordSet&) {
    if (!FEnabled) return;
    Q_EMIT DataChange(nullptr);
    Q_EMIT CursorMoved();
}

void TDataSource::StateChanged(TRecordSet&) {
    if (!FEnabled) return;
    Q_EMIT StateChange();
}

void TDataSource::DataSetChanged(TRecordSet&) {
    if (!FEnabled) return;
    Q_EMIT DataChange(nullptr);
    Q_EMIT RowsChanged();
}

void TDataSource::Reloaded(TRecordSet&) {
    if (!FEnabled) return;
    Q_EMIT ActiveChange();
    Q_EMIT StateChange();
    Q_EMIT DataChange(nullptr);
    Q_EMIT RowsChanged();
}

// ---------------------------------------------------------------- TFieldDataLink

TFieldDataLink::TFieldDataLink(QObject* parent) : QObject(parent) {}

TFieldDataLink::~TFieldDataLink() {
    Detach();
}

void TFieldDataLink::Attach(TDataSource* dataSource) {
    FDataSource = dataSource;
    if (!dataSource) return;
    dataSource->FLinks.push_back(this);
    connect(dataSource, &TDataSource::DataChange, this, &TFieldDataLink::SourceDataChange);
    connect(dataSource, &TDataSource::StateChange, this, &TFieldDataLink::EditingChange);
    connect(dataSource, &TDataSource::ActiveChange, this, &TFieldDataLink::ActiveChange);
}

void TFieldDataLink::Detach() {
    if (!FDataSource) return;
    auto& links = FDataSource->FLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    disconnect(FDataSource, nullptr, this, nullptr);
    FDataSource = nullptr;
}

void TFieldDataLink::SetDataSource(TDataSource* dataSource) {
    if (dataSource == FDataSource) return;
    Detach();
    Attach(dataSource);
    Q_EMIT ActiveChange();
    Q_EMIT DataChange();
}

void TFieldDataLink::SetFieldName(const QString& fieldName) {
    if (fieldName == FFieldName) return;
    FFieldName = fieldName;
    Q_EMIT ActiveChange();
    Q_EMIT DataChange();
}

void TFieldDataLink::SetReadOnly(bool readOnly) {
    if (readOnly == FReadOnly) return;
    FReadOnly = readOnly;
    Q_EMIT EditingChange();
}

TRecordSet* TFieldDataLink::DataSet() const {
    return FDataSource && FDataSource->IsActive() ? FDataSource->DataSet() : nullptr;
}

TField* TFieldDataLink::Field() const {
    TRecordSet* dataSet = DataSet();
    return dataSet && !FFieldName.isEmpty() ? dataSet->FindField(FFieldName) : nullptr;
}

bool TFieldDataLink::CanModify() const {
    const TField* field = Field();
    return field && !FReadOnly && !field->ReadOnly() && field->FieldKind() == TFieldKind::Data;
}

bool TFieldDataLink::Editing() const {
    return FDataSource && FDataSource->Editing();
}

bool TFieldDataLink::Edit() {
    if (!CanModify()) return false;
    if (Editing()) return true;
    ++FOwnEdit;
    try {
        FDataSource->Edit();
    } catch (...) {
        --FOwnEdit;
        throw;
    }
    --FOwnEdit;
    return Editing();
}

void TFieldDataLink::SourceDataChange(TField* field) {
    if (FOwnEdit > 0) return;
    if (field) {
        const TField* mine = Field();
        // A calculated or lookup field may depend on the field that changed.
        if (mine && mine != field && mine->FieldKind() == TFieldKind::Data) return;
    }
    Q_EMIT DataChange();
}
