// Rules of the tasks table, the history, the chart data and the options.

#include "DataModuleFixture.h"

namespace {
class TaskRulesTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        d = dm.get();
    }

    // Adds a task row with a code (posted), returning its JobId.
    int AddTask(const QString& code, int project = 0, int client = 0) {
        d->adsTasks.Append();
        const int jobId = F(d->adsTasks, "JobId").AsInteger();
        F(d->adsTasks, "TaskCode").SetAsString(code);
        if (project != 0) F(d->adsTasks, "ProjectNumber").SetAsInteger(project);
        if (client != 0) F(d->adsTasks, "ClientId").SetAsInteger(client);
        d->adsTasks.Post();
        return jobId;
    }

    void AddTaskCode(const QString& code, double completionDate = 0, int project = 0) {
        d->adsTaskCodes.Append();
        F(d->adsTaskCodes, "TaskCode").SetAsString(code);
        F(d->adsTaskCodes, "ProjectNumber").SetAsInteger(project);
        F(d->adsTaskCodes, "CompletionDate").SetAsDateTime(completionDate);
        d->adsTaskCodes.Post();
    }

    bool GoToJob(int jobId) { return d->adsTasks.Locate(QStringLiteral("JobId"), jobId); }

    TdmTasks_Form* d = nullptr;
};
} // namespace

TEST_F(TaskRulesTest, NewRowsGetDefaultsAndTheNextJobNumbers) {
    ASSERT_EQ(d->MaxJobId(), 1);
    d->adsTasks.Append();
    EXPECT_EQ(F(d->adsTasks, "JobId").AsInteger(), 2);
    EXPECT_FALSE(F(d->adsTasks, "Active").AsBoolean());
    EXPECT_EQ(F(d->adsTasks, "MonDuration").AsFloat(), 0);
    EXPECT_DOUBLE_EQ(F(d->adsTasks, "DateTimeCreated").AsDateTime(), TClock::Now());
    EXPECT_EQ(TBitmapImage::FromBmp(F(d->adsTasks, "PriorityImage").AsBytes()).Height(), 19);
    d->adsTasks.Cancel();
    // The number of a dropped row is not given out again.
    d->adsTasks.Append();
    EXPECT_EQ(F(d->adsTasks, "JobId").AsInteger(), 3);
    d->adsTasks.Cancel();
}

TEST_F(TaskRulesTest, TaskCodesMustBeFilledAndUnique) {
    d->adsTasks.Append();
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("   ")); }),
              QStringLiteral("Task code cannot be blank"));
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("GEN")); }),
              QStringLiteral("Task code already selected"));
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("gen")); }),
              QStringLiteral("Task code already selected"))
        << "filters compare text without regard to case";
    EXPECT_TRUE(F(d->adsTasks, "TaskCode").IsNull()) << "a refused code leaves the old value";
    F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    d->adsTasks.Post();
    // Re-entering a row's own code in another case is not searched for.
    d->adsTasks.Edit();
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("admin")); }),
              QString());
    d->adsTasks.Cancel();
}

TEST_F(TaskRulesTest, WithoutNewTaskInsertionOnlyExistingCodesAreTaken) {
    AddTask(QStringLiteral("OLD")); // given while insertion was allowed
    d->adsDefaults.Edit();
    F(d->adsDefaults, "NewTaskInsertAllowed").SetAsBoolean(false);
    d->adsDefaults.Post();
    int refusals = 0;
    QObject::connect(d, &TdmTasks_Form::TaskCodeRefused, [&] { ++refusals; });

    d->adsTasks.Append();
    TField& code = F(d->adsTasks, "TaskCode");
    EXPECT_EQ(d->TaskCodeRefusal(code, QStringLiteral("NOPE")),
              QStringLiteral("Task does not exist."));
    EXPECT_EQ(refusals, 0) << "asking refuses nothing";
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QStringLiteral("NOPE")); }),
              QStringLiteral("Task does not exist."));
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QStringLiteral("GEN")); }),
              QStringLiteral("Task code already selected"));
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QString()); }),
              QStringLiteral("Task code cannot be blank"));
    EXPECT_EQ(refusals, 3) << "every refusal is told before it is raised";
    EXPECT_TRUE(code.IsNull());
    EXPECT_EQ(d->TaskCodeRefusal(code, QStringLiteral(" admin ")), QString())
        << "blanks around and case aside";
    code.SetAsString(QStringLiteral("ADMIN"));
    d->adsTasks.Post();
    EXPECT_EQ(F(d->adsTasks, "TaskDescription").AsString(), QStringLiteral("Administration"));

    // A row keeps a code it already holds, even one the task codes table lacks.
    ASSERT_TRUE(d->adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("OLD")));
    d->adsTasks.Edit();
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QStringLiteral("old")); }), QString());
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QStringLiteral("NEW")); }),
              QStringLiteral("Task does not exist."));
    EXPECT_EQ(code.AsString(), QStringLiteral("old"));
    d->adsTasks.Cancel();

    // With insertion allowed again, a new code is taken.
    d->adsDefaults.Edit();
    F(d->adsDefaults, "NewTaskInsertAllowed").SetAsBoolean(true);
    d->adsDefaults.Post();
    d->adsTasks.Append();
    EXPECT_EQ(ErrorOf([&] { code.SetAsString(QStringLiteral("NOPE")); }), QString());
    d->adsTasks.Cancel();
}

