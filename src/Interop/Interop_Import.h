#pragma once
// import-history: another tracker's file into the store, by the same rules as the windows.
//
// What the time was spent on is mapped to the store's task codes, projects and clients: a name
// that is a task code, or the description of one, is that code; otherwise a new code is made
// from the name (its letters and digits, upper case, at most 10, a digit at the end where the
// code is taken). Projects and clients are found by their names and made when missing. The
// mapping is printed.
//
// Intervals of the current week (and later) become entries of the journal, as the week's cells
// show them, on the task row of their code (made when missing). Older intervals are booked into
// the history as a submission books a week: one row per task and day (time added to a day that
// has a row goes onto it), in whole minutes, rounded; their entries are kept as submitted
// entries of the journal, so that export-history gives their start, end and note.
//
// Each interval imported carries its source (the journal rows' Source field): a digest of its
// start and end (or day and length) and of the task code, project and client it maps to, with
// a count for identical intervals of one file. An interval whose source the journal holds was
// imported before and is left out: importing a file twice adds nothing.

#include "Interop_Source.h"

#include <QMap>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class TdmTasks_Form;

class THistoryImport {
public:
    explicit THistoryImport(TdmTasks_Form& dm);
    ~THistoryImport();

    // Maps the file's intervals and decides what each of them becomes; nothing is changed.
    void Plan(const TSourceFile& file);
    // Makes what the plan says in the data module's tables and journal (the caller saves).
    void Apply();
    // What the plan holds (dryRun: what would be done), as import-history prints it.
    QString Summary(const QString& fileName, bool dryRun) const;

    // ---- What the plan holds ----
    int NewIntervals() const;
    int KnownIntervals() const { return FKnown; }
    // Whole minutes per month ("2026-11") of the intervals to import.
    const QMap<QString, qint64>& MSecsPerMonth() const { return FPerMonth; }

private:
    struct TData;
    std::unique_ptr<TData> FData;
    TdmTasks_Form& FDm;
    const TSourceFile* FFile = nullptr;
    int FKnown = 0;
    QMap<QString, qint64> FPerMonth;
};
