// Saving on a store that was set up in an earlier run: pending edits, tables that land
// together, the user's own folder as the store, and the data folder's lock.

#include "DataModuleFixture.h"

#include "BaseUnits/XEP_Errors.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <unistd.h>

namespace {
QByteArray Digest(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

QMap<QString, QByteArray> Digests(const QString& dir) {
    QMap<QString, QByteArray> digests;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        digests[name] = Digest(dir + name);
    return digests;
}

QStringList Leftovers(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral(".*.xml.*")}, QDir::Files | QDir::Hidden);
}

void AddHistoryRow(TdmTasks_Form& d, const QString& code) {
    d.adsReporting.Append();
    d.adsReporting.FieldByName(QStringLiteral("TaskCode")).SetAsString(code);
    d.adsReporting.FieldByName(QStringLiteral("Duration")).SetAsFloat(1.0 / 24);
    d.adsReporting.Post();
}

QStringList HistoryCodes(TdmTasks_Form& d) {
    QStringList codes;
    for (d.adsReporting.First(); !d.adsReporting.Eof(); d.adsReporting.Next())
        codes << d.adsReporting.FieldByName(QStringLiteral("TaskCode")).AsString();
    return codes;
}

void WriteFile(const QString& fileName, const QByteArray& content) {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}
} // namespace

TEST_F(DataModuleTest, RowsStillBeingEditedAreSavedOnAStoreSetUpEarlier) {
    TdmTasks_Form& d = StartSetUp();
    for (const TdmTasks_Form::TStoredTable& t : d.StoredTables())
        ASSERT_EQ(t.Table->Tag, 0) << t.FileName.toStdString();
    // A duration typed into the current row and an option being edited, neither posted.
    d.adsTasks.First();
    d.adsTasks.Edit();
    F(d.adsTasks, "MonDuration").SetAsFloat(1.5 * Hour);
    d.adsDefaults.Edit();
    F(d.adsDefaults, "MinimumTaskDuration").SetAsInteger(30);
    d.SaveData();
    EXPECT_EQ(d.adsTasks.Tag, 0);

    TdmTasks_Form& again = StartPortable();
    again.adsTasks.First();
    EXPECT_EQ(F(again.adsTasks, "MonDuration").Text(), QStringLiteral("01:30"));
    EXPECT_NEAR(again.TotalDuration(2), 1.5 * Hour, 1e-9);
    EXPECT_EQ(F(again.adsDefaults, "MinimumTaskDuration").AsInteger(), 30);
}

TEST_F(DataModuleTest, ASaveLeavesAFilteredTableOnItsRow) {
    TdmTasks_Form& d = StartSetUp();
    for (const char* code : {"ADMIN", "THIRD"}) {
        d.adsTasks.Append();
        F(d.adsTasks, "TaskCode").SetAsString(QLatin1String(code));
        d.adsTasks.Post();
    }
    d.adsTasks.SetFilter(QStringLiteral("Completed = False"));
    d.adsTasks.SetFiltered(true);
    d.adsTasks.First();
    d.adsTasks.Next();
    const QString current = F(d.adsTasks, "TaskCode").AsString();
    d.adsTasks.Edit();
    F(d.adsTasks, "TaskDescription").SetAsString(QStringLiteral("changed"));
    d.SaveData();
    EXPECT_TRUE(d.adsTasks.Filtered());
    EXPECT_EQ(F(d.adsTasks, "TaskCode").AsString(), current) << "the auto-save moved the row";
    EXPECT_EQ(StartPortable().adsTasks.RecordCount(), 3);
}

TEST_F(DataModuleTest, ARowItsRulesRefuseStaysPendingAndTheRestIsSaved) {
    TdmTasks_Form& d = StartSetUp();
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    d.adsClients.Append(); // a half-filled row in the clients dialog
    F(d.adsClients, "ContactFirstName").SetAsString(QStringLiteral("Ann"));
    AddHistoryRow(d, QStringLiteral("GEN"));
    EXPECT_NO_THROW(d.SaveData());
    EXPECT_EQ(d.adsClients.State(), TDataSetState::Insert) << "the user's row is still there";
    EXPECT_EQ(d.adsClients.Tag, 1) << "its table is saved again once the row is complete";
    EXPECT_EQ(d.adsReporting.Tag, 0);
    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.adsClients.RecordCount(), 2);
    EXPECT_EQ(again.adsReporting.RecordCount(), 1);
}

TEST_F(DataModuleTest, TablesLandTogetherOrNotAtAll) {
    TdmTasks_Form& d = StartSetUp();
    const QString dir = PortableDataDir();
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    d.adsTaskCodes.Append();
    F(d.adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("NEW"));
    d.adsTaskCodes.Post();
    d.adsTasks.Append();
    F(d.adsTasks, "TaskCode").SetAsString(QStringLiteral("NEW"));
    d.adsTasks.Post();
    AddHistoryRow(d, QStringLiteral("NEW"));
    // The tasks file cannot be replaced: no file of the save is, every table stays marked and
    // no temporary file is left.
    ASSERT_TRUE(QFile::remove(dir + QStringLiteral("Tasksfile.xml")));
    auto before = Digests(dir);
    ASSERT_TRUE(QDir().mkdir(dir + QStringLiteral("Tasksfile.xml")));
    try {
        d.SaveData();
        ADD_FAILURE() << "the save went through";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Tasksfile.xml")))
            << e.Message().toStdString();
    }
    for (TRecordSet* t : {&d.adsClients, &d.adsTaskCodes, &d.adsTasks, &d.adsReporting})
        EXPECT_EQ(t->Tag, 1) << t->Name.toStdString();
    EXPECT_EQ(Digests(dir), before);
    EXPECT_TRUE(Leftovers(dir).isEmpty()) << Leftovers(dir).join(QLatin1Char(' ')).toStdString();

    ASSERT_TRUE(QDir().rmdir(dir + QStringLiteral("Tasksfile.xml")));
    d.SaveData();
    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.adsClients.RecordCount(), 2);
    EXPECT_EQ(again.adsTaskCodes.RecordCount(), 3);
    EXPECT_EQ(again.adsTasks.RecordCount(), 2);
    EXPECT_EQ(again.adsReporting.RecordCount(), 1);
}

