#pragma once
// Saving a record set so that its file is replaced whole or not at all: it is first written in
// full to a temporary file beside its target and flushed to disk (PrepareSave); Commit then
// renames it over the target. A crash or a failed write before the rename leaves the old file
// as it was; a temporary file that is never committed is removed. Several files that must land
// together go through a TFileCommit (TFileCommit.h).

#include <QString>

class TRecordSet;
struct TCommitRecovery;

// Who may read the file written: Shared keeps the modes of the file it replaces (a new file
// gets the usual read access for others); Private makes it readable by its owner only.
enum class TFileAccess { Shared, Private };

class TPreparedSave {
public:
    TPreparedSave() = default;
    TPreparedSave(TPreparedSave&& other) noexcept;
    TPreparedSave& operator=(TPreparedSave&& other) noexcept;
    TPreparedSave(const TPreparedSave&) = delete;
    TPreparedSave& operator=(const TPreparedSave&) = delete;
    ~TPreparedSave(); // removes the temporary file unless it was committed or handed over

    // The file the record set is going to replace.
    const QString& FileName() const { return FFileName; }
    // The file written, until it has been renamed into place.
    const QString& TemporaryName() const { return FTemporaryName; }
    bool Committed() const { return FCommitted; }
    // Renames the written file over the target and makes the rename durable; raises
    // EDatabaseError naming the target when that fails (the old file then stays).
    void Commit();

private:
    friend TPreparedSave PrepareSave(const TRecordSet& recordSet, const QString& fileName,
                                     TFileAccess access);
    friend class TFileCommit;
    friend TCommitRecovery FinishInterruptedCommit(const QString& recordFileName);
    void Discard();
    // The temporary file is left where it is when this object goes: a commit record names it.
    void HandOver() { FHandedOver = true; }
    // Renames without flushing the folder (a commit flushes it once for all its files).
    void Rename();

    QString FFileName;
    QString FTemporaryName;
    bool FCommitted = false;
    bool FHandedOver = false;
};

// Writes every row of the record set to a temporary file in the target's folder and flushes
// it to disk; raises EDatabaseError naming the target and the system's reason when that fails
// (nothing is left behind then), or when a folder of the target's name is in the way.
TPreparedSave PrepareSave(const TRecordSet& recordSet, const QString& fileName,
                          TFileAccess access = TFileAccess::Shared);
