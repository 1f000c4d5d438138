// The data folder as the program holds it: one program at a time (its lock), a save that was
// cut short finished before anything is read, folder and files readable by their owner only,
// and the changes that a save at exit could not write kept where the next start finds them.

#include "data_Tasks_Store.h"
#include "data_Tasks_Unit.h"

#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Messages.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TFileCommit.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
// ".<table file>.XXXXXX" (".Tasksfile.xml.a1B2c3"): what a save writes beside a table file or
// its index before renaming it over the file.
bool IsInterruptedSave(const QString& name) {
    constexpr qsizetype Suffix = 7; // ".XXXXXX"
    if (!name.startsWith(QLatin1Char('.')) || name.size() <= 1 + Suffix) return false;
    const QStringView tail = QStringView(name).right(Suffix);
    if (tail.front() != QLatin1Char('.')) return false;
    for (const QChar c : tail.mid(1))
        if (c.unicode() >= 128 || !c.isLetterOrNumber()) return false;
    const QStringView table = QStringView(name).mid(1, name.size() - 1 - Suffix);
    for (const QLatin1StringView extension :
         {QLatin1StringView(".xml"), QLatin1StringView(".index")})
        if (table.size() > extension.size() && table.endsWith(extension, Qt::CaseInsensitive))
            return true;
    return false;
}

const QString LockName = QStringLiteral("tivrel.lock");
const QString UnsavedFolderName = QStringLiteral("Unsaved");
const QString UnsavedNoteName = QStringLiteral("Unsaved.txt");

constexpr QFile::Permissions PrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions PrivateFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OthersAccess = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool OthersMayReach(const QString& path) {
    return (QFile::permissions(path) & OthersAccess) != 0;
}

// Takes group and other access away; true when the path now keeps it away (a medium without
// modes, such as a FAT stick, reports its own whatever is asked).
bool MakePrivate(const QString& path, QFile::Permissions owner) {
    if (!OthersMayReach(path)) return true;
    QFile::setPermissions(path, owner);
    return !OthersMayReach(path);
}

QString CurrentUserId() {
#ifndef Q_OS_WIN
    return QString::number(qulonglong(::getuid()));
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// A folder of the system's temporary folder that only this user can have made: no link, this
// user's, reachable by nobody else. Made when missing; empty when it cannot be trusted.
QString PrivateTemporaryFolder() {
    const QString path =
        QDir::tempPath() + QStringLiteral("/tivrel-unsaved-") + CurrentUserId() + QLatin1Char('/');
    QFileInfo info(path.chopped(1));
    if (!info.exists()) QDir().mkdir(info.absoluteFilePath(), PrivateFolder);
    info.refresh();
    if (!info.isDir() || info.isSymLink()) return {};
#ifndef Q_OS_WIN
    if (info.ownerId() != ::getuid() || OthersMayReach(info.absoluteFilePath())) return {};
#endif
    return path;
}
} // namespace

QString TdmTasks_Form::CommitRecordFile() const {
    return FDirsObj->DataDir() + QStringLiteral("tivrel.commit");
}

// ---- The lock ----

void TdmTasks_Form::TakeDataFolderLock() {
    // A second program on the same files would overwrite the first one's work at its exit. A
    // lock left by a program that died is taken over.
    const QString folder = Shown(FDirsObj->DataDir());
    const QString lockName = FDirsObj->DataDir() + LockName;
    FLock = std::make_unique<QLockFile>(lockName);
    FLock->setStaleLockTime(0);
    bool locked = FLock->tryLock(0);
    if (!locked && FLock->error() == QLockFile::LockFailedError && LockFileIsLeftOver(*FLock)) {
        FLock->removeStaleLockFile();
        locked = FLock->tryLock(0);
    }
    if (!locked && FLock->error() == QLockFile::LockFailedError)
        locked = TakeOverLockOfAnotherHost(*FLock);
    if (locked) {
        QFile::setPermissions(lockName, PrivateFile);
        return;
    }
    const QLockFile::LockError error = FLock->error();
    FLock.reset();
    const QFileInfo lockFile(lockName);
    if (error == QLockFile::LockFailedError && (!lockFile.exists() || lockFile.isFile()))
        throw EXEPException(
            QStringLiteral("Tivrel is already running for this data folder (%1).").arg(folder));
    throw EXEPException(QStringLiteral("Tivrel cannot use the data folder %1: its lock file cannot "
                                       "be made there (the folder may be read-only or the disk "
                                       "full).")
                            .arg(folder));
}

bool TdmTasks_Form::LockFileIsLeftOver(const QLockFile& lock) {
    // A lock whose owner cannot be read (empty or damaged: a crash or a power cut while it was
    // being written) is a leftover once it is a few seconds old; a program that has just made
    // it writes its owner at once.
    qint64 pid = 0;
    QString host, application;
    if (lock.getLockInfo(&pid, &host, &application)) return false;
    const QFileInfo file(FDirsObj->DataDir() + LockName);
    return file.exists() &&
           std::abs(file.lastModified().msecsTo(QDateTime::currentDateTime())) > 3000;
}