TEST_F(TaskRulesTest, AQuoteInACodeNeitherBreaksTheFilterNorMatchesOtherRows) {
    AddTaskCode(QStringLiteral("O'NEIL"));
    AddTask(QStringLiteral("O'NEIL"));
    d->adsTasks.Append();
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("O'NEIL")); }),
              QStringLiteral("Task code already selected"));
    EXPECT_EQ(ErrorOf([&] { F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("O'")); }),
              QString());
    d->adsTasks.Cancel();
}

TEST_F(TaskRulesTest, ChoosingACodeCopiesDescriptionProjectAndPriority) {
    d->adsProjects.Append();
    F(d->adsProjects, "ProjectName").SetAsString(QStringLiteral("Apollo"));
    d->adsProjects.Post();
    const int project = F(d->adsProjects, "ProjectNumber").AsInteger();
    AddTaskCode(QStringLiteral("DUE"), TClock::Today() + 1, project);
    d->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("DUE"));
    d->adsTaskCodes.Edit();
    F(d->adsTaskCodes, "TaskDescription").SetAsString(QStringLiteral("Due tomorrow"));
    d->adsTaskCodes.Post();

    const int job = AddTask(QStringLiteral("due"));
    ASSERT_TRUE(GoToJob(job));
    EXPECT_EQ(F(d->adsTasks, "TaskDescription").AsString(), QStringLiteral("Due tomorrow"));
    EXPECT_EQ(F(d->adsTasks, "ProjectNumber").AsInteger(), project);
    EXPECT_EQ(F(d->adsTasks, "Priority").AsInteger(), 2);
    EXPECT_EQ(F(d->adsTasks, "PriorityImage").AsBytes(), d->PriorityBitmap(2));
    EXPECT_NE(d->PriorityBitmap(2), d->PriorityBitmap(0));
    EXPECT_NE(d->PriorityBitmap(1), d->PriorityBitmap(2));
    EXPECT_EQ(d->PriorityBitmap(5), d->PriorityBitmap(0));

    const int plain = AddTask(QStringLiteral("ADMIN"));
    ASSERT_TRUE(GoToJob(plain));
    EXPECT_EQ(F(d->adsTasks, "Priority").AsInteger(), 0);
    EXPECT_EQ(F(d->adsTasks, "TaskDescription").AsString(), QStringLiteral("Administration"));
}

