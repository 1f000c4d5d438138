// Files replaced together: a commit of several files, cut short at each step, leaves every old
// file or every new one, finished by FinishInterruptedCommit; the temporary files are private
// and a write that finds the disk full says so.

#include "RecordSetFixtures.h"

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TFileCommit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
class FileCommitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    void TearDown() override { SetCommitFault({}); }

    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Record() const { return Path(S("store.commit")); }

    // Three files that say "old", then record sets that would replace them saying "new".
    void WriteOld() {
        for (const char* name : {"A.xml", "B.xml", "C.xml"}) {
            auto rs = MakeTasks();
            AddTask(*rs, S("old"), 1);
            rs->SaveToFile(Path(S(name)));
        }
    }
    void CommitNew() {
        TFileCommit commit(Record());
        for (const char* name : {"A.xml", "B.xml", "C.xml"}) {
            auto rs = MakeTasks();
            AddTask(*rs, S("new"), 2);
            commit.Add(PrepareSave(*rs, Path(S(name)), TFileAccess::Private));
        }
        commit.Commit();
    }
    // "old", "new" or "mixed" for the three files.
    QString State() const {
        QStringList codes;
        for (const char* name : {"A.xml", "B.xml", "C.xml"}) {
            TRecordSet rs;
            rs.LoadFromFile(Path(S(name)));
            codes << rs.FieldByName(S("Code")).AsString();
        }
        codes.removeDuplicates();
        return codes.size() == 1 ? codes.first() : S("mixed");
    }
    QStringList Files() const {
        return QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir FDir;
};

const QStringList Targets = {S("A.xml"), S("B.xml"), S("C.xml")};
} // namespace

TEST_F(FileCommitTest, EveryFileIsReplacedAndNothingIsLeftBehind) {
    WriteOld();
    CommitNew();
    EXPECT_EQ(State(), S("new"));
    EXPECT_EQ(Files(), Targets);
    for (const QString& name : Targets)
        EXPECT_EQ(QFile::permissions(Path(name)) & 0x0077, 0) << name.toStdString();
    EXPECT_FALSE(FinishInterruptedCommit(Record()).Found);
}

// An I/O error at each rename: the commit is decided, so the files that were not renamed yet
// are renamed by the recovery, and the folder holds only the new files after it.
TEST_F(FileCommitTest, ARenameThatFailsIsFinishedLater) {
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(failing);
        WriteOld();
        int renames = 0;
        SetCommitFault([&](TCommitStep step, const QString&) {
            return step == TCommitStep::Rename && ++renames == failing ? EIO : 0;
        });
        try {
            CommitNew();
            ADD_FAILURE() << "the commit went through";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains(SystemErrorText(EIO))) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(Targets.at(failing - 1))) << e.Message().toStdString();
        }
        SetCommitFault({});
        EXPECT_TRUE(QFile::exists(Record()));
        const TCommitRecovery recovery = FinishInterruptedCommit(Record());
        EXPECT_TRUE(recovery.Found);
        EXPECT_EQ(recovery.Replaced.size(), 3 - failing + 1);
        EXPECT_EQ(State(), S("new"));
        EXPECT_EQ(Files(), Targets);
    }
}

// A failure before the record is in place decides nothing: the old files stay and the
// temporary files go.
TEST_F(FileCommitTest, AFailureBeforeTheRecordReplacesNothing) {
    WriteOld();
    SetCommitFault([](TCommitStep step, const QString&) {
        return step == TCommitStep::WriteRecord ? ENOSPC : 0;
    });
    EXPECT_THROW(CommitNew(), EDatabaseError);
    EXPECT_EQ(State(), S("old"));
    EXPECT_EQ(Files(), Targets);
}

