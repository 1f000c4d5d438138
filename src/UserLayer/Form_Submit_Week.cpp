#include "Form_Submit_Week.h"

#include "BaseUnits/XEP_DialogService.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

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

double InitialSubmitDate(double WeekStartDate, double Now) {
    return WeekStartDate + 6 >= Now ? WeekStartDate : WeekStartDate + 7;
}

bool SubmitWeek(TdmTasks_Form& dm, TDialogService& dialogs, double& FSubmitDate,
                const QString& sWeekStartText) {
    TRecordSet& defaults = dm.adsDefaults;
    TRecordSet& tasks = dm.adsTasks;
    const double weekStartDate = F(defaults, "WeekStartDate").AsDateTime();

    // 1. Both questions are asked, the second even after a No to the first.
    bool carryOn = true;
    if (weekStartDate == FSubmitDate)
        carryOn =
            dialogs.Confirm(QStringLiteral("You have previously submitted week starting ") +
                            DateToStr(FSubmitDate) + QStringLiteral(". Do you wish to continue ?"));
    if (TClock::Now() <= FSubmitDate)
        carryOn =
            dialogs.Confirm(QStringLiteral("You are submitting details for a date in the future. "
                                           "Do you wish to continue ?")) &&
            carryOn;
    if (!carryOn) return false;

    // 2. The week start as typed; a bad text stops here with nothing changed.
    const double weekStart = StrToDate(sWeekStartText);
    const int startDay = F(defaults, "StartDayOfWeek").AsInteger();
    const bool removeUnused = F(defaults, "RemoveUnusedTasks").AsBoolean();
    const int userId = F(dm.adsUsers, "UserID").AsInteger();
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

    // 5. The recorded week moves on once it is more than 13 days old. The options row is
    // posted so that the move is saved.
    if (TClock::Now() > weekStartDate + 13) {
        defaults.Edit();
        F(defaults, "WeekStartDate").SetAsDateTime(FSubmitDate);
        defaults.Post();
        defaults.Edit();
        FSubmitDate += 7;
    }

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