TEST_F(TaskRulesTest, ActivatingATaskSwitchesTheOthersOffAndPostsIt) {
    AddTaskCode(QStringLiteral("DEV"));
    const int sameCodeOtherProject = AddTask(QStringLiteral("DEV"), 0, 0);
    // The task-code rule refuses a second DEV row, so build one as a restored store would.
    d->adsTasks.Append();
    const int other = F(d->adsTasks, "JobId").AsInteger();
    F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    d->adsTasks.Post();
    for (int job : {sameCodeOtherProject, other}) {
        ASSERT_TRUE(GoToJob(job));
        d->adsTasks.Edit();
        F(d->adsTasks, "Active").SetAsBoolean(true);
    }
    // ADMIN is active now; GEN (seeded active) and DEV were switched off.
    int active = 0;
    for (d->adsTasks.First(); !d->adsTasks.Eof(); d->adsTasks.Next())
        active += F(d->adsTasks, "Active").AsBoolean();
    EXPECT_EQ(active, 1);
    ASSERT_TRUE(GoToJob(other));
    EXPECT_TRUE(F(d->adsTasks, "Active").AsBoolean());

    // Activation posts at once, even mid-edit, and returns to the activated row in edit mode.
    ASSERT_TRUE(GoToJob(sameCodeOtherProject));
    d->adsTasks.Edit();
    F(d->adsTasks, "TaskDescription").SetAsString(QStringLiteral("typed"));
    F(d->adsTasks, "Active").SetAsBoolean(true);
    EXPECT_EQ(F(d->adsTasks, "JobId").AsInteger(), sameCodeOtherProject);
    EXPECT_EQ(d->adsTasks.State(), TDataSetState::Edit);
    EXPECT_FALSE(d->Activating());
    const auto clone = d->adsTasks.Clone();
    clone->Locate(QStringLiteral("JobId"), sameCodeOtherProject);
    EXPECT_EQ(F(*clone, "TaskDescription").AsString(), QStringLiteral("typed"));
    EXPECT_TRUE(F(*clone, "Active").AsBoolean());
}

TEST_F(TaskRulesTest, TheWeekTotalSplitsIntoWorkingDaysAndPartDay) {
    d->adsTasks.First();
    EXPECT_EQ(F(d->adsTasks, "Days").AsInteger(), 0);
    EXPECT_EQ(F(d->adsTasks, "PartDay").AsFloat(), 0);
    d->adsTasks.Edit();
    F(d->adsTasks, "MonDuration").SetAsFloat(6 * Hour);
    F(d->adsTasks, "TueDuration").SetAsFloat(1 + 4 * Hour); // 28 hours count as 4
    EXPECT_EQ(F(d->adsTasks, "Days").AsInteger(), 1);
    EXPECT_NEAR(F(d->adsTasks, "PartDay").AsFloat(), 3 * Hour, 1e-9);
    EXPECT_EQ(F(d->adsTasks, "TueDuration").DisplayText(), QStringLiteral("04:00"));
    EXPECT_TRUE(F(d->adsTasks, "TotalSubmittedDuration").IsNull());
    F(d->adsTasks, "WedDuration").SetAsFloat(4 * Hour); // 14 hours: exactly two days
    EXPECT_EQ(F(d->adsTasks, "Days").AsInteger(), 2);
    EXPECT_EQ(F(d->adsTasks, "PartDay").AsFloat(), 0);
    d->adsTasks.Cancel();
}

TEST_F(TaskRulesTest, DurationTextsAreShownAndEnteredAsHoursAndMinutes) {
    d->adsTasks.First();
    d->adsTasks.Edit();
    TField& mon = F(d->adsTasks, "MonDuration");
    EXPECT_EQ(mon.DisplayText(), QString());
    EXPECT_EQ(mon.Text(), QStringLiteral("00:00"));
    mon.SetText(QStringLiteral(" 7:30"));
    EXPECT_DOUBLE_EQ(mon.AsFloat(), 0.3125);
    EXPECT_ANY_THROW(mon.SetText(QStringLiteral("24:00")));
    EXPECT_DOUBLE_EQ(mon.AsFloat(), 0.3125) << "a refused text keeps the value";
    d->adsTasks.Cancel();

    d->adsTaskCodes.First();
    TField& date = F(d->adsTaskCodes, "CompletionDate");
    EXPECT_EQ(date.DisplayText(), QString());
    EXPECT_EQ(date.Text(), QStringLiteral("09/12/2026"));
}

