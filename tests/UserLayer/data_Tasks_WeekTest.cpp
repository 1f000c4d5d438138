// The day columns and the journal in the data module: a store of an older installation
// without a journal, an unreadable journal, time of a task row that was lost, and the rules of
// the history rows a correction moves or deletes.

#include "DataModuleFixture.h"

#include "BaseUnits/XEP_Errors.h"

#include <QFile>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

class WeekTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }
    QString File(const char* name) const { return PortableDataDir() + QLatin1String(name); }
    // The task file as an older installation writes it: the week's time in its day columns.
    void WriteOldTaskFile(double monday, double tuesday) {
        TRecordSet tasks;
        tasks.LoadFromFile(File("Tasksfile.xml"));
        tasks.First();
        tasks.Edit();
        F(tasks, "MonDuration").SetAsFloat(monday);
        F(tasks, "TueDuration").SetAsFloat(tuesday);
        tasks.Post();
        tasks.SaveToFile(File("Tasksfile.xml"));
    }
    double Cell(TdmTasks_Form& d, const char* code, const char* column) {
        const auto rows = d.adsTasks.Clone();
        if (!rows->Locate(QStringLiteral("TaskCode"), QString::fromLatin1(code))) return -1;
        return F(*rows, column).AsFloat();
    }
};
} // namespace

TEST_F(WeekTest, AStoreWithoutAJournalKeepsTheWeeksTimeOnTheWeekItWasTypedFor) {
    dm.reset();
    QFile::remove(File("Journalfile.xml"));
    QFile::remove(File("JournalHistoryfile.xml"));
    WriteOldTaskFile(90 * Minute, 2 * Hour);
    TdmTasks_Form& d = StartPortable();
    // Today is Wednesday 9 December; the week recorded is the one of 6 December (weeks
    // begin on Sunday): the review opened on that week, so that is where the time was typed.
    EXPECT_EQ(d.ShownWeek(), Day(2026, 12, 6));
    EXPECT_NEAR(Cell(d, "GEN", "MonDuration"), 90 * Minute, 1e-9);
    EXPECT_EQ(d.Journal().DayMinutes(1, Day(2026, 12, 7)), 90);
    EXPECT_EQ(d.Journal().DayMinutes(1, Day(2026, 12, 8)), 120);
    d.SaveData();
    EXPECT_TRUE(QFile::exists(File("Journalfile.xml")));
    // A week later, nothing submitted: the review still opens on that week, with its time.
    TClock::SetFixed(Day(2026, 12, 16) + 10 * Hour);
    TdmTasks_Form& later = StartPortable();
    EXPECT_EQ(later.WeekToOpen(), Day(2026, 12, 6));
    EXPECT_NEAR(Cell(later, "GEN", "TueDuration"), 2 * Hour, 1e-9);
}

