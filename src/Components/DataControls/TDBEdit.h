#pragma once
// TDBEdit: a line edit bound to one field, in the manner of a Delphi TDBEdit.
//
// - Without the focus it shows the field's DisplayText; on entering it shows the edit text
//   (Text) under the field's edit mask, then emits entered().
// - Entering it, by the keyboard or by a click, selects the whole text (AutoSelect), so that
//   what is typed replaces it; a click into an edit that has the focus places the caret,
//   unless the edit is a grid cell (CellMode, see TCellEdit): then that click selects the
//   whole text again, and F2 or a double click edit in place. Ctrl+A selects the whole text.
// - Without the focus it shows the start of its text, however long the text is.
// - A field without an edit mask whose edit format writes only digits and separators (a time
//   "hh:mm", a date "dd/MM/yyyy") takes free text, typed in that shape: see TDigitShape.
// - The first keystroke that changes the text puts the record set into edit mode.
// - Leaving it (or Enter) assigns the text through the field's SetText when it was changed;
//   then exited() is emitted. A refused value is reported through TDataControls::OnError and
//   the edit keeps the typed text and the focus. An exited() handler may refuse the exit with
//   KeepFocus(); QApplication::focusWidget() tells it where the focus is going.
// - Escape puts the field's text back.
// - Text typed and not yet assigned stays while the edit has the focus and its record stays
//   the current one, whatever else changes the record set meanwhile (a timer adding to a row,
//   a save posting the row); it is dropped when the cursor goes to another row.

#include "TCellEdit.h"
#include "TDataControls.h"
#include "TDataSource.h"

#include <QLineEdit>

#include <functional>

class QKeyEvent;

// The shape of a date-time edit format made of fixed-width digit fields and separators
// ("hh:mm", "dd/MM/yyyy"), for free-text editors of such fields:
// - A text that fills the shape ("01:30") is typed over like a masked edit: a digit replaces
//   the digit at the caret, stepping over separators, and a separator typed inside a field
//   moves the digits typed there to the field's right end and the caret past the separator
//   (over "00:00", Home then "1:30" gives "01:30").
// - Any other text is free: selected text is replaced, characters are inserted.
// - Digits typed until there are as many as the shape holds get its separators ("0130" gives
//   "01:30"); nothing else is ever changed, so what the field is given is what was typed.
class TDigitShape {
public:
    TDigitShape() = default;
    // Empty unless every field of the format is hh, HH, nn, mm, ss, dd, MM, yy or yyyy.
    explicit TDigitShape(const QString& format);
    // The shape of a date or time field's edit format when the field has no edit mask.
    static TDigitShape OfField(const TField* field);

    bool IsEmpty() const { return FPlaces.isEmpty(); }
    // A digit in every digit place and the separators in theirs.
    bool Fills(const QString& text) const;
    // Digits only, as many as the shape holds, with the separators put in; else empty.
    QString WithSeparators(const QString& digits) const;

    // Types the key into an editor of this shape when the shape decides what it does; false
    // leaves it to the editor, which then calls AfterKey with the text it had before.
    bool Key(QLineEdit& edit, const QKeyEvent& event) const;
    void AfterKey(QLineEdit& edit, const QString& before) const;
    // A key press in an editor of this shape: Key, else the editor's own handling (ordinary)
    // followed by AfterKey.
    void Press(QLineEdit& edit, QKeyEvent& event, const std::function<void()>& ordinary) const;

private:
    bool IsDigitPlace(int position) const { return FPlaces.at(position).isNull(); }
    // A null character for a digit place, the separator itself elsewhere.
    QList<QChar> FPlaces;
};

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
    // Select the whole text on entering, by the keyboard or a click (default yes).
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool autoSelect) { FAutoSelect = autoSelect; }
    // A cell of a grid, typed into as a spreadsheet cell is (see TCellEdit).
    bool CellMode() const { return FCellMode; }
    void SetCellMode(bool cellMode) { FCellMode = cellMode; }
    // Editing in place (after F2 or a double click): clicks place the caret.
    bool EditingInPlace() const { return FCell.InPlace(); }

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
    void RowEntered() override;

Q_SIGNALS:
    void entered();
    void exited();
    void changed(); // the shown text changed, by the user or from the field

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
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
    TDigitShape FShape;
    bool FFocused = false;
    bool FModified = false;
    bool FAutoSelect = true;
    bool FCellMode = false;
    TCellEdit FCell;
    bool FKeepFocus = false;
    bool FPainting = false;
    bool FRefocus = false;
    // The click that gave the focus selects the whole text instead of placing the caret,
    // unless it drags to select part of it.
    bool FSelectOnPress = false;
    bool FEnteringPress = false;
    QPoint FPressAt;
    // The row the typed text belongs to: its bookmark, or a new row not yet posted.
    TBookmark FTypedRow = 0;
    bool FTypedInNewRow = false;
};
