// Rules of the tasks table, the history, the chart data and the options.

#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "BaseUnits/XEP_Messages.h"

#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <cmath>

namespace {
// Day columns and their weekday numbers (1 = Sunday … 7 = Saturday).
const std::pair<const char*, int> DayColumns[7] = {
    {"SunDuration", 1}, {"MonDuration", 2}, {"TueDuration", 3}, {"WedDuration", 4},
    {"ThuDuration", 5}, {"FriDuration", 6}, {"SatDuration", 7}};

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// Runs fn with a flag set, restoring it afterwards whatever happens.
template <class Fn> void WithFlag(bool& flag, Fn&& fn) {
    const bool previous = flag;
    flag = true;
    try {
        fn();
    } catch (...) {
        flag = previous;
        throw;
    }
    flag = previous;
}
} // namespace

void TdmTasks_Form::AttachTaskRules() {
    for (TRecordSet* table : {&adsReporting, &adsTasks, &adsTaskCodes, &adsDefaults, &adsProjects,
                              &adsClients, &adsUsers, &adsUserTypes, &adsManagers}) {
        table->AfterPost = [this](TRecordSet& t) { DataSetAfterPost(t); };
        // A deletion is a change too: without the mark the deleted row would come back after
        // a restart.
        table->AfterDelete = [](TRecordSet& t) { t.Tag = 1; };
    }
    adsTasks.AfterInsert = [this](TRecordSet& t) { adsTasksAfterInsert(t); };
    adsTasks.BeforePost = [this](TRecordSet& t) { adsTasksBeforePost(t); };
    adsTasks.BeforeDelete = [this](TRecordSet& t) { adsTasksBeforeDelete(t); };
    adsTasks.OnCalcFields = [this](TRecordSet& t) { adsTasksCalcFields(t); };
    F(adsTasks, "TaskCode").OnValidate = [this](TField& f) { adsTasksTaskCodeValidate(f); };
    F(adsTasks, "TaskCode").OnChange = [this](TField& f) { adsTasksTaskCodeChange(f); };
    F(adsTasks, "Active").OnChange = [this](TField& f) { adsTasksActiveChange(f); };
    F(adsTasks, "Priority").OnChange = [this](TField& f) { adsTasksPriorityChange(f); };
    F(adsReporting, "Duration").OnValidate = [this](TField& f) { adsReportingDurationValidate(f); };
    adsReporting.AfterScroll = [this](TRecordSet& t) { adsReportingAfterScroll(t); };
    adsReporting.BeforePost = [this](TRecordSet& t) { adsReportingBeforePost(t); };
    adsReporting.BeforeDelete = [this](TRecordSet& t) { adsReportingBeforeDelete(t); };
    F(adsReporting, "TaskCode").OnChange = [this](TField& f) { adsReportingTaskCodeChange(f); };
    adsChartData.OnCalcFields = [this](TRecordSet& t) { adsChartDataCalcFields(t); };
    F(adsDefaults, "StartTime").OnChange = [this](TField& f) { adsDefaultsStartTimeChange(f); };
    F(adsDefaults, "EndTime").OnChange = [this](TField& f) { adsDefaultsEndTimeChange(f); };
    F(adsDefaults, "StartDayOfWeek").OnChange = [this](TField& f) {
        adsDefaultsStartDayOfWeekChange(f);
    };
}

void TdmTasks_Form::adsTasksAfterInsert(TRecordSet& DataSet) {
    DataSet.Edit();
    // A new row holds no time: the weekday totals must not move while its durations are set
    // (the totals rule would take the last edited cell's value off every weekday).
    WithFlag(FTimerActive, [&] {
        for (const auto& [column, weekday] : DayColumns)
            F(DataSet, column).SetAsFloat(0);
    });
    F(DataSet, "Completed").SetAsBoolean(false);
    F(DataSet, "Active").SetAsBoolean(false);
    const double now = TClock::Now();
    F(DataSet, "DateTimeCreated").SetAsDateTime(now);
    F(DataSet, "DateTimeAmended").SetAsDateTime(now);
    F(DataSet, "Priority").SetAsInteger(0);
    F(DataSet, "ProjectNumber").SetAsInteger(0);
    F(DataSet, "ClientId").SetAsInteger(0);
    if (FbGenerateNextJobId) {
        ++FMaxJobId;
        F(DataSet, "JobId").SetAsInteger(FMaxJobId);
    }
}

