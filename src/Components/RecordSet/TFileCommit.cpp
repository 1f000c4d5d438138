#include "TFileCommit.h"

#include "Components/Core/SysExceptions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

// The commit record, UTF-8 text, one line each:
//     tivrel-commit 1
//     rename <temporary> <target>          (names within the record's folder, percent-encoded)
//     append <temporary> <target> <offset> (the temporary's bytes go into the target there)
//     end <number of entries> <SHA-1 of every line before this one>
// A record that does not end so, or whose digest does not match, never reached the disk
// whole: it was not decided.

namespace {
TCommitFault& FaultHook() {
    static TCommitFault hook;
    return hook;
}

const QByteArray RecordHeader = "tivrel-commit 1";

QByteArray Encoded(const QString& name) {
    return QUrl::toPercentEncoding(name);
}

QString Decoded(const QByteArray& text) {
    return QUrl::fromPercentEncoding(text);
}

QString Shown(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

// "<name>" of the temporary files QTemporaryFile makes for the record: ".<name>.XXXXXX".
QString RecordTemplate(const QFileInfo& record) {
    return record.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(record.fileName()));
}

struct TRecordEntry {
    QString Temporary, Target; // file names within the folder
    qint64 AppendAt = -1;      // -1: a rename
};

// The entries of a whole record; false when it is not whole.
bool ParseRecord(const QByteArray& content, std::vector<TRecordEntry>& entries) {
    const qsizetype endAt = content.lastIndexOf("\nend ");
    if (!content.startsWith(RecordHeader + '\n') || endAt < 0) return false;
    const QByteArray body = content.left(endAt + 1);
    const QList<QByteArray> trailer = content.mid(endAt + 1).trimmed().split(' ');
    if (trailer.size() != 3 || trailer.at(0) != "end") return false;
    if (trailer.at(2) != QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex())
        return false;
    const QList<QByteArray> lines = body.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty()) continue;
        const QList<QByteArray> words = lines.at(i).split(' ');
        if (words.size() == 3 && words.at(0) == "rename") {
            entries.push_back({Decoded(words.at(1)), Decoded(words.at(2)), -1});
            continue;
        }
        bool isNumber = false;
        const qint64 at = words.size() == 4 ? words.at(3).toLongLong(&isNumber) : -1;
        if (words.at(0) != "append" || !isNumber || at < 0) return false;
        entries.push_back({Decoded(words.at(1)), Decoded(words.at(2)), at});
    }
    bool ok = false;
    return trailer.at(1).toLongLong(&ok) == qint64(entries.size()) && ok;
}

void RemoveRecordTemporaries(const QFileInfo& record) {
    QDir dir = record.absoluteDir();
    const QString prefix = QLatin1Char('.') + record.fileName() + QLatin1Char('.');
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(prefix) && name.size() == prefix.size() + 6) dir.remove(name);
}

[[noreturn]] void FailRecord(const QString& record, const QString& reason) {
    throw EDatabaseError(QStringLiteral("Cannot write '%1': %2").arg(Shown(record), reason));
}
} // namespace

void SetCommitFault(TCommitFault fault) {
    FaultHook() = std::move(fault);
}

int CommitFault(TCommitStep step, const QString& fileName) {
    const TCommitFault& hook = FaultHook();
    return hook ? hook(step, fileName) : 0;
}

