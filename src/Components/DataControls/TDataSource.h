#pragma once
// TDataSource links one record set to the data-aware controls of a window, and
// TFieldDataLink links one control to one field through a data source (Delphi's TDataSource
// and TFieldDataLink).
//
// Binding a control:
//     TDataSource dsOrders(&dm.adsOrders, this);
//     auto* dbeCode = new TDBEdit(panel);
//     dbeCode->SetDataSource(&dsOrders);
//     dbeCode->SetDataField(QStringLiteral("OrderCode"));
//
// The record set must outlive the data sources attached to it.

#include "Components/RecordSet/TRecordSet.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TFieldDataLink;

class TDataSource : public QObject, public IRecordSetObserver {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr);
    explicit TDataSource(TRecordSet* dataSet, QObject* parent = nullptr);
    ~TDataSource() override;

    TRecordSet* DataSet() const { return FDataSet; }
    void SetDataSet(TRecordSet* dataSet);
    // A disabled data source shows its controls empty and tells them nothing.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Whether typing into a control may put the record set into edit mode (default yes).
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool autoEdit) { FAutoEdit = autoEdit; }

    // Open, enabled and attached.
    bool IsActive() const;
    // Inactive when the source is not active.
    TDataSetState State() const;
    bool Editing() const;

    // Puts the record set into edit mode when it browses and AutoEdit allows; raises what the
    // record set raises. True when the set is in edit or insert mode afterwards.
    bool Edit();

    // Asks every bound control to write a change still pending in it (text typed but not yet
    // assigned), as Delphi does before a post. Call it before moving or posting from an
    // action that does not take the focus. False when a control's field refused the value.
    bool UpdateRecord();

Q_SIGNALS:
    // The current row's values, one field's value (field given), the cursor or the rows
    // changed: Delphi's OnDataChange (field null except for one field's change).
    void DataChange(TField* field);
    // Browse, edit, insert or inactive.
    void StateChange();
    // Finer notices for grids.
    void CursorMoved();
    void RowsChanged(); // rows came or went, their order or values changed
    void ActiveChange();

private:
    friend class TFieldDataLink;
    void RecordChanged(TRecordSet&) override;
    void FieldChanged(TRecordSet&, TField& field) override;
    void Scrolled(TRecordSet&) override;
    void StateChanged(TRecordSet&) override;
    void DataSetChanged(TRecordSet&) override;
    void Reloaded(TRecordSet&) override;
    void RecordSetDestroyed(TRecordSet& dataSet) override;

    TRecordSet* FDataSet = nullptr;
    bool FEnabled = true;
    bool FAutoEdit = true;
    std::vector<TFieldDataLink*> FLinks;
};

// One control's link to one field. Resolves the field by name whenever it is asked, so a
// record set that redefines its fields never leaves a dangling field behind.
class TFieldDataLink : public QObject {
    Q_OBJECT
public:
    explicit TFieldDataLink(QObject* parent = nullptr);
    ~TFieldDataLink() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* dataSource);
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& fieldName);
    // The control itself refuses changes (its ReadOnly property).
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);

    TRecordSet* DataSet() const;
    TField* Field() const; // null when not active or the field does not exist
    bool Active() const { return Field() != nullptr; }
    // The field may be written through this link: a data field, neither it nor the link
    // read-only.
    bool CanModify() const;
    bool Editing() const;
    // Puts the record set into edit mode (see TDataSource::Edit) without refreshing this
    // link's control; raises what the record set raises. False when it may not edit.
    bool Edit();

    // The control's "write what is pending" step, called by TDataSource::UpdateRecord.
    std::function<bool()> OnUpdateData;

Q_SIGNALS:
    // The control should show its field again: the row changed, the field changed, or a
    // calculated or lookup field may have.
    void DataChange();
    void EditingChange();
    void ActiveChange();

private:
    friend class TDataSource;
    void Attach(TDataSource* dataSource);
    void Detach();
    void SourceDataChange(TField* field);

    QPointer<TDataSource> FDataSource;
    QString FFieldName;
    bool FReadOnly = false;
    int FOwnEdit = 0;
};