void TdmTasks_Form::adsTasksBeforePost(TRecordSet& DataSet) {
    // A day cell changed by the user sets that date's time in the journal.
    RecordTypedDays(DataSet);
}

void TdmTasks_Form::adsTasksBeforeDelete(TRecordSet& DataSet) {
    // The time of the week goes with its row, as it always has; submitted time stays in the
    // history and its entries in the journal's submitted rows.
    FJournal.ForgetTask(F(DataSet, "JobId").AsInteger());
}

void TdmTasks_Form::adsTasksCalcFields(TRecordSet& DataSet) {
    double total = 0;
    for (const auto& [column, weekday] : DayColumns)
        total += DayFraction(F(DataSet, column).AsFloat());
    int days = 0;
    const double partDay = DateTimeToDays(total, FDayDuration, days);
    F(DataSet, "Days").SetAsInteger(days);
    F(DataSet, "PartDay").SetAsFloat(partDay);
}

void TdmTasks_Form::adsTasksTaskCodeValidate(TField& Sender) {
    if (FCreationPhase) return;
    const QString refusal = TaskCodeRefusal(Sender, Sender.AsString());
    if (refusal.isEmpty()) return;
    Q_EMIT TaskCodeRefused();
    throw Exception(refusal);
}

QString TdmTasks_Form::TaskCodeRefusal(TField& TaskCode, const QString& code) const {
    if (code.trimmed().isEmpty()) return QStringLiteral("Task code cannot be blank");
    const QVariant old = TaskCode.OldValue();
    const QString sOldString = old.isValid() && !old.isNull() ? old.toString() : QString();
    // Re-entering a row's own code, in any case, is neither searched for nor checked against
    // the task codes: a code the row already holds stays acceptable.
    if (code.toUpper() == sOldString.toUpper()) return {};
    const auto clone = TaskCode.DataSet().Clone();
    clone->SetFilter(QStringLiteral("TaskCode = ") + QuotedFilterText(code));
    clone->SetFiltered(true);
    if (clone->RecordCount() > 0) return QStringLiteral("Task code already selected");
    // Without new task insertion a task row only takes a code of the task codes table, so no
    // row can be posted, submitted or saved with a code that does not exist.
    if (!NewTaskInsertAllowed() && !TaskCodeExists(code))
        return QStringLiteral("Task does not exist.");
    return {};
}

bool TdmTasks_Form::TaskCodeExists(const QString& code) const {
    const QString wanted = code.trimmed().toUpper();
    const auto codes = adsTaskCodes.Clone(); // the task codes' own cursor stays where it is
    const TField& codeField = codes->FieldByName(QStringLiteral("TaskCode"));
    for (codes->First(); !codes->Eof(); codes->Next()) {
        if (codeField.AsString().trimmed().toUpper() == wanted) return true;
    }
    return false;
}

bool TdmTasks_Form::NewTaskInsertAllowed() const {
    return adsDefaults.FieldByName(QStringLiteral("NewTaskInsertAllowed")).AsBoolean();
}

void TdmTasks_Form::adsTasksTaskCodeChange(TField& Sender) {
    TRecordSet& tasks = Sender.DataSet();
    const QString code = Sender.AsString().trimmed().toUpper();
    TField& codeField = F(adsTaskCodes, "TaskCode");
    for (adsTaskCodes.First(); !adsTaskCodes.Eof(); adsTaskCodes.Next()) {
        if (codeField.AsString().trimmed().toUpper() != code) continue;
        tasks.Edit();
        F(tasks, "TaskDescription").SetAsString(F(adsTaskCodes, "TaskDescription").AsString());
        F(tasks, "ProjectNumber").SetAsInteger(F(adsTaskCodes, "ProjectNumber").AsInteger());
        F(tasks, "Priority")
            .SetAsInteger(GetPriority(F(adsTaskCodes, "CompletionDate").AsDateTime()));
    }
}

