// The week's submission into the history and the Step rounding.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Submit_Week.h"
#include "support/TScriptedDialogService.h"

#include <algorithm>
#include <cmath>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}
constexpr double Minute = 1.0 / 1440.0;

class SubmitWeekTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        d = dm.get();
        // The seeded task holds no time; clear it away so each test builds its own week.
        d->adsTasks.First();
        d->adsTasks.Delete();
    }

    void SetOptions(int startDay, double weekStart, bool removeUnused = true, int step = 15) {
        d->adsDefaults.Edit();
        F(d->adsDefaults, "StartDayOfWeek").SetAsInteger(startDay);
        F(d->adsDefaults, "WeekStartDate").SetAsDateTime(weekStart);
        F(d->adsDefaults, "RemoveUnusedTasks").SetAsBoolean(removeUnused);
        F(d->adsDefaults, "MinimumTaskDuration").SetAsInteger(step);
        d->adsDefaults.Post();
    }

    int AddTask(const QString& code, std::initializer_list<std::pair<const char*, double>> days,
                bool completed = false) {
        d->adsTasks.Append();
        const int job = F(d->adsTasks, "JobId").AsInteger();
        F(d->adsTasks, "TaskCode").SetAsString(code);
        for (const auto& [column, value] : days)
            F(d->adsTasks, column).SetAsFloat(value);
        F(d->adsTasks, "Completed").SetAsBoolean(completed);
        d->adsTasks.Post();
        return job;
    }

    QList<std::pair<double, double>> History() { // (date, duration)
        QList<std::pair<double, double>> rows;
        for (d->adsReporting.First(); !d->adsReporting.Eof(); d->adsReporting.Next())
            rows.append({F(d->adsReporting, "DateTimeSubmitted").AsDateTime(),
                         F(d->adsReporting, "Duration").AsFloat()});
        return rows;
    }

    TScopedDialogService dialogs;
    TdmTasks_Form* d = nullptr;
};
} // namespace

TEST_F(SubmitWeekTest, OneHistoryRowPerTaskAndDayDatedTheDayWorked) {
    TClock::SetFixed(Day(2008, 3, 12) + 10 * Hour);
    SetOptions(2, Day(2008, 2, 25));
    d->ShowWeek(Day(2008, 3, 3));
    AddTask(QStringLiteral("ADMIN"),
            {{"MonDuration", 90 * Minute}, {"WedDuration", 45 * Minute}, {"SunDuration", Hour}});
    d->adsUsers.First();
    const int user = F(d->adsUsers, "UserID").AsInteger();
    double submitDate = Day(2008, 3, 3);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("03/03/2008")));
    EXPECT_TRUE(dialogs->Questions.isEmpty());
    const auto rows = History();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], std::make_pair(Day(2008, 3, 9), Hour)) << "Sunday is the week's last day";
    EXPECT_EQ(rows[1].first, Day(2008, 3, 3));
    EXPECT_NEAR(rows[1].second, 90 * Minute, 1e-12);
    EXPECT_EQ(rows[2].first, Day(2008, 3, 5));
    d->adsReporting.First();
    EXPECT_EQ(F(d->adsReporting, "TaskCode").AsString(), QStringLiteral("ADMIN"));
    EXPECT_EQ(F(d->adsReporting, "TaskDescription").AsString(), QStringLiteral("Administration"));
    EXPECT_EQ(F(d->adsReporting, "UserId").AsInteger(), user);
    EXPECT_EQ(F(d->adsReporting, "InvoiceNumber").AsInteger(), 0);
    EXPECT_FALSE(F(d->adsReporting, "Duration").ReadOnly());
    d->adsTasks.First();
    for (const char* day : {"MonDuration", "WedDuration", "SunDuration"})
        EXPECT_EQ(F(d->adsTasks, day).AsFloat(), 0);
    for (int day = 1; day <= 7; ++day)
        EXPECT_EQ(d->TotalDuration(day), 0);
}

