#pragma once
// TDBEdit: a line edit bound to one field, in the manner of a Delphi TDBEdit.
//
// - Without the focus it shows the field's DisplayText; on entering it shows the edit text
//   (Text) under the field's edit mask, then emits entered().
// - The first keystroke that changes the text puts the record set into edit mode.
// - Leaving it (or Enter) assigns the text through the field's SetText when it was changed;
//   then exited() is emitted. A refused value is reported through TDataControls::OnError and
//   the edit keeps the typed text and the focus. An exited() handler may refuse the exit with
//   KeepFocus(); QApplication::focusWidget() tells it where the focus is going.
// - Escape puts the field's text back.
// - Text typed and not yet assigned stays while the edit has the focus and its record stays
//   the current one, whatever else changes the record set meanwhile (a timer adding to a row,
//   a save posting the row); it is dropped when the cursor goes to another row.

#include "TDataControls.h"
#include "TDataSource.h"

#include <QLineEdit>

class TDBEdit : public QLineEdit, public IDBPaintable {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& fieldName) { FDataLink.SetFieldName(fieldName); }
    TField* Field() const { return FDataLink.Field(); }
    // The control's own read-only flag; the edit is also read-only when its field is.
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool readOnly) { FDataLink.SetReadOnly(readOnly); }
    // Select the whole text on entering by the keyboard (default yes).
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool autoSelect) { FAutoSelect = autoSelect; }

    // The user changed the text since it was last shown from the field.
    bool Modified() const { return FModified; }
    // Shows the field again, dropping what was typed.
    void Reset();
    // From an exited() handler: return the focus to this edit.
    void KeepFocus() { FKeepFocus = true; }
    // The mask in use while the edit has the focus (from the field's EditMask).
    const TEditMask& Mask() const { return FMask; }

    // IDBPaintable
    void PaintActiveRecord(QPainter& painter, const QRect& rect) override;
    bool UpdateRecord() override;
    bool HoldsFocus() const override { return FRefocus; }

Q_SIGNALS:
    void entered();
    void exited();
    void changed(); // the shown text changed, by the user or from the field

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void initStyleOption(QStyleOptionFrame* option) const override;

private:
    void DataChange();
    void EditingChange();
    void UserEdited();
    void ShowText(const QString& text, const TEditMask& mask);
    void TakeFocusBack();
    bool KeepsTypedText() const;
    void RememberTypedRow();
    bool IsModifyingKey(QKeyEvent* event) const;

    TFieldDataLink FDataLink;
    TEditMask FMask;
    bool FFocused = false;
    bool FModified = false;
    bool FAutoSelect = true;
    bool FKeepFocus = false;
    bool FPainting = false;
    bool FRefocus = false;
    // The row the typed text belongs to: its bookmark, or a new row not yet posted.
    TBookmark FTypedRow = 0;
    bool FTypedInNewRow = false;
};