QString SystemErrorText(int errorNumber) {
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

QString FlushToDisk(QFile& file) {
#ifdef Q_OS_WIN
    if (!::FlushFileBuffers(HANDLE(_get_osfhandle(file.handle()))))
        return QStringLiteral("the file could not be flushed to disk");
#else
    if (::fsync(file.handle()) != 0) return SystemErrorText(errno);
#endif
    return {};
}

QString RenameReplacing(const QString& from, const QString& to) {
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (::MoveFileExW(source.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return QStringLiteral("error %1").arg(qulonglong(::GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    return SystemErrorText(errno);
#endif
}

void SyncFolder(const QString& folder) {
#ifndef Q_OS_WIN
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
#else
    Q_UNUSED(folder); // MoveFileEx with MOVEFILE_WRITE_THROUGH is durable on its own
#endif
}

QString WriteIntoFile(const QString& temporary, const QString& target, qint64 at) {
    QFile source(temporary);
    if (!source.open(QIODevice::ReadOnly)) return source.errorString();
    const QByteArray bytes = source.readAll();
    QFile file(target);
    if (!file.open(QIODevice::ReadWrite)) return file.errorString();
    if (file.size() < at) return QStringLiteral("the file is shorter than the save expects");
    if (!file.seek(at)) return file.errorString();
    // In two halves, so that the tests of a commit cut short can cut it in the middle.
    const qint64 half = bytes.size() / 2;
    if (file.write(bytes.constData(), half) != half || !file.flush()) return file.errorString();
    if (const int fault = CommitFault(TCommitStep::AppendHalfway, target))
        return SystemErrorText(fault);
    if (file.write(bytes.constData() + half, bytes.size() - half) != bytes.size() - half)
        return file.errorString();
    if (!file.resize(at + bytes.size()) || !file.flush()) return file.errorString();
    return FlushToDisk(file);
}

TFileCommit::TFileCommit(QString recordFileName) : FRecord(std::move(recordFileName)) {}

TFileCommit::~TFileCommit() = default; // each TPreparedSave removes its own temporary

void TFileCommit::Add(TPreparedSave&& save) {
    const QString folder = QFileInfo(FRecord).absolutePath();
    if (QFileInfo(save.FileName()).absolutePath() != folder)
        throw EDatabaseError(QStringLiteral("Cannot write '%1': it is not in the folder %2")
                                 .arg(Shown(save.FileName()), Shown(folder)));
    FSaves.push_back(std::move(save));
}

int TFileCommit::PartCount() const {
    int parts = 0;
    for (const TPreparedSave& save : FSaves)
        parts += int(save.Parts().size());
    return parts;
}

void TFileCommit::WriteRecord() {
    QByteArray body = RecordHeader + '\n';
    for (const TPreparedSave& save : FSaves)
        for (const TPreparedSave::TPart& part : save.Parts()) {
            const QByteArray names = Encoded(QFileInfo(part.Temporary).fileName()) + ' ' +
                                     Encoded(QFileInfo(part.Target).fileName());
            if (part.AppendAt < 0)
                body += "rename " + names + '\n';
            else
                body += "append " + names + ' ' + QByteArray::number(part.AppendAt) + '\n';
        }
    const QByteArray content = body + "end " + QByteArray::number(qint64(PartCount())) + ' ' +
                               QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() +
                               '\n';

    const QFileInfo record(FRecord);
    QTemporaryFile file(RecordTemplate(record));
    if (!file.open()) FailRecord(FRecord, file.errorString());
    if (file.write(content) != content.size() || !file.flush())
        FailRecord(FRecord, file.errorString());
#ifdef Q_OS_WIN
    if (!::FlushFileBuffers(HANDLE(_get_osfhandle(file.handle()))))
        FailRecord(FRecord, QStringLiteral("the file could not be flushed to disk"));
#else
    if (::fsync(file.handle()) != 0) FailRecord(FRecord, SystemErrorText(errno));
#endif
    file.close();
    if (const int fault = CommitFault(TCommitStep::WriteRecord, record.absoluteFilePath()))
        FailRecord(FRecord, SystemErrorText(fault));
    // A record still there belongs to a decided commit that must be finished first.
    if (record.exists())
        FailRecord(FRecord, QStringLiteral("an earlier save into this folder is not finished"));
    // The rename puts the whole record in place at once; flushing the folder makes the commit
    // decided.
    const QString failure = RenameReplacing(file.fileName(), record.absoluteFilePath());
    if (!failure.isEmpty()) FailRecord(FRecord, failure);
    file.setAutoRemove(false);
    SyncFolder(record.absolutePath());
}

void TFileCommit::Commit() {
    if (FSaves.empty()) return;
    // One file renamed (with its index, which is checked against it before use) needs no
    // record; rows added to a file always do.
    if (FSaves.size() == 1 && !FSaves.front().IsAppend()) {
        FSaves.front().Commit();
        return;
    }
    // Every file the record names is on disk before the record is.
    for (TPreparedSave& save : FSaves)
        save.FlushTemporaries();
    WriteRecord();
    // Decided: from here on the temporaries belong to the record, whatever happens.
    for (TPreparedSave& save : FSaves)
        save.HandOver();
    for (TPreparedSave& save : FSaves)
        save.PutInPlace();
    const QString folder = QFileInfo(FRecord).absolutePath();
    SyncFolder(folder);
    QFile::remove(FRecord);
    SyncFolder(folder);
}

void TFileCommit::RecordWritten() {
    for (TPreparedSave& save : FSaves)
        save.RecordWritten();
}

TCommitRecovery FinishInterruptedCommit(const QString& recordFileName) {
    TCommitRecovery recovery;
    const QFileInfo record(recordFileName);
    RemoveRecordTemporaries(record);
    QFile file(recordFileName);
    if (!file.exists()) return recovery;
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Cannot finish the save recorded in '%1': %2")
                                 .arg(Shown(recordFileName), file.errorString()));
    std::vector<TRecordEntry> entries;
    const bool whole = ParseRecord(file.readAll(), entries);
    file.close();
    const QDir folder = record.absoluteDir();
    if (whole) {
        for (const TRecordEntry& entry : entries) {
            const QString temporary = folder.filePath(entry.Temporary);
            if (!QFileInfo::exists(temporary)) continue; // renamed before the cut
            TPreparedSave save;
            save.FParts.push_back({folder.filePath(entry.Target), temporary, entry.AppendAt});
            save.HandOver(); // a failed step leaves it for the next try
            save.PutInPlace();
            recovery.Replaced << folder.filePath(entry.Target);
        }
        recovery.Found = true;
        SyncFolder(folder.absolutePath());
    }
    QFile::remove(recordFileName);
    SyncFolder(folder.absolutePath());
    return recovery;
}