TEST_F(SubmitWeekTest, ASundayStartDatesSundayTimeOnTheStartDate) {
    TClock::SetFixed(Day(2008, 3, 20));
    SetOptions(1, Day(2008, 3, 2));
    d->ShowWeek(Day(2008, 3, 2));
    AddTask(QStringLiteral("ADMIN"), {{"SunDuration", Hour}, {"SatDuration", Hour}});
    double submitDate = Day(2008, 3, 2);
    dialogs->ConfirmAnswers = {true};
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("02/03/2008")));
    const auto rows = History();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].first, Day(2008, 3, 2));
    EXPECT_EQ(rows[1].first, Day(2008, 3, 8));
}

TEST_F(SubmitWeekTest, CompletedAndUnusedTasksGo) {
    TClock::SetFixed(Day(2008, 3, 12));
    SetOptions(2, Day(2008, 3, 3));
    d->adsTaskCodes.Append();
    F(d->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("IDLE"));
    d->adsTaskCodes.Post();
    d->ShowWeek(Day(2008, 3, 10));
    AddTask(QStringLiteral("GEN"), {{"TueDuration", Hour}}, true);
    AddTask(QStringLiteral("ADMIN"), {}, true);
    AddTask(QStringLiteral("IDLE"), {});
    double submitDate = Day(2008, 3, 10);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(History().size(), 1);
    d->adsReporting.First();
    EXPECT_TRUE(F(d->adsReporting, "Completed").AsBoolean());
    EXPECT_EQ(d->adsTasks.RecordCount(), 0);
    d->adsTasks.First();
    EXPECT_EQ(d->adsTasks.RecordCount(), 0) << "an emptied week gets no blank task";
}

TEST_F(SubmitWeekTest, UnusedTasksStayWhenTheOptionIsOff) {
    TClock::SetFixed(Day(2008, 3, 12));
    SetOptions(2, Day(2008, 3, 3), false);
    d->ShowWeek(Day(2008, 3, 10));
    AddTask(QStringLiteral("ADMIN"), {});
    AddTask(QStringLiteral("GEN"), {{"MonDuration", Hour}}, false);
    double submitDate = Day(2008, 3, 10);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(d->adsTasks.RecordCount(), 2);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(History().size(), 1) << "a second submission without new time writes nothing";
}

TEST_F(SubmitWeekTest, BothQuestionsAreAskedAndEitherNoStopsEverything) {
    TClock::SetFixed(Day(2008, 3, 5) + 10 * Hour);
    SetOptions(2, Day(2008, 3, 3));
    d->ShowWeek(Day(2008, 3, 10));
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", Hour}});
    // Time of the week of 10 March is in the history already.
    d->adsReporting.Append();
    F(d->adsReporting, "TaskCode").SetAsString(QStringLiteral("GEN"));
    F(d->adsReporting, "DateTimeSubmitted").SetAsDateTime(Day(2008, 3, 12));
    d->adsReporting.Post();
    double submitDate = Day(2008, 3, 10);
    dialogs->ConfirmAnswers = {false, true};
    EXPECT_FALSE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    ASSERT_EQ(dialogs->Questions.size(), 2);
    EXPECT_EQ(
        dialogs->Questions[0],
        QStringLiteral(
            "You have previously submitted week starting 10/03/2008. Do you wish to continue ?"));
    EXPECT_EQ(
        dialogs->Questions[1],
        QStringLiteral(
            "You are submitting details for a date in the future. Do you wish to continue ?"));
    dialogs->ConfirmAnswers = {true, false};
    EXPECT_FALSE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(History().size(), 1);
    d->adsTasks.First();
    EXPECT_EQ(F(d->adsTasks, "MonDuration").AsFloat(), Hour);
    dialogs->ConfirmAnswers = {true, true};
    EXPECT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(History().size(), 2);
}

