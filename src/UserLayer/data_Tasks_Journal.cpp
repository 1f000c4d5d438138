#include "data_Tasks_Journal.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TRecordSet.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace {
// 1 January 1970 as a day number.
constexpr double UnixEpochDay = 25569.0;
constexpr qint64 MSecsPerMinute = 60000;

qint64 WholeSeconds(qint64 msecs) {
    return msecs - ((msecs % 1000) + 1000) % 1000;
}

qint64 DateKey(double date) {
    return std::llround(std::floor(date + 1e-9));
}

bool SameDate(double a, double b) {
    return DateKey(a) == DateKey(b);
}

const char* KindName(TEntryKind kind) {
    switch (kind) {
    case TEntryKind::Added:
        return "Added";
    case TEntryKind::Imported:
        return "Imported";
    case TEntryKind::Typed:
        return "Typed";
    case TEntryKind::Tracked:
        break;
    }
    return "Tracked";
}

TEntryKind KindOf(const QString& name) {
    if (name.compare(QLatin1String("Typed"), Qt::CaseInsensitive) == 0) return TEntryKind::Typed;
    if (name.compare(QLatin1String("Added"), Qt::CaseInsensitive) == 0) return TEntryKind::Added;
    if (name.compare(QLatin1String("Imported"), Qt::CaseInsensitive) == 0)
        return TEntryKind::Imported;
    return TEntryKind::Tracked;
}

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// The next local midnight after the moment, as a UTC moment.
qint64 NextMidnight(qint64 msecs) {
    return UtcOfLocalDayNumber(LocalDateOfUtc(msecs) + 1);
}
} // namespace

qint64 UtcOfWallClock(double dayNumber, int offsetMinutes) {
    return std::llround((dayNumber - UnixEpochDay) * double(MSecsPerDay)) -
           qint64(offsetMinutes) * MSecsPerMinute;
}

double WallClockOfUtc(qint64 msecs, int offsetMinutes) {
    return UnixEpochDay +
           double(msecs + qint64(offsetMinutes) * MSecsPerMinute) / double(MSecsPerDay);
}

double LocalDateOfUtc(qint64 msecs) {
    return std::floor(LocalDayNumberOfUtc(msecs) + 1e-9);
}

double TTimeEntry::StartLocal() const {
    return WallClockOfUtc(StartUtc, StartOffset);
}

double TTimeEntry::EndLocal() const {
    return WallClockOfUtc(EndUtc, EndOffset);
}

// ---- Reading ----

qint64 TTimeJournal::DayMSecs(int jobId, double date) const {
    qint64 total = 0;
    for (const TTimeEntry& row : FOpen)
        if (row.Task.JobId == jobId && SameDate(row.WorkDate, date)) total += row.MSecs();
    return std::max<qint64>(0, total);
}

int TTimeJournal::DayMinutes(int jobId, double date) const {
    return int(DayMSecs(jobId, date) / MSecsPerMinute);
}

qint64 TTimeJournal::TrackedMSecs(int jobId, double date) const {
    qint64 total = 0;
    for (const TTimeEntry& row : FOpen)
        if (!row.IsTyped() && row.Task.JobId == jobId && SameDate(row.WorkDate, date))
            total += row.MSecs();
    return total;
}

qint64 TTimeJournal::DateMSecs(double date) const {
    std::set<int> jobs;
    for (const TTimeEntry& row : FOpen)
        if (SameDate(row.WorkDate, date)) jobs.insert(row.Task.JobId);
    qint64 total = 0;
    for (int job : jobs)
        total += DayMSecs(job, date);
    return total;
}

bool TTimeJournal::HasOpenTimeOutside(int jobId, double from, double to) const {
    std::set<qint64> dates;
    for (const TTimeEntry& row : FOpen)
        if (row.Task.JobId == jobId &&
            (DateKey(row.WorkDate) < DateKey(from) || DateKey(row.WorkDate) >= DateKey(to)))
            dates.insert(DateKey(row.WorkDate));
    return std::any_of(dates.begin(), dates.end(),
                       [&](qint64 date) { return DayMSecs(jobId, double(date)) > 0; });
}

