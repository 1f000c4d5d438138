// The data folder as the program holds it: its modes, a save cut short and finished at the
// next start, files that are not their table's, a folder where a file belongs, a lock of
// another computer, a full disk, and the changes a save at exit kept aside.

#include "DataModuleFixture.h"

#include "BaseUnits/XEP_Errors.h"

#include "Components/RecordSet/TFileCommit.h"

#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>

namespace {
constexpr QFile::Permissions OthersBits = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// The group and other bits of a path: 0 when only its owner can reach it.
int OthersAccess(const QString& path) {
    return int(QFile::permissions(path) & OthersBits);
}

void WriteFile(const QString& fileName, const QByteArray& content) {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray ReadFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DataFolderTest : public DataModuleTest {
protected:
    void TearDown() override {
        SetCommitFault({});
        SetConfirmationHandler({});
        DataModuleTest::TearDown();
    }
    QString Dir() const { return PortableDataDir(); }
    QStringList StoreFiles() const {
        return QDir(Dir()).entryList({QStringLiteral("*.xml")}, QDir::Files);
    }
    // The message of what the start raised, empty when it started.
    QString StartError() {
        return ErrorOf([this] { StartPortable(); });
    }
};
} // namespace

// ---- Private by default ----

TEST_F(DataFolderTest, ANewStoreIsReadableByItsOwnerOnly) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "file modes are a POSIX matter";
#endif
    StartSetUp();
    EXPECT_EQ(OthersAccess(Dir()), 0);
    EXPECT_EQ(OthersAccess(Dir() + QStringLiteral("Settings")), 0);
    QStringList files = StoreFiles();
    ASSERT_EQ(files.size(), 11);
    files << QStringLiteral("tivrel.lock");
    for (const QString& name : files)
        EXPECT_EQ(OthersAccess(Dir() + name), 0) << name.toStdString();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DataFolderTest, AStoreOthersCouldReadIsTightenedAndSaidSoOnce) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "file modes are a POSIX matter";
#endif
    StartSetUp();
    dm.reset();
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(Dir(), open | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (const QString& name : StoreFiles())
        QFile::setPermissions(Dir() + name, open);
    const QString unrelated = Dir() + QStringLiteral("notes.txt"); // not the program's
    WriteFile(unrelated, "mine");
    QFile::setPermissions(unrelated, open);

    StartPortable();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(Messages.first(), QStringLiteral("Other users of this computer could read the data "
                                               "folder %1. It and its files are now readable by "
                                               "you only.")
                                    .arg(QDir::toNativeSeparators(Dir())));
    EXPECT_EQ(OthersAccess(Dir()), 0);
    for (const QString& name : StoreFiles())
        EXPECT_EQ(OthersAccess(Dir() + name), 0) << name.toStdString();
    EXPECT_NE(OthersAccess(unrelated), 0) << "a file that is not the store's is left alone";
    EXPECT_EQ(StartPortable().adsTasks.RecordCount(), 1);
    EXPECT_EQ(Messages.size(), 1) << "said once";
}

// ---- A save cut short ----

TEST_F(DataFolderTest, ASaveCutShortAfterItWasDecidedIsFinishedAtTheNextStart) {
    TdmTasks_Form& d = StartSetUp();
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    d.adsTaskCodes.Append();
    F(d.adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("NEW"));
    d.adsTaskCodes.Post();
    // The second rename fails, and the program ends before any other save.
    int renames = 0;
    SetCommitFault([&renames](TCommitStep step, const QString&) {
        return step == TCommitStep::Rename && ++renames == 2 ? EIO : 0;
    });
    EXPECT_THROW(d.SaveData(), EDatabaseError);
    SetCommitFault({});
    EXPECT_TRUE(QFile::exists(d.CommitRecordFile()));
    dm.reset();

    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.adsClients.RecordCount(), 2);
    EXPECT_EQ(again.adsTaskCodes.RecordCount(), 3);
    EXPECT_FALSE(QFile::exists(again.CommitRecordFile()));
    EXPECT_EQ(QDir(Dir()).entryList({QStringLiteral(".*.xml.*")}, QDir::Files | QDir::Hidden),
              QStringList());
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DataFolderTest, ASaveAfterAFailedRenameFinishesThatOneFirst) {
    TdmTasks_Form& d = StartSetUp();
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    AddAnn(d);
    SetCommitFault(
        [](TCommitStep step, const QString&) { return step == TCommitStep::Rename ? EIO : 0; });
    EXPECT_THROW(d.SaveData(), EDatabaseError);
    SetCommitFault({});
    EXPECT_EQ(d.adsClients.Tag, 1) << "a failed save keeps its tables marked";
    d.SaveData(); // the retry the user makes
    EXPECT_FALSE(QFile::exists(d.CommitRecordFile()));
    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.adsClients.RecordCount(), 2);
    EXPECT_EQ(again.adsUsers.RecordCount(), 2);
}

