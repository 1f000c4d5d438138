// Rules of the task codes, projects, clients, users and managers, and the import's finders.

#include "DataModuleFixture.h"

namespace {
class MasterRulesTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        d = dm.get();
    }

    int AddUser(const QString& first, const QString& last, int managerId = -101) {
        d->adsUsers.Append();
        F(d->adsUsers, "FirstName").SetAsString(first);
        F(d->adsUsers, "LastName").SetAsString(last);
        F(d->adsUsers, "SignOn").SetAsString(first);
        F(d->adsUsers, "Password").SetAsString(QStringLiteral("pw"));
        F(d->adsUsers, "ManagerID").SetAsInteger(managerId);
        d->adsUsers.Post();
        return F(d->adsUsers, "UserID").AsInteger();
    }

    int AddProject(const QString& name, double rate = 0, double completion = 0) {
        d->adsProjects.Append();
        F(d->adsProjects, "ProjectName").SetAsString(name);
        F(d->adsProjects, "DailyRate").SetAsCurrency(rate);
        F(d->adsProjects, "CompletionDate").SetAsDateTime(completion);
        d->adsProjects.Post();
        return F(d->adsProjects, "ProjectNumber").AsInteger();
    }

    void AddHistory(const char* field, const QVariant& value) {
        d->adsReporting.Append();
        F(d->adsReporting, "TaskCode").SetAsString(QStringLiteral("NONE"));
        d->adsReporting.FieldByName(QLatin1String(field)).SetValue(value);
        d->adsReporting.Post();
    }

    TdmTasks_Form* d = nullptr;
};
} // namespace

TEST_F(MasterRulesTest, NewKeysAreNegativeAndCountOnFromTheLargestAtStart) {
    EXPECT_EQ(AddUser(QStringLiteral("Ann"), QStringLiteral("A")), -1);
    EXPECT_EQ(AddUser(QStringLiteral("Bob"), QStringLiteral("B")), -2);
    d->SaveData();
    TdmTasks_Form& again = StartPortable();
    d = &again;
    EXPECT_EQ(AddUser(QStringLiteral("Cy"), QStringLiteral("C")), -3);
    EXPECT_EQ(AddUser(QStringLiteral("Di"), QStringLiteral("D")), -4);
    EXPECT_EQ(AddProject(QStringLiteral("Apollo")), -1);
    d->adsClients.Append();
    EXPECT_EQ(F(d->adsClients, "ClientId").AsInteger(), -1);
    EXPECT_EQ(F(d->adsClients, "BillingTypeNumber").AsInteger(), 1);
    EXPECT_EQ(F(d->adsClients, "ClientTypeDesc").AsString(), QStringLiteral("External"));
    d->adsClients.Cancel();
    d->adsClients.Append();
    EXPECT_EQ(F(d->adsClients, "ClientId").AsInteger(), -2) << "keys are never reused in a run";
    d->adsClients.Cancel();
}

TEST_F(MasterRulesTest, RequiredFieldsAreCheckedOnPostAndTheMessageNamesTheBlankOnes) {
    d->adsTaskCodes.Append();
    EXPECT_EQ(ErrorOf([&] { d->adsTaskCodes.Post(); }),
              QStringLiteral("Key Field(s) Blank: Task Code"));
    EXPECT_EQ(d->adsTaskCodes.State(), TDataSetState::Insert);
    d->adsTaskCodes.Cancel();
    d->adsProjects.Append();
    F(d->adsProjects, "DailyRate").SetAsCurrency(100);
    EXPECT_EQ(ErrorOf([&] { d->adsProjects.Post(); }),
              QStringLiteral("Key Field Blank(s): Project Name"));
    d->adsProjects.Cancel();
    d->adsClients.Append();
    F(d->adsClients, "ClientName").SetAsString(QStringLiteral("  "));
    EXPECT_EQ(ErrorOf([&] { d->adsClients.Post(); }), QStringLiteral("Client Name Blank"));
    d->adsClients.Cancel();

    // Users: every blank one of the four, in the order of the grid's columns.
    d->adsUsers.Append();
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Post(); }),
              QStringLiteral("Key Field Blank(s): First Name, Last Name, Sign On, Password"));
    F(d->adsUsers, "FirstName").SetAsString(QStringLiteral("Ann"));
    F(d->adsUsers, "LastName").SetAsString(QStringLiteral("A"));
    F(d->adsUsers, "SignOn").SetAsString(QStringLiteral("ann"));
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Post(); }), QStringLiteral("Key Field Blank(s): Password"));
    F(d->adsUsers, "LastName").SetAsString(QStringLiteral(" "));
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Post(); }),
              QStringLiteral("Key Field Blank(s): Last Name, Password"));
    F(d->adsUsers, "LastName").SetAsString(QStringLiteral("A"));
    F(d->adsUsers, "Password").SetAsString(QStringLiteral("pw"));
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Post(); }), QString());
    EXPECT_EQ(d->adsUsers.State(), TDataSetState::Browse);
}