TEST_F(TaskRulesTest, TotalsAreTheCellsShownAndTypedTimeGoesToItsDate) {
    const double week = d->ShownWeek();
    d->adsTasks.First();
    d->adsTasks.Edit();
    F(d->adsTasks, "MonDuration").SetAsFloat(30 * Minute);
    d->adsTasks.Post();
    EXPECT_NEAR(d->TotalDuration(2), 30 * Minute, 1e-12);
    // Typing 2:00 over 0:30; the journal holds it on Monday's date of the week shown.
    d->adsTasks.Edit();
    F(d->adsTasks, "MonDuration").SetText(QStringLiteral("02:00"));
    EXPECT_NEAR(d->TotalDuration(2), 2 * Hour, 1e-12) << "the row being edited counts as shown";
    d->adsTasks.Post();
    EXPECT_NEAR(d->TotalDuration(2), 2 * Hour, 1e-12);
    const double monday = d->DateOfWeekday(2);
    EXPECT_GE(monday, week);
    EXPECT_LT(monday, week + 7);
    EXPECT_EQ(d->Journal().DayMinutes(F(d->adsTasks, "JobId").AsInteger(), monday), 120);

    // The program's own writes (showing a week) are no typing.
    d->SetTimerActive(true);
    d->adsTasks.Edit();
    F(d->adsTasks, "MonDuration").SetAsFloat(3 * Hour);
    d->adsTasks.Post();
    d->SetTimerActive(false);
    EXPECT_EQ(d->Journal().DayMinutes(F(d->adsTasks, "JobId").AsInteger(), monday), 120);
    d->RefreshCells();
    EXPECT_NEAR(d->TotalDuration(2), 2 * Hour, 1e-12) << "the cell shows its date's time again";

    // A new row given up leaves nothing; a deleted row takes its time with it.
    d->adsTasks.Append();
    F(d->adsTasks, "TueDuration").SetAsFloat(Hour);
    d->adsTasks.Cancel();
    EXPECT_EQ(d->TotalDuration(3), 0);
    const int job = (d->adsTasks.First(), F(d->adsTasks, "JobId").AsInteger());
    d->adsTasks.Delete();
    for (int day = 1; day <= 7; ++day)
        EXPECT_EQ(d->TotalDuration(day), 0);
    EXPECT_EQ(d->Journal().DayMSecs(job, monday), 0);
}

TEST_F(TaskRulesTest, TypedTimeComesBackOnItsDatesAfterARestart) {
    d->adsTasks.First();
    d->adsTasks.Edit();
    F(d->adsTasks, "SunDuration").SetAsFloat(90 * Minute);
    F(d->adsTasks, "SatDuration").SetAsFloat(15 * Minute);
    d->adsTasks.Post();
    const double sunday = d->DateOfWeekday(1);
    d->SaveData();
    TdmTasks_Form& again = StartPortable();
    EXPECT_NEAR(again.TotalDuration(1), 90 * Minute, 1e-9);
    EXPECT_NEAR(again.TotalDuration(7), 15 * Minute, 1e-9);
    EXPECT_EQ(again.DateOfWeekday(1), sunday);
    // Another week shows none of it.
    again.ShowWeek(again.ShownWeek() + 7);
    EXPECT_EQ(again.TotalDuration(1), 0);
    EXPECT_EQ(again.TotalDuration(7), 0);
}

TEST_F(TaskRulesTest, InvoicedOrAuthorisedHistoryKeepsItsDuration) {
    for (const auto& [invoice, auth] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 3}}) {
        d->adsReporting.Append();
        F(d->adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
        F(d->adsReporting, "Duration").SetAsFloat(Hour);
        F(d->adsReporting, "InvoiceNumber").SetAsInteger(invoice);
        F(d->adsReporting, "AuthUserId").SetAsInteger(auth);
        d->adsReporting.Post();
    }
    // Grids see invoiced and authorised durations as read-only.
    d->adsReporting.First();
    EXPECT_FALSE(F(d->adsReporting, "Duration").ReadOnly());
    d->adsReporting.Next();
    EXPECT_TRUE(F(d->adsReporting, "Duration").ReadOnly());
    d->adsReporting.Next();
    EXPECT_TRUE(F(d->adsReporting, "Duration").ReadOnly());
    d->adsReporting.Edit();
    EXPECT_FALSE(ErrorOf([&] { F(d->adsReporting, "Duration").SetAsFloat(2 * Hour); }).isEmpty());
    d->adsReporting.Cancel();

    // A row whose numbers change after the table arrived on it is still guarded.
    d->adsReporting.First();
    d->adsReporting.Edit();
    F(d->adsReporting, "InvoiceNumber").SetAsInteger(5);
    EXPECT_EQ(
        ErrorOf([&] { F(d->adsReporting, "Duration").SetAsFloat(2 * Hour); }),
        QStringLiteral("Unable to amend duration because the task has already been invoiced"));
    F(d->adsReporting, "InvoiceNumber").SetAsInteger(0);
    F(d->adsReporting, "AuthUserId").SetAsInteger(3);
    EXPECT_EQ(ErrorOf([&] { F(d->adsReporting, "Duration").SetAsFloat(2 * Hour); }),
              QStringLiteral("Unable to amend duration because the task has already authorised"));
    EXPECT_DOUBLE_EQ(F(d->adsReporting, "Duration").AsFloat(), Hour);
    d->adsReporting.Cancel();
}

