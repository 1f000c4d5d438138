// The day columns of the task table and the journal of tracked time: the columns show one
// week, the week shown, and each cell holds its own date's time as the journal has it (the
// entries of that date plus what was typed for it). What the user types into a cell goes to
// the journal when the row is posted, as the change that makes the day's time what was typed.
// The columns are therefore a view: the store file keeps them, but at every start they are
// made again from the journal.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <cmath>

namespace {
// Day columns and their weekday numbers (1 = Sunday … 7 = Saturday).
const std::pair<const char*, int> DayColumns[7] = {
    {"SunDuration", 1}, {"MonDuration", 2}, {"TueDuration", 3}, {"WedDuration", 4},
    {"ThuDuration", 5}, {"FriDuration", 6}, {"SatDuration", 7}};

TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

int MinutesOf(double duration) {
    return int(std::llround(DayFraction(duration) * MinutesPerDay));
}

qint64 MSecsOf(double duration) {
    return std::llround(DayFraction(duration) * SecondsPerDay) * 1000;
}
} // namespace

double TdmTasks_Form::WeekOf(double date) const {
    return StartOfWeek(date, F(adsDefaults, "StartDayOfWeek").AsInteger());
}

double TdmTasks_Form::DateOfWeekday(int weekday) const {
    int startDay = F(adsDefaults, "StartDayOfWeek").AsInteger();
    if (startDay < 1 || startDay > 7) startDay = 1;
    return FShownWeek + (weekday - startDay + 7) % 7;
}

double TdmTasks_Form::WeekToOpen() const {
    const double thisWeek = WeekOf(TClock::Now());
    const TField& lastSubmitted = F(adsDefaults, "WeekStartDate");
    double week = thisWeek;
    if (!lastSubmitted.IsNull() && adsDefaults.RecordCount() > 0)
        week = std::min(WeekOf(lastSubmitted.AsDateTime()) + 7, thisWeek);
    // Time that is still to be submitted is never hidden behind a later week.
    const double earliest = FJournal.EarliestOpenDate();
    if (earliest > 0) week = std::min(week, WeekOf(earliest));
    return week;
}

TJournalTask TdmTasks_Form::JournalTaskOfRow(const TRecordSet& tasks) const {
    return {F(tasks, "JobId").AsInteger(), F(tasks, "TaskCode").AsString(),
            F(tasks, "ProjectNumber").AsInteger(), F(tasks, "ClientId").AsInteger()};
}

std::vector<TJournalTask> TdmTasks_Form::ActiveTasks() const {
    std::vector<TJournalTask> active;
    if (!adsTasks.Active()) return active;
    const auto rows = adsTasks.Clone(); // every row, whatever the windows filter
    for (rows->First(); !rows->Eof(); rows->Next())
        if (F(*rows, "Active").AsBoolean() && !F(*rows, "Completed").AsBoolean())
            active.push_back(JournalTaskOfRow(*rows));
    return active;
}

double TdmTasks_Form::TotalDuration(int weekday) const {
    const char* column = nullptr;
    for (const auto& [name, day] : DayColumns)
        if (day == weekday) column = name;
    if (!column || !adsTasks.Active()) return 0;
    auto& tasks = const_cast<TRecordSet&>(adsTasks);
    TField& field = F(tasks, column);
    // The rows as the grid shows them: the row being edited from its edit buffer, the others
    // as stored (read straight from the rows: the totals are summed at every change).
    double total = 0;
    const int current = tasks.RecNo();
    const int count = tasks.RecordCount();
    for (int recNo = 1; recNo <= count; ++recNo) {
        if (recNo == current) continue;
        const TValue stored = tasks.StoredValue(recNo, field);
        if (!stored.IsNull) total += DayFraction(stored.Float);
    }
    if (current > 0 || tasks.State() == TDataSetState::Insert)
        total += DayFraction(field.AsFloat());
    return total;
}

void TdmTasks_Form::ShowWeek(double weekStart) {
    // What was typed into the row being edited belongs to the week shown until now.
    const bool editing = adsTasks.Active() && adsTasks.State() != TDataSetState::Browse;
    if (editing) adsTasks.CheckBrowseMode();
    FShownWeek = std::floor(weekStart);
    RefreshCells();
    if (editing && adsTasks.State() == TDataSetState::Browse && !adsTasks.IsEmpty())
        adsTasks.Edit();
}

void TdmTasks_Form::RefreshCells(double onlyDate) {
    if (!adsTasks.Active() || adsTasks.State() == TDataSetState::Insert) return;
    std::vector<std::pair<const char*, double>> columns;
    for (const auto& [name, weekday] : DayColumns) {
        const double date = DateOfWeekday(weekday);
        if (onlyDate == 0 || std::floor(onlyDate) == date) columns.push_back({name, date});
    }
    if (columns.empty()) return;
    const auto rows = adsTasks.Clone(); // rows hidden by a filter are kept up to date too
    auto stale = [&] {
        const int job = F(*rows, "JobId").AsInteger();
        for (const auto& [name, date] : columns)
            if (MinutesOf(F(*rows, name).AsFloat()) != FJournal.DayMinutes(job, date)) return true;
        return false;
    };
    bool anyStale = false;
    for (rows->First(); !rows->Eof() && !anyStale; rows->Next())
        anyStale = stale();
    if (!anyStale) return;

    // The row being edited is posted first, so that what was typed into it is in the journal,
    // and edited again afterwards with the cells as they are now.
    const bool editing = adsTasks.State() == TDataSetState::Edit;
    adsTasks.CheckBrowseMode();
    {
        TControlsSuspended suspended(adsTasks);
        for (rows->First(); !rows->Eof(); rows->Next()) {
            if (!stale()) continue;
            const int job = F(*rows, "JobId").AsInteger();
            rows->Edit();
            for (const auto& [name, date] : columns)
                F(*rows, name).SetAsFloat(FJournal.DayMinutes(job, date) / MinutesPerDay);
            rows->Post();
        }
    }
    adsTasks.Tag = 1;
    if (editing && !adsTasks.IsEmpty()) adsTasks.Edit();
}

