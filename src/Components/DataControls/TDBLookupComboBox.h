#pragma once
// TDBLookupComboBox: a drop-down list of the rows of another record set (the list) that sets
// the key of the current row.
//
// Two ways to bind it, as in Delphi:
// - DataField names a lookup field of the main record set: the list is its LookupDataSet,
//   the list key its LookupKeyFields, the text its LookupResultField (unless ListField says
//   otherwise), and choosing a row assigns the main set's KeyFields.
// - DataField names a key field (or "A;B" key fields): ListSource gives the list, KeyField
//   the list's key fields and ListField the text shown.
// Choosing a row puts the main record set into edit mode and assigns the key field(s) at once
// (their change events run), then emits changed(). The box shows the current row's lookup
// text; the list is read when it drops down, without moving the list's cursor.

#include "TDataControls.h"
#include "TDataSource.h"

#include <QComboBox>

class TDBLookupComboBox : public QComboBox, public IDBPaintable {
    Q_OBJECT
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& fieldName) { FDataLink.SetFieldName(fieldName); }
    TField* Field() const { return FDataLink.Field(); }
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool readOnly) { FDataLink.SetReadOnly(readOnly); }

    TDataSource* ListSource() const { return FListSource; }
    void SetListSource(TDataSource* listSource);
    const QString& ListField() const { return FListField; }
    void SetListField(const QString& listField);
    const QString& KeyField() const { return FKeyField; }
    void SetKeyField(const QString& keyField);

    // Width of the drop-down list; 0 (the default) makes it as wide as the box.
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int width) { FDropDownWidth = width; }
    int DropDownRows() const { return maxVisibleItems(); }
    void SetDropDownRows(int rows) { setMaxVisibleItems(rows); }

    // What the box shows for the current row.
    const QString& DisplayText() const { return FDisplayText; }
    // The list record set in use (null when there is none).
    TRecordSet* ListDataSet() const;
    // The area of the box where its text stands (for an edit laid over it).
    QRect TextRect() const;
    // Reads the list into the items (done whenever the list drops down or a key moves in it,
    // so the items never go stale).
    void RefreshList();
    // Chooses the list row at index (of the items read), as a click in the list does.
    bool SelectItem(int index);

    void showPopup() override;
    void PaintActiveRecord(QPainter& painter, const QRect& rect) override;

Q_SIGNALS:
    void entered();
    void exited();
    // The list has opened (the list's view is made only when it first opens).
    void popupShown();
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct TBinding {
        TRecordSet* List = nullptr;
        QStringList ListKeys; // fields of the list
        QString ListText;     // field of the list shown
        QStringList MainKeys; // fields of the main record set
    };
    TBinding Binding() const;
    QString ActiveRecordText() const;
    QVariantList CurrentKey() const;
    bool CanModify(const TBinding& binding) const;
    void DataChange();

    TFieldDataLink FDataLink;
    TDataSource FListWatch; // hears about changes of the list
    TDataSource* FListSource = nullptr;
    QString FListField, FKeyField;
    QString FDisplayText;
    int FDropDownWidth = 0;
};
