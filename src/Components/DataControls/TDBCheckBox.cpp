#include "TDBCheckBox.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

TDBCheckBox::TDBCheckBox(QWidget* parent) : TDBCheckBox(QString(), parent) {}

TDBCheckBox::TDBCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent), FDataLink(this) {
    connect(&FDataLink, &TFieldDataLink::DataChange, this, &TDBCheckBox::DataChange);
    connect(&FDataLink, &TFieldDataLink::ActiveChange, this, &TDBCheckBox::DataChange);
}

bool TDBCheckBox::FieldChecked() const {
    const TField* field = FDataLink.Field();
    bool checked = false;
    if (field) TDataControls::Guard([&] { checked = !field->IsNull() && field->AsBoolean(); });
    return checked;
}

void TDBCheckBox::DataChange() {
    setChecked(FieldChecked());
}

void TDBCheckBox::nextCheckState() {
    TField* field = FDataLink.Field();
    if (!field || !FDataLink.CanModify()) return;
    const bool value = !isChecked();
    TDataControls::Guard([&] {
        if (!FDataLink.Editing() && !FDataLink.Edit()) throw EAbort();
        field->SetAsBoolean(value);
    });
    DataChange();
}

void TDBCheckBox::focusInEvent(QFocusEvent* event) {
    QCheckBox::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT entered();
}

void TDBCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        Q_EMIT exited();
}

void TDBCheckBox::PaintActiveRecord(QPainter& painter, const QRect& rect) {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = rect;
    option.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange |
                      QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Sunken);
    option.state |= FieldChecked() ? QStyle::State_On : QStyle::State_Off;
    style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
}