TEST_F(DataFolderTest, ASaveThatCannotBeFinishedStopsTheStartNamingTheFolder) {
    TdmTasks_Form& d = StartSetUp();
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    AddAnn(d);
    SetCommitFault(
        [](TCommitStep step, const QString&) { return step == TCommitStep::Rename ? EIO : 0; });
    EXPECT_THROW(d.SaveData(), EDatabaseError);
    dm.reset();
    const QString error = StartError(); // the disk still fails
    SetCommitFault({});
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(Dir()))) << error.toStdString();
    EXPECT_TRUE(error.contains(SystemErrorText(EIO))) << error.toStdString();
    EXPECT_EQ(StartPortable().adsClients.RecordCount(), 2) << "finished once the disk works";
}

// ---- A full disk ----

TEST_F(DataFolderTest, AFullDiskNamesTheFileAndTheCauseAndReplacesNothing) {
    TdmTasks_Form& d = StartSetUp();
    d.adsReporting.Append();
    F(d.adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
    d.adsReporting.Post();
    d.adsTasks.Edit();
    F(d.adsTasks, "MonDuration").SetAsFloat(Hour);
    d.adsTasks.Post();
    const QByteArray tasks = ReadFile(Dir() + QStringLiteral("Tasksfile.xml"));
    SetCommitFault([](TCommitStep step, const QString& file) {
        return step == TCommitStep::WriteTemporary &&
                       file.endsWith(QLatin1String("Reportingfile.xml"))
                   ? ENOSPC
                   : 0;
    });
    const QString error = ErrorOf([&d] { d.SaveData(); });
    EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << error.toStdString();
    EXPECT_TRUE(
        error.contains(QDir::toNativeSeparators(Dir() + QStringLiteral("Reportingfile.xml"))))
        << error.toStdString();
    EXPECT_EQ(ReadFile(Dir() + QStringLiteral("Tasksfile.xml")), tasks);
    SetCommitFault({});
    d.SaveData(); // room again: everything is saved
    EXPECT_EQ(StartPortable().adsReporting.RecordCount(), 1);
}

// ---- Changes kept aside when a save at exit failed ----

TEST_F(DataFolderTest, ChangesKeptAsideAreReadBackSaidAndSavedAtTheNextStart) {
    TdmTasks_Form& d = StartSetUp();
    d.adsTasks.Edit();
    F(d.adsTasks, "MonDuration").SetAsFloat(1.5 * Hour);
    d.adsTasks.Post();
    const QString cause = QStringLiteral("No space left on device");
    const QString keptIn = d.KeepUnsavedChanges(cause);
    EXPECT_EQ(keptIn, Dir() + QStringLiteral("Unsaved/"));
    EXPECT_EQ(OthersAccess(keptIn), 0);
    dm.reset();

    TdmTasks_Form& again = StartPortable();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages.first().contains(QDir::toNativeSeparators(Dir())))
        << Messages.first().toStdString();
    EXPECT_TRUE(Messages.first().contains(cause)) << Messages.first().toStdString();
    EXPECT_TRUE(Messages.first().contains(QDir::toNativeSeparators(keptIn)));
    again.adsTasks.First();
    EXPECT_EQ(F(again.adsTasks, "MonDuration").Text(), QStringLiteral("01:30"));
    EXPECT_NEAR(again.TotalDuration(2), 1.5 * Hour, 1e-9);
    again.SaveData();
    EXPECT_FALSE(QFileInfo::exists(keptIn)) << "kept until it is in the data folder";
    Messages.clear();
    TdmTasks_Form& third = StartPortable();
    EXPECT_TRUE(Messages.isEmpty());
    third.adsTasks.First();
    EXPECT_EQ(F(third.adsTasks, "MonDuration").Text(), QStringLiteral("01:30"));
}