TEST_F(MasterRulesTest, TaskCodesAreUniqueAndTakeTheirProjectsRate) {
    const int project = AddProject(QStringLiteral("Apollo"), 450, TClock::Today() + 30);
    d->adsTaskCodes.Append();
    EXPECT_EQ(ErrorOf([&] { F(d->adsTaskCodes, "TaskCode").SetAsString(QString()); }),
              QStringLiteral("Task code cannot be blank"));
    EXPECT_EQ(ErrorOf([&] { F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("gen")); }),
              QStringLiteral("Task code already exists"));
    F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("apollo-1"));
    EXPECT_EQ(F(d->adsTaskCodes, "TaskDescription").AsString(), QStringLiteral("apollo-1"));
    EXPECT_EQ(F(d->adsTaskCodes, "TaskSummary").AsString(), QStringLiteral("APOLLO-1") +
                                                                QString(12, QLatin1Char(' ')) +
                                                                QStringLiteral("apollo-1"));
    F(d->adsTaskCodes, "ProjectNumber").SetAsInteger(project);
    EXPECT_EQ(F(d->adsTaskCodes, "DailyRate").AsCurrency(), 450);
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").AsDateTime(), TClock::Today() + 30);
    EXPECT_EQ(F(d->adsTaskCodes, "ProjectName").AsString(), QStringLiteral("Apollo"));
    // With a rate of its own a code keeps it.
    F(d->adsTaskCodes, "ProjectNumber").SetAsInteger(0);
    EXPECT_EQ(F(d->adsTaskCodes, "DailyRate").AsCurrency(), 450);
    d->adsTaskCodes.Post();
    // A code the row itself holds is no other row's: typed again, also after another code in
    // the same edit, it is taken. Another row's code stays refused.
    d->adsTaskCodes.Edit();
    EXPECT_EQ(
        ErrorOf([&] { F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("apollo-1")); }),
        QString());
    F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("apollo-2"));
    EXPECT_EQ(
        ErrorOf([&] { F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("apollo-1")); }),
        QString());
    EXPECT_EQ(ErrorOf([&] { F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("GEN")); }),
              QStringLiteral("Task code already exists"));
    d->adsTaskCodes.Post();
    EXPECT_EQ(F(d->adsTaskCodes, "TaskCode").AsString(), QStringLiteral("apollo-1"));
}

TEST_F(MasterRulesTest, SummariesAndLookupsAreCutToTheirSize) {
    d->adsTaskCodes.Append();
    F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("LONG"));
    F(d->adsTaskCodes, "TaskDescription").SetAsString(QString(60, QLatin1Char('x')));
    d->adsTaskCodes.Post();
    EXPECT_EQ(F(d->adsTaskCodes, "TaskSummary").AsString().size(), 53);
    d->adsTasks.Append();
    F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("LONG"));
    EXPECT_EQ(F(d->adsTasks, "TaskCodeLookup").AsString().size(), 53);
    F(d->adsTasks, "ProjectNumber").SetAsInteger(-77);
    EXPECT_EQ(F(d->adsTasks, "ProjectName").AsString(), QString()) << "no such project";
    d->adsTasks.Cancel();
    AddProject(QStringLiteral("Twelve chars"));
    d->adsChartData.CreateDataSet();
    d->adsChartData.Append();
    F(d->adsChartData, "ProjectNumber").SetAsInteger(-1);
    EXPECT_EQ(F(d->adsChartData, "ProjectName").AsString(), QStringLiteral("Twelve cha"));
    d->adsChartData.Cancel();
    d->adsUsers.Append();
    F(d->adsUsers, "FirstName").SetAsString(QString(30, QLatin1Char('n')));
    EXPECT_EQ(F(d->adsUsers, "FirstName").AsString().size(), 20);
    d->adsUsers.Cancel();
}

