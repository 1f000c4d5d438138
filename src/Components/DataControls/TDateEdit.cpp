#include "TDateEdit.h"

#include "TDataControls.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace {
// The arrow of a drop-down box, as the style draws it.
QIcon DropDownArrow(const QWidget* widget) {
    QPixmap arrow(12, 12);
    arrow.fill(Qt::transparent);
    QPainter painter(&arrow);
    QStyleOption option;
    option.initFrom(widget);
    option.rect = arrow.rect();
    widget->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, widget);
    return QIcon(arrow);
}
} // namespace

TDateEdit::TDateEdit(QWidget* parent) : QLineEdit(parent) {
    QAction* drop = addAction(DropDownArrow(this), QLineEdit::TrailingPosition);
    drop->setToolTip(QStringLiteral("Calendar"));
    connect(drop, &QAction::triggered, this, [this] { ShowCalendar(); });
}

QString TDateEdit::DateText(const QDate& date) {
    return date.isValid() ? DateToStr(DateToDayNumber(date)) : QString();
}

void TDateEdit::setDate(const QDate& date) {
    const bool changed = date != FDate;
    FDate = date;
    setText(DateText(date));
    if (hasFocus()) selectAll();
    if (changed) Q_EMIT dateChanged(FDate);
}

bool TDateEdit::Typed() const {
    return text().trimmed() != DateText(FDate);
}

bool TDateEdit::Commit() {
    FCommitPending = false; // what leaving the box would have taken is taken now
    const QString typed = text().trimmed();
    if (typed.isEmpty() && FAllowEmpty) {
        setDate(QDate());
        return true;
    }
    double day = 0;
    const bool ok = TDataControls::Guard([&] { day = StrToDateFor(typed, FCaption); });
    if (!ok) {
        selectAll();
        return false;
    }
    setDate(DayNumberToDate(day));
    return true;
}

void TDateEdit::ShowCalendar() {
    if (!FCalendar) {
        FCalendar = new QCalendarWidget(this);
        FCalendar->setWindowFlags(Qt::Popup);
        FCalendar->setObjectName(QStringLiteral("Calendar"));
        connect(FCalendar, &QCalendarWidget::clicked, this, [this](const QDate& d) { Pick(d); });
        connect(FCalendar, &QCalendarWidget::activated, this, [this](const QDate& d) { Pick(d); });
    }
    double typed = 0;
    const QDate shown = TryStrToDate(text(), typed) ? DayNumberToDate(typed)
                        : FDate.isValid()           ? FDate
                                                    : DayNumberToDate(TClock::Today());
    FCalendar->setSelectedDate(shown);
    FCalendar->setCurrentPage(shown.year(), shown.month());
    FCalendar->adjustSize();
    FCalendar->move(mapToGlobal(QPoint(0, height())));
    FCalendar->show();
    FCalendar->setFocus(Qt::PopupFocusReason);
}

void TDateEdit::Pick(const QDate& date) {
    if (FCalendar) FCalendar->hide();
    setText(DateText(date));
    setModified(true);
    setFocus(Qt::PopupFocusReason);
    selectAll();
    Q_EMIT dayPicked();
    if (FCommitsOnLeaving) Commit();
}

void TDateEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) || key == Qt::Key_F4) {
        ShowCalendar();
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && FDate.isValid() &&
        Typed()) {
        setText(DateText(FDate));
        selectAll();
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && FCommitsOnLeaving && !Commit()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDateEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    // After the click that gave the focus has placed the caret.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) selectAll();
    });
}

void TDateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Switching windows, opening a menu or the calendar is not leaving the box.
    if (!FCommitsOnLeaving || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason ||
        !Typed())
        return;
    // Taken once the focus has moved: a message shown from inside the focus change would let
    // the keyboard come back to the box and the box be left a second time. Refused, the box
    // takes the focus back. A Commit meanwhile (the owner reading the date) takes its place.
    FCommitPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!FCommitPending || hasFocus()) return;
        if (!Commit() && isVisible()) setFocus(Qt::OtherFocusReason);
    });
}
