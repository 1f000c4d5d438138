#pragma once
// Saving a record set so that its file is replaced whole or not at all: it is first written in
// full to a temporary file beside its target and flushed to disk (PrepareSave); Commit then
// renames it over the target. A crash or a failed write before the rename leaves the old file
// as it was; a temporary file that is never committed is removed. Several files that must land
// together go through a TFileCommit (TFileCommit.h).
//
// A record set whose rows only grew at the end since it was read from its file or last written
// to it can be saved by adding those rows to the file instead (PrepareAppend): the new rows and
// the document's closing lines go to a temporary file, and the commit writes them over the
// file's closing lines. An append always goes through a TFileCommit, whose record makes it
// happen whole or not at all.
//
// A record set with an IndexField keeps an index of its file beside it (TFileIndex.h): a whole
// save writes it anew, an append adds to it, in the same commit as the file.

#include <QString>
#include <memory>
#include <vector>

class TRecordSet;
class TRowStore;
class TSaveSource;
struct TCommitRecovery;

// Who may read the file written: Shared keeps the modes of the file it replaces (a new file
// gets the usual read access for others); Private makes it readable by its owner only.
enum class TFileAccess { Shared, Private };

// What a save of a record set into a file needs to write.
enum class TFileSave {
    Nothing, // the file holds every row as it is
    Append,  // rows were only added at the end: they can be added to the file's end
    Whole,   // the file must be written whole
};

// When a save's temporary files are flushed to disk: as they are written, or by the commit
// (which may run on another thread, so that the thread that wrote them does not wait for the
// disk). Either way every one is on disk before the commit is decided.
enum class TFlush { Now, AtCommit };

// Writes the rows added since the record set was read from the file or last written to it,
// with the document's closing lines, to a temporary file beside it. Raises EDatabaseError when
// SaveNeeded is not Append or the writing fails.
class TPreparedSave;
TPreparedSave PrepareAppend(const TRecordSet& recordSet, const QString& fileName,
                            TFlush flush = TFlush::Now);

class TPreparedSave {
public:
    TPreparedSave();
    TPreparedSave(TPreparedSave&& other) noexcept;
    TPreparedSave& operator=(TPreparedSave&& other) noexcept;
    TPreparedSave(const TPreparedSave&) = delete;
    TPreparedSave& operator=(const TPreparedSave&) = delete;
    ~TPreparedSave(); // removes the temporary files unless they were committed or handed over

    // The file the record set is going to replace or add to.
    const QString& FileName() const;
    // The file written, until it has been put into place.
    const QString& TemporaryName() const;
    bool Committed() const;
    // Whether the rows are added to the file's end (at AppendAt, where its closing lines are).
    bool IsAppend() const;
    qint64 AppendAt() const;
    // Renames the written file over the target and makes the rename durable; raises
    // EDatabaseError naming the target when that fails (the old file then stays). An append
    // cannot be committed alone (it needs a TFileCommit).
    void Commit();
    // Flushes the temporary files to disk, when that was left to the commit; raises
    // EDatabaseError naming the target when that fails.
    void FlushTemporaries();
    // After the commit, on the record set's thread: the file now holds the rows as they were
    // when the save was prepared, so that the next save may add to its end.
    void RecordWritten();

    // A file the save puts into place: the target, the temporary file that holds what is
    // written, and for an append where it goes.
    struct TPart {
        QString Target, Temporary;
        qint64 AppendAt = -1; // -1: the temporary file replaces the target
        bool Done = false;
    };
    // The table's file first, then its index when it has one.
    const std::vector<TPart>& Parts() const { return FParts; }

private:
    friend class TSaveSource;
    friend TPreparedSave PrepareAppend(const TRecordSet& recordSet, const QString& fileName,
                                       TFlush flush);
    friend class TFileCommit;
    friend TCommitRecovery FinishInterruptedCommit(const QString& recordFileName);
    void Discard();
    // The temporary files are left where they are when this object goes: a commit record names
    // them.
    void HandOver() { FHandedOver = true; }
    // Puts the parts into place without flushing the folder (a commit flushes it once for all
    // its files).
    void PutInPlace();

    std::vector<TPart> FParts;
    bool FCommitted = false;
    bool FHandedOver = false;
    bool FFlushed = true;
    // What the record set's file mark becomes after the commit.
    std::shared_ptr<TRowStore> FStore;
    quint32 FSlots = 0;
    size_t FRows = 0;
    quint64 FEdits = 0; // the rows' changes counted when they were written
};

// Writes every row of the record set to a temporary file in the target's folder and flushes
// it to disk; raises EDatabaseError naming the target and the system's reason when that fails
// (nothing is left behind then), or when a folder of the target's name is in the way.
TPreparedSave PrepareSave(const TRecordSet& recordSet, const QString& fileName,
                          TFileAccess access = TFileAccess::Shared, TFlush flush = TFlush::Now);

// What PrepareSave needs of a record set, taken on the set's thread, so that the save can be
// prepared on another one while the set goes on being used there. The rows must stay as they
// are meanwhile (TRecordSet::HoldRows).
class TSaveSource {
public:
    explicit TSaveSource(const TRecordSet& recordSet);
    ~TSaveSource();
    TSaveSource(TSaveSource&&) noexcept;
    TSaveSource& operator=(TSaveSource&&) noexcept;
    TPreparedSave Prepare(const QString& fileName, TFileAccess access,
                          TFlush flush = TFlush::Now) const;

    struct TData;

private:
    std::unique_ptr<TData> FData;
};
// What a save of the record set into the file needs: Append only when the file is the one the
// record set was read from or last written to, unchanged since (size, time, head, closing
// lines), and rows were only added at its end since.
TFileSave SaveNeeded(const TRecordSet& recordSet, const QString& fileName);
