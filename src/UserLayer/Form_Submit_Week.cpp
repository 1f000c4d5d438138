#include "Form_Submit_Week.h"

#include "BaseUnits/XEP_DialogService.h"
#include "data_Tasks_History.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <algorithm>
#include <cmath>

namespace {
// The order in which Step visits a row's days.
const char* const StepOrder[7] = {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                  "FriDuration", "SatDuration", "SunDuration"};

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// Books a task's week: one history row per day with time, or more time on the day's row of
// an earlier submission; the journal then counts that time as submitted, keeping the part of a
// minute that was not booked. Returns the milliseconds the week held.
qint64 BookWeekOfTask(TdmTasks_Form& dm, THistoryBook& booked, double weekStart, int userId) {
    TRecordSet& tasks = dm.adsTasks;
    TTimeJournal& journal = dm.Journal();
    const TJournalTask task = dm.JournalTaskOfRow(tasks);
    const int startDay = tasks.Active() ? F(dm.adsDefaults, "StartDayOfWeek").AsInteger() : 1;
    qint64 week = 0;
    // Sunday's row first, Saturday's last, as the days are numbered.
    for (int day = 1; day <= 7; ++day) {
        const double date = weekStart + (day - startDay + 7) % 7;
        const qint64 msecs = journal.DayMSecs(task.JobId, date);
        const qint64 minutes = msecs / 60000;
        if (minutes > 0) {
            booked.Book(BookingOfTaskRow(tasks, userId, date, double(minutes) / MinutesPerDay));
        }
        journal.MarkSubmitted(task, date, msecs - minutes * 60000);
        week += msecs;
    }
    return week;
}
} // namespace

double WeekStartOf(double date, int startDay) {
    return StartOfWeek(date, startDay);
}

double ReviewWeekAfterStartDayChange(double reviewWeek, int oldStartDay, int newStartDay,
                                     double now) {
    const double oldStart = WeekStartOf(reviewWeek, oldStartDay);
    if (now >= oldStart && now < oldStart + 7) return WeekStartOf(now, newStartDay);
    return WeekStartOf(oldStart, newStartDay);
}

bool WeekWasSubmitted(TdmTasks_Form& dm, double weekStart) {
    return !dm.HistoryBetween(weekStart, weekStart + 6)->IsEmpty();
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
    // The history's rows are needed, and it takes new ones: read, and not being written.
    dm.EnsureHistory();
    dm.WaitForHistorySave();

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

    // 2. The cell being typed into is in the journal, and what the tracker counted up to now
    // can be booked while it goes on counting.
    const bool removeUnused = F(defaults, "RemoveUnusedTasks").AsBoolean();
    const int userId = dm.TimesheetUserID();
    tasks.CommitUpdates();
    TTimeJournal& journal = dm.Journal();
    journal.CutRunning(TClock::NowUtcMSecs());
    THistoryBook booked(dm.History(), weekStart, weekStart + 7);
    {
        TControlsSuspended suspended(tasks);
        tasks.First();
        // 3. One history row per task and day with time. A row with time still to submit in
        // another week, or being tracked now, stays whatever else would take it away.
        while (!tasks.Eof()) {
            const qint64 week = BookWeekOfTask(dm, booked, weekStart, userId);
            const int job = F(tasks, "JobId").AsInteger();
            const bool holdsTime =
                journal.HasOpenTimeOutside(job, weekStart, weekStart + 7) || journal.IsRunning(job);
            const bool completed = F(tasks, "Completed").AsBoolean();
            if (!holdsTime && (completed || (week == 0 && removeUnused))) {
                tasks.Delete();
                continue;
            }
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

    // 6. The columns show the week the review moves on to.
    dm.ShowWeek(FSubmitDate);
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
        const double step = minutes / MinutesPerDay;
        // Each rounded cell is posted as typed: its date's time in the journal follows.
        for (tasks.First(); !tasks.Eof(); tasks.Next()) {
            tasks.Edit();
            for (const char* column : StepOrder) {
                TField& field = F(tasks, column);
                const double d = DayFraction(field.AsFloat());
                const double n = std::trunc(d / step + 0.000001);
                field.SetAsFloat(n * step);
            }
        }
        if (tasks.BookmarkValid(current)) tasks.GotoBookmark(current);
        if (!tasks.IsEmpty()) tasks.Edit();
    }
}
