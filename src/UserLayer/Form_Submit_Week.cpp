#include "Form_Submit_Week.h"

#include "BaseUnits/XEP_DialogService.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <algorithm>
#include <cmath>

namespace {
// Day columns by day number, 1 = Sunday … 7 = Saturday.
const char* const DayColumn[8] = {nullptr,       "SunDuration", "MonDuration", "TueDuration",
                                  "WedDuration", "ThuDuration", "FriDuration", "SatDuration"};
// The order in which Step visits a row's days.
const char* const StepOrder[7] = {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                  "FriDuration", "SatDuration", "SunDuration"};

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

double DayDurationOf(TRecordSet& tasks, int day) {
    return DayFraction(F(tasks, DayColumn[day]).AsFloat());
}

int DayOffset(int day, int startDay) {
    return day - startDay + (day < startDay ? 7 : 0);
}

void AppendHistoryRow(TdmTasks_Form& dm, int day, double weekStart, int startDay, int userId) {
    TRecordSet& tasks = dm.adsTasks;
    TRecordSet& history = dm.adsReporting;
    history.Append();
    F(history, "TaskCode").SetAsString(F(tasks, "TaskCode").AsString());
    F(history, "TaskDescription").SetAsString(F(tasks, "TaskDescription").AsString());
    F(history, "Duration").SetAsFloat(DayDurationOf(tasks, day));
    F(history, "DateTimeCreated").SetAsDateTime(F(tasks, "DateTimeCreated").AsDateTime());
    F(history, "DateTimeAmended").SetAsDateTime(F(tasks, "DateTimeAmended").AsDateTime());
    F(history, "Active").SetAsBoolean(F(tasks, "Active").AsBoolean());
    F(history, "Completed").SetAsBoolean(F(tasks, "Completed").AsBoolean());
    F(history, "ProjectNumber").SetAsInteger(F(tasks, "ProjectNumber").AsInteger());
    F(history, "ClientId").SetAsInteger(F(tasks, "ClientId").AsInteger());
    F(history, "UserId").SetAsInteger(userId);
    F(history, "AuthUserId").SetAsInteger(0);
    F(history, "InvoiceNumber").SetAsInteger(0);
    F(history, "DateTimeSubmitted").SetAsDateTime(weekStart + DayOffset(day, startDay));
    history.Post();
}
} // namespace

double WeekStartOf(double date, int startDay) {
    return StartOfWeek(date, startDay);
}

double ReviewWeekToOpen(double lastSubmitted, double now, int startDay) {
    return std::min(WeekStartOf(lastSubmitted, startDay) + 7, WeekStartOf(now, startDay));
}

double ReviewWeekAfterStartDayChange(double reviewWeek, int oldStartDay, int newStartDay,
                                     double now) {
    const double oldStart = WeekStartOf(reviewWeek, oldStartDay);
    if (now >= oldStart && now < oldStart + 7) return WeekStartOf(now, newStartDay);
    return WeekStartOf(oldStart, newStartDay);
}

bool WeekWasSubmitted(TdmTasks_Form& dm, double weekStart) {
    const auto history = dm.adsReporting.Clone();
    history->SetFilter(QStringLiteral("DateTimeSubmitted >= %1 AND DateTimeSubmitted < %2")
                           .arg(DateToStr(weekStart), DateToStr(weekStart + 7)));
    history->SetFiltered(true);
    return !history->IsEmpty();
}

bool SubmitWeek(TdmTasks_Form& dm, TDialogService& dialogs, double& FSubmitDate,
                const QString& sWeekStartText) {
    TRecordSet& defaults = dm.adsDefaults;
    TRecordSet& tasks = dm.adsTasks;
    const int startDay = F(defaults, "StartDayOfWeek").AsInteger();

    // The week as typed (a bad text stops here with nothing changed), taken as the week that
    // contains it: every day's time is then dated on that day's own weekday.
    const double weekStart = WeekStartOf(StrToDate(sWeekStartText), startDay);
    FSubmitDate = weekStart;

    // 1. Both questions are asked, the second even after a No to the first.
    bool carryOn = true;
    if (WeekWasSubmitted(dm, weekStart))
        carryOn =
            dialogs.Confirm(QStringLiteral("You have previously submitted week starting ") +
                            DateToStr(weekStart) + QStringLiteral(". Do you wish to continue ?"));
    if (TClock::Now() <= weekStart)
        carryOn =
            dialogs.Confirm(QStringLiteral("You are submitting details for a date in the future. "
                                           "Do you wish to continue ?")) &&
            carryOn;
    if (!carryOn) return false;

    // 2.
    const bool removeUnused = F(defaults, "RemoveUnusedTasks").AsBoolean();
    const int userId = dm.TimesheetUserID();
    tasks.CommitUpdates();
    {
        TControlsSuspended suspended(tasks);
        tasks.First();
        // 3. One history row per task and day with time.
        while (!tasks.Eof()) {
            for (int day = 1; day <= 7; ++day) {
                if (DayDurationOf(tasks, day) > 0)
                    AppendHistoryRow(dm, day, weekStart, startDay, userId);
            }
            if (F(tasks, "Completed").AsBoolean()) {
                tasks.Delete();
                continue;
            }
            double sum = 0;
            for (int day = 1; day <= 7; ++day)
                sum += DayDurationOf(tasks, day);
            if (sum == 0 && removeUnused) {
                tasks.Delete();
                continue;
            }
            tasks.Edit();
            for (int day = 1; day <= 7; ++day)
                F(tasks, DayColumn[day]).SetAsFloat(0);
            tasks.Next();
        }
        // 4. Back to the first row, open for editing. An emptied week gets no new blank row:
        // editing an empty table would start one, and moving would post it as a task.
        if (!tasks.IsEmpty()) tasks.Edit();
        tasks.First();
    }

    // 5. The week is the last submitted one (unless a later week was submitted before), and
    // the review moves on to the following week. The options row is posted so that the move
    // is saved.
    const double lastSubmitted = F(defaults, "WeekStartDate").AsDateTime();
    if (F(defaults, "WeekStartDate").IsNull() ||
        WeekStartOf(lastSubmitted, startDay) <= weekStart) {
        defaults.Edit();
        F(defaults, "WeekStartDate").SetAsDateTime(weekStart);
        defaults.Post();
        defaults.Edit();
    }
    FSubmitDate = weekStart + 7;

    // 6.
    dm.ResetTotalsArray();
    return true;
}

void StepWeek(TdmTasks_Form& dm) {
    const int minutes = F(dm.adsDefaults, "MinimumTaskDuration").AsInteger();
    if (minutes <= 0) return;
    TRecordSet& tasks = dm.adsTasks;
    tasks.CommitUpdates();
    const TBookmark current = tasks.GetBookmark();
    {
        TControlsSuspended suspended(tasks);
        const TCurrentFieldRec saved = dm.rCurrentField;
        const double step = minutes / MinutesPerDay;
        for (tasks.First(); !tasks.Eof(); tasks.Next()) {
            tasks.Edit();
            for (const char* column : StepOrder) {
                TField& field = F(tasks, column);
                const double d = DayFraction(field.AsFloat());
                dm.rCurrentField.Value = d; // the totals rule moves the day by the difference
                const double n = std::trunc(d / step + 0.000001);
                field.SetAsFloat(n * step);
            }
        }
        dm.rCurrentField = saved;
        if (tasks.BookmarkValid(current)) tasks.GotoBookmark(current);
        if (!tasks.IsEmpty()) tasks.Edit();
    }
}