void TdmTasks_Form::adsTasksActiveChange(TField& Sender) {
    if (!FOneTaskActive || FActivating || !Sender.AsBoolean()) return;
    TRecordSet& tasks = Sender.DataSet();
    FActivating = true;
    const QString code = F(tasks, "TaskCode").AsString();
    const int project = F(tasks, "ProjectNumber").AsInteger();
    const int client = F(tasks, "ClientId").AsInteger();
    tasks.DisableControls();
    try {
        tasks.First(); // posts the row just activated
        for (; !tasks.Eof(); tasks.Next()) {
            const bool sameTask = F(tasks, "TaskCode").AsString() == code &&
                                  F(tasks, "ProjectNumber").AsInteger() == project &&
                                  F(tasks, "ClientId").AsInteger() == client;
            if (!sameTask && F(tasks, "Active").AsBoolean()) {
                tasks.Edit();
                F(tasks, "Active").SetAsBoolean(false);
            }
        }
        TLocateOptions options;
        options.CaseInsensitive = true;
        tasks.Locate(QStringLiteral("ClientId;ProjectNumber;TaskCode"),
                     QVariantList{client, project, code}, options);
        tasks.Edit();
    } catch (...) {
        tasks.EnableControls();
        FActivating = false;
        throw;
    }
    tasks.EnableControls();
    FActivating = false;
}

void TdmTasks_Form::adsTasksPriorityChange(TField& Sender) {
    F(Sender.DataSet(), "PriorityImage").SetAsBytes(PriorityBitmap(Sender.AsInteger()));
}

void TdmTasks_Form::adsReportingDurationValidate(TField& Sender) {
    TRecordSet& history = Sender.DataSet();
    if (F(history, "InvoiceNumber").AsInteger() > 0)
        throw Exception(
            QStringLiteral("Unable to amend duration because the task has already been invoiced"));
    if (F(history, "AuthUserId").AsInteger() > 0)
        throw Exception(
            QStringLiteral("Unable to amend duration because the task has already authorised"));
}

namespace {
bool Changed(const TField& field) {
    const QVariant old = field.OldValue();
    if (!old.isValid() || old.isNull()) return !field.IsNull();
    return field.IsNull() || field.Value() != old;
}

// What is locked once a row is invoiced or authorised, by the message that says so.
QString LockOfHistoryRow(TRecordSet& history, const QString& what) {
    if (F(history, "InvoiceNumber").AsInteger() > 0)
        return QStringLiteral("Unable to %1 the task because it has already been invoiced")
            .arg(what);
    if (F(history, "AuthUserId").AsInteger() > 0)
        return QStringLiteral("Unable to %1 the task because it has already been authorised")
            .arg(what);
    return {};
}
} // namespace

void TdmTasks_Form::adsReportingBeforePost(TRecordSet& DataSet) {
    // A row moved to another task, project, client or day: not once invoiced or authorised,
    // and never onto a task and day that has a row already (one row per task and day).
    if (DataSet.State() != TDataSetState::Edit) return;
    TField& code = F(DataSet, "TaskCode");
    TField& date = F(DataSet, "DateTimeSubmitted");
    const bool moved = Changed(code) || Changed(F(DataSet, "ProjectNumber")) ||
                       Changed(F(DataSet, "ClientId")) || Changed(date);
    if (!moved) return;
    const QString locked = LockOfHistoryRow(DataSet, QStringLiteral("move"));
    if (!locked.isEmpty()) throw Exception(locked);
    if (code.AsString().trimmed().isEmpty())
        throw Exception(QStringLiteral("Task code cannot be blank"));
    const double day = std::floor(date.AsDateTime());
    if (date.AsDateTime() != day) date.SetAsDateTime(day);
    const auto others = DataSet.Clone();
    others->SetFilter(QStringLiteral("DateTimeSubmitted >= %1 AND DateTimeSubmitted < %2")
                          .arg(DateToStr(day), DateToStr(day + 1)));
    others->SetFiltered(true);
    const TBookmark self = DataSet.GetBookmark();
    for (others->First(); !others->Eof(); others->Next()) {
        if (others->GetBookmark() == self) continue;
        const bool same =
            F(*others, "TaskCode").AsString().trimmed().toUpper() ==
                code.AsString().trimmed().toUpper() &&
            F(*others, "ProjectNumber").AsInteger() == F(DataSet, "ProjectNumber").AsInteger() &&
            F(*others, "ClientId").AsInteger() == F(DataSet, "ClientId").AsInteger() &&
            F(*others, "UserId").AsInteger() == F(DataSet, "UserId").AsInteger();
        if (same)
            throw Exception(
                QStringLiteral("The history already holds %1 on %2: change the duration "
                               "of that row instead")
                    .arg(code.AsString(), DateToStr(day)));
    }
}