TEST_F(SubmitWeekTest, ThePreviouslySubmittedQuestionComesExactlyForAWeekWithHistory) {
    TClock::SetFixed(Day(2008, 3, 28));
    SetOptions(2, Day(2008, 3, 3)); // as the first run seeds it: this week, nothing submitted
    d->ShowWeek(Day(2008, 3, 3));
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", Hour}});
    double submitDate = Day(2008, 3, 3);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("03/03/2008")));
    EXPECT_TRUE(dialogs->Questions.isEmpty()) << "nothing was submitted for this week before";
    EXPECT_EQ(d->ShownWeek(), Day(2008, 3, 10)) << "the cells show the week after";
    d->ShowWeek(Day(2008, 3, 3));
    d->adsTasks.First();
    d->adsTasks.Edit();
    F(d->adsTasks, "TueDuration").SetAsFloat(Hour);
    d->adsTasks.Post();
    // Any day of that week typed into the box names the same week.
    submitDate = Day(2008, 3, 5);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("05/03/2008")));
    ASSERT_EQ(dialogs->Questions.size(), 1);
    EXPECT_TRUE(dialogs->Questions[0].contains(QStringLiteral("03/03/2008")));
}

TEST_F(SubmitWeekTest, TheWeekSubmittedIsTheLastSubmittedAndTheReviewMovesOn) {
    SetOptions(2, Day(2008, 3, 3));
    TClock::SetFixed(Day(2008, 3, 14)); // a Friday
    double submitDate = Day(2008, 3, 10);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("10/03/2008")));
    EXPECT_EQ(submitDate, Day(2008, 3, 17));
    EXPECT_EQ(F(d->adsDefaults, "WeekStartDate").AsDateTime(), Day(2008, 3, 10));
    EXPECT_EQ(d->adsDefaults.Tag, 1) << "the move is posted, so it is saved";
    // An earlier week submitted again does not move the last submitted week back.
    submitDate = Day(2008, 3, 3);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("03/03/2008")));
    EXPECT_EQ(submitDate, Day(2008, 3, 10));
    EXPECT_EQ(F(d->adsDefaults, "WeekStartDate").AsDateTime(), Day(2008, 3, 10));
}

TEST_F(SubmitWeekTest, ThreeWeeksSubmittedOnThreeFridaysLandInThreeConsecutiveWeeks) {
    SetOptions(2, Day(2008, 3, 3));
    AddTask(QStringLiteral("ADMIN"), {});
    TClock::SetFixed(Day(2008, 3, 7));
    double submitDate = d->WeekToOpen();
    EXPECT_EQ(submitDate, Day(2008, 3, 3));
    d->ShowWeek(submitDate);
    for (int week = 0; week < 3; ++week) {
        TClock::SetFixed(Day(2008, 3, 7) + 7 * week + 16 * Hour); // Friday afternoon
        d->adsTasks.First();
        d->adsTasks.Edit();
        F(d->adsTasks, "MonDuration").SetAsFloat(Hour);
        F(d->adsTasks, "FriDuration").SetAsFloat(2 * Hour);
        d->adsTasks.Post();
        ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, DateToStr(submitDate)));
    }
    EXPECT_TRUE(dialogs->Questions.isEmpty());
    QList<double> dates;
    for (const auto& [date, duration] : History())
        dates << date;
    std::sort(dates.begin(), dates.end());
    EXPECT_EQ(dates, (QList<double>{Day(2008, 3, 3), Day(2008, 3, 7), Day(2008, 3, 10),
                                    Day(2008, 3, 14), Day(2008, 3, 17), Day(2008, 3, 21)}));
}

TEST_F(SubmitWeekTest, EveryRowFallsOnTheWeekdayOfItsColumnWhateverTheFirstDay) {
    const char* const columns[8] = {nullptr,       "SunDuration", "MonDuration", "TueDuration",
                                    "WedDuration", "ThuDuration", "FriDuration", "SatDuration"};
    TClock::SetFixed(Day(2008, 4, 30));
    for (int startDay = 1; startDay <= 7; ++startDay) {
        SCOPED_TRACE(startDay);
        SetOptions(startDay, Day(2008, 3, 1));
        d->ShowWeek(StartOfWeek(Day(2008, 3, 12), startDay));
        d->adsTasks.Append();
        F(d->adsTasks, "TaskCode").SetAsString(QStringLiteral("GEN"));
        for (int day = 1; day <= 7; ++day)
            F(d->adsTasks, columns[day]).SetAsFloat(day * Minute);
        d->adsTasks.Post();
        // The box holds a Wednesday: the week is the one around it.
        double submitDate = Day(2008, 3, 12);
        ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("12/03/2008")));
        const auto rows = History();
        ASSERT_EQ(rows.size(), 7);
        const double first = StartOfWeek(Day(2008, 3, 12), startDay);
        for (const auto& [date, duration] : rows) {
            const int minutes = int(std::lround(duration / Minute));
            EXPECT_EQ(DayOfWeekNumber(date), minutes) << "the time of column " << minutes;
            EXPECT_GE(date, first);
            EXPECT_LT(date, first + 7);
        }
        EXPECT_EQ(submitDate, first + 7);
        while (!d->adsReporting.IsEmpty()) {
            d->adsReporting.First();
            d->adsReporting.Delete();
        }
        while (!d->adsTasks.IsEmpty()) {
            d->adsTasks.First();
            d->adsTasks.Delete();
        }
    }
}