double TTimeJournal::EarliestOpenDate() const {
    std::set<std::pair<qint64, int>> days;
    for (const TTimeEntry& row : FOpen)
        days.insert({DateKey(row.WorkDate), row.Task.JobId});
    for (const auto& [date, job] : days)
        if (DayMSecs(job, double(date)) > 0) return double(date);
    return 0;
}

std::vector<TTimeEntry> TTimeJournal::EntriesOn(double date) const {
    std::vector<TTimeEntry> entries;
    for (const std::vector<TTimeEntry>* rows : {&FSubmitted, &FOpen})
        for (const TTimeEntry& row : *rows)
            if (row.HasTimes() && SameDate(row.WorkDate, date)) entries.push_back(row);
    std::stable_sort(entries.begin(), entries.end(), [](const TTimeEntry& a, const TTimeEntry& b) {
        return a.StartUtc < b.StartUtc;
    });
    return entries;
}

bool TTimeJournal::IsRunning(int jobId) const {
    return std::any_of(FOpen.begin(), FOpen.end(), [jobId](const TTimeEntry& row) {
        return row.Running && row.Task.JobId == jobId;
    });
}

std::vector<TJournalTask> TTimeJournal::RunningTasks() const {
    std::vector<TJournalTask> tasks;
    for (const TTimeEntry& row : FOpen)
        if (row.Running) tasks.push_back(row.Task);
    return tasks;
}

// ---- Typing ----

void TTimeJournal::SetDayTotal(const TJournalTask& task, double date, qint64 msecs) {
    const qint64 typed = msecs - TrackedMSecs(task.JobId, date);
    TTimeEntry* row = TypedRowOf(task.JobId, date);
    if (row && row->TypedMSecs == typed) return;
    MarkOpenChanged();
    if (typed == 0) {
        if (row) FOpen.erase(FOpen.begin() + (row - FOpen.data()));
        return;
    }
    if (!row) {
        TTimeEntry entry;
        entry.EntryId = NextId();
        entry.Kind = TEntryKind::Typed;
        entry.Task = task;
        entry.WorkDate = double(DateKey(date));
        FOpen.push_back(entry);
        row = &FOpen.back();
    }
    row->TypedMSecs = typed;
}

void TTimeJournal::AddTyped(const TJournalTask& task, double date, qint64 msecs) {
    if (msecs == 0) return;
    TTimeEntry entry;
    entry.EntryId = NextId();
    entry.Kind = TEntryKind::Typed;
    entry.Task = task;
    entry.WorkDate = double(DateKey(date));
    entry.TypedMSecs = msecs;
    FOpen.push_back(entry);
    MarkOpenChanged();
}

// ---- Tracking ----

TTimeEntry& TTimeJournal::NewEntry(const TJournalTask& task, qint64 start) {
    TTimeEntry entry;
    entry.EntryId = NextId();
    entry.Kind = TEntryKind::Tracked;
    entry.Task = task;
    entry.WorkDate = LocalDateOfUtc(start);
    entry.StartUtc = entry.EndUtc = start;
    entry.StartOffset = entry.EndOffset = UtcOffsetMinutesAt(start);
    entry.Running = true;
    FOpen.push_back(entry);
    MarkOpenChanged();
    return FOpen.back();
}

void TTimeJournal::CloseEntry(TTimeEntry& entry, qint64 at) {
    entry.EndUtc = std::max(entry.StartUtc, at);
    entry.EndOffset = UtcOffsetMinutesAt(entry.EndUtc);
    entry.Running = false;
    MarkOpenChanged();
}

TTimeEntry* TTimeJournal::RunningEntryOf(int jobId) {
    for (TTimeEntry& row : FOpen)
        if (row.Running && row.Task.JobId == jobId) return &row;
    return nullptr;
}

TTimeEntry* TTimeJournal::TypedRowOf(int jobId, double date) {
    for (TTimeEntry& row : FOpen)
        if (row.IsTyped() && row.Task.JobId == jobId && SameDate(row.WorkDate, date)) return &row;
    return nullptr;
}

