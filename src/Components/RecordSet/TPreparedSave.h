#pragma once
// Saving several record sets so that they land together: each is first written in full to a
// temporary file beside its target and flushed to disk (PrepareSave); only when every one of
// them has been written are they renamed over their targets (Commit), in the order the
// caller chooses. A crash or a failed write before the renames leaves every old file as it
// was; a temporary file that is never committed is removed.
//
//     std::vector<TPreparedSave> saves;
//     saves.push_back(PrepareSave(masters, dir + "Masters.xml"));   // may raise
//     saves.push_back(PrepareSave(details, dir + "Details.xml"));
//     for (TPreparedSave& save : saves) save.Commit();             // may raise

#include <QString>

class TRecordSet;

class TPreparedSave {
public:
    TPreparedSave() = default;
    TPreparedSave(TPreparedSave&& other) noexcept;
    TPreparedSave& operator=(TPreparedSave&& other) noexcept;
    TPreparedSave(const TPreparedSave&) = delete;
    TPreparedSave& operator=(const TPreparedSave&) = delete;
    ~TPreparedSave(); // removes the temporary file unless it was committed

    // The file the record set is going to replace.
    const QString& FileName() const { return FFileName; }
    bool Committed() const { return FCommitted; }
    // Renames the written file over the target and makes the rename durable; raises
    // EDatabaseError naming the target when that fails (the old file then stays).
    void Commit();

private:
    friend TPreparedSave PrepareSave(const TRecordSet& recordSet, const QString& fileName);
    void Discard();

    QString FFileName;
    QString FTemporaryName;
    bool FCommitted = false;
};

// Writes every row of the record set to a temporary file in the target's folder and flushes
// it to disk; raises EDatabaseError naming the target when that fails (nothing is left
// behind then).
TPreparedSave PrepareSave(const TRecordSet& recordSet, const QString& fileName);