TEST_F(TaskRulesTest, ChartDataShowsDaysHoursAndMinutes) {
    d->adsChartData.CreateDataSet();
    d->adsChartData.Append();
    F(d->adsChartData, "TaskCode").SetAsString(QStringLiteral("GEN"));
    F(d->adsChartData, "Duration").SetAsFloat(17 * Hour + 15 * Minute);
    d->adsChartData.Post();
    EXPECT_EQ(F(d->adsChartData, "DurationText").AsString(),
              QStringLiteral("2 Days 3 Hours 15 Minutes "));
    EXPECT_EQ(F(d->adsChartData, "TaskDescription").AsString(), QStringLiteral("General"));
    EXPECT_EQ(F(d->adsChartData, "TaskDayRate").AsCurrency(), 0);
}

TEST_F(TaskRulesTest, LunchEndIsNeverBeforeLunchStart) {
    d->adsDefaults.First();
    d->adsDefaults.Edit();
    F(d->adsDefaults, "EndTime").SetText(QStringLiteral("12:30"));
    F(d->adsDefaults, "StartTime").SetText(QStringLiteral("13:00"));
    EXPECT_EQ(F(d->adsDefaults, "EndTime").Text(), QStringLiteral("13:00"));
    F(d->adsDefaults, "EndTime").SetText(QStringLiteral("12:00"));
    EXPECT_EQ(F(d->adsDefaults, "StartTime").Text(), QStringLiteral("12:00"));
    F(d->adsDefaults, "EndTime").SetText(QStringLiteral("12:45"));
    EXPECT_EQ(F(d->adsDefaults, "StartTime").Text(), QStringLiteral("12:00"));
    d->adsDefaults.Cancel();
}

TEST_F(TaskRulesTest, RowsOfTheSameTaskStayActiveAndOtherProjectsOfTheCodeGoOff) {
    // Rows sharing a code can only come from a stored week: build them with the check off.
    const int otherProject = [&] {
        d->adsProjects.Append();
        F(d->adsProjects, "ProjectName").SetAsString(QStringLiteral("Other"));
        d->adsProjects.Post();
        return F(d->adsProjects, "ProjectNumber").AsInteger();
    }();
    d->SetCreationPhase(true);
    std::vector<int> jobs;
    for (int project : {0, 0, otherProject}) {
        d->adsTasks.Append();
        jobs.push_back(F(d->adsTasks, "JobId").AsInteger());
        F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("DEV"));
        F(d->adsTasks, "ProjectNumber").SetAsInteger(project);
        d->adsTasks.Post();
    }
    d->SetCreationPhase(false);
    // Activate the two rows of the same task (code, project, client) and the other project's.
    for (int job : {jobs[2], jobs[1]}) {
        ASSERT_TRUE(GoToJob(job));
        d->adsTasks.Edit();
        F(d->adsTasks, "Active").SetAsBoolean(true);
    }
    ASSERT_TRUE(GoToJob(jobs[0]));
    d->adsTasks.Edit();
    F(d->adsTasks, "Active").SetAsBoolean(true);
    d->adsTasks.Post();
    std::map<int, bool> active;
    for (d->adsTasks.First(); !d->adsTasks.Eof(); d->adsTasks.Next())
        active[F(d->adsTasks, "JobId").AsInteger()] = F(d->adsTasks, "Active").AsBoolean();
    EXPECT_TRUE(active[jobs[0]]);
    EXPECT_TRUE(active[jobs[1]]) << "the same code, project and client stays active";
    EXPECT_FALSE(active[jobs[2]]) << "the same code in another project goes off";
    EXPECT_FALSE(active[1]) << "the seeded GEN task goes off";
}