void TTimeJournal::DropEmptyEntries() {
    const auto empty = [](const TTimeEntry& row) {
        return row.HasTimes() && !row.Running && row.EndUtc <= row.StartUtc && row.Note.isEmpty();
    };
    FOpen.erase(std::remove_if(FOpen.begin(), FOpen.end(), empty), FOpen.end());
}

void TTimeJournal::Track(const std::vector<TJournalTask>& tasks, qint64 now) {
    now = WholeSeconds(now);
    if (FLastSeen == 0) FLastSeen = now;
    for (TTimeEntry& row : FOpen) {
        if (!row.Running) continue;
        const bool stillTracked = std::any_of(tasks.begin(), tasks.end(), [&](const auto& task) {
            return task.JobId == row.Task.JobId;
        });
        if (!stillTracked) CloseEntry(row, now);
    }
    for (const TJournalTask& task : tasks) {
        if (TTimeEntry* running = RunningEntryOf(task.JobId)) {
            running->Task = task;
            continue;
        }
        NewEntry(task, now);
    }
    DropEmptyEntries();
    FLastSeen = std::max(FLastSeen, now);
}

void TTimeJournal::StopAll(qint64 at) {
    EndRunningAt(WholeSeconds(at));
    DropEmptyEntries();
}

void TTimeJournal::EndRunningAt(qint64 at) {
    for (TTimeEntry& row : FOpen)
        if (row.Running) CloseEntry(row, at);
}

void TTimeJournal::CutRunning(qint64 at) {
    at = WholeSeconds(at);
    const std::vector<TJournalTask> running = RunningTasks();
    for (const TJournalTask& task : running) {
        TTimeEntry* row = RunningEntryOf(task.JobId);
        if (!row || row->StartUtc >= at) continue;
        row->EndUtc = std::max(row->EndUtc, at);
        SplitAtMidnights(at);
        row = RunningEntryOf(task.JobId);
        if (!row || row->StartUtc >= at) continue;
        CloseEntry(*row, at);
        NewEntry(task, at);
    }
}

void TTimeJournal::SplitAtMidnights(qint64 now) {
    std::vector<size_t> running;
    for (size_t i = 0; i < FOpen.size(); ++i)
        if (FOpen[i].Running) running.push_back(i);
    // New entries go to the end, so the positions of the other running ones stay valid.
    for (size_t i : running) {
        for (qint64 midnight = NextMidnight(FOpen[i].StartUtc); midnight <= now;
             midnight = NextMidnight(FOpen[i].StartUtc)) {
            const TJournalTask task = FOpen[i].Task;
            CloseEntry(FOpen[i], midnight);
            NewEntry(task, midnight);
            i = FOpen.size() - 1; // the day's entry goes on from midnight
        }
        FOpen[i].EndUtc = std::max(FOpen[i].StartUtc, now);
        FOpen[i].EndOffset = UtcOffsetMinutesAt(FOpen[i].EndUtc);
        MarkOpenChanged();
    }
}

void TTimeJournal::CapFullDays(TJournalAdvance& result) {
    for (TTimeEntry& row : FOpen) {
        if (!row.Running) continue;
        const qint64 total = DayMSecs(row.Task.JobId, row.WorkDate);
        if (total < FullDay) continue;
        CloseEntry(row, row.EndUtc - (total - FullDay));
        result.DayFull.push_back(row.Task);
        result.DayFullDate = row.WorkDate;
    }
}

void TTimeJournal::RestartRunning(const std::vector<TJournalTask>& running, qint64 now) {
    // The entries end where the tracker last saw the clock and start again at now.
    EndRunningAt(FLastSeen);
    for (const TJournalTask& task : running)
        NewEntry(task, now);
    DropEmptyEntries();
    FLastSeen = now;
}

