// Loading, seeding and saving of the store files.

#include "DataModuleFixture.h"

#include "BaseUnits/XEP_Errors.h"

#include "Components/RecordSet/TRecordSetDump.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace {
// The tables that the first save into a data folder writes: every stored one, the history
// (which has no seed rows) included.
const QStringList WrittenFiles = {
    QStringLiteral("TaskCodesfile.xml"),     QStringLiteral("Tasksfile.xml"),
    QStringLiteral("Reportingfile.xml"),     QStringLiteral("Defaultsfile.xml"),
    QStringLiteral("Projectsfile.xml"),      QStringLiteral("Clientsfile.xml"),
    QStringLiteral("Usersfile.xml"),         QStringLiteral("Managersfile.xml"),
    QStringLiteral("UserTypesfile.xml"),     QStringLiteral("Journalfile.xml"),
    QStringLiteral("JournalHistoryfile.xml")};

QStringList XmlFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
}

QStringList Column(TRecordSet& table, const char* field) {
    QStringList values;
    for (table.First(); !table.Eof(); table.Next())
        values << table.FieldByName(QLatin1String(field)).AsString();
    return values;
}
} // namespace

TEST_F(DataModuleTest, AFirstRunSeedsEveryTableAndWritesNothingUntilSetUp) {
    TdmTasks_Form& d = StartPortable();
    EXPECT_TRUE(d.SetupRequired());
    EXPECT_FALSE(d.CreationPhase());
    EXPECT_EQ(d.DayDuration(), 7.0);
    EXPECT_EQ(d.MaxJobId(), 1);
    d.SaveData();
    EXPECT_TRUE(XmlFiles(PortableDataDir()).isEmpty()) << "an abandoned first run leaves no files";

    EXPECT_EQ(Column(d.adsUserTypes, "UserTypeDesc"),
              (QStringList{QStringLiteral("User"), QStringLiteral("Manager")}));
    EXPECT_EQ(Column(d.adsUserAuthority, "UserAuthNumber"),
              (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                           QStringLiteral("3")}));
    EXPECT_EQ(Column(d.adsBillingTypes, "BillingTypeDesc").last(), QStringLiteral("Non - Taxable"));
    EXPECT_EQ(Column(d.adsClientTypes, "ClientTypeDesc"),
              (QStringList{QStringLiteral("Internal"), QStringLiteral("External")}));
    EXPECT_EQ(Column(d.adsManagers, "ManagerID"), QStringList{QStringLiteral("-101")});
    EXPECT_EQ(Column(d.adsReports, "ReportNumber"),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                           QStringLiteral("4")}));
    EXPECT_EQ(Column(d.adsTaskCodes, "TaskCode"),
              (QStringList{QStringLiteral("ADMIN"), QStringLiteral("GEN")}));
    EXPECT_EQ(Column(d.adsClients, "ClientName"), QStringList{QStringLiteral("Internal")});
    EXPECT_EQ(Column(d.adsProjects, "ProjectName"), QStringList{QStringLiteral("None")});
    EXPECT_EQ(d.adsReporting.RecordCount(), 0);

    ASSERT_EQ(d.adsUsers.RecordCount(), 1);
    d.adsUsers.First();
    EXPECT_EQ(F(d.adsUsers, "UserID").AsInteger(), 0);
    EXPECT_EQ(F(d.adsUsers, "UserName").AsString(), QStringLiteral(" Guest 1"));
    EXPECT_EQ(F(d.adsUsers, "Password").AsString(), QStringLiteral("Wrenq"));
    EXPECT_EQ(F(d.adsUsers, "ManagerName").AsString(), QStringLiteral("None"));
    EXPECT_EQ(F(d.adsUsers, "UserTypeDesc").AsString(), QStringLiteral("User"));

    ASSERT_EQ(d.adsTasks.RecordCount(), 1);
    d.adsTasks.First();
    EXPECT_EQ(F(d.adsTasks, "JobId").AsInteger(), 1);
    EXPECT_EQ(F(d.adsTasks, "TaskCode").AsString(), QStringLiteral("GEN"));
    EXPECT_TRUE(F(d.adsTasks, "Active").AsBoolean());
    EXPECT_EQ(F(d.adsTasks, "ProjectName").AsString(), QStringLiteral("None"));
    EXPECT_EQ(F(d.adsTasks, "ClientName").AsString(), QStringLiteral("Internal"));
    EXPECT_EQ(TBitmapImage::FromBmp(F(d.adsTasks, "PriorityImage").AsBytes()).Width(), 22);
    EXPECT_EQ(F(d.adsTasks, "TaskCodeLookup").AsString(),
              QStringLiteral("GEN") + QString(17, QLatin1Char(' ')) + QStringLiteral("General"));

    // Options: the week starts on the Sunday before, at the same time of day.
    d.adsDefaults.First();
    EXPECT_EQ(F(d.adsDefaults, "StartDayOfWeek").AsInteger(), 1);
    EXPECT_DOUBLE_EQ(F(d.adsDefaults, "WeekStartDate").AsDateTime(),
                     DateToDayNumber(QDate(2026, 12, 6)) + 14.5 * Hour);
    EXPECT_EQ(F(d.adsDefaults, "MinimumTaskDuration").AsInteger(), 15);
    EXPECT_FALSE(F(d.adsDefaults, "DisplayClients").AsBoolean());
    EXPECT_TRUE(F(d.adsDefaults, "DisplayFri").AsBoolean());
    EXPECT_FALSE(F(d.adsDefaults, "DisplaySun").AsBoolean());

    d.adsMaxNumbers.First();
    EXPECT_EQ(F(d.adsMaxNumbers, "UserId").AsInteger(), 0);
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(DataModuleTest, AfterSetUpEverySeededTableIsWrittenAndReadBackUnchanged) {
    TdmTasks_Form& first = StartPortable();
    first.SetSetupRequired(false);
    first.SaveData();
    EXPECT_EQ(XmlFiles(PortableDataDir()).size(), WrittenFiles.size());
    for (const QString& name : WrittenFiles)
        EXPECT_TRUE(QFileInfo::exists(PortableDataDir() + name)) << name.toStdString();
    QMap<QString, QByteArray> before;
    for (TRecordSet* t :
         {&first.adsTasks, &first.adsTaskCodes, &first.adsDefaults, &first.adsUsers})
        before[t->Name] = t->SaveToBytes();

    TdmTasks_Form& second = StartPortable();
    EXPECT_FALSE(second.SetupRequired());
    for (TRecordSet* t :
         {&second.adsTasks, &second.adsTaskCodes, &second.adsDefaults, &second.adsUsers})
        EXPECT_EQ(t->SaveToBytes(), before[t->Name]) << t->Name.toStdString();
    // Nothing changed: a save rewrites no file; a file that went missing is written again, so
    // the folder always holds the whole store.
    const QDateTime stamp =
        QFileInfo(PortableDataDir() + QStringLiteral("Tasksfile.xml")).lastModified();
    QFile::remove(PortableDataDir() + QStringLiteral("Usersfile.xml"));
    second.SaveData();
    EXPECT_TRUE(QFileInfo::exists(PortableDataDir() + QStringLiteral("Usersfile.xml")));
    EXPECT_EQ(QFileInfo(PortableDataDir() + QStringLiteral("Tasksfile.xml")).lastModified(), stamp);
}

