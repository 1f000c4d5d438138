#pragma once
// The journal of tracked time: what the tracker counted, as dated entries (a task, a start and
// an end on the wall clock, a note), and what the user typed into a day cell, as the change the
// typing made to that day. A day cell of the week shows its date's time: the entries of that
// date plus what was typed for it. Nothing here counts timer ticks: an entry's time is the real
// time between its start and its end, kept to the second.
//
// Moments are milliseconds since 1970 UTC (whole seconds), so an entry across a
// daylight-saving change counts the time that really passed; each end also keeps its offset
// from UTC, so the wall-clock time the user saw is shown and stored. An entry never crosses
// midnight: the tracker ends it at 24:00 and starts the next day's.
//
// Open rows are those whose time has not been submitted: the running entries, the entries of
// days not yet submitted and the typed changes. Submitting a day moves its entries to the
// submitted rows, which stay as the record of when the work was done.
//
// The journal keeps its rows in memory; the two record sets are how they reach the store files
// (WriteTo when Changed) and come back (Load).

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

class TRecordSet;

// Imported: an entry read from another tracker's file (import-history); its Source says which
// interval of which file it was, so that a second import of the file recognises it. An imported
// length without times (a row of a file that gives a date and a duration only) has no times.
enum class TEntryKind { Tracked, Added, Typed, Imported };

// A task row as the journal knows it: its job number and what identifies it in the history.
struct TJournalTask {
    int JobId = 0;
    QString TaskCode;
    int ProjectNumber = 0;
    int ClientId = 0;
};

struct TTimeEntry {
    int EntryId = 0;
    TEntryKind Kind = TEntryKind::Tracked;
    TJournalTask Task;
    double WorkDate = 0;                // midnight of the day the time belongs to
    qint64 StartUtc = 0, EndUtc = 0;    // entries: the real moments
    int StartOffset = 0, EndOffset = 0; // entries: minutes east of UTC at either end
    // Typed rows: what the typing added (may be negative); imported rows without times: their
    // length.
    qint64 TypedMSecs = 0;
    QString Note;
    bool Running = false;
    bool Timed = true; // imported rows: false when the file gave no start and end
    QString Source;    // imported rows: the identity of the interval in its file
    bool Held = false; // running: kept running by a command with no program on the folder

    bool IsTyped() const { return Kind == TEntryKind::Typed; }
    // An entry with a start and an end (not a typed row, not an imported length).
    bool HasTimes() const { return !IsTyped() && Timed; }
    // The time the row gives its day: an entry's length, a typed row's change.
    qint64 MSecs() const { return HasTimes() ? EndUtc - StartUtc : TypedMSecs; }
    // The wall-clock times of the ends, as day numbers.
    double StartLocal() const;
    double EndLocal() const;
};

// What the journal noticed when the tracker caught up with the clock.
struct TJournalAdvance {
    // The clock moved on by more than the tracker can account for (a suspended or frozen
    // program, a clock set forward): the running entries ended at GapFrom and started again at
    // GapTo; the span between counts only if the user says so (AddSpan).
    bool Gap = false;
    qint64 GapFrom = 0, GapTo = 0;
    std::vector<TJournalTask> GapTasks;
    // A task reached a whole day's time on one day: its entry ended there and it is no longer
    // tracked.
    std::vector<TJournalTask> DayFull;
    double DayFullDate = 0;
};

class TTimeJournal {
public:
    // Ticks further apart than this are a gap in the tracking, not time counted.
    static constexpr qint64 LongestStep = 2 * 60 * 1000;
    // The most one task may hold on one day: a second short of 24 hours.
    static constexpr qint64 FullDay = 24LL * 3600 * 1000 - 1000;

    // ---- Reading ----
    const std::vector<TTimeEntry>& OpenRows() const { return FOpen; }
    const std::vector<TTimeEntry>& SubmittedRows() const { return FSubmitted; }
    // The time of a task on a date that is not submitted yet: its entries (the running ones up
    // to the last moment seen) plus what was typed; never below zero.
    qint64 DayMSecs(int jobId, double date) const;
    // The same in whole minutes, as a day cell shows it.
    int DayMinutes(int jobId, double date) const;
    // The tracked entries alone.
    qint64 TrackedMSecs(int jobId, double date) const;
    // Every task's open time on a date.
    qint64 DateMSecs(double date) const;
    // Whether a task has open time on any date outside [from, to).
    bool HasOpenTimeOutside(int jobId, double from, double to) const;
    // The earliest date with open time of any task; 0 when there is none.
    double EarliestOpenDate() const;
    // Entries of a date (open and submitted, typed rows left out), by start.
    std::vector<TTimeEntry> EntriesOn(double date) const;
    bool IsRunning(int jobId) const;
    std::vector<TJournalTask> RunningTasks() const;
    qint64 LastSeen() const { return FLastSeen; }

    // ---- Typing ----
    // Makes the task's time on the date msecs, whatever its entries hold, by the typed change.
    void SetDayTotal(const TJournalTask& task, double date, qint64 msecs);

