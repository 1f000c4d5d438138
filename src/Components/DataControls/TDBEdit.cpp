#include "TDBEdit.h"

#include "TCharacterLimit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <algorithm>

// ---- TDigitShape ----

namespace {
bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

TDigitShape::TDigitShape(const QString& format) {
    // Plain text, nothing to destroy: a save at the program's exit may still show a value here
    // after the exit has begun destroying what was made late.
    static constexpr QLatin1StringView Fields[] = {
        QLatin1StringView("hh"), QLatin1StringView("HH"), QLatin1StringView("nn"),
        QLatin1StringView("mm"), QLatin1StringView("ss"), QLatin1StringView("dd"),
        QLatin1StringView("MM"), QLatin1StringView("yy"), QLatin1StringView("yyyy")};
    QList<QChar> places;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (!c.isLetter()) {
            if (c == QLatin1Char('\'') || c.isDigit()) return; // quoted or fixed text
            places.append(c);
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < format.size() && format.at(end) == c)
            ++end;
        const QStringView run = QStringView(format).mid(i, end - i);
        if (std::none_of(std::begin(Fields), std::end(Fields),
                         [run](QLatin1StringView field) { return run == field; }))
            return; // names, AM/PM, variable widths
        for (qsizetype k = i; k < end; ++k)
            places.append(QChar());
        i = end;
    }
    if (std::none_of(places.begin(), places.end(), [](QChar place) { return place.isNull(); }))
        return; // separators only
    FPlaces = places;
}

TDigitShape TDigitShape::OfField(const TField* field) {
    if (!field || !field->EditMask().isEmpty() ||
        (field->DataType() != TFieldType::Time && field->DataType() != TFieldType::DateTime))
        return {};
    return TDigitShape(field->EditFormat());
}

bool TDigitShape::Fills(const QString& text) const {
    if (IsEmpty() || text.size() != FPlaces.size()) return false;
    for (int i = 0; i < int(text.size()); ++i) {
        if (IsDigitPlace(i) ? !IsDigit(text.at(i)) : text.at(i) != FPlaces.at(i)) return false;
    }
    return true;
}

QString TDigitShape::WithSeparators(const QString& digits) const {
    const auto count =
        std::count_if(FPlaces.begin(), FPlaces.end(), [](QChar place) { return place.isNull(); });
    if (IsEmpty() || digits.size() != count) return {};
    QString text;
    qsizetype next = 0;
    for (const QChar place : FPlaces) {
        if (!place.isNull()) {
            text += place;
            continue;
        }
        const QChar digit = digits.at(next++);
        if (!IsDigit(digit)) return {};
        text += digit;
    }
    return text;
}

