#include "Frame_Date_Unit.h"

#include "XEP_Const.h"
#include "XEP_Utils_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDateEdit.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <cmath>

namespace {
const char* const PresetCaptions[12] = {"Last Year", "Last Month", "Last Week",  "Yesterday",
                                        "This Year", "This Month", "This Week",  "Today",
                                        "Tomorrow",  "Next Week",  "Next Month", "Next Year"};

double FirstOfMonth(int year, int month) {
    return DateToDayNumber(QDate(year, month, 1));
}
double LastOfMonth(int year, int month) {
    return DateToDayNumber(QDate(year, month, EndOfMonth(month, year)));
}

// A date typed in the short date format or as 2026-12-18, or picked from a calendar; any other
// text is refused with a message naming the box.
TDateEdit* NewPicker(QWidget* parent, const char* name, const QString& caption) {
    auto* picker = new TDateEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->SetCaption(caption);
    picker->setDate(DayNumberToDate(TClock::Today()));
    return picker;
}
} // namespace

TFrame_Date_Form::TFrame_Date_Form(QWidget* AOwner) : TBaseFrameXEP_BaseForm(AOwner) {
    setObjectName(QStringLiteral("Frame_Date_Form1"));
    StartDateTimePicker = NewPicker(this, "StartDateTimePicker", QStringLiteral("Start Date"));
    EndDateTimePicker = NewPicker(this, "EndDateTimePicker", QStringLiteral("End Date"));
    btnDateSelect = new QToolButton(this);
    btnDateSelect->setObjectName(QStringLiteral("btnDateSelect"));
    btnDateSelect->setText(QStringLiteral("...."));
    btnDateSelect->setToolTip(QStringLiteral("Easy Date Selection"));
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (int tag = 0; tag < 12; ++tag) {
        QAction* item = PopupMenu1->addAction(QLatin1String(PresetCaptions[tag]));
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { DateClick(tag); });
    }
    connect(btnDateSelect, &QToolButton::clicked, this,
            [this] { PopupMenu1->popup(QCursor::pos()); });

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(new QLabel(QStringLiteral("Start Date"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("End Date"), this), 0, 1);
    layout->addWidget(StartDateTimePicker, 1, 0);
    layout->addWidget(EndDateTimePicker, 1, 1);
    layout->addWidget(btnDateSelect, 1, 2);
    for (TDateEdit* picker : {StartDateTimePicker, EndDateTimePicker}) {
        picker->installEventFilter(this);
        connect(picker, &TDateEdit::dateChanged, this, [this] { ReadPickers(); });
    }
    Initialise();
}

void TFrame_Date_Form::SetStartDate(double Value) {
    FStartDate = Value;
    StartDateTimePicker->setDate(DayNumberToDate(Value));
}

void TFrame_Date_Form::SetEndDate(double Value) {
    FEndDate = Value;
    EndDateTimePicker->setDate(DayNumberToDate(Value));
}

void TFrame_Date_Form::SetInitialDateSelection(int Value) {
    FInitialDateSelection = Value;
    if (Value == idsLastWeek) DateClick(2);
}

void TFrame_Date_Form::DateClick(int tag) {
    const double today = TClock::Today();
    const QDate date = DayNumberToDate(today);
    const int y = date.year(), m = date.month();
    double weekStart = 0, weekEnd = 0;
    GetThisWeek(FiStartDay, weekStart, weekEnd);
    double start = today, end = today;
    switch (tag) {
    case 0:
        start = FirstOfMonth(y - 1, 1);
        end = LastOfMonth(y - 1, 12);
        break;
    case 1: {
        const int year = m == 1 ? y - 1 : y, month = m == 1 ? 12 : m - 1;
        start = FirstOfMonth(year, month);
        end = LastOfMonth(year, month);
        break;
    }
    case 2:
        start = weekStart - 7;
        end = weekEnd - 7;
        break;
    case 3:
        start = end = today - 1;
        break;
    case 4:
        start = FirstOfMonth(y, 1);
        end = LastOfMonth(y, 12);
        break;
    case 5:
        start = FirstOfMonth(y, m);
        end = LastOfMonth(y, m);
        break;
    case 6:
        start = weekStart;
        end = weekStart + 6;
        break;
    case 7:
        break;
    case 8:
        start = end = today + 1;
        break;
    case 9:
        start = weekStart + 7;
        end = weekEnd + 7;
        break;
    case 10: {
        const int year = m == 12 ? y + 1 : y, month = m == 12 ? 1 : m + 1;
        start = FirstOfMonth(year, month);
        end = LastOfMonth(year, month);
        break;
    }
    case 11:
        start = FirstOfMonth(y + 1, 1);
        end = LastOfMonth(y + 1, 12);
        break;
    default:
        return;
    }
    SetStartDate(start);
    SetEndDate(end);
}

void TFrame_Date_Form::FrameExit() {
    // A text typed and not yet taken (OK pressed with Enter from inside a box) is taken now;
    // one that is no date has been reported and stops what asked for the dates.
    if (!StartDateTimePicker->Commit() || !EndDateTimePicker->Commit()) throw EAbort();
    ReadPickers();
}

void TFrame_Date_Form::ReadPickers() {
    SetStartDate(std::trunc(DateToDayNumber(StartDateTimePicker->date())));
    SetEndDate(std::trunc(DateToDayNumber(EndDateTimePicker->date())));
}

void TFrame_Date_Form::focusOutEvent(QFocusEvent* event) {
    TBaseFrameXEP_BaseForm::focusOutEvent(event);
    ReadPickers();
}

bool TFrame_Date_Form::eventFilter(QObject* watched, QEvent* event) {
    // Leaving a picker for a control outside the frame is leaving the frame (the box takes
    // what was typed in it as it is left, and its date follows through dateChanged).
    if (event->type() == QEvent::FocusOut) {
        QWidget* next = QApplication::focusWidget();
        if (!next || !isAncestorOf(next)) ReadPickers();
    }
    return TBaseFrameXEP_BaseForm::eventFilter(watched, event);
}