    // ---- Tracking ----
    // From now on exactly these tasks are tracked: an entry starts for each that has none
    // running; the entries of the others end. Nothing happens for a task already running.
    void Track(const std::vector<TJournalTask>& tasks, qint64 now);
    // Ends every running entry at the moment at (not before the entry's start; an entry
    // that would be empty goes).
    void StopAll(qint64 at);
    // Catches up with the clock: the running entries run to now, ending at each midnight and
    // starting again on the new day. A step of more than LongestStep is a gap; a clock that
    // went back ends the entries where they were and starts them again at now.
    TJournalAdvance Advance(qint64 now);
    // Keeps a span the tracker did not count (answered Keep): entries for those tasks, split
    // by date.
    void AddSpan(const std::vector<TJournalTask>& tasks, qint64 from, qint64 to);
    // Takes the span away from every entry (answered Discard): entries inside it go, entries
    // across its ends are cut there. Returns the time taken away.
    qint64 RemoveSpan(qint64 from, qint64 to);
    // The tracked time that falls inside the span, of any task.
    qint64 TrackedWithin(qint64 from, qint64 to) const;
    // Ends the running entries at and starts them again there: what came before can be
    // submitted while the tracking goes on.
    void CutRunning(qint64 at);

    // ---- Entries started from the command line ----
    // The running entries run on to now, ending at each midnight (a program that has just read
    // the journal and finds entries a command left running: they count from their start).
    void RunOnTo(qint64 now);
    // The running entries are kept running by the command line: written so, they run on after
    // this program ends, until a command stops them or a program takes them over.
    void HoldRunning();
    bool HasHeldEntries() const;

    // ---- Imported entries ----
    // An imported entry whose time is booked in the history already: a submitted row.
    void AddSubmitted(TTimeEntry entry);
    // Whether an open or submitted row carries the source (an interval imported before).
    bool HasSource(const QString& source) const;

    // ---- Submission ----
    // The task's time on the date has gone into the history: its entries move to the
    // submitted rows and the typed change becomes carry (the part of a minute not booked).
    void MarkSubmitted(const TJournalTask& task, double date, qint64 carry);

    // ---- Entries edited by hand ----
    // The open entry of that number; nullptr when there is none.
    const TTimeEntry* OpenEntry(int entryId) const;
    // Puts the entry in place of the open entry of its number (a running one keeps running,
    // up to the moment the tracker has seen, unless the entry was given an end of its own).
    void UpdateEntry(const TTimeEntry& entry);
    void RemoveEntry(int entryId);
    // A new entry (it gets a number, which is returned).
    int AddEntry(TTimeEntry entry);
    // The times of an entry set from wall-clock day numbers of the local time zone.
    static void SetLocalTimes(TTimeEntry& entry, double startLocal, double endLocal);

    // ---- Task rows ----
    // The task's row went: its open time goes with it.
    void ForgetTask(int jobId);
    // The code, project or client of a job changed: its open rows follow.
    void FollowTask(const TJournalTask& task);
    // Open rows of job numbers that no task row has.
    std::vector<TJournalTask> OrphanTasks(const std::function<bool(int)>& jobExists) const;
    // Gives every open row of a job another job number.
    void RenumberJob(int from, int to);

    // ---- Persistence ----
    void Load(TRecordSet& open, TRecordSet& submitted);
    // Typed rows made from day columns of a store that has no journal yet.
    void AddTyped(const TJournalTask& task, double date, qint64 msecs);
    bool OpenChanged() const { return FOpenChanged; }
    bool SubmittedChanged() const { return FSubmittedChanged; }
    void WriteTo(TRecordSet& open, TRecordSet& submitted);
    static void DefineFields(TRecordSet& table);
    void Clear();

private:
    TTimeEntry& NewEntry(const TJournalTask& task, qint64 start);
    TTimeEntry* RunningEntryOf(int jobId);
    TTimeEntry* TypedRowOf(int jobId, double date);
    void CloseEntry(TTimeEntry& entry, qint64 at);
    void EndRunningAt(qint64 at);
    void RestartRunning(const std::vector<TJournalTask>& running, qint64 now);
    void DropEmptyEntries();
    void SplitAtMidnights(qint64 now);
    void CapFullDays(TJournalAdvance& result);
    int NextId();
    void MarkOpenChanged() { FOpenChanged = true; }

    std::vector<TTimeEntry> FOpen, FSubmitted;
    size_t FSubmittedWritten = 0; // submitted rows the submitted table holds, as they are
    qint64 FLastSeen = 0;
    int FMaxId = 0;
    bool FOpenChanged = false;
    bool FSubmittedChanged = false;
};

// Milliseconds since 1970 UTC of a wall-clock day number seen at an offset, and back.
qint64 UtcOfWallClock(double dayNumber, int offsetMinutes);
double WallClockOfUtc(qint64 msecs, int offsetMinutes);
// Midnight of the local date that holds a UTC moment.
double LocalDateOfUtc(qint64 msecs);
