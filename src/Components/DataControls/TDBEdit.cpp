#include "TDBEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent), FDataLink(this) {
    connect(&FDataLink, &TFieldDataLink::DataChange, this, &TDBEdit::DataChange);
    connect(&FDataLink, &TFieldDataLink::EditingChange, this, &TDBEdit::EditingChange);
    connect(&FDataLink, &TFieldDataLink::ActiveChange, this, &TDBEdit::DataChange);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::UserEdited);
    connect(this, &QLineEdit::textChanged, this, &TDBEdit::changed);
    FDataLink.OnUpdateData = [this] { return UpdateRecord(); };
    QLineEdit::setReadOnly(true);
}

void TDBEdit::ShowText(const QString& text, const TEditMask& mask) {
    if (mask.InputMask() != inputMask()) {
        FMask = mask;
        setInputMask(mask.InputMask());
    }
    FMask = mask;
    if (text != QLineEdit::text() || !mask.IsEmpty()) setText(text);
}

void TDBEdit::RememberTypedRow() {
    TRecordSet* dataSet = FDataLink.DataSet();
    FTypedInNewRow = dataSet && dataSet->State() == TDataSetState::Insert;
    FTypedRow = dataSet && !FTypedInNewRow ? dataSet->GetBookmark() : 0;
}

bool TDBEdit::KeepsTypedText() const {
    if (!FFocused || !FModified || !FDataLink.Field()) return false;
    const TRecordSet* dataSet = FDataLink.DataSet();
    if (FTypedInNewRow) return dataSet->State() == TDataSetState::Insert;
    return FTypedRow != 0 && dataSet->State() != TDataSetState::Insert &&
           dataSet->GetBookmark() == FTypedRow;
}

void TDBEdit::DataChange() {
    TField* field = FDataLink.Field();
    QLineEdit::setReadOnly(!FDataLink.CanModify());
    if (KeepsTypedText()) return; // the user's text is not overwritten while it is typed
    if (!field) {
        ShowText(QString(), TEditMask());
        FModified = false;
        return;
    }
    QString text;
    const bool editText = FFocused && FDataLink.CanModify();
    TDataControls::Guard([&] { text = editText ? field->Text() : field->DisplayText(); });
    setMaxLength(editText && field->DataType() == TFieldType::String ? field->Size() : 32767);
    ShowText(text, editText ? TEditMask(field->EditMask()) : TEditMask());
    FModified = false;
}

void TDBEdit::EditingChange() {
    QLineEdit::setReadOnly(!FDataLink.CanModify());
}

void TDBEdit::Reset() {
    FModified = false;
    DataChange();
    if (FFocused) selectAll();
}

void TDBEdit::UserEdited() {
    if (!FModified) RememberTypedRow();
    FModified = true;
    if (FDataLink.Editing()) return;
    // A change that came without a keystroke (a paste from the context menu, a drop).
    bool editing = false;
    if (!TDataControls::Guard([&] { editing = FDataLink.Edit(); }) || !editing) Reset();
}

bool TDBEdit::IsModifyingKey(QKeyEvent* event) const {
    if (event == QKeySequence::Paste || event == QKeySequence::Cut ||
        event == QKeySequence::Delete || event == QKeySequence::DeleteEndOfWord ||
        event == QKeySequence::DeleteStartOfWord || event == QKeySequence::DeleteEndOfLine ||
        event == QKeySequence::Undo || event == QKeySequence::Redo)
        return true;
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (FModified) {
            Reset();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!UpdateRecord()) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    if (IsModifyingKey(event) && !FDataLink.Editing()) {
        bool editing = false;
        if (!TDataControls::Guard([&] { editing = FDataLink.Edit(); }) || !editing) {
            event->accept();
            return;
        }
        QLineEdit::setReadOnly(!FDataLink.CanModify());
    }
    // A blank typed into an optional position of the mask stands for "nothing there", as in
    // a Delphi masked edit.
    if (!FMask.IsEmpty() && event->text() == QStringLiteral(" ") &&
        FMask.Blank() != QLatin1Char(' ') && FMask.IsOptional(cursorPosition())) {
        QKeyEvent blank(event->type(), event->key(), event->modifiers(), QString(FMask.Blank()));
        QLineEdit::keyPressEvent(&blank);
        event->setAccepted(blank.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool TDBEdit::UpdateRecord() {
    if (!FModified) return true;
    TField* field = FDataLink.Field();
    if (!field) return true;
    const QString text = FMask.IsEmpty() ? QLineEdit::text() : FMask.FieldText(displayText());
    const bool ok = TDataControls::Guard([&] {
        if (!FDataLink.Editing() && !FDataLink.Edit())
            throw EDatabaseError(
                QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayLabel()));
        field->SetText(text);
    });
    if (!ok) {
        if (FFocused) selectAll();
        return false;
    }
    FModified = false;
    DataChange();
    return true;
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    if (!FFocused) {
        FFocused = true;
        DataChange();
        QLineEdit::focusInEvent(event);
        if (!FAutoSelect) {
            deselect();
            end(false);
        } else if (event->reason() == Qt::TabFocusReason ||
                   event->reason() == Qt::BacktabFocusReason ||
                   event->reason() == Qt::ShortcutFocusReason ||
                   event->reason() == Qt::OtherFocusReason) {
            selectAll();
        }
        Q_EMIT entered();
        return;
    }
    QLineEdit::focusInEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Switching windows or opening a menu (with the mouse or with Alt and a letter) is not
    // leaving the control.
    if (!FFocused || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason)
        return;
    if (!UpdateRecord()) {
        TakeFocusBack();
        return;
    }
    FFocused = false;
    DataChange();
    FKeepFocus = false;
    Q_EMIT exited();
    if (FKeepFocus) {
        FKeepFocus = false;
        TakeFocusBack();
    }
}

void TDBEdit::TakeFocusBack() {
    // Not from inside the focus change that is under way.
    FRefocus = true;
    QTimer::singleShot(0, this, [this] {
        FRefocus = false;
        if (isVisible()) setFocus(Qt::OtherFocusReason);
    });
}

void TDBEdit::initStyleOption(QStyleOptionFrame* option) const {
    QLineEdit::initStyleOption(option);
    if (FPainting) option->state &= ~(QStyle::State_HasFocus | QStyle::State_Active);
}

void TDBEdit::PaintActiveRecord(QPainter& painter, const QRect& rect) {
    TField* field = FDataLink.Field();
    QString text;
    if (field) TDataControls::Guard([&] { text = field->DisplayText(); });
    QStyleOptionFrame option;
    FPainting = true;
    initStyleOption(&option);
    FPainting = false;
    option.rect = rect;
    if (hasFrame())
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    else
        painter.fillRect(rect, palette().brush(backgroundRole()));
    // The text where QLineEdit puts it: the contents rectangle less the text margins and the
    // line edit's own small margins.
    QRect textRect = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    textRect = textRect.marginsRemoved(textMargins());
    textRect.adjust(2, 1, -2, -1);
    painter.save();
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.setClipRect(textRect);
    const QString shown = fontMetrics().elidedText(text, Qt::ElideNone, textRect.width());
    painter.drawText(textRect, int(QStyle::visualAlignment(layoutDirection(), alignment())), shown);
    painter.restore();
}
