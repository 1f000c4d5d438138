#pragma once
// TDBCheckBox: a check box bound to a Boolean field. A click (or Space) puts the record set
// into edit mode and assigns the new value at once, so the field's change events run before
// clicked() is emitted; a refused value leaves the box showing the field.

#include "TDataControls.h"
#include "TDataSource.h"

#include <QCheckBox>

class TDBCheckBox : public QCheckBox, public IDBPaintable {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    explicit TDBCheckBox(const QString& text, QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& fieldName) { FDataLink.SetFieldName(fieldName); }
    TField* Field() const { return FDataLink.Field(); }
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool readOnly) { FDataLink.SetReadOnly(readOnly); }

    void PaintActiveRecord(QPainter& painter, const QRect& rect) override;

Q_SIGNALS:
    void entered();
    void exited();

protected:
    void nextCheckState() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void DataChange();
    bool FieldChecked() const;

    TFieldDataLink FDataLink;
};