bool TDigitShape::Key(QLineEdit& edit, const QKeyEvent& event) const {
    if (IsEmpty() || edit.isReadOnly() || edit.hasSelectedText() || !Fills(edit.text()) ||
        event.text().size() != 1 ||
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QChar typed = event.text().at(0);
    const int length = int(FPlaces.size());
    int at = edit.cursorPosition();
    if (IsDigit(typed)) {
        while (at < length && !IsDigitPlace(at))
            ++at;
        if (at >= length) return false; // after the end: inserted as anywhere else
        edit.setSelection(at, 1);
        edit.insert(QString(typed));
        return true;
    }
    // A separator typed inside a field: the digits typed into the field move to its right end
    // and the caret goes past the separator.
    int separator = at;
    while (separator < length && IsDigitPlace(separator))
        ++separator;
    if (separator >= length || FPlaces.at(separator) != typed) return false;
    int start = at;
    while (start > 0 && IsDigitPlace(start - 1))
        --start;
    if (at > start && at < separator) {
        edit.setSelection(start, separator - start);
        edit.insert(
            edit.text().mid(start, at - start).rightJustified(separator - start, QLatin1Char('0')));
    }
    edit.setCursorPosition(separator + 1);
    return true;
}

void TDigitShape::Press(QLineEdit& edit, QKeyEvent& event,
                        const std::function<void()>& ordinary) const {
    if (Key(edit, event)) {
        event.accept();
        return;
    }
    const QString before = edit.text();
    ordinary();
    AfterKey(edit, before);
}

void TDigitShape::AfterKey(QLineEdit& edit, const QString& before) const {
    const QString text = edit.text();
    if (IsEmpty() || edit.isReadOnly() || text.size() <= before.size()) return;
    const QString shaped = WithSeparators(text);
    if (shaped.isEmpty()) return;
    // The caret stays after the same digit.
    const int digitsBefore = edit.cursorPosition();
    edit.selectAll();
    edit.insert(shaped);
    int position = 0;
    for (int digits = 0; position < int(shaped.size()) && digits < digitsBefore; ++position) {
        if (IsDigitPlace(position)) ++digits;
    }
    edit.setCursorPosition(position);
}

// ---- TDBEdit ----

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
        FShape = TDigitShape();
        ShowText(QString(), TEditMask());
        FModified = false;
        return;
    }
    QString text;
    const bool editText = FFocused && FDataLink.CanModify();
    TDataControls::Guard([&] { text = editText ? field->Text() : field->DisplayText(); });
    const TEditMask mask = editText ? TEditMask(field->EditMask()) : TEditMask();
    TCharacterLimit::Apply(
        *this,
        editText && field->DataType() == TFieldType::String && mask.IsEmpty() ? field->Size() : 0);
    FShape = editText ? TDigitShape::OfField(field) : TDigitShape();
    ShowText(text, mask);
    // A long text shows its start, as the other rows of a grid show theirs.
    if (!FFocused) home(false);
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
    if (event->matches(QKeySequence::SelectAll) ||
        (FCellMode && event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier)) {
        FCell.Key(*this, *event);
        event->accept();
        return;
    }
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
    FShape.Press(*this, *event, [this, event] { QLineEdit::keyPressEvent(event); });
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
                   event->reason() == Qt::OtherFocusReason ||
                   event->reason() == Qt::MouseFocusReason) {
            selectAll();
            // The press that gave the focus, when it comes to this edit, comes next; focus
            // given by a click elsewhere (on a row of a grid) has no press here.
            if (event->reason() == Qt::MouseFocusReason) {
                FSelectOnPress = true;
                QTimer::singleShot(0, this, [this] { FSelectOnPress = false; });
            }
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
    FCell.Leave();
    FFocused = false;
    DataChange();
    FKeepFocus = false;
    Q_EMIT exited();
    if (FKeepFocus) {
        FKeepFocus = false;
        TakeFocusBack();
    }
}

void TDBEdit::mousePressEvent(QMouseEvent* event) {
    if (FCellMode && FCell.Press(*this, *event)) {
        FSelectOnPress = false;
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
    if (!FSelectOnPress || event->button() != Qt::LeftButton) return;
    FSelectOnPress = false;
    FEnteringPress = true;
    FPressAt = event->position().toPoint();
    selectAll();
}

void TDBEdit::mouseMoveEvent(QMouseEvent* event) {
    if (FCellMode && FCell.Move(*this, *event,
                                [this](QMouseEvent* press) { QLineEdit::mousePressEvent(press); }))
        return;
    // A hand that shakes while clicking in keeps the whole text selected; a drag selects.
    if (FEnteringPress && (event->position().toPoint() - FPressAt).manhattanLength() <
                              QApplication::startDragDistance())
        return;
    FEnteringPress = false;
    QLineEdit::mouseMoveEvent(event);
}

void TDBEdit::mouseReleaseEvent(QMouseEvent* event) {
    FEnteringPress = false;
    FCell.Release();
    QLineEdit::mouseReleaseEvent(event);
}

void TDBEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (FCellMode && event->button() == Qt::LeftButton) {
        FCell.DoubleClick(*this);
        event->accept();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

void TDBEdit::RowEntered() {
    // Reached on another row of a grid (by an arrow key, Enter or a click on that row): as
    // entering it by the keyboard.
    if (FAutoSelect) FCell.Enter(*this);
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