TJournalAdvance TTimeJournal::Advance(qint64 now) {
    now = WholeSeconds(now);
    TJournalAdvance result;
    const std::vector<TJournalTask> running = RunningTasks();
    if (running.empty() || FLastSeen == 0) {
        FLastSeen = now;
        return result;
    }
    if (now < FLastSeen - 1000) {
        // The clock went back: what was counted stays, and the entries go on from the new
        // time, never giving negative or doubled time.
        RestartRunning(running, now);
        return result;
    }
    if (now - FLastSeen > LongestStep) {
        result.Gap = true;
        result.GapFrom = FLastSeen;
        result.GapTo = now;
        result.GapTasks = running;
        SplitAtMidnights(FLastSeen);
        RestartRunning(running, now);
        return result;
    }
    SplitAtMidnights(now);
    CapFullDays(result);
    FLastSeen = now;
    return result;
}

void TTimeJournal::AddSpan(const std::vector<TJournalTask>& tasks, qint64 from, qint64 to) {
    from = WholeSeconds(from);
    to = WholeSeconds(to);
    for (const TJournalTask& task : tasks) {
        for (qint64 cursor = from; cursor < to;) {
            const qint64 dayEnd = std::min(to, NextMidnight(cursor));
            const double date = LocalDateOfUtc(cursor);
            const qint64 room = FullDay - DayMSecs(task.JobId, date);
            const qint64 end = std::min(dayEnd, cursor + std::max<qint64>(0, room));
            if (end > cursor) {
                TTimeEntry& entry = NewEntry(task, cursor);
                CloseEntry(entry, end);
            }
            cursor = dayEnd;
        }
    }
}

qint64 TTimeJournal::TrackedWithin(qint64 from, qint64 to) const {
    qint64 total = 0;
    for (const TTimeEntry& row : FOpen) {
        if (!row.HasTimes()) continue;
        const qint64 overlap = std::min(row.EndUtc, to) - std::max(row.StartUtc, from);
        if (overlap > 0) total += overlap;
    }
    return total;
}

qint64 TTimeJournal::RemoveSpan(qint64 from, qint64 to) {
    from = WholeSeconds(from);
    to = WholeSeconds(to);
    if (to <= from) return 0;
    qint64 removed = 0;
    std::vector<TTimeEntry> kept;
    std::vector<TTimeEntry> later;
    for (TTimeEntry& row : FOpen) {
        const bool overlaps = row.StartUtc < to && (row.EndUtc > from || row.Running);
        if (!row.HasTimes() || !overlaps) {
            kept.push_back(row);
            continue;
        }
        MarkOpenChanged();
        removed += std::max<qint64>(0, std::min(row.EndUtc, to) - std::max(row.StartUtc, from));
        if (row.StartUtc < from) {
            TTimeEntry before = row;
            before.EndUtc = from;
            before.EndOffset = UtcOffsetMinutesAt(from);
            before.Running = false;
            kept.push_back(before);
        }
        if (row.EndUtc > to || row.Running) {
            TTimeEntry after = row;
            after.StartUtc = std::max(row.StartUtc, to);
            after.EndUtc = std::max(row.EndUtc, after.StartUtc);
            after.StartOffset = UtcOffsetMinutesAt(after.StartUtc);
            after.WorkDate = LocalDateOfUtc(after.StartUtc);
            if (row.StartUtc < from) after.EntryId = 0; // the part before keeps the number
            later.push_back(after);
        }
    }
    FOpen = std::move(kept);
    for (TTimeEntry& row : later) {
        if (row.EntryId == 0) row.EntryId = NextId();
        FOpen.push_back(row);
    }
    DropEmptyEntries();
    return removed;
}

// ---- Entries started from the command line ----

void TTimeJournal::RunOnTo(qint64 now) {
    now = WholeSeconds(now);
    if (RunningTasks().empty()) return;
    SplitAtMidnights(now);
    FLastSeen = std::max(FLastSeen, now);
}

void TTimeJournal::HoldRunning() {
    for (TTimeEntry& row : FOpen) {
        if (!row.Running || row.Held) continue;
        row.Held = true;
        MarkOpenChanged();
    }
}

bool TTimeJournal::HasHeldEntries() const {
    return std::any_of(FOpen.begin(), FOpen.end(),
                       [](const TTimeEntry& row) { return row.Running && row.Held; });
}

// ---- Imported entries ----

void TTimeJournal::AddSubmitted(TTimeEntry entry) {
    entry.EntryId = NextId();
    entry.WorkDate = double(DateKey(entry.WorkDate));
    entry.Running = entry.Held = false;
    FSubmitted.push_back(std::move(entry));
    FSubmittedChanged = true;
}

