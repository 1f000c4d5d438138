#include "Interop_Tracker.h"

#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <QDir>

namespace {
TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

QString HoursMinutes(qint64 msecs) {
    const qint64 minutes = msecs / 60000;
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString ClockText(qint64 utc) {
    return FormatDayNumber(QStringLiteral("hh:mm"), LocalDayNumberOfUtc(utc));
}

// The task the status speaks of: the one being timed, else the active row.
bool TrackedTask(TdmTasks_Form& dm, TJournalTask& task) {
    const std::vector<TJournalTask> running = dm.Journal().RunningTasks();
    if (!running.empty()) {
        task = running.back();
        return true;
    }
    const std::vector<TJournalTask> active = dm.ActiveTasks();
    if (active.empty()) return false;
    task = active.back();
    return true;
}

QString DescriptionOf(TdmTasks_Form& dm, int jobId) {
    const auto rows = dm.adsTasks.Clone();
    return rows->Locate(QStringLiteral("JobId"), jobId) ? F(*rows, "TaskDescription").AsString()
                                                        : QString();
}
} // namespace

const QStringList& TrackerCommandNames() {
    static const QStringList names = {QStringLiteral("start"), QStringLiteral("stop"),
                                      QStringLiteral("switch"), QStringLiteral("note"),
                                      QStringLiteral("status")};
    return names;
}

bool TrackerCommandTakesCode(const QString& command) {
    return command == QLatin1String("start") || command == QLatin1String("switch");
}

QJsonObject TrackerStatus(TdmTasks_Form& dm, bool paused, bool program) {
    QJsonObject status;
    status.insert(QStringLiteral("program"), program);
    TJournalTask task;
    const bool any = TrackedTask(dm, task);
    const bool running = any && dm.Journal().IsRunning(task.JobId);
    status.insert(QStringLiteral("paused"), paused || !running);
    if (!any) {
        status.insert(QStringLiteral("task"), QJsonValue::Null);
        return status;
    }
    const qint64 today = dm.Journal().DayMSecs(task.JobId, TClock::Today());
    status.insert(QStringLiteral("task"), task.TaskCode);
    status.insert(QStringLiteral("description"), DescriptionOf(dm, task.JobId));
    status.insert(QStringLiteral("today"), HoursMinutes(today));
    status.insert(QStringLiteral("todaySeconds"), double(today / 1000));
    for (const TTimeEntry& entry : dm.Journal().OpenRows()) {
        if (!entry.Running || entry.Task.JobId != task.JobId) continue;
        status.insert(QStringLiteral("since"), ClockText(entry.StartUtc));
        if (!entry.Note.isEmpty()) status.insert(QStringLiteral("note"), entry.Note);
    }
    return status;
}

QString StatusText(const QJsonObject& status) {
    const QString where = status.value(QStringLiteral("program")).toBool()
                              ? QString()
                              : QStringLiteral(" (Tivrel is not running: the time is kept in "
                                               "the data folder)");
    if (status.value(QStringLiteral("task")).isNull())
        return QStringLiteral("No task is tracked%1.").arg(where);
    QString text = status.value(QStringLiteral("task")).toString();
    const QString description = status.value(QStringLiteral("description")).toString();
    if (!description.isEmpty() && description != text)
        text += QStringLiteral(" (%1)").arg(description);
    text += QStringLiteral(": %1 today, ").arg(status.value(QStringLiteral("today")).toString());
    if (status.value(QStringLiteral("paused")).toBool())
        text += QStringLiteral("paused");
    else
        text += QStringLiteral("tracking since %1")
                    .arg(status.value(QStringLiteral("since")).toString());
    const QString note = status.value(QStringLiteral("note")).toString();
    if (!note.isEmpty()) text += QStringLiteral(" - \"%1\"").arg(note);
    return text + where + QLatin1Char('.');
}

bool GoToTaskOfCode(TdmTasks_Form& dm, const QString& code) {
    TRecordSet& tasks = dm.adsTasks;
    tasks.CheckBrowseMode();
    TLocateOptions options;
    options.CaseInsensitive = true;
    const QString wanted = code.trimmed();
    if (tasks.Locate(QStringLiteral("TaskCode"), wanted, options)) {
        if (F(tasks, "Completed").AsBoolean())
            throw Exception(QStringLiteral("%1 is marked completed in the task list: untick "
                                           "Completed to track it again")
                                .arg(F(tasks, "TaskCode").AsString()));
        return false;
    }
    if (!dm.TaskCodeExists(wanted) && !dm.NewTaskInsertAllowed())
        throw Exception(QStringLiteral("There is no task code %1, and the options do not allow "
                                       "a task with a code of its own")
                            .arg(wanted));
    const auto codes = dm.adsTaskCodes.Clone();
    const QString stored = codes->Locate(QStringLiteral("TaskCode"), wanted, options)
                               ? F(*codes, "TaskCode").AsString()
                               : wanted.toUpper();
    tasks.Append();
    try {
        F(tasks, "TaskCode").SetAsString(stored); // the code's description and project follow
        tasks.Post();
    } catch (...) {
        tasks.Cancel();
        throw;
    }
    return true;
}

const TTimeEntry* EntryForNote(TdmTasks_Form& dm) {
    const TTimeJournal& journal = dm.Journal();
    const TTimeEntry* last = nullptr;
    for (const TTimeEntry& entry : journal.OpenRows()) {
        if (!entry.HasTimes()) continue;
        if (entry.Running) return &entry;
        if (std::floor(entry.WorkDate) == TClock::Today() && (!last || entry.EndUtc > last->EndUtc))
            last = &entry;
    }
    return last;
}

namespace {
void Activate(TdmTasks_Form& dm, const QString& code) {
    GoToTaskOfCode(dm, code);
    TRecordSet& tasks = dm.adsTasks;
    tasks.Edit();
    F(tasks, "Active").SetAsBoolean(true); // the one-task-active rule switches the others off
    tasks.Post();
}

TTrackerReply Done(TdmTasks_Form& dm, const QString& text, bool changed) {
    if (changed) {
        dm.Journal().HoldRunning();
        dm.SaveData();
    }
    TTrackerReply reply;
    reply.Text = text;
    reply.Status = TrackerStatus(dm, dm.Journal().RunningTasks().empty(), false);
    return reply;
}
} // namespace

TTrackerReply RunOnStore(TdmTasks_Form& dm, const TTrackerRequest& request) {
    if (dm.SetupRequired())
        return TTrackerReply::Failure(QStringLiteral("Tivrel has not been set up on this data "
                                                     "folder yet: start it once and close the "
                                                     "setup with OK."));
    TTimeJournal& journal = dm.Journal();
    const qint64 now = TClock::NowUtcMSecs();
    const QString& command = request.Command;
    try {
        if (command == QLatin1String("status")) {
            TTrackerReply reply;
            reply.Status = TrackerStatus(dm, journal.RunningTasks().empty(), false);
            reply.Text = StatusText(reply.Status);
            return reply;
        }
        if (command == QLatin1String("stop")) {
            const bool running = !journal.RunningTasks().empty();
            journal.StopAll(now);
            const QJsonObject status = TrackerStatus(dm, true, false);
            const QString text =
                running ? QStringLiteral("Paused at %1: %2").arg(ClockText(now), StatusText(status))
                        : QStringLiteral("Already paused: %1").arg(StatusText(status));
            return Done(dm, text, running);
        }
        if (command == QLatin1String("note")) {
            const TTimeEntry* found = EntryForNote(dm);
            if (!found)
                return TTrackerReply::Failure(QStringLiteral("No entry today to put the note on: "
                                                             "start a task first."));
            TTimeEntry entry = *found;
            entry.Note = request.Argument;
            journal.UpdateEntry(entry);
            return Done(dm,
                        QStringLiteral("Note on %1 (from %2): %3")
                            .arg(entry.Task.TaskCode, ClockText(entry.StartUtc), entry.Note),
                        true);
        }
        const bool start = command == QLatin1String("start");
        const bool wasRunning = !journal.RunningTasks().empty();
        if (!request.Argument.isEmpty()) Activate(dm, request.Argument);
        if (dm.ActiveTasks().empty())
            return TTrackerReply::Failure(QStringLiteral("No task is active: say which one, as "
                                                         "in \"tivrel start CODE\"."));
        if (start || wasRunning) journal.Track(dm.ActiveTasks(), now);
        const QJsonObject status = TrackerStatus(dm, journal.RunningTasks().empty(), false);
        QString text =
            start ? QStringLiteral("Tracking from %1: %2") : QStringLiteral("Switched at %1: %2");
        return Done(dm, text.arg(ClockText(now), StatusText(status)), true);
    } catch (const Exception& e) {
        return TTrackerReply::Failure(e.Message());
    }
}