bool TdmTasks_Form::TakeOverLockOfAnotherHost(QLockFile& lock) {
    // Whether a program on another computer (a shared or synchronised folder) still runs
    // cannot be seen from here: the user, who knows, decides.
    qint64 pid = 0;
    QString host, application;
    if (!lock.getLockInfo(&pid, &host, &application) || host.isEmpty() ||
        host == QSysInfo::machineHostName())
        return false;
    const QString lockName = Shown(FDirsObj->DataDir() + LockName);
    const QString folder = Shown(FDirsObj->DataDir());
    if (!AskConfirmation(QStringLiteral("The data folder %1 is in use by Tivrel on the computer "
                                        "\"%2\" (its lock file is %3). If Tivrel is no longer "
                                        "running there, this computer can take the folder "
                                        "over.\n\nTake the data folder over?")
                             .arg(folder, host, lockName)))
        throw EXEPException(QStringLiteral("The data folder %1 is in use by Tivrel on the "
                                           "computer \"%2\" (its lock file is %3).")
                                .arg(folder, host, lockName));
    QFile::remove(FDirsObj->DataDir() + LockName);
    return lock.tryLock(0);
}

void TdmTasks_Form::ReleaseDataFolderLock() {
    if (FLock) FLock->unlock();
    FLock.reset();
}

// ---- A save cut short ----

void TdmTasks_Form::FinishInterruptedSave() {
    try {
        FinishInterruptedCommit(CommitRecordFile());
    } catch (const Exception& e) {
        // Reading the files now would give some tables of the new save and some of the old.
        throw EXEPException(QStringLiteral("Tivrel cannot finish the save that was cut short in "
                                           "the data folder %1: %2")
                                .arg(Shown(FDirsObj->DataDir()), e.Message()));
    }
}

void TdmTasks_Form::RemoveInterruptedSaves() {
    // A save writes ".<table file>.XXXXXX" beside the table and renames it over the table; a
    // save cut short before its commit was decided leaves that file behind, as large as the
    // table. Holding the folder's lock, nothing else can be writing one now.
    QDir dir(FDirsObj->DataDir());
    for (const QString& name : dir.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        if (IsInterruptedSave(name)) dir.remove(name);
}

// ---- Privacy ----

void TdmTasks_Form::MakeStorePrivate() {
    // The store holds the whole timesheet and every user's password (in plain text, as the
    // file format has it): nobody but its owner is to read it.
    const QString dataDir = FDirsObj->DataDir();
    const bool existingStore = HoldsStoreFile(dataDir);
    bool tightened = false, kept = true;
    auto makePrivate = [&](const QString& path, QFile::Permissions owner) {
        if (!OthersMayReach(path)) return;
        if (MakePrivate(path, owner))
            tightened = true;
        else
            kept = false;
    };
    QStringList ownNames = StoreFileNames();
    for (const TStoredTable& stored : StoredTables())
        ownNames << stored.FileName;
    ownNames << QStringLiteral("Reportingfile.index");
    ownNames << LockName << QFileInfo(CommitRecordFile()).fileName();
    auto isOwnFile = [&ownNames](const QString& name) {
        for (const QString& own : ownNames)
            if (name.compare(own, Qt::CaseInsensitive) == 0 ||
                name.startsWith(own + QStringLiteral(".unreadable-"), Qt::CaseInsensitive))
                return true;
        return false;
    };
    makePrivate(dataDir, PrivateFolder);
    for (const QString& name : QDir(dataDir).entryList(QDir::Files | QDir::Hidden))
        if (isOwnFile(name)) makePrivate(dataDir + name, PrivateFile);
    // The settings folder holds window places and grid layouts, rewritten with the usual
    // modes at every exit: made private too, without a word (the folder keeps others out).
    const QString settingsDir = FDirsObj->SettingsDir();
    if (QFileInfo(settingsDir).isDir()) {
        MakePrivate(settingsDir, PrivateFolder);
        for (const QString& name : QDir(settingsDir).entryList(QDir::Files | QDir::Hidden))
            MakePrivate(settingsDir + name, PrivateFile);
    }
    // Said once: afterwards nothing is left to tighten. A medium that cannot keep modes (a
    // portable install on a FAT stick) keeps its own, and nothing is said about it.
    if (tightened && kept && existingStore)
        ShowInformationMessage(
            QStringLiteral("Other users of this computer could read the data folder %1. It and "
                           "its files are now readable by you only.")
                .arg(Shown(dataDir)));
}

// ---- Store paths that are folders ----

void TdmTasks_Form::ReportFoldersInTheWay() {
    // A folder where a table's file belongs makes every save that writes that table fail
    // whole; the user is told at once which one it is, not only when leaving.
    const QString dataDir = FDirsObj->DataDir();
    QStringList names = StoreFileNames();
    for (const TStoredTable& stored : StoredTables())
        names << stored.FileName;
    for (const QString& entry : QDir(dataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!names.contains(entry, Qt::CaseInsensitive)) continue;
        const QString message =
            QStringLiteral("problem: %1 is a folder where a table's file belongs. Tivrel cannot "
                           "save until it is moved away or renamed.")
                .arg(Shown(dataDir + entry));
        FLoadProblems << message;
        ShowInformationMessage(message);
    }
}

// ---- Changes kept aside when a save at exit failed ----

namespace {
// The folders changes are kept in, first choice first: beside the store in the data folder
// (a folder in the way or a failed rename leaves it usable), else the system's temporary
// folder, usually another disk than a full one.
QStringList UnsavedChangesFolders(const QString& dataDir) {
    QStringList folders = {dataDir + UnsavedFolderName + QLatin1Char('/')};
    const QString temporary = PrivateTemporaryFolder();
    if (!temporary.isEmpty()) {
        const QByteArray key = QFileInfo(dataDir).absoluteFilePath().toUtf8();
        folders
            << temporary +
                   QString::fromLatin1(
                       QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16)) +
                   QLatin1Char('/');
    }
    return folders;
}

QMap<QString, QString> ReadNote(const QString& fileName) {
    QMap<QString, QString> values;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return values;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype at = line.indexOf('=');
        if (at > 0)
            values.insert(QString::fromUtf8(line.left(at)), QString::fromUtf8(line.mid(at + 1)));
    }
    return values;
}