bool TTimeJournal::HasSource(const QString& source) const {
    if (source.isEmpty()) return false;
    for (const std::vector<TTimeEntry>* rows : {&FOpen, &FSubmitted})
        for (const TTimeEntry& row : *rows)
            if (row.Source == source) return true;
    return false;
}

// ---- Submission ----

void TTimeJournal::MarkSubmitted(const TJournalTask& task, double date, qint64 carry) {
    std::vector<TTimeEntry> kept;
    for (TTimeEntry& row : FOpen) {
        const bool ofDay = row.Task.JobId == task.JobId && SameDate(row.WorkDate, date);
        if (ofDay && !row.IsTyped() && !row.Running) {
            FSubmitted.push_back(row);
            FSubmittedChanged = true;
            continue;
        }
        if (ofDay && row.IsTyped()) continue; // replaced by the carry below
        kept.push_back(row);
    }
    FOpen = std::move(kept);
    MarkOpenChanged();
    // What stays on the day: the carry, whatever a running entry has added since.
    const qint64 typed = carry - TrackedMSecs(task.JobId, date);
    if (typed != 0) AddTyped(task, date, typed);
}

// ---- Entries edited by hand ----

void TTimeJournal::SetLocalTimes(TTimeEntry& entry, double startLocal, double endLocal) {
    entry.StartUtc = WholeSeconds(UtcOfLocalDayNumber(startLocal));
    entry.StartOffset = UtcOffsetMinutesAt(entry.StartUtc);
    entry.EndUtc = std::max(entry.StartUtc, WholeSeconds(UtcOfLocalDayNumber(endLocal)));
    entry.EndOffset = UtcOffsetMinutesAt(entry.EndUtc);
    entry.WorkDate = std::floor(startLocal + 1e-9);
}

const TTimeEntry* TTimeJournal::OpenEntry(int entryId) const {
    for (const TTimeEntry& row : FOpen)
        if (row.EntryId == entryId) return &row;
    return nullptr;
}

void TTimeJournal::UpdateEntry(const TTimeEntry& entry) {
    for (TTimeEntry& row : FOpen) {
        if (row.EntryId != entry.EntryId) continue;
        row = entry;
        row.WorkDate = double(DateKey(entry.WorkDate));
        MarkOpenChanged();
        return;
    }
}

void TTimeJournal::RemoveEntry(int entryId) {
    const auto before = FOpen.size();
    FOpen.erase(std::remove_if(FOpen.begin(), FOpen.end(),
                               [entryId](const TTimeEntry& row) { return row.EntryId == entryId; }),
                FOpen.end());
    if (FOpen.size() != before) MarkOpenChanged();
}

int TTimeJournal::AddEntry(TTimeEntry entry) {
    entry.EntryId = NextId();
    entry.WorkDate = double(DateKey(entry.WorkDate));
    FOpen.push_back(std::move(entry));
    MarkOpenChanged();
    return FOpen.back().EntryId;
}

// ---- Task rows ----

void TTimeJournal::ForgetTask(int jobId) {
    const auto before = FOpen.size();
    FOpen.erase(std::remove_if(FOpen.begin(), FOpen.end(),
                               [jobId](const TTimeEntry& row) { return row.Task.JobId == jobId; }),
                FOpen.end());
    if (FOpen.size() != before) MarkOpenChanged();
}

void TTimeJournal::FollowTask(const TJournalTask& task) {
    for (TTimeEntry& row : FOpen) {
        if (row.Task.JobId != task.JobId) continue;
        if (row.Task.TaskCode == task.TaskCode && row.Task.ProjectNumber == task.ProjectNumber &&
            row.Task.ClientId == task.ClientId)
            continue;
        row.Task = task;
        MarkOpenChanged();
    }
}

