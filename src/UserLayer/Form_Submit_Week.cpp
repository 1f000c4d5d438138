#include "Form_Submit_Week.h"

#include "BaseUnits/XEP_DialogService.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace {
// The order in which Step visits a row's days.
const char* const StepOrder[7] = {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                  "FriDuration", "SatDuration", "SunDuration"};

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// The history rows of a week that a later submission of the same task and day adds to: one
// row per task and day, as long as it is neither invoiced nor authorised. Only the week's rows
// are looked at, however long the history is.
class THistoryOfWeek {
public:
    THistoryOfWeek(TdmTasks_Form& dm, double weekStart)
        : FHistory(dm.History()), FRows(dm.HistoryBetween(weekStart, weekStart + 6)) {
        for (FRows->First(); !FRows->Eof(); FRows->Next()) {
            if (F(*FRows, "InvoiceNumber").AsInteger() > 0 ||
                F(*FRows, "AuthUserId").AsInteger() > 0)
                continue;
            FBookmarks.insert({KeyOfRow(), FRows->GetBookmark()});
        }
    }
    // Adds to the row of the same task, user and date; false when there is none.
    bool AddTo(TRecordSet& tasks, int userId, double date, double duration) {
        const auto found = FBookmarks.find(Key(tasks, userId, date));
        if (found == FBookmarks.end() || !FRows->BookmarkValid(found->second)) return false;
        FRows->GotoBookmark(found->second);
        FRows->Edit();
        TField& total = F(*FRows, "Duration");
        total.SetAsFloat(total.AsFloat() + duration);
        F(*FRows, "DateTimeAmended").SetAsDateTime(F(tasks, "DateTimeAmended").AsDateTime());
        F(*FRows, "Completed").SetAsBoolean(F(tasks, "Completed").AsBoolean());
        FRows->Post();
        FHistory.Tag = 1; // a change made through another cursor marks nothing by itself
        return true;
    }
    void Remember(TRecordSet& history, TRecordSet& tasks, int userId, double date) {
        FBookmarks.insert({Key(tasks, userId, date), history.GetBookmark()});
    }

private:
    using TKey = std::tuple<QString, int, int, int, qint64>;
    static TKey Key(TRecordSet& tasks, int userId, double date) {
        return {F(tasks, "TaskCode").AsString().trimmed().toUpper(),
                F(tasks, "ProjectNumber").AsInteger(), F(tasks, "ClientId").AsInteger(), userId,
                std::llround(std::floor(date))};
    }
    TKey KeyOfRow() const {
        return {F(*FRows, "TaskCode").AsString().trimmed().toUpper(),
                F(*FRows, "ProjectNumber").AsInteger(), F(*FRows, "ClientId").AsInteger(),
                F(*FRows, "UserId").AsInteger(),
                std::llround(std::floor(F(*FRows, "DateTimeSubmitted").AsDateTime()))};
    }
    TRecordSet& FHistory;
    std::unique_ptr<TRecordSet> FRows;
    std::map<TKey, TBookmark> FBookmarks;
};

void AppendHistoryRow(TdmTasks_Form& dm, double date, double duration, int userId) {
    TRecordSet& tasks = dm.adsTasks;
    TRecordSet& history = dm.adsReporting;
    history.Append();
    F(history, "TaskCode").SetAsString(F(tasks, "TaskCode").AsString());
    F(history, "TaskDescription").SetAsString(F(tasks, "TaskDescription").AsString());
    F(history, "Duration").SetAsFloat(duration);
    F(history, "DateTimeCreated").SetAsDateTime(F(tasks, "DateTimeCreated").AsDateTime());
    F(history, "DateTimeAmended").SetAsDateTime(F(tasks, "DateTimeAmended").AsDateTime());
    F(history, "Active").SetAsBoolean(F(tasks, "Active").AsBoolean());
    F(history, "Completed").SetAsBoolean(F(tasks, "Completed").AsBoolean());
    F(history, "ProjectNumber").SetAsInteger(F(tasks, "ProjectNumber").AsInteger());
    F(history, "ClientId").SetAsInteger(F(tasks, "ClientId").AsInteger());
    F(history, "UserId").SetAsInteger(userId);
    F(history, "AuthUserId").SetAsInteger(0);
    F(history, "InvoiceNumber").SetAsInteger(0);
    F(history, "DateTimeSubmitted").SetAsDateTime(date);
    history.Post();
}

// Books a task's week: one history row per day with time, or more time on the day's row of
// an earlier submission; the journal then counts that time as submitted, keeping the part of a
// minute that was not booked. Returns the milliseconds the week held.
qint64 BookWeekOfTask(TdmTasks_Form& dm, THistoryOfWeek& booked, double weekStart, int userId) {
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
            const double duration = double(minutes) / MinutesPerDay;
            if (!booked.AddTo(tasks, userId, date, duration)) {
                AppendHistoryRow(dm, date, duration, userId);
                booked.Remember(dm.adsReporting, tasks, userId, date);
            }
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
    THistoryOfWeek booked(dm, weekStart);
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
