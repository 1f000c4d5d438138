#pragma once
// Replacing several files of one folder together: after a crash, a power cut or a failed
// rename the folder holds every old file or every new one, never a mixture.
//
// Each new file is first written in full to a temporary file beside its target and flushed to
// disk (PrepareSave). Commit then writes a small commit record naming every temporary file and
// the file it replaces, flushes it and the folder, and only then renames the temporaries over
// their targets; when every rename is done and flushed the record is removed. From the moment
// the record is on disk the commit is decided: whatever cuts it short, FinishInterruptedCommit
// (at the next start, and before the next commit) renames the temporaries still there. Until
// the record is on disk nothing has been replaced, and the temporaries are removed.
//
//     TFileCommit commit(dir + "store.commit");
//     commit.Add(PrepareSave(masters, dir + "Masters.xml", TFileAccess::Private)); // may raise
//     commit.Add(PrepareSave(details, dir + "Details.xml", TFileAccess::Private));
//     commit.Commit();                                                           // may raise
//
// A commit of a single file needs no record: one rename replaces it or leaves it.
//
// A file can also be added to (PrepareAppend): the record then says where the added bytes go
// ("append <temporary> <target> <offset>"), they are written over the file from that offset
// (its closing lines) and the file is cut after them. Recovery writes them there again as long
// as the temporary is there, which gives the same file however often it runs; the temporary is
// removed only when the file holding them has been flushed to disk.

#include "TPreparedSave.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QFile;

class TFileCommit {
public:
    explicit TFileCommit(QString recordFileName);
    ~TFileCommit(); // removes the temporaries of a commit that was not decided
    TFileCommit(const TFileCommit&) = delete;
    TFileCommit& operator=(const TFileCommit&) = delete;

    // A file written in full, to be renamed into place by Commit, or rows to add to a file;
    // its target must lie in the record's folder.
    void Add(TPreparedSave&& save);
    int Count() const { return int(FSaves.size()); }
    // The files put into place (a table's file and its index count one each).
    int PartCount() const;
    // Replaces every target, or none when it fails before the record is on disk. Raises
    // EDatabaseError naming the file and the system's reason. A failure after the record is on
    // disk leaves the record and the temporaries still to be renamed for
    // FinishInterruptedCommit.
    void Commit();
    // After a commit that worked, on the record sets' thread: each record set's file holds its
    // rows as they were when its save was prepared (TPreparedSave::RecordWritten).
    void RecordWritten();

private:
    void WriteRecord();

    QString FRecord;
    std::vector<TPreparedSave> FSaves;
};

struct TCommitRecovery {
    bool Found = false;   // a decided commit was there and has been finished
    QStringList Replaced; // the targets it renamed into place now
};

// Finishes the commit a crash, a power cut or a failed rename cut short: when the record is
// there, renames each temporary it names that still exists over its target, flushes the folder
// and removes the record. A record that is not whole (it never reached the disk in full, so
// nothing was renamed) is removed. Also removes the temporaries of a record being written.
// Raises EDatabaseError naming the file and the reason when a rename fails; the record stays
// then, so nothing may be loaded from or saved into the folder until it is finished.
TCommitRecovery FinishInterruptedCommit(const QString& recordFileName);

// For tests of what a commit cut short leaves behind: called before each step of a save, with
// the step and the file it concerns; a result other than 0 makes the step fail with that error
// number as if the system had refused it. The hook may also end the process there.
enum class TCommitStep {
    WriteTemporary, // a block of a new file is about to be written (file: the target)
    WriteRecord,    // the commit record is about to be put in place (file: the record)
    Rename,         // a temporary is about to be renamed over its target (file: the target)
    Renamed,        // that rename is done (file: the target); the result is ignored
    Append,         // rows are about to be written into their file (file: the target)
    AppendHalfway,  // half of them are written (file: the target)
    Appended,       // they are written and flushed (file: the target); the result is ignored
};
using TCommitFault = std::function<int(TCommitStep step, const QString& fileName)>;
void SetCommitFault(TCommitFault fault);
// The hook's answer for a step (0 without a hook).
int CommitFault(TCommitStep step, const QString& fileName);

// The system's text for an error number ("No space left on device").
QString SystemErrorText(int errorNumber);
// Flushes an open file to disk; the system's reason when that fails, else empty.
QString FlushToDisk(QFile& file);
// Renames from over to, replacing it; the system's reason when that fails, else empty.
QString RenameReplacing(const QString& from, const QString& to);
// Writes the temporary file's bytes into the target from the offset at on, cuts the target
// after them and flushes it to disk; the system's reason when that fails, else empty. Doing it
// again gives the same file.
QString WriteIntoFile(const QString& temporary, const QString& target, qint64 at);
// Flushes a folder's entries (a rename or removal in it) to disk.
void SyncFolder(const QString& folder);