TEST_F(MasterRulesTest, RowsInUseCannotBeDeleted) {
    // Task code GEN is on the seeded task.
    d->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("GEN"));
    EXPECT_EQ(ErrorOf([&] { d->adsTaskCodes.Delete(); }), QStringLiteral("(abort)"));
    EXPECT_EQ(
        Messages.takeLast(),
        QStringLiteral("Task cannot be deleted because it has been used to record time against."));
    EXPECT_EQ(d->adsTaskCodes.RecordCount(), 2);

    // A project with history but no task.
    const int project = AddProject(QStringLiteral("Apollo"));
    AddHistory("ProjectNumber", project);
    d->adsProjects.Locate(QStringLiteral("ProjectNumber"), project);
    EXPECT_EQ(ErrorOf([&] { d->adsProjects.Delete(); }), QStringLiteral("(abort)"));
    EXPECT_EQ(Messages.takeLast(),
              QStringLiteral("Project cannot be deleted because it is used on one or more tasks."));

    d->adsClients.Locate(QStringLiteral("ClientId"), 0);
    EXPECT_EQ(ErrorOf([&] { d->adsClients.Delete(); }), QStringLiteral("(abort)"));
    EXPECT_EQ(Messages.takeLast(),
              QStringLiteral(
                  "Client cannot be deleted because it has been used to record time against."));

    // Users: only the history counts.
    const int used = AddUser(QStringLiteral("Used"), QStringLiteral("U"));
    const int unused = AddUser(QStringLiteral("Free"), QStringLiteral("F"));
    AddHistory("UserId", used);
    d->adsUsers.Locate(QStringLiteral("UserID"), used);
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Delete(); }), QStringLiteral("(abort)"));
    EXPECT_EQ(
        Messages.takeLast(),
        QStringLiteral("User cannot be deleted because it has been used to record time against."));
    d->adsUsers.Locate(QStringLiteral("UserID"), unused);
    EXPECT_EQ(ErrorOf([&] { d->adsUsers.Delete(); }), QString());
    EXPECT_FALSE(d->adsUsers.Locate(QStringLiteral("UserID"), unused));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(MasterRulesTest, ManagersFollowTheUserType) {
    for (int i = 1; i <= 2; ++i)
        AddUser(QStringLiteral("Filler%1").arg(i), QStringLiteral("F"));
    const int manager = AddUser(QStringLiteral("Mia"), QStringLiteral("Boss"));
    ASSERT_EQ(manager, -3);
    d->adsUsers.Edit();
    F(d->adsUsers, "UserTypeNumber").SetAsInteger(1);
    d->adsUsers.Post();
    EXPECT_TRUE(d->adsManagers.Locate(QStringLiteral("ManagerID"), manager));
    EXPECT_EQ(F(d->adsManagers, "ManagerName").AsString(), QStringLiteral(" Mia Boss"));
    AddUser(QStringLiteral("Eve"), QStringLiteral("Worker"), manager); // -4
    AddUser(QStringLiteral("Sam"), QStringLiteral("Staff"), manager);  // -5
    d->adsUsers.Locate(QStringLiteral("UserID"), -4);
    EXPECT_EQ(F(d->adsUsers, "ManagerName").AsString(), QStringLiteral(" Mia Boss"));

    // Demoting a manager of other users is refused with the list of those users.
    d->adsUsers.Locate(QStringLiteral("UserID"), manager);
    d->adsUsers.Edit();
    F(d->adsUsers, "Notes").SetAsString(QStringLiteral("pending"));
    EXPECT_EQ(ErrorOf([&] { F(d->adsUsers, "UserTypeNumber").SetAsInteger(0); }),
              QStringLiteral("(abort)"));
    ASSERT_FALSE(Messages.isEmpty());
    EXPECT_EQ(Messages.takeLast(),
              QStringLiteral("This user is currently marked as manager of other users including : "
                             "EveWorker SamStaff so this value cannot be amended"));
    EXPECT_EQ(F(d->adsUsers, "UserTypeNumber").AsInteger(), 1);
    EXPECT_EQ(d->adsUsers.State(), TDataSetState::Edit);
    EXPECT_EQ(F(d->adsUsers, "Notes").AsString(), QString()) << "pending changes are cancelled";
    d->adsUsers.Cancel();
    EXPECT_TRUE(d->adsManagers.Locate(QStringLiteral("ManagerID"), manager));

    // With nobody reporting to her, the managers row goes.
    for (int report : {-4, -5}) {
        d->adsUsers.Locate(QStringLiteral("UserID"), report);
        d->adsUsers.Edit();
        F(d->adsUsers, "ManagerID").SetAsInteger(-101);
        d->adsUsers.Post();
    }
    d->adsUsers.Locate(QStringLiteral("UserID"), manager);
    d->adsUsers.Edit();
    F(d->adsUsers, "UserTypeNumber").SetAsInteger(0);
    d->adsUsers.Post();
    EXPECT_FALSE(d->adsManagers.Locate(QStringLiteral("ManagerID"), manager));
    EXPECT_EQ(d->adsManagers.RecordCount(), 1) << "the filter is cleared again";
}