TEST_F(DataModuleTest, AFolderThatCannotBeWrittenReplacesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not stop the superuser";
    TdmTasks_Form& d = StartSetUp();
    const QString dir = PortableDataDir();
    AddHistoryRow(d, QStringLiteral("GEN"));
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    const auto before = Digests(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_ANY_THROW(d.SaveData());
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Digests(dir), before);
    EXPECT_EQ(d.adsClients.Tag, 1);
    EXPECT_EQ(d.adsReporting.Tag, 1);
}

// ---- The user's folder is the user's store ----

TEST_F(DataModuleTest, ADamagedOrLostUserTypesFileNeverSendsTheStartElsewhere) {
    TdmTasks_Form& d = StartSetUp();
    AddHistoryRow(d, QStringLiteral("MINE"));
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    d.adsClients.Post();
    d.SaveData();
    dm.reset();
    const QString dir = PortableDataDir();
    const QString userTypes = dir + QStringLiteral("UserTypesfile.xml");

    for (const bool damaged : {true, false}) {
        SCOPED_TRACE(damaged ? "damaged" : "deleted");
        if (damaged)
            WriteFile(userTypes, "<xml>not a table");
        else
            ASSERT_TRUE(QFile::remove(userTypes));
        auto before = Digests(dir);
        before.remove(QStringLiteral("UserTypesfile.xml"));
        TdmTasks_Form& again = StartPortable();
        EXPECT_EQ(again.StoreDir(), dir);
        EXPECT_FALSE(again.SetupRequired());
        EXPECT_EQ(HistoryCodes(again), QStringList{QStringLiteral("MINE")});
        EXPECT_EQ(again.adsClients.RecordCount(), 2);
        again.SaveData();
        dm.reset();
        // Only the user types file is new; every other table's file is as it was.
        auto after = Digests(dir);
        EXPECT_TRUE(after.contains(QStringLiteral("UserTypesfile.xml")));
        after.remove(QStringLiteral("UserTypesfile.xml"));
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    }
}

TEST_F(DataModuleTest, EachUserOfAStandardInstallKeepsTheirOwnStore) {
    const QString exe = StandardExe();
    const QString shared = Root() + QStringLiteral("Prog/Data/");
    // The first user sets the install up; the shared first copies come from that save.
    TdmTasks_Form& setup = Start(exe, Root() + QStringLiteral("UserA"));
    setup.SetSetupRequired(false);
    setup.SaveData();
    const auto firstCopies = Digests(shared);
    ASSERT_FALSE(firstCopies.isEmpty());

    // Users A and B take turns, three starts each, each adding history of their own.
    for (int round = 1; round <= 3; ++round) {
        for (const char* user : {"A", "B"}) {
            SCOPED_TRACE(std::string(user) + " round " + std::to_string(round));
            TdmTasks_Form& d = Start(exe, Root() + QStringLiteral("User") + QLatin1String(user));
            QStringList expected;
            for (int i = 1; i < round; ++i)
                expected << QStringLiteral("%1%2").arg(QLatin1String(user)).arg(i);
            EXPECT_EQ(HistoryCodes(d), expected);
            AddHistoryRow(d, QStringLiteral("%1%2").arg(QLatin1String(user)).arg(round));
            d.SaveData();
        }
    }
    EXPECT_EQ(Digests(shared), firstCopies) << "the shared copies are written once";

    // A new user starts from the shared first copies.
    TdmTasks_Form& c = Start(exe, Root() + QStringLiteral("UserC"));
    EXPECT_EQ(c.StoreDir(), shared);
    EXPECT_FALSE(c.SetupRequired());
    EXPECT_TRUE(HistoryCodes(c).isEmpty());
}

// ---- The data folder's lock ----

TEST_F(DataModuleTest, ALockLeftEmptyOrDamagedByACrashIsTakenOver) {
    StartSetUp();
    dm.reset();
    const QString lock = PortableDataDir() + QStringLiteral("tivrel.lock");
    for (const QByteArray& content : {QByteArray(), QByteArray("\x01\x02garbage")}) {
        WriteFile(lock, content);
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                     QFileDevice::FileModificationTime));
        file.close();
        EXPECT_NO_THROW(StartPortable()) << content.toStdString();
        dm.reset();
    }
}

TEST_F(DataModuleTest, AFolderWhereTheLockCannotBeMadeSaysSoAndNamesIt) {
    StartSetUp();
    dm.reset();
    ASSERT_TRUE(QDir().mkdir(PortableDataDir() + QStringLiteral("tivrel.lock")));
    try {
        StartPortable();
        FAIL() << "the start went on without the lock";
    } catch (const EXEPException& e) {
        EXPECT_FALSE(e.Message().contains(QStringLiteral("already running")))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(PortableDataDir())))
            << e.Message().toStdString();
    }
}