std::vector<TJournalTask>
TTimeJournal::OrphanTasks(const std::function<bool(int)>& jobExists) const {
    std::vector<TJournalTask> orphans;
    for (const TTimeEntry& row : FOpen) {
        if (jobExists(row.Task.JobId)) continue;
        if (std::any_of(orphans.begin(), orphans.end(),
                        [&](const TJournalTask& t) { return t.JobId == row.Task.JobId; }))
            continue;
        orphans.push_back(row.Task);
    }
    return orphans;
}

void TTimeJournal::RenumberJob(int from, int to) {
    for (TTimeEntry& row : FOpen) {
        if (row.Task.JobId != from) continue;
        row.Task.JobId = to;
        MarkOpenChanged();
    }
}

int TTimeJournal::NextId() {
    return ++FMaxId;
}

// ---- Persistence ----

void TTimeJournal::DefineFields(TRecordSet& table) {
    table.AddField(QStringLiteral("EntryId"), TFieldType::Integer);
    table.AddField(QStringLiteral("Kind"), TFieldType::String, 8);
    table.AddField(QStringLiteral("JobId"), TFieldType::Integer);
    table.AddField(QStringLiteral("TaskCode"), TFieldType::String, 10);
    table.AddField(QStringLiteral("ProjectNumber"), TFieldType::Integer);
    table.AddField(QStringLiteral("ClientId"), TFieldType::Integer);
    table.AddField(QStringLiteral("WorkDate"), TFieldType::DateTime);
    table.AddField(QStringLiteral("StartTime"), TFieldType::DateTime);
    table.AddField(QStringLiteral("StartOffset"), TFieldType::SmallInt);
    table.AddField(QStringLiteral("EndTime"), TFieldType::DateTime);
    table.AddField(QStringLiteral("EndOffset"), TFieldType::SmallInt);
    table.AddField(QStringLiteral("Seconds"), TFieldType::Integer);
    table.AddField(QStringLiteral("Note"), TFieldType::Memo);
    table.AddField(QStringLiteral("Running"), TFieldType::Boolean);
    // Newer fields: a file without them loads as before.
    table.AddField(QStringLiteral("Source"), TFieldType::String, 64);
    table.AddField(QStringLiteral("HeldBy"), TFieldType::String, 8);
}

namespace {
// The HeldBy value of an entry a command keeps running while no program holds the folder.
const QString HeldByCommand = QStringLiteral("Command");

TTimeEntry ReadRow(TRecordSet& table) {
    TTimeEntry row;
    row.EntryId = F(table, "EntryId").AsInteger();
    row.Kind = KindOf(F(table, "Kind").AsString());
    row.Task = {F(table, "JobId").AsInteger(), F(table, "TaskCode").AsString(),
                F(table, "ProjectNumber").AsInteger(), F(table, "ClientId").AsInteger()};
    row.WorkDate = std::floor(F(table, "WorkDate").AsDateTime() + 1e-9);
    row.Note = F(table, "Note").AsString();
    if (TField* source = table.FindField(QStringLiteral("Source"))) row.Source = source->AsString();
    if (TField* held = table.FindField(QStringLiteral("HeldBy")))
        row.Held = !held->AsString().isEmpty() && F(table, "Running").AsBoolean();
    row.Timed = !(row.Kind == TEntryKind::Imported && F(table, "StartTime").IsNull());
    if (!row.HasTimes()) {
        row.TypedMSecs = qint64(F(table, "Seconds").AsInteger()) * 1000;
        return row;
    }
    // An end read without its offset is taken in the time zone of the machine.
    auto moment = [&table](const char* time, const char* offset, int& offsetOut) {
        const double local = F(table, time).AsDateTime();
        TField& offsetField = F(table, offset);
        offsetOut = offsetField.IsNull() ? UtcOffsetMinutesAt(UtcOfLocalDayNumber(local))
                                         : offsetField.AsInteger();
        return UtcOfWallClock(local, offsetOut);
    };
    row.StartUtc = WholeSeconds(moment("StartTime", "StartOffset", row.StartOffset));
    row.EndUtc =
        std::max(row.StartUtc, WholeSeconds(moment("EndTime", "EndOffset", row.EndOffset)));
    if (F(table, "WorkDate").IsNull()) row.WorkDate = std::floor(row.StartLocal() + 1e-9);
    return row; // a running entry ends where it was last written: the program stopped there
}

void WriteRow(TRecordSet& table, const TTimeEntry& row) {
    table.Append();
    F(table, "EntryId").SetAsInteger(row.EntryId);
    F(table, "Kind").SetAsString(QLatin1String(KindName(row.Kind)));
    F(table, "JobId").SetAsInteger(row.Task.JobId);
    F(table, "TaskCode").SetAsString(row.Task.TaskCode);
    F(table, "ProjectNumber").SetAsInteger(row.Task.ProjectNumber);
    F(table, "ClientId").SetAsInteger(row.Task.ClientId);
    F(table, "WorkDate").SetAsDateTime(row.WorkDate);
    if (row.HasTimes()) {
        F(table, "StartTime").SetAsDateTime(row.StartLocal());
        F(table, "StartOffset").SetAsInteger(row.StartOffset);
        F(table, "EndTime").SetAsDateTime(row.EndLocal());
        F(table, "EndOffset").SetAsInteger(row.EndOffset);
    }
    F(table, "Seconds").SetAsInteger(int(row.MSecs() / 1000));
    if (!row.Note.isEmpty()) F(table, "Note").SetAsString(row.Note);
    F(table, "Running").SetAsBoolean(row.Running);
    if (!row.Source.isEmpty()) F(table, "Source").SetAsString(row.Source);
    if (row.Running && row.Held) F(table, "HeldBy").SetAsString(HeldByCommand);
    table.Post();
}

void Rewrite(TRecordSet& table, const std::vector<TTimeEntry>& rows) {
    table.Close();
    table.CreateDataSet();
    for (const TTimeEntry& row : rows)
        WriteRow(table, row);
    table.Tag = 1;
}
} // namespace