TEST_F(WeekTest, AnUnreadableJournalIsKeptAsideAndTheColumnsTimeIsTakenInstead) {
    dm->adsTasks.First();
    dm->adsTasks.Edit();
    F(dm->adsTasks, "MonDuration").SetAsFloat(45 * Minute);
    dm->adsTasks.Post();
    dm->SaveData();
    dm.reset();
    QFile journal(File("Journalfile.xml"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    journal.write("<xml><not a journal");
    journal.close();
    TdmTasks_Form& d = StartPortable();
    ASSERT_EQ(d.LoadProblems().size(), 1);
    EXPECT_TRUE(d.LoadProblems().at(0).contains(QStringLiteral("Journalfile.xml")));
    EXPECT_TRUE(d.LoadProblems().at(0).contains(QStringLiteral("It has been kept as")));
    EXPECT_NEAR(Cell(d, "GEN", "MonDuration"), 45 * Minute, 1e-9);
    EXPECT_EQ(d.Journal().DayMinutes(1, Day(2026, 12, 7)), 45);
}

TEST_F(WeekTest, TimeOfATaskRowThatWasLostGetsItsRowBack) {
    // A task added and tracked, then a crash before the task file was saved: the journal,
    // written at once, has its time.
    TJournalTask lost{57, QStringLiteral("LOST"), 0, 0};
    dm->Journal().SetDayTotal(lost, Day(2026, 12, 8), 75 * 60000);
    TJournalTask again{58, QStringLiteral("gen"), 0, 0}; // another number, an existing code
    dm->Journal().SetDayTotal(again, Day(2026, 12, 9), 30 * 60000);
    TJournalTask blank{59, QString(), 0, 0};
    dm->Journal().SetDayTotal(blank, Day(2026, 12, 9), 10 * 60000);
    dm->FlushJournal();
    TdmTasks_Form& d = StartPortable();
    EXPECT_NEAR(Cell(d, "LOST", "TueDuration"), 75 * Minute, 1e-9);
    EXPECT_NEAR(Cell(d, "GEN", "WedDuration"), 30 * Minute, 1e-9);
    EXPECT_EQ(d.adsTasks.RecordCount(), 2) << "no row for time without a code";
    d.adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("LOST"));
    EXPECT_EQ(F(d.adsTasks, "JobId").AsInteger(), 57);
    // A new task gets a number after it.
    d.adsTasks.Append();
    EXPECT_EQ(F(d.adsTasks, "JobId").AsInteger(), 58);
    d.adsTasks.Cancel();
}

TEST_F(WeekTest, RowsWithoutAJobNumberOrWithAnotherRowsGetTheirOwn) {
    dm->adsTasks.Append();
    F(dm->adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    dm->adsTasks.Post();
    dm->SaveData();
    dm.reset();
    TRecordSet tasks;
    tasks.LoadFromFile(File("Tasksfile.xml"));
    for (tasks.First(); !tasks.Eof(); tasks.Next()) {
        tasks.Edit();
        F(tasks, "JobId").SetAsInteger(1);
        tasks.Post();
    }
    tasks.SaveToFile(File("Tasksfile.xml"));
    TdmTasks_Form& d = StartPortable();
    QSet<int> numbers;
    for (d.adsTasks.First(); !d.adsTasks.Eof(); d.adsTasks.Next())
        numbers.insert(F(d.adsTasks, "JobId").AsInteger());
    EXPECT_EQ(numbers.size(), 2);
}

namespace {
class HistoryRuleTest : public WeekTest {
protected:
    void SetUp() override {
        WeekTest::SetUp();
        TRecordSet& codes = dm->adsTaskCodes;
        codes.Append();
        F(codes, "TaskCode").SetAsString(QStringLiteral("DEV"));
        F(codes, "TaskDescription").SetAsString(QStringLiteral("Development"));
        F(codes, "ProjectNumber").SetAsInteger(4);
        codes.Post();
        Add("GEN", Day(2026, 12, 1), 0, 0);
        Add("DEV", Day(2026, 12, 2), 0, 0);
        Add("GEN", Day(2026, 12, 3), 12, 0); // invoiced
        Add("GEN", Day(2026, 12, 4), 0, 2);  // authorised
        dm->adsReporting.CommitUpdates();
    }
    void Add(const char* code, double date, int invoice, int auth) {
        TRecordSet& h = dm->adsReporting;
        h.Append();
        F(h, "TaskCode").SetAsString(QLatin1String(code));
        F(h, "DateTimeSubmitted").SetAsDateTime(date);
        F(h, "Duration").SetAsFloat(Hour);
        F(h, "ProjectNumber").SetAsInteger(QLatin1String(code) == QLatin1String("DEV") ? 4 : 0);
        F(h, "ClientId").SetAsInteger(0);
        F(h, "UserId").SetAsInteger(0);
        F(h, "InvoiceNumber").SetAsInteger(invoice);
        F(h, "AuthUserId").SetAsInteger(auth);
        h.Post();
    }
    QString Move(int recNo, const std::function<void(TRecordSet&)>& change) {
        TRecordSet& h = dm->adsReporting;
        h.SetRecNo(recNo);
        return ErrorOf([&] {
            h.Edit();
            change(h);
            h.Post();
        });
    }
};
} // namespace

TEST_F(HistoryRuleTest, ARowMovesToAnotherTaskOrDayUnlessLockedOrTheTaskHasThatDayAlready) {
    TRecordSet& h = dm->adsReporting;
    // To another code: its description and project come along.
    EXPECT_EQ(Move(1, [](TRecordSet& t) { F(t, "TaskCode").SetAsString(QStringLiteral("DEV")); }),
              QString());
    EXPECT_EQ(F(h, "TaskDescription").AsString(), QStringLiteral("Development"));
    EXPECT_EQ(F(h, "ProjectNumber").AsInteger(), 4);
    // Onto a task and day that has a row already: refused, so one row per task and day.
    const QString clash = Move(
        1, [](TRecordSet& t) { F(t, "DateTimeSubmitted").SetAsDateTime(Day(2026, 12, 2) + 0.5); });
    EXPECT_EQ(clash, QStringLiteral("The history already holds DEV on 02/12/2026: change the "
                                    "duration of that row instead"));
    h.Cancel();
    // To another day: kept as a date.
    EXPECT_EQ(Move(1,
                   [](TRecordSet& t) {
                       F(t, "DateTimeSubmitted").SetAsDateTime(Day(2026, 11, 30) + 0.25);
                   }),
              QString());
    EXPECT_EQ(F(h, "DateTimeSubmitted").AsDateTime(), Day(2026, 11, 30));
    // Invoiced or authorised rows stay where they are: their fields take nothing.
    for (const int recNo : {3, 4}) {
        EXPECT_FALSE(
            Move(recNo, [](TRecordSet& t) { F(t, "TaskCode").SetAsString(QStringLiteral("DEV")); })
                .isEmpty())
            << recNo;
        h.Cancel();
        EXPECT_EQ(F(h, "TaskCode").AsString(), QStringLiteral("GEN"));
    }
    h.SetRecNo(3);
    EXPECT_TRUE(F(h, "TaskCodeLookup").ReadOnly());
    EXPECT_TRUE(F(h, "DateTimeSubmitted").ReadOnly());
}

TEST_F(HistoryRuleTest, ARowIsDeletedUnlessInvoicedOrAuthorised) {
    TRecordSet& h = dm->adsReporting;
    h.SetRecNo(3);
    EXPECT_EQ(ErrorOf([&] { h.Delete(); }), QStringLiteral("(abort)"));
    EXPECT_EQ(Messages, QStringList{QStringLiteral(
                            "Unable to delete the task because it has already been invoiced")});
    h.SetRecNo(1);
    EXPECT_EQ(ErrorOf([&] { h.Delete(); }), QString());
    EXPECT_EQ(h.RecordCount(), 3);
    EXPECT_EQ(h.Tag, 1) << "the deletion is saved";
}