TEST_F(FileCommitTest, ARecordThatIsNotWholeDecidedNothing) {
    WriteOld();
    auto rs = MakeTasks();
    AddTask(*rs, S("new"), 2);
    TPreparedSave save = PrepareSave(*rs, Path(S("B.xml")));
    const QString temporary = QFileInfo(save.TemporaryName()).fileName();
    for (const QByteArray& record :
         {QByteArray("tivrel-commit 1\nrename ") + temporary.toUtf8() + " B.xml\n",
          QByteArray("tivrel-commit 1\nrename ") + temporary.toUtf8() +
              " B.xml\nend 1 0000000000000000000000000000000000000000\n"}) {
        QFile file(Record());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(record);
        file.close();
        EXPECT_FALSE(FinishInterruptedCommit(Record()).Found);
        EXPECT_FALSE(QFile::exists(Record()));
        EXPECT_EQ(State(), S("old"));
    }
}

TEST_F(FileCommitTest, ASharedFileKeepsItsModesAndAPrivateOneIsTheOwners) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "file modes are a POSIX matter";
#endif
    auto rs = MakeTasks();
    AddTask(*rs, S("x"), 1);
    const QString shared = Path(S("shared.xml"));
    rs->SaveToFile(shared);
    EXPECT_EQ(QFile::permissions(shared) & 0x0044, 0x0044) << "readable by others, as before";
    const QFile::Permissions chosen = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(shared, chosen);
    rs->SaveToFile(shared);
    EXPECT_EQ(QFile::permissions(shared) & 0x7077, chosen & 0x7077);
    const QString own = Path(S("own.xml"));
    PrepareSave(*rs, own, TFileAccess::Private).Commit();
    EXPECT_EQ(QFile::permissions(own) & 0x7077, (QFile::ReadOwner | QFile::WriteOwner) & 0x7077);
}

TEST_F(FileCommitTest, AFolderInTheWayIsRefusedBeforeAnythingIsWritten) {
    ASSERT_TRUE(QDir().mkdir(Path(S("T.xml"))));
    auto rs = MakeTasks();
    try {
        PrepareSave(*rs, Path(S("T.xml")));
        ADD_FAILURE() << "a file was prepared for a folder";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(S("a folder of that name is in the way")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(Files(), QStringList());
}

// A disk that fills up while the file is written: the message gives the system's reason, and
// nothing is left behind.
TEST_F(FileCommitTest, AFullDiskSaysSo) {
    WriteOld();
    SetCommitFault([](TCommitStep step, const QString& file) {
        return step == TCommitStep::WriteTemporary && file.endsWith(S("B.xml")) ? ENOSPC : 0;
    });
    try {
        CommitNew();
        ADD_FAILURE() << "the commit went through";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(S("No space left on device")))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(S("B.xml"))) << e.Message().toStdString();
    }
    EXPECT_EQ(State(), S("old"));
    EXPECT_EQ(Files(), Targets);
}

// The same on a real filesystem too small for the file, where one can be mounted (as root).
TEST_F(FileCommitTest, ARealFullDiskSaysSo) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "no small filesystem to mount";
#else
    const QString mount = Path(S("small"));
    QDir().mkdir(mount);
    if (::geteuid() != 0 || QProcess::execute(S("mount"), {S("-t"), S("tmpfs"), S("-o"),
                                                           S("size=64k"), S("tmpfs"), mount}) != 0)
        GTEST_SKIP() << "no small filesystem can be mounted here";
    auto rs = MakeTasks();
    for (int i = 0; i < 2000; ++i)
        AddTask(*rs, S("row%1").arg(i), i);
    QString message;
    try {
        PrepareSave(*rs, mount + S("/big.xml"), TFileAccess::Private).Commit();
    } catch (const EDatabaseError& e) {
        message = e.Message();
    }
    const QStringList left = QDir(mount).entryList(QDir::Files | QDir::Hidden);
    QProcess::execute(S("umount"), {mount});
    EXPECT_TRUE(message.contains(S("No space left on device"))) << message.toStdString();
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
#endif
}