TEST_F(MasterRulesTest, FindersForTheImportFindByTheStartOfTheName) {
    const int acme = AddProject(QStringLiteral("Acme Ltd"), 300);
    const int before = d->adsProjects.RecordCount();
    int found = 0;
    d->CreateProject(QStringLiteral("Acme"), 999, 0, 0, found);
    EXPECT_EQ(found, acme);
    EXPECT_EQ(d->adsProjects.RecordCount(), before);
    d->CreateProject(QStringLiteral("Zeus"), 120, 10, TClock::Today() + 3, found);
    EXPECT_EQ(found, -2);
    EXPECT_EQ(d->adsProjects.State(), TDataSetState::Edit);

    d->CreateTask(found, 0, 0, 0, QStringLiteral("ZEUS1"), QStringLiteral("Zeus work"));
    ASSERT_TRUE(d->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("ZEUS1")));
    EXPECT_EQ(F(d->adsTaskCodes, "TaskDescription").AsString(), QStringLiteral("Zeus work"));
    EXPECT_EQ(F(d->adsTaskCodes, "ProjectNumber").AsInteger(), found);
    EXPECT_EQ(F(d->adsTaskCodes, "DailyRate").AsCurrency(), 0)
        << "the parameters overwrite the copied rate";
    const QByteArray codes = d->adsTaskCodes.SaveToBytes();
    d->CreateTask(acme, 55, 66, 77, QStringLiteral("ZEUS1"), QStringLiteral("other"));
    EXPECT_EQ(d->adsTaskCodes.SaveToBytes(), codes) << "an existing code changes nothing";

    d->CreateClient(QStringLiteral("Inter"), QString(), QString(), QString(), QString(), 0, 0);
    EXPECT_EQ(F(d->adsClients, "ClientName").AsString(), QStringLiteral("Internal"));
    d->CreateClient(QStringLiteral("Bravo"), QStringLiteral("Bo"), QStringLiteral("B"),
                    QStringLiteral("n"), QStringLiteral("GB1"), 2, 0);
    EXPECT_EQ(F(d->adsClients, "ClientId").AsInteger(), -1);
    EXPECT_EQ(F(d->adsClients, "BillingTypeDesc").AsString(), QStringLiteral("Non - Taxable"));
    EXPECT_EQ(F(d->adsClients, "ClientTypeNumber").AsInteger(), 0);
}

TEST_F(MasterRulesTest, AnEmptiedCompletionDateMeansNoDate) {
    d->adsTaskCodes.First();
    d->adsTaskCodes.Edit();
    F(d->adsTaskCodes, "CompletionDate").SetText(QStringLiteral("24/12/2026"));
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").AsDateTime(),
              DateToDayNumber(QDate(2026, 12, 24)));
    F(d->adsTaskCodes, "CompletionDate").SetText(QStringLiteral("  /  /    "));
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").AsDateTime(), 0);
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").DisplayText(), QString());
    EXPECT_THROW(F(d->adsTaskCodes, "CompletionDate").SetText(QStringLiteral("31/02/2026")),
                 EConvertError);
    // ISO is a date too; any other text is refused naming itself and the field, and is never
    // read as another date.
    F(d->adsTaskCodes, "CompletionDate").SetText(QStringLiteral("2026-12-18"));
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").AsDateTime(),
              DateToDayNumber(QDate(2026, 12, 18)));
    EXPECT_TRUE(
        ErrorOf([&] {
            F(d->adsTaskCodes, "CompletionDate").SetText(QStringLiteral("2026-13-45"));
        }).startsWith(QStringLiteral("'2026-13-45' is not a valid date for Completion Date")));
    EXPECT_EQ(F(d->adsTaskCodes, "CompletionDate").AsDateTime(),
              DateToDayNumber(QDate(2026, 12, 18)));
    d->adsTaskCodes.Cancel();
}