TEST_F(SubmitWeekTest, TimeIsBookedToTheTimesheetUserWhateverUserRowIsCurrent) {
    TClock::SetFixed(Day(2008, 3, 12));
    SetOptions(2, Day(2008, 3, 3));
    const int ann = AddAnn(*d);
    d->ShowWeek(Day(2008, 3, 3));
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", Hour}});
    SetTimesheetUser(*d, ann);
    d->adsUsers.First(); // the guest, as a users dialog browsed to it
    double submitDate = Day(2008, 3, 3);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("03/03/2008")));
    d->adsReporting.First();
    EXPECT_EQ(F(d->adsReporting, "UserId").AsInteger(), ann);
    // An options row of an older file has no timesheet user: the first user.
    d->adsDefaults.Edit();
    F(d->adsDefaults, "TimesheetUserID").Clear();
    d->adsDefaults.Post();
    d->adsUsers.Last();
    EXPECT_EQ(d->TimesheetUserID(), 0);
}

TEST_F(SubmitWeekTest, ABadWeekStartTextStopsWithNothingChanged) {
    TClock::SetFixed(Day(2008, 3, 20));
    SetOptions(2, Day(2008, 3, 3));
    d->ShowWeek(Day(2008, 3, 10));
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", Hour}});
    double submitDate = Day(2008, 3, 10);
    try {
        SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("32/03/08"));
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'32/03/08' is not a valid date"));
    }
    EXPECT_EQ(History().size(), 0);
    EXPECT_FALSE(d->adsTasks.ControlsDisabled());
    d->adsTasks.First();
    EXPECT_EQ(F(d->adsTasks, "MonDuration").AsFloat(), Hour);
}

TEST_F(SubmitWeekTest, StepRoundsDownToWholeStepsAndKeepsTotalsAndRow) {
    SetOptions(2, Day(2008, 3, 3), true, 15);
    d->ShowWeek(Day(2008, 3, 3));
    const double hairBelowHalfHour = 30 * Minute - 1e-12;
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", 14 * Minute}, {"TueDuration", 15 * Minute}});
    const int second = AddTask(QStringLiteral("GEN"),
                               {{"MonDuration", 67 * Minute}, {"WedDuration", hairBelowHalfHour}});
    d->adsTasks.Locate(QStringLiteral("JobId"), second);
    StepWeek(*d);
    EXPECT_EQ(F(d->adsTasks, "JobId").AsInteger(), second);
    EXPECT_EQ(d->adsTasks.State(), TDataSetState::Edit);
    EXPECT_NEAR(F(d->adsTasks, "MonDuration").AsFloat(), Hour, 1e-12);
    EXPECT_NEAR(F(d->adsTasks, "WedDuration").AsFloat(), 30 * Minute, 1e-12);
    d->adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("ADMIN"));
    EXPECT_EQ(F(d->adsTasks, "MonDuration").AsFloat(), 0);
    EXPECT_NEAR(F(d->adsTasks, "TueDuration").AsFloat(), 15 * Minute, 1e-12);
    EXPECT_NEAR(d->TotalDuration(2), Hour, 1e-9);
    EXPECT_NEAR(d->TotalDuration(3), 15 * Minute, 1e-9);
    EXPECT_NEAR(d->TotalDuration(4), 30 * Minute, 1e-9);
    EXPECT_EQ(d->Journal().DayMinutes(second, Day(2008, 3, 3)), 60) << "the journal follows";
}