void TdmTasks_Form::adsReportingBeforeDelete(TRecordSet& DataSet) {
    const QString locked = LockOfHistoryRow(DataSet, QStringLiteral("delete"));
    if (locked.isEmpty()) return;
    ShowInformationMessage(locked);
    throw EAbort();
}

void TdmTasks_Form::adsReportingTaskCodeChange(TField& Sender) {
    // A row moved to another code takes that code's description and project, as a task row
    // does; rows being written by a submission set their own.
    TRecordSet& history = Sender.DataSet();
    if (history.State() != TDataSetState::Edit) return;
    const auto codes = adsTaskCodes.Clone();
    TLocateOptions options;
    options.CaseInsensitive = true;
    if (!codes->Locate(QStringLiteral("TaskCode"), Sender.AsString().trimmed(), options)) return;
    F(history, "TaskDescription").SetAsString(F(*codes, "TaskDescription").AsString());
    F(history, "ProjectNumber").SetAsInteger(F(*codes, "ProjectNumber").AsInteger());
}

void TdmTasks_Form::adsReportingAfterScroll(TRecordSet& DataSet) {
    const bool locked =
        F(DataSet, "InvoiceNumber").AsInteger() > 0 || F(DataSet, "AuthUserId").AsInteger() > 0;
    for (const char* name : {"Duration", "TaskCode", "ProjectNumber", "ClientId",
                             "DateTimeSubmitted", "TaskCodeLookup", "ProjectName", "ClientName"})
        F(DataSet, name).SetReadOnly(locked);
}

void TdmTasks_Form::adsChartDataCalcFields(TRecordSet& DataSet) {
    F(DataSet, "DurationText")
        .SetAsString(DaysHoursMinutesText(F(DataSet, "Duration").AsFloat(), FDayDuration));
}

void TdmTasks_Form::adsDefaultsStartTimeChange(TField& Sender) {
    TField& endTime = F(Sender.DataSet(), "EndTime");
    if (endTime.AsDateTime() < Sender.AsDateTime()) endTime.SetAsDateTime(Sender.AsDateTime());
}

void TdmTasks_Form::adsDefaultsEndTimeChange(TField& Sender) {
    TField& startTime = F(Sender.DataSet(), "StartTime");
    if (startTime.AsDateTime() > Sender.AsDateTime()) startTime.SetAsDateTime(Sender.AsDateTime());
}

void TdmTasks_Form::adsDefaultsStartDayOfWeekChange(TField& Sender) {
    // The recorded week moves back to the new first weekday, so that weeks keep lining up
    // with the day columns their time was typed into.
    if (FCreationPhase || Sender.IsNull()) return;
    const int startDay = Sender.AsInteger();
    if (startDay == FWeekStartDay) return;
    FWeekStartDay = startDay;
    TField& weekStart = F(Sender.DataSet(), "WeekStartDate");
    if (!weekStart.IsNull()) weekStart.SetAsDateTime(StartOfWeek(weekStart.AsDateTime(), startDay));
}

int TdmTasks_Form::TimesheetUserID() const {
    const TField& chosen = adsDefaults.FieldByName(QStringLiteral("TimesheetUserID"));
    const auto users = adsUsers.Clone();
    if (!chosen.IsNull() && users->Locate(QStringLiteral("UserID"), chosen.AsInteger()))
        return chosen.AsInteger();
    users->First();
    return users->IsEmpty() ? 0 : users->FieldByName(QStringLiteral("UserID")).AsInteger();
}