void TdmTasks_Form::RecordTypedDays(TRecordSet& tasks) {
    if (FTimerActive || FShownWeek == 0) return;
    const bool inserting = tasks.State() == TDataSetState::Insert;
    for (const auto& [name, weekday] : DayColumns) {
        TField& field = F(tasks, name);
        const QVariant old = field.OldValue();
        const double before = inserting || !old.isValid() || old.isNull() ? 0 : old.toDouble();
        if (MSecsOf(field.AsFloat()) == MSecsOf(before)) continue;
        FJournal.SetDayTotal(JournalTaskOfRow(tasks), DateOfWeekday(weekday),
                             MSecsOf(field.AsFloat()));
        FTypedSinceFlush = true;
    }
}

// ---- Loading and saving the journal ----

void TdmTasks_Form::LoadJournal() {
    bool found = false;
    for (auto [table, name] :
         {std::pair{&adsJournal, QStringLiteral("Journalfile.xml")},
          std::pair{&adsJournalHistory, QStringLiteral("JournalHistoryfile.xml")}}) {
        // Changes a failed save at the last ending kept aside come first.
        const bool unsaved = LoadUnsavedChanges(*table, name);
        const QString file = unsaved ? QString() : FindStoreFile(FStoreDir, name);
        const bool read = unsaved || (!file.isEmpty() && LoadFile(*table, file));
        if (table == &adsJournal) found = read;
        if (!table->Active()) table->CreateDataSet();
        if (unsaved) table->Tag = 1; // not in the data folder yet
    }
    FJournal.Load(adsJournal, adsJournalHistory);
    // Entries a command started with no program running count from their start.
    FJournal.RunOnTo(TClock::NowUtcMSecs());
    if (!found) MigrateDayColumnsToJournal();
    AdoptOrphanedJournalRows();
    // The columns are made again from the journal: that alone is nothing new to write.
    const int changed = adsTasks.Tag;
    FShownWeek = WeekToOpen();
    RefreshCells();
    adsTasks.Tag = changed;
}

void TdmTasks_Form::MigrateDayColumnsToJournal() {
    // A store written before the journal existed keeps the week's time in the day columns:
    // it belongs to the week the review window opened on then, the week after the last
    // submitted one or, if that is later, this week.
    const double thisWeek = WeekOf(TClock::Now());
    const TField& lastSubmitted = F(adsDefaults, "WeekStartDate");
    FShownWeek = lastSubmitted.IsNull()
                     ? thisWeek
                     : std::min(WeekOf(lastSubmitted.AsDateTime()) + 7, thisWeek);
    const auto rows = adsTasks.Clone();
    for (rows->First(); !rows->Eof(); rows->Next())
        for (const auto& [name, weekday] : DayColumns)
            FJournal.AddTyped(JournalTaskOfRow(*rows), DateOfWeekday(weekday),
                              MSecsOf(F(*rows, name).AsFloat()));
}

void TdmTasks_Form::AdoptOrphanedJournalRows() {
    // Time of a task whose row is not in the task file (added, tracked and then lost to a
    // crash before the next save) gets its row back; a row of the same code takes the time
    // when there is one.
    const auto rows = adsTasks.Clone();
    auto jobExists = [&rows](int job) { return rows->Locate(QStringLiteral("JobId"), job); };
    const std::vector<TJournalTask> orphans = FJournal.OrphanTasks(jobExists);
    for (const TJournalTask& orphan : orphans) {
        if (orphan.TaskCode.trimmed().isEmpty()) {
            FJournal.ForgetTask(orphan.JobId);
            continue;
        }
        TLocateOptions options;
        options.CaseInsensitive = true;
        if (rows->Locate(QStringLiteral("TaskCode"), orphan.TaskCode, options)) {
            FJournal.RenumberJob(orphan.JobId, F(*rows, "JobId").AsInteger());
            continue;
        }
        const bool creating = FCreationPhase;
        FCreationPhase = true; // the code is taken as it was, even one no longer listed
        adsTasks.Append();
        F(adsTasks, "TaskCode").SetAsString(orphan.TaskCode);
        F(adsTasks, "JobId").SetAsInteger(orphan.JobId);
        F(adsTasks, "ProjectNumber").SetAsInteger(orphan.ProjectNumber);
        F(adsTasks, "ClientId").SetAsInteger(orphan.ClientId);
        adsTasks.Post();
        FCreationPhase = creating;
        FMaxJobId = std::max(FMaxJobId, orphan.JobId);
    }
}

void TdmTasks_Form::SyncJournalTables() {
    if (adsTasks.Active()) {
        const auto rows = adsTasks.Clone();
        for (rows->First(); !rows->Eof(); rows->Next())
            FJournal.FollowTask(JournalTaskOfRow(*rows));
    }
    FJournal.WriteTo(adsJournal, adsJournalHistory);
}

void TdmTasks_Form::FlushJournal() {
    // While a save writes the history in the background the journal waits for the next flush
    // (that save holds it as it was when it began).
    if (SetupRequired() || !FDirsObj || FBackgroundSave) return;
    FTypedSinceFlush = false;
    SaveTables({{QStringLiteral("Journalfile.xml"), &adsJournal},
                {QStringLiteral("JournalHistoryfile.xml"), &adsJournalHistory}},
               false);
}