TEST_F(DataModuleTest, AStandardInstallWritesTheSharedCopyOnceAndASecondUserStartsFromIt) {
    const QString exe = StandardExe();
    TdmTasks_Form& first = Start(exe, Root() + QStringLiteral("UserA"));
    const QString shared = Root() + QStringLiteral("Prog/Data/");
    EXPECT_EQ(first.DirsObj()->AdminDataDir(), shared);
    first.SetSetupRequired(false);
    first.adsClients.Append();
    F(first.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
    first.adsClients.Post();
    first.SaveData();
    EXPECT_EQ(XmlFiles(shared).size(), WrittenFiles.size());
    EXPECT_EQ(XmlFiles(Root() + QStringLiteral("UserA/Tivrel/")).size(), WrittenFiles.size());

    // A later save never refreshes the shared copy.
    const QByteArray sharedClients = [&] {
        QFile f(shared + QStringLiteral("Clientsfile.xml"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    first.adsClients.Append();
    F(first.adsClients, "ClientName").SetAsString(QStringLiteral("Bravo"));
    first.adsClients.Post();
    first.SaveData();
    QFile f(shared + QStringLiteral("Clientsfile.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), sharedClients);

    // A second user with an empty data directory reads the shared copies.
    TdmTasks_Form& second = Start(exe, Root() + QStringLiteral("UserB"));
    EXPECT_EQ(second.StoreDir(), shared);
    EXPECT_FALSE(second.SetupRequired());
    EXPECT_EQ(Column(second.adsClients, "ClientName"),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("Internal")}));
    second.adsClients.Append();
    F(second.adsClients, "ClientName").SetAsString(QStringLiteral("Charlie"));
    second.adsClients.Post();
    second.SaveData();
    // The second user's first save writes the whole store into their own folder, which the
    // next start then reads on its own.
    EXPECT_EQ(XmlFiles(Root() + QStringLiteral("UserB/Tivrel/")).size(), WrittenFiles.size());
    EXPECT_EQ(Start(exe, Root() + QStringLiteral("UserB")).StoreDir(),
              Root() + QStringLiteral("UserB/Tivrel/"));
}

TEST_F(DataModuleTest, FileNamesMatchWithoutRegardToCase) {
    StartSetUp();
    // An installation that wrote the other spelling: the file is still found and rewritten
    // under its own name, so there is only ever one file per table.
    QDir data(PortableDataDir());
    ASSERT_TRUE(data.rename(QStringLiteral("Clientsfile.xml"), QStringLiteral("CLIENTSFILE.XML")));
    ASSERT_TRUE(
        data.rename(QStringLiteral("UserTypesfile.xml"), QStringLiteral("UserTypesFile.xml")));
    TdmTasks_Form& d = StartPortable();
    EXPECT_EQ(d.StoreDir(), PortableDataDir());
    EXPECT_FALSE(d.SetupRequired());
    d.adsClients.Append();
    F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Delta"));
    d.adsClients.Post();
    d.SaveData();
    EXPECT_TRUE(QFileInfo::exists(PortableDataDir() + QStringLiteral("CLIENTSFILE.XML")));
    EXPECT_FALSE(QFileInfo::exists(PortableDataDir() + QStringLiteral("Clientsfile.xml")));
    EXPECT_EQ(StartPortable().adsClients.RecordCount(), 2);
}

TEST_F(DataModuleTest, AFilteredTableIsWrittenWholeAndStaysFiltered) {
    TdmTasks_Form& d = StartSetUp();
    d.adsTasks.Append();
    F(d.adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    F(d.adsTasks, "Completed").SetAsBoolean(true);
    d.adsTasks.Post();
    d.adsTasks.SetFilter(QStringLiteral("Completed = False"));
    d.adsTasks.SetFiltered(true);
    EXPECT_EQ(d.adsTasks.RecordCount(), 1);
    d.SaveData();
    EXPECT_TRUE(d.adsTasks.Filtered());
    EXPECT_EQ(d.adsTasks.RecordCount(), 1);
    EXPECT_EQ(StartPortable().adsTasks.RecordCount(), 2);
}

TEST_F(DataModuleTest, ADeletionIsSavedAndDoesNotComeBack) {
    TdmTasks_Form& d = StartSetUp();
    d.adsTaskCodes.First();
    ASSERT_EQ(F(d.adsTaskCodes, "TaskCode").AsString(), QStringLiteral("ADMIN"));
    d.adsTaskCodes.Delete();
    d.SaveData();
    EXPECT_EQ(Column(StartPortable().adsTaskCodes, "TaskCode"), QStringList{QStringLiteral("GEN")});
}

TEST_F(DataModuleTest, AnUnreadableHistoryIsKeptAsideAndNeverOverwritten) {
    TdmTasks_Form& d = StartSetUp();
    d.adsReporting.Append();
    F(d.adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
    F(d.adsReporting, "Duration").SetAsFloat(Hour);
    d.adsReporting.Post();
    d.SaveData();
    const QString history = PortableDataDir() + QStringLiteral("Reportingfile.xml");
    QFile file(history);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray damaged = file.readAll();
    file.close();
    damaged.chop(damaged.size() / 3);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(damaged);
    file.close();

    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.adsReporting.RecordCount(), 0);
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages.first().startsWith(QStringLiteral("problem")));
    EXPECT_TRUE(Messages.first().contains(QStringLiteral("Reportingfile.xml")));
    const QString kept = history + QStringLiteral(".unreadable-20261209-1430");
    EXPECT_TRUE(Messages.first().contains(kept)) << Messages.first().toStdString();
    QFile keptFile(kept);
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged);
    // A new history row is saved into a new file; the damaged one stays as it was.
    again.adsReporting.Append();
    F(again.adsReporting, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    again.adsReporting.Post();
    again.SaveData();
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_EQ(StartPortable().adsReporting.RecordCount(), 1);
}

TEST_F(DataModuleTest, WhatAnInterruptedSaveLeftBehindIsRemovedAtTheNextStart) {
    StartSetUp();
    dm.reset();
    const QString dir = PortableDataDir();
    const QStringList leftovers = {QStringLiteral(".Reportingfile.xml.aB3xYz"),
                                   QStringLiteral(".Tasksfile.xml.000001"),
                                   QStringLiteral(".Reportingfile.INDEX.Qw3rT9")};
    const QStringList others = {QStringLiteral(".hidden"), QStringLiteral("Notes.xml.aB3xYz"),
                                QStringLiteral(".Reportingfile.xml.keep-it"),
                                QStringLiteral(".xml.aB3xYz"),
                                QStringLiteral(".Tasksfile.xml.aB3x\u00e9z")};
    for (const QString& name : leftovers + others) {
        QFile file(dir + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<xml>half");
    }
    StartPortable();
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFile::exists(dir + name)) << name.toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFile::exists(dir + name)) << name.toStdString();
}

TEST_F(DataModuleTest, AFailedWriteKeepsTheChangedMark) {
    TdmTasks_Form& d = StartSetUp();
    d.adsTaskCodes.Append();
    F(d.adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("NEW"));
    d.adsTaskCodes.Post();
    // A directory where the file should be: the write fails.
    const QString target = PortableDataDir() + QStringLiteral("TaskCodesfile.xml");
    ASSERT_TRUE(QFile::remove(target));
    ASSERT_TRUE(QDir().mkdir(target));
    EXPECT_ANY_THROW(d.SaveData());
    EXPECT_EQ(d.adsTaskCodes.Tag, 1);
    ASSERT_TRUE(QDir().rmdir(target));
    d.SaveData();
    EXPECT_EQ(d.adsTaskCodes.Tag, 0);
    EXPECT_EQ(StartPortable().adsTaskCodes.RecordCount(), 3);
}

TEST_F(DataModuleTest, AZeroWorkingDayStandsInAsSevenHours) {
    TdmTasks_Form& d = StartSetUp();
    d.adsDefaults.Edit();
    F(d.adsDefaults, "DayDuration").SetAsFloat(0);
    d.adsDefaults.Post();
    d.SaveData();
    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(again.DayDuration(), 7.0);
    again.adsTasks.First();
    EXPECT_EQ(F(again.adsTasks, "Days").AsInteger(), 0);
}

TEST_F(DataModuleTest, StartUpStateAfterLoading) {
    TdmTasks_Form& d = StartSetUp();
    // Users, clients, projects and tasks end on their last row.
    EXPECT_TRUE(d.adsTasks.Eof() || d.adsTasks.RecNo() == d.adsTasks.RecordCount());
    EXPECT_EQ(d.adsUsers.RecNo(), d.adsUsers.RecordCount());
    EXPECT_EQ(d.adsTasks.State(), TDataSetState::Browse);
    // The others stay in edit mode on their row.
    EXPECT_EQ(d.adsDefaults.State(), TDataSetState::Edit);
    EXPECT_EQ(d.StoreDir(), PortableDataDir());
}

namespace {
// Takes a field out of a store file, schema and rows, as a file written before the program
// had that field; false when the file could not be rewritten.
bool WithoutField(const QString& fileName, const QString& field) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const QString before = text;
    text.remove(QRegularExpression(
        QStringLiteral("<s:AttributeType name='%1'.*?</s:AttributeType>\\s*").arg(field),
        QRegularExpression::DotMatchesEverythingOption));
    text.remove(QRegularExpression(QStringLiteral(" %1='[^']*'").arg(field)));
    if (text == before || text.contains(field)) return false;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(text.toUtf8()) > 0;
}
} // namespace

// An options file from before the timesheet user and the idle minutes were kept: it loads
// as the user's options (no first run), the idle check is off and the first user of the
// users table is the timesheet user, whichever user row is current.
TEST_F(DataModuleTest, AnOlderOptionsFileWithoutTheNewerFieldsLoads) {
    TdmTasks_Form& d = StartSetUp();
    d.adsUsers.First();
    d.adsUsers.Edit();
    F(d.adsUsers, "UserID").SetAsInteger(7); // the first user is not user 0
    d.adsUsers.Post();
    const int ann = AddAnn(d);
    d.adsDefaults.Edit();
    F(d.adsDefaults, "TimesheetUserID").SetAsInteger(ann);
    F(d.adsDefaults, "IdleAfterMinutes").SetAsInteger(25);
    F(d.adsDefaults, "MinimumTaskDuration").SetAsInteger(30);
    d.adsDefaults.Post();
    d.SaveData();
    dm.reset();
    const QString defaults = PortableDataDir() + QStringLiteral("Defaultsfile.xml");
    ASSERT_TRUE(WithoutField(defaults, QStringLiteral("IdleAfterMinutes")));
    ASSERT_TRUE(WithoutField(defaults, QStringLiteral("TimesheetUserID")));

    TdmTasks_Form& older = StartPortable();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(older.SetupRequired()) << "the options are there: no first run";
    EXPECT_EQ(F(older.adsDefaults, "MinimumTaskDuration").AsInteger(), 30)
        << "the fields the file has are read";
    EXPECT_TRUE(F(older.adsDefaults, "IdleAfterMinutes").IsNull());
    EXPECT_EQ(F(older.adsDefaults, "IdleAfterMinutes").AsInteger(), 0) << "the idle check is off";
    EXPECT_TRUE(F(older.adsDefaults, "TimesheetUserID").IsNull());
    ASSERT_EQ(older.adsUsers.RecordCount(), 2);
    EXPECT_EQ(F(older.adsUsers, "UserID").AsInteger(), ann) << "the last user row is current";
    EXPECT_EQ(older.TimesheetUserID(), 7) << "the first user";

    // Saved again, the file gains the fields and keeps what it held.
    older.adsDefaults.Tag = 1;
    older.SaveData();
    TdmTasks_Form& again = StartPortable();
    EXPECT_EQ(F(again.adsDefaults, "MinimumTaskDuration").AsInteger(), 30);
    EXPECT_EQ(F(again.adsDefaults, "IdleAfterMinutes").AsInteger(), 0);
    EXPECT_EQ(again.TimesheetUserID(), 7);
}

TEST_F(DataModuleTest, ADataDirectoryThatCannotBeCreatedWhenSavingRaises) {
    TdmTasks_Form& d = StartSetUp();
    QDir(PortableDataDir()).removeRecursively();
    QFile blocker(PortableDataDir().chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(d.SaveData(), EXEPException);
}

namespace {
// Every store file of a directory as the CSV that "tivrel dump" prints.
QMap<QString, QString> DumpAll(const QString& dir) {
    QMap<QString, QString> dumps;
    for (const QString& name : XmlFiles(dir)) {
        QString text, errors;
        QTextStream out(&text), err(&errors);
        EXPECT_EQ(DumpRecordSetFile(dir + name, out, err), 0) << errors.toStdString();
        out.flush();
        dumps[name] = text;
    }
    return dumps;
}

// Marks every stored table changed, as a day's work would.
void TouchEveryTable(TdmTasks_Form& d) {
    for (TRecordSet* t :
         {&d.adsTaskCodes, &d.adsTasks, &d.adsReporting, &d.adsDefaults, &d.adsProjects,
          &d.adsClients, &d.adsUsers, &d.adsManagers, &d.adsUserTypes})
        t->Tag = 1;
}
} // namespace

TEST_F(DataModuleTest, EveryRowAndFieldSurvivesARestartOnBothInstalls) {
    for (const bool portable : {true, false}) {
        const QString exe = portable ? PortableExe() : StandardExe();
        TdmTasks_Form& d = Start(exe, Root() + QStringLiteral("User"));
        const QString dataDir = d.DirsObj()->DataDir();
        d.SetSetupRequired(false);
        d.adsTasks.First();
        d.adsTasks.Edit();
        F(d.adsTasks, "MonDuration").SetText(QStringLiteral("02:15"));
        F(d.adsTasks, "TaskDescription")
            .SetAsString(QStringLiteral("Quotes ' \" <tags> & 'amps' \u00e9t\u00e9"));
        d.adsTasks.Post();
        d.adsClients.Append();
        F(d.adsClients, "ClientName").SetAsString(QStringLiteral("Acme"));
        F(d.adsClients, "Notes").SetAsString(QStringLiteral("line one\r\nline two\ttabbed"));
        d.adsClients.Post();
        d.adsReporting.Append();
        F(d.adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
        F(d.adsReporting, "DateTimeSubmitted").SetAsDateTime(DateToDayNumber(QDate(2026, 12, 7)));
        F(d.adsReporting, "Duration").SetAsFloat(0.3125);
        F(d.adsReporting, "UserId").SetAsInteger(-3);
        d.adsReporting.Post();
        d.SaveData();
        const QMap<QString, QString> before = DumpAll(dataDir);
        ASSERT_EQ(before.size(), 11);
        EXPECT_TRUE(before.value(QStringLiteral("Reportingfile.xml"))
                        .contains(QStringLiteral("2026-12-07T00:00:00")));

        TdmTasks_Form& again = Start(exe);
        TouchEveryTable(again);
        again.SaveData();
        EXPECT_EQ(DumpAll(dataDir), before) << (portable ? "portable" : "standard");
        QDir(Root()).removeRecursively();
        QDir().mkpath(Root());
    }
}