void TTimeJournal::Load(TRecordSet& open, TRecordSet& submitted) {
    Clear();
    for (auto [table, rows] : {std::pair{&open, &FOpen}, std::pair{&submitted, &FSubmitted}}) {
        if (!table->Active()) continue;
        for (table->First(); !table->Eof(); table->Next()) {
            TTimeEntry row = ReadRow(*table);
            // A running entry ends where it was last written (the program that wrote it
            // stopped there), unless a command left it running: that one runs on, and this
            // program holds it from now on.
            row.Running = row.Held && rows == &FOpen;
            row.Held = false;
            FMaxId = std::max(FMaxId, row.EntryId);
            rows->push_back(row);
        }
    }
    // Rows numbered by hand, or twice, get numbers of their own (the submitted rows are then
    // written whole at the next save).
    std::set<int> seen;
    bool renumbered = false;
    for (std::vector<TTimeEntry>* rows : {&FOpen, &FSubmitted})
        for (TTimeEntry& row : *rows)
            if (row.EntryId <= 0 || !seen.insert(row.EntryId).second) {
                row.EntryId = NextId();
                renumbered = renumbered || rows == &FSubmitted;
            }
    FSubmittedWritten = renumbered ? 0 : FSubmitted.size();
}

void TTimeJournal::WriteTo(TRecordSet& open, TRecordSet& submitted) {
    if (FOpenChanged || !open.Active()) Rewrite(open, FOpen);
    if (FSubmittedChanged || !submitted.Active()) {
        // The submitted entries only ever grow: the new ones are added at the table's end, so
        // that the save adds them to the end of its file, however long it has become.
        if (submitted.Active() && FSubmittedWritten == size_t(submitted.RecordCount()) &&
            FSubmittedWritten <= FSubmitted.size()) {
            for (size_t i = FSubmittedWritten; i < FSubmitted.size(); ++i)
                WriteRow(submitted, FSubmitted[i]);
            submitted.Tag = 1;
        } else {
            Rewrite(submitted, FSubmitted);
        }
        FSubmittedWritten = FSubmitted.size();
    }
    FOpenChanged = FSubmittedChanged = false;
}

void TTimeJournal::Clear() {
    FOpen.clear();
    FSubmitted.clear();
    FSubmittedWritten = 0;
    FLastSeen = 0;
    FMaxId = 0;
    FOpenChanged = FSubmittedChanged = false;
}