// ---- Files that are not their table's ----

TEST_F(DataFolderTest, AnotherTablesFileIsKeptAsideWithAMessageAndNeverOverwritten) {
    TdmTasks_Form& d = StartSetUp();
    AddAnn(d);
    d.adsReporting.Append();
    F(d.adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
    d.adsReporting.Post();
    d.SaveData();
    dm.reset();
    const QString history = Dir() + QStringLiteral("Reportingfile.xml");
    const QString tasks = Dir() + QStringLiteral("Tasksfile.xml");
    // The users file in the history's place; the task file without its JobId.
    const QByteArray users = ReadFile(Dir() + QStringLiteral("Usersfile.xml"));
    WriteFile(history, users);
    QByteArray noJobId = ReadFile(tasks);
    noJobId.replace("name='JobId'", "name='OldJobId'").replace(" JobId='", " OldJobId='");
    WriteFile(tasks, noJobId);

    TdmTasks_Form& again = StartPortable();
    ASSERT_EQ(Messages.size(), 2) << Messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Messages.at(0).contains(QDir::toNativeSeparators(tasks)));
    EXPECT_TRUE(Messages.at(0).contains(QStringLiteral("lacks the field JobId")))
        << Messages.at(0).toStdString();
    EXPECT_TRUE(Messages.at(1).contains(QDir::toNativeSeparators(history)));
    EXPECT_TRUE(Messages.at(1).contains(QStringLiteral("it is not a file of this table")))
        << Messages.at(1).toStdString();
    EXPECT_EQ(again.adsReporting.RecordCount(), 0);
    const QString kept = history + QStringLiteral(".unreadable-20261209-1430");
    EXPECT_EQ(ReadFile(kept), users);
    again.SaveData();
    EXPECT_EQ(ReadFile(kept), users) << "the save leaves the kept file alone";
    EXPECT_EQ(StartPortable().adsReporting.RecordCount(), 0);
}

TEST_F(DataFolderTest, AFolderWhereAFileBelongsIsToldAtStartAndNoSaveWritesPartOfTheStore) {
    StartSetUp();
    dm.reset();
    const QString history = Dir() + QStringLiteral("Reportingfile.xml");
    ASSERT_TRUE(QFile::remove(history));
    ASSERT_TRUE(QDir().mkdir(history));
    TdmTasks_Form& d = StartPortable();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages.first().contains(QDir::toNativeSeparators(history)))
        << Messages.first().toStdString();
    EXPECT_TRUE(Messages.first().contains(QStringLiteral("is a folder")));
    d.adsTasks.Edit();
    F(d.adsTasks, "MonDuration").SetAsFloat(Hour);
    d.adsTasks.Post();
    const QByteArray tasks = ReadFile(Dir() + QStringLiteral("Tasksfile.xml"));
    const QString error = ErrorOf([&d] { d.SaveData(); });
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(history))) << error.toStdString();
    EXPECT_EQ(ReadFile(Dir() + QStringLiteral("Tasksfile.xml")), tasks);
    EXPECT_EQ(d.adsTasks.Tag, 1);
}

// ---- A lock of another computer ----

TEST_F(DataFolderTest, ALockOfAnotherComputerNamesItAndIsTakenOverOnlyWhenTheUserSaysSo) {
    StartSetUp();
    dm.reset();
    const QString lock = Dir() + QStringLiteral("tivrel.lock");
    const QString host = QSysInfo::machineHostName() + QStringLiteral("-elsewhere");
    QStringList asked;
    bool answer = false;
    SetConfirmationHandler([&](const QString& text) {
        asked << text;
        return answer;
    });
    WriteFile(lock, "4242\nTivrel\n" + host.toUtf8() + "\n");
    const QString error = StartError();
    ASSERT_EQ(asked.size(), 1);
    for (const QString& text : {asked.first(), error}) {
        EXPECT_TRUE(text.contains(host)) << text.toStdString();
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(lock))) << text.toStdString();
    }
    EXPECT_TRUE(QFile::exists(lock)) << "No leaves the other computer's lock";

    answer = true;
    EXPECT_EQ(StartError(), QString());
    EXPECT_EQ(asked.size(), 2);
    dm.reset();
    EXPECT_FALSE(QFile::exists(lock));
}