bool WriteNote(const QString& fileName, const QMap<QString, QString>& values) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QString value = it.value();
        value.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        file.write(it.key().toUtf8() + '=' + value.toUtf8() + '\n');
    }
    file.setPermissions(PrivateFile);
    return file.commit();
}

bool SameFolder(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath() ||
           (!QFileInfo(a).canonicalFilePath().isEmpty() &&
            QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath());
}
} // namespace

QString TdmTasks_Form::KeepUnsavedChanges(const QString& cause) {
    FinishBackgroundSave();
    const QString dataDir = FDirsObj->DataDir();
    // What was typed into a task row is in the journal's rows too.
    if (adsTasks.Active()) PostPendingChange(adsTasks);
    SyncJournalTables();
    for (const QString& folder : UnsavedChangesFolders(dataDir)) {
        try {
            if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder, PrivateFolder)) continue;
            QFile::remove(folder + UnsavedNoteName); // an older set is not whole from here on
            FinishInterruptedCommit(folder + QStringLiteral("tivrel.commit"));
            TFileCommit commit(folder + QStringLiteral("tivrel.commit"));
            for (const TStoredTable& stored : StoredTables()) {
                if (!stored.Table->Active() || !NeedsWriting(stored)) continue;
                commit.Add(
                    PrepareSave(*stored.Table, folder + stored.FileName, TFileAccess::Private));
            }
            commit.Commit();
            // The note comes last: only a whole set is read back.
            if (!WriteNote(folder + UnsavedNoteName,
                           {{QStringLiteral("folder"), dataDir},
                            {QStringLiteral("time"),
                             FormatDayNumber(QStringLiteral("yyyy-MM-dd HH:mm"), TClock::Now())},
                            {QStringLiteral("cause"), cause}}))
                continue;
            FUnsavedDir = folder;
            return folder;
        } catch (const Exception&) {
            QDir().rmdir(folder); // a folder made for nothing goes again
        }
    }
    return {};
}

void TdmTasks_Form::FindUnsavedChanges() {
    FUnsavedDir.clear();
    FUnsavedNote.clear();
    const QString dataDir = FDirsObj->DataDir();
    for (const QString& folder : UnsavedChangesFolders(dataDir)) {
        const QMap<QString, QString> note = ReadNote(folder + UnsavedNoteName);
        if (note.isEmpty() || !SameFolder(note.value(QStringLiteral("folder")), dataDir)) continue;
        try {
            FinishInterruptedCommit(folder + QStringLiteral("tivrel.commit"));
        } catch (const Exception&) {
            continue; // a set that cannot be made whole is not read
        }
        FUnsavedDir = folder;
        FUnsavedNote = QStringLiteral("Tivrel could not save into the data folder %1 when it last "
                                      "ended (%2): %3. What it could not write was kept in %4 "
                                      "and has been read back; the next save writes it into the "
                                      "data folder.")
                           .arg(Shown(dataDir), note.value(QStringLiteral("time")),
                                note.value(QStringLiteral("cause")), Shown(folder));
        return;
    }
}

bool TdmTasks_Form::LoadUnsavedChanges(TRecordSet& table, const QString& loadName) {
    if (FUnsavedDir.isEmpty()) return false;
    const QString kept = FindStoreFile(FUnsavedDir, loadName);
    if (kept.isEmpty() || !LoadFile(table, kept)) return false;
    return true;
}

void TdmTasks_Form::RemoveUnsavedChanges() {
    if (FUnsavedDir.isEmpty()) return;
    QDir(FUnsavedDir).removeRecursively();
    FUnsavedDir.clear();
}