TEST_F(SubmitWeekTest, StepOfZeroDoesNothing) {
    SetOptions(2, Day(2008, 3, 3), true, 0);
    AddTask(QStringLiteral("ADMIN"), {{"MonDuration", 14 * Minute}});
    StepWeek(*d);
    d->adsTasks.First();
    EXPECT_NEAR(F(d->adsTasks, "MonDuration").AsFloat(), 14 * Minute, 1e-12);
}

TEST_F(SubmitWeekTest, TheReviewOpensOnTheEarliestWeekWithTimeOrThisWeekOrAMissedOne) {
    const double monday = Day(2008, 3, 3);
    SetOptions(2, monday - 7 + 0.6);
    // Last submitted the week before: this week, whatever the day and hour.
    for (double now = monday; now < monday + 7; now += 0.25) {
        TClock::SetFixed(now);
        EXPECT_EQ(d->WeekToOpen(), monday) << now;
    }
    // The week of today was submitted already: still the week of today.
    SetOptions(2, monday);
    EXPECT_EQ(d->WeekToOpen(), monday);
    // Last submitted three weeks ago: the week after it, so that none is skipped.
    SetOptions(2, monday - 21);
    EXPECT_EQ(d->WeekToOpen(), monday - 14);
    // Weeks beginning on Sunday.
    SetOptions(1, monday - 8);
    EXPECT_EQ(d->WeekToOpen(), monday - 1);
    // Time not yet submitted is never hidden behind a later week, whatever was submitted.
    SetOptions(2, monday);
    d->ShowWeek(monday - 14);
    AddTask(QStringLiteral("ADMIN"), {{"TueDuration", Hour}});
    EXPECT_EQ(d->WeekToOpen(), monday - 14);
}

TEST(ReviewWeek, ANewFirstDayKeepsTodayInTheReviewWeek) {
    const double sunday = Day(2008, 3, 2), wednesday = Day(2008, 3, 5) + 0.4;
    // The week of today, Sunday to Saturday, becomes the Monday week of today.
    EXPECT_EQ(ReviewWeekAfterStartDayChange(sunday, 1, 2, wednesday), Day(2008, 3, 3));
    // And back.
    EXPECT_EQ(ReviewWeekAfterStartDayChange(Day(2008, 3, 3), 2, 1, wednesday), sunday);
    // Another week goes back to the new first day on or before it.
    EXPECT_EQ(ReviewWeekAfterStartDayChange(sunday - 14, 1, 2, wednesday), Day(2008, 2, 11));
}

TEST_F(SubmitWeekTest, ALastTaskWithoutTimeTakesOnlyItselfAway) {
    TClock::SetFixed(Day(2008, 3, 12) + 10 * Hour);
    SetOptions(2, Day(2008, 2, 25));
    d->ShowWeek(Day(2008, 3, 3));
    for (const char* code : {"ONE", "TWO", "THREE"}) {
        d->adsTaskCodes.Append();
        F(d->adsTaskCodes, "TaskCode").SetAsString(QLatin1String(code));
        d->adsTaskCodes.Post();
    }
    AddTask(QStringLiteral("ONE"), {{"MonDuration", Hour}});
    AddTask(QStringLiteral("TWO"), {{"TueDuration", Hour}});
    AddTask(QStringLiteral("THREE"), {}); // the last row: no time, not completed
    double submitDate = Day(2008, 3, 3);
    ASSERT_TRUE(SubmitWeek(*d, *dialogs, submitDate, QStringLiteral("03/03/2008")));
    QStringList left;
    for (d->adsTasks.First(); !d->adsTasks.Eof(); d->adsTasks.Next())
        left << F(d->adsTasks, "TaskCode").AsString();
    EXPECT_EQ(left, (QStringList{QStringLiteral("ONE"), QStringLiteral("TWO")}));
    EXPECT_EQ(History().size(), 2);
}
