// The gathering of the history into the chart data set: filter, sort and condensing.

#include "ReportFixture.h"

namespace {
const double Mon = DateToDayNumber(QDate(2026, 11, 30)); // a week of the fixed clock's past
} // namespace

TEST_F(ReportTest, OneTaskOnThreeDaysGivesOneRowWithTheirSumAndTheFirstDate) {
    AddHistory("GEN", 0, 0, 0, Mon + 2, 60);
    AddHistory("GEN", 0, 0, 0, Mon, 90);
    AddHistory("GEN", 0, 0, 0, Mon + 1, 30);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("GEN/0/0/0=180")});
    TRecordSet& c = dm->adsChartData;
    c.First();
    // The first of the run in the sort order, which keeps the history's order for equal keys.
    EXPECT_EQ(F(c, "DateTimeCreated").AsDateTime(), Mon + 2);
    EXPECT_EQ(F(c, "DurationText").AsString(), QStringLiteral("0 Days 3 Hours 0 Minutes "));
    EXPECT_EQ(F(c, "TaskDescription").AsString(), QStringLiteral("General"));
}

TEST_F(ReportTest, RunsSplitOnProjectClientAndUser) {
    AddProject(5, "Bridge");
    AddHistory("GEN", 5, 0, 0, Mon, 60);
    AddHistory("GEN", 0, 0, 0, Mon, 30);
    AddHistory("GEN", 0, 0, 1, Mon + 1, 15); // another user, interleaved
    AddHistory("GEN", 0, 0, 0, Mon + 2, 45);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(),
              (QStringList{QStringLiteral("GEN/0/0/0=30"), QStringLiteral("GEN/0/0/1=15"),
                           QStringLiteral("GEN/0/0/0=45"), QStringLiteral("GEN/5/0/0=60")}));

    // Sorted by user first, the same rows make one run per user.
    Choose(rnUserActivity);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(),
              (QStringList{QStringLiteral("GEN/0/0/0=75"), QStringLiteral("GEN/5/0/0=60"),
                           QStringLiteral("GEN/0/0/1=15")}));
}

TEST_F(ReportTest, TheRangeIncludesItsLastDayAndNotTheNext) {
    AddHistory("GEN", 0, 0, 0, Mon - 1, 10);
    AddHistory("GEN", 0, 0, 0, Mon, 20);
    AddHistory("GEN", 0, 0, 0, Mon + 6, 30);
    AddHistory("GEN", 0, 0, 0, Mon + 7, 40);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("GEN/0/0/0=50")});
    EXPECT_EQ(F(details, "dtStartDate").AsDateTime(), Mon);
    EXPECT_EQ(F(details, "dtEndDate").AsDateTime(), Mon + 6);
}

TEST_F(ReportTest, RestrictionsFollowTheChosenReportOnly) {
    AddProject(5, "Bridge");
    AddClient(7, "Acme");
    AddHistory("GEN", 0, 0, 0, Mon, 10);
    AddHistory("ADMIN", 5, 7, 3, Mon, 20);

    // Report 2 with "All" unticked and no project picked: the seeded project 0.
    Choose(rnProjectSummary, false, 0);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("GEN/0/0/0=10")});
    EXPECT_TRUE(dm->adsReporting.Filter().endsWith(QLatin1String(" AND ProjectNumber = 0")));

    // Report 1 ignores the pickers even though they are set.
    Choose(rnTaskDuration, false, 5);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows().size(), 2);

    Choose(rnClientActivity, false, 7);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("ADMIN/5/7/3=20")});
    Choose(rnUserActivity, false, 3);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("ADMIN/5/7/3=20")});
    EXPECT_EQ(dm->adsReporting.Sort(), QStringLiteral("UserId,ProjectNumber,TaskCode"));
    // Negative keys are written as they stand.
    Choose(rnUserActivity, false, -3);
    EXPECT_TRUE(ReportFilterText(details, Mon, Mon).endsWith(QLatin1String(" AND UserID = -3")));
}

TEST_F(ReportTest, AnUnknownReportGathersByDateAndKeepsTheSort) {
    AddProject(5, "Bridge");
    AddHistory("GEN", 5, 0, 0, Mon, 10);
    AddHistory("GEN", 0, 0, 0, Mon, 20);
    Choose(9, false, 5);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(
        dm->adsReporting.Filter(),
        QStringLiteral(" DateTimeSubmitted >= 30/11/2026 AND DateTimeSubmitted <= 06/12/2026"));
    EXPECT_TRUE(dm->adsReporting.Sort().isEmpty());
    EXPECT_EQ(ChartRows(),
              (QStringList{QStringLiteral("GEN/5/0/0=10"), QStringLiteral("GEN/0/0/0=20")}));
}

TEST_F(ReportTest, AnEmptyRangeEmptiesTheChartAndWholeDaysAreDropped) {
    AddHistory("GEN", 0, 0, 0, Mon, 30);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    ASSERT_EQ(ChartRows().size(), 1);
    Populate(Mon + 7, Mon + 13);
    EXPECT_TRUE(ChartRows().isEmpty());

    // A duration holding a whole day counts only its time of day.
    TRecordSet& h = dm->adsReporting;
    h.SetFiltered(false);
    h.First();
    h.Edit();
    F(h, "Duration").SetAsFloat(1 + 30 * Minute);
    h.Post();
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(), QStringList{QStringLiteral("GEN/0/0/0=30")});
}

TEST_F(ReportTest, ARunWithoutATaskCodeKeepsItsTime) {
    AddHistory("", 0, 0, 0, Mon, 25);
    AddHistory("", 0, 0, 0, Mon + 1, 5);
    AddHistory("GEN", 0, 0, 0, Mon, 40);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(ChartRows(),
              (QStringList{QStringLiteral("/0/0/0=30"), QStringLiteral("GEN/0/0/0=40")}));
}

TEST_F(ReportTest, AFilterThatCannotApplyResumesTheDisplays) {
    Choose(rnTaskDuration);
    dm->adsReporting.FieldByName(QStringLiteral("DateTimeSubmitted"));
    // A format whose short date the filter cannot read back makes the filter fail.
    TFormatSettings odd = TFormatSettings::Current();
    odd.ShortDateFormat = QStringLiteral("dd MMM yyyy");
    const TFormatSettings saved = TFormatSettings::Current();
    TFormatSettings::SetCurrent(odd);
    const QString error = ErrorOf([this] { Populate(Mon, Mon + 6); });
    TFormatSettings::SetCurrent(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(dm->adsReporting.ControlsDisabled());
    EXPECT_FALSE(dm->adsChartData.ControlsDisabled());
}

TEST_F(ReportTest, RowsAddedWhileTheHistoryStaysFilteredAreKept) {
    AddHistory("GEN", 0, 0, 0, Mon, 30);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    ASSERT_TRUE(dm->adsReporting.Filtered());
    // A later submission adds rows outside the report's range.
    AddHistory("GEN", 0, 0, 0, Mon + 7, 45);
    AddHistory("ADMIN", 0, 0, 0, Mon + 8, 15);
    dm->SaveData();
    StartPortable();
    EXPECT_FALSE(dm->adsReporting.Filtered());
    EXPECT_EQ(dm->adsReporting.RecordCount(), 3);
}
