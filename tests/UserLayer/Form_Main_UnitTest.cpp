// The main window and its clock: the minute tick, the current task, pause, the lunch break,
// the Today column, the caption, closing and the one-program lock.

#include "DataModuleFixture.h"

#include "BaseUnits/Current_Task_Obj_Unit.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_IdleTime.h"
#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}
constexpr double Minute = 1.0 / 1440.0;
constexpr double Second = 1.0 / 86400.0;

class MainFormTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        TForm_Main_Form::SplashOnCreate = false;
        TClock::SetFixed(Day(2026, 12, 7) + 9 * Hour); // a Monday, 09:00
        StartSetUp();
    }
    void TearDown() override {
        form.reset();
        DataModuleTest::TearDown();
    }
    TForm_Main_Form& Open() {
        form = std::make_unique<TForm_Main_Form>(*dm);
        return *form;
    }
    TFrame_TimeTracker_Form& Frame() { return *form->Frame_TimeTracker_Form1; }
    void AddTask(const QString& code, bool active) {
        dm->adsTaskCodes.Append();
        F(dm->adsTaskCodes, "TaskCode").SetAsString(code);
        dm->adsTaskCodes.Post();
        dm->adsTasks.Append();
        F(dm->adsTasks, "TaskCode").SetAsString(code);
        F(dm->adsTasks, "Active").SetAsBoolean(active);
        dm->adsTasks.Post();
    }
    double Duration(const QString& code, const char* column) {
        const auto clone = dm->adsTasks.Clone();
        clone->Locate(QStringLiteral("TaskCode"), code);
        return F(*clone, column).AsFloat();
    }
    void SetLunch(double start, double end) {
        dm->adsDefaults.Edit();
        F(dm->adsDefaults, "StartTime").SetAsDateTime(start);
        F(dm->adsDefaults, "EndTime").SetAsDateTime(end);
        dm->adsDefaults.Post();
    }
    // A tick of the one-second timer at a moment; a question it asks comes a moment later.
    void SecondAt(double moment) {
        TClock::SetFixed(moment);
        form->Frame_TimeTracker_Form1tLastUsedTimerTimer();
        QCoreApplication::processEvents();
    }
    // The tracker's seconds a minute apart, from a moment on.
    void MinutesFrom(double moment, int minutes) {
        for (int minute = 0; minute <= minutes; ++minute)
            SecondAt(moment + minute * Minute);
    }

    std::unique_ptr<TForm_Main_Form> form;
    TScopedDialogService dialogs;
};
} // namespace

TEST_F(MainFormTest, TimeIsTheWallClockBetweenStartAndNowOnTodayOfEveryActiveTask) {
    AddTask(QStringLiteral("IDLE"), false);
    Open();
    EXPECT_EQ(Frame().dbeMon->DataField(), QStringLiteral("MonDuration"));
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 10 * Second);
    form->StartTracking(); // 09:00:10
    EXPECT_EQ(dm->Journal().RunningTasks().size(), 1u);
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute + 9 * Second);
    EXPECT_EQ(Duration(QStringLiteral("GEN"), "MonDuration"), 0) << "59 seconds are no minute yet";
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute + 10 * Second);
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), Minute, 1e-12);
    EXPECT_EQ(Duration(QStringLiteral("IDLE"), "MonDuration"), 0);
    EXPECT_NEAR(dm->TotalDuration(2), Minute, 1e-12);
    EXPECT_EQ(dm->TotalDuration(3), 0);
    EXPECT_EQ(Frame().CurrentTask().TaskCode(), QStringLiteral("GEN"));
    EXPECT_EQ(Frame().CurrentTask().CurrentTaskDetail, QStringLiteral("GEN 00:01:00"));
    EXPECT_EQ(Frame().lblMonDuration->text(), QStringLiteral("00:01"));
    // Seconds missed by the timer are not lost: the next one sees the clock.
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 2 * Minute + 10 * Second);
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), 2 * Minute, 1e-12);
}

TEST_F(MainFormTest, TypingHoldsTheCellsBackButNotTheTime) {
    Open();
    form->StartTracking();
    Frame().ResetLastUsed(); // typed a moment ago
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute);
    EXPECT_EQ(Duration(QStringLiteral("GEN"), "MonDuration"), 0) << "the row is left alone";
    for (int i = 0; i < 4; ++i)
        Frame().tLastUsedTimerTimer();
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 2 * Minute);
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), 2 * Minute, 1e-12);
}

TEST_F(MainFormTest, TheTickWaitsForTypingInTheReviewWindowAndLeavesItsTextInPlace) {
    Open();
    form->StartTracking();
    TForm_Submit_Form review(*dm);
    ASSERT_TRUE(ShowActive(review));
    TFrame_TimeTracker_Form& grid = *review.Frame_TimeTracker_Form1;
    dm->adsTasks.First();
    grid.dbeTue->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(grid.dbeTue->hasFocus());
    for (const char key : {'0', '2', '1', '5'}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QLatin1Char(key)));
        QCoreApplication::sendEvent(grid.dbeTue, &press);
    }
    ASSERT_EQ(grid.dbeTue->displayText(), QStringLiteral("02:15"));

    // Typed a moment ago in the review window's grid: the cells wait, the time does not.
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 2 * Minute);
    Frame().TimeTrackerTimerTimer();
    EXPECT_EQ(Duration(QStringLiteral("GEN"), "MonDuration"), 0);
    // Four seconds later the cells show it, and the text still being typed is left as it is.
    for (int i = 0; i < 4; ++i)
        grid.tLastUsedTimerTimer();
    Frame().TimeTrackerTimerTimer();
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), 2 * Minute, 1e-12);
    EXPECT_EQ(grid.dbeTue->displayText(), QStringLiteral("02:15"));
    EXPECT_TRUE(review.PostPendingEdit());
    dm->adsTasks.CheckBrowseMode();
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "TueDuration"), 2.25 * Hour, 1e-12);
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), 2 * Minute, 1e-12);
    EXPECT_EQ(dm->Journal().DayMinutes(1, Day(2026, 12, 8)), 135) << "typed for Tuesday 8th";
    review.hide();
}

TEST_F(MainFormTest, NoRowChangesWhileANewTaskIsBeingEntered) {
    Open();
    form->StartTracking();
    dm->adsTasks.Append();
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 2 * Minute);
    Frame().TimeTrackerTimerTimer();
    EXPECT_EQ(dm->adsTasks.State(), TDataSetState::Insert) << "the new row stays the user's";
    dm->adsTasks.Cancel();
    Frame().TimeTrackerTimerTimer();
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), 2 * Minute, 1e-12);
}

TEST_F(MainFormTest, TwoActiveTasksAreBothTrackedAndTheLaterOneIsShown) {
    // Two active rows can only come from stored data, or with one task active switched off.
    AddTask(QStringLiteral("ZED"), true);
    dm->adsTasks.First();
    dm->adsTasks.Edit();
    F(dm->adsTasks, "Active").SetAsBoolean(false);
    dm->adsTasks.Post();
    dm->SaveData();
    {
        TRecordSet tasks;
        tasks.LoadFromFile(PortableDataDir() + QStringLiteral("Tasksfile.xml"));
        for (tasks.First(); !tasks.Eof(); tasks.Next()) {
            tasks.Edit();
            tasks.FieldByName(QStringLiteral("Active")).SetAsBoolean(true);
            tasks.Post();
        }
        tasks.SaveToFile(PortableDataDir() + QStringLiteral("Tasksfile.xml"));
    }
    StartPortable();
    Open();
    dm->adsTasks.SetSort(QStringLiteral("TaskCode"));
    form->StartTracking();
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute);
    EXPECT_EQ(Frame().CurrentTask().TaskCode(), QStringLiteral("ZED"));
    EXPECT_NEAR(Duration(QStringLiteral("GEN"), "MonDuration"), Minute, 1e-12);
    EXPECT_NEAR(Duration(QStringLiteral("ZED"), "MonDuration"), Minute, 1e-12);
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute + Second);
    EXPECT_EQ(Frame().CurrentTask().CurrentTaskDetail, QStringLiteral("ZED 00:01:01"));
    EXPECT_EQ(form->lblCurrentTask->text(), QStringLiteral("ZED 00:01:01"));
}

TEST_F(MainFormTest, PrioritiesFollowTheCompletionDateOnEveryTick) {
    AddTask(QStringLiteral("SOON"), false);
    dm->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("SOON"));
    dm->adsTaskCodes.Edit();
    F(dm->adsTaskCodes, "CompletionDate").SetAsDateTime(TClock::Today() + 3);
    dm->adsTaskCodes.Post();
    Open();
    Frame().TimeTrackerTimerTimer();
    dm->adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("SOON"));
    EXPECT_EQ(F(dm->adsTasks, "Priority").AsInteger(), 1);
    EXPECT_FALSE(dm->adsTaskCodes.Filtered()) << "the pass clears its filter";
}

TEST_F(MainFormTest, PauseStopsTheTimeToTheSecondAndStartGoesOnFromThere) {
    Open();
    form->StartTracking(); // 09:00
    EXPECT_EQ(form->aPauseRestart->text(), QStringLiteral("&Pause"));
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 10 * Minute + 30 * Second);
    form->aPauseRestartExecute();
    EXPECT_TRUE(form->Paused());
    EXPECT_FALSE(Frame().TimeTrackerTimer->isActive());
    EXPECT_EQ(form->aPauseRestart->text(), QStringLiteral("&Start"));
    EXPECT_FALSE(Frame().lblPaused->isHidden());
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 20 * Minute);
    form->aPauseRestartExecute();
    EXPECT_EQ(form->aPauseRestart->text(), QStringLiteral("Pau&se"));
    EXPECT_TRUE(Frame().TimeTrackerTimer->isActive());
    EXPECT_TRUE(Frame().lblPaused->isHidden());
    SecondAt(Day(2026, 12, 7) + 9 * Hour + 29 * Minute + 30 * Second);
    EXPECT_EQ(dm->Journal().DayMSecs(1, Day(2026, 12, 7)), 20 * 60000)
        << "10:30 before the pause and 9:30 after it";
}

TEST_F(MainFormTest, TheLunchBreakPausesEveryDayAtTheTimesTheOptionsHoldNow) {
    SetLunch(Day(2001, 1, 1) + 12.5 * Hour, Day(2001, 1, 1) + 13.25 * Hour); // any date part
    Open();
    form->StartTracking(); // Monday 09:00
    for (int day = 0; day < 5; ++day) {
        SCOPED_TRACE(day);
        const double date = Day(2026, 12, 7) + day;
        // The tracker's seconds come a minute apart, as under load; the break still begins
        // and ends at its own times.
        for (double t = date + 9 * Hour; t <= date + 17 * Hour; t += Minute + 7 * Second)
            SecondAt(t);
        SecondAt(date + 17 * Hour);
        EXPECT_FALSE(form->Paused());
        EXPECT_EQ(dm->Journal().DayMinutes(1, date), 8 * 60 - 45) << "no lunch minute tracked";
        form->aPauseRestartExecute(); // the evening and the night
        SecondAt(date + 1 + 9 * Hour);
        form->aPauseRestartExecute();
    }
}

TEST_F(MainFormTest, AUsersPauseOutlivesTheBreakAndAStartInTheBreakKeepsTracking) {
    SetLunch(Day(2026, 12, 7) + 12.5 * Hour, Day(2026, 12, 7) + 13.25 * Hour);
    Open();
    form->StartTracking();
    const double today = Day(2026, 12, 7);
    SecondAt(today + 12 * Hour);
    form->aPauseRestartExecute(); // a pause by hand at 12:00
    SecondAt(today + 12.5 * Hour);
    EXPECT_TRUE(form->Lunchtime());
    SecondAt(today + 13.5 * Hour);
    EXPECT_FALSE(form->Lunchtime());
    EXPECT_TRUE(form->Paused()) << "the user's pause stays after the break";
    // The next day: the break pauses, the user starts again in it, and tracking goes on.
    SecondAt(today + 1 + 12.5 * Hour - Second);
    form->aPauseRestartExecute();
    SecondAt(today + 1 + 12.5 * Hour);
    EXPECT_TRUE(form->Paused());
    SecondAt(today + 1 + 12.75 * Hour);
    form->aPauseRestartExecute();
    EXPECT_FALSE(form->Paused());
    SecondAt(today + 1 + 13.5 * Hour);
    EXPECT_FALSE(form->Paused());
    EXPECT_EQ(dm->Journal().DayMinutes(1, today + 1), 45);
}

TEST_F(MainFormTest, NoBreakWithoutBothTimesOrWithTheStartAfterTheEnd) {
    Open();
    const double today = Day(2026, 12, 7);
    SetLunch(0, today + 13 * Hour);
    SecondAt(today + 12.5 * Hour);
    EXPECT_FALSE(form->Paused());
    SetLunch(today + 14 * Hour, today + 13 * Hour);
    SecondAt(today + 13.5 * Hour);
    EXPECT_FALSE(form->Paused());
}

TEST_F(MainFormTest, TheTodayColumnMovesASecondAfterMidnight) {
    TClock::SetFixed(Day(2026, 12, 9) + 23 * Hour); // Wednesday
    Open();
    EXPECT_EQ(Frame().dbeMon->DataField(), QStringLiteral("WedDuration"));
    SecondAt(Day(2026, 12, 10) + Second);
    EXPECT_EQ(Frame().dbeMon->DataField(), QStringLiteral("ThuDuration"));
}

TEST_F(MainFormTest, NothingIsCountedBeforeTrackingStarts) {
    Open();
    SecondAt(Day(2026, 12, 7) + 10 * Hour); // an hour with the setup still open
    EXPECT_TRUE(dm->Journal().RunningTasks().empty());
    EXPECT_EQ(dm->Journal().DayMSecs(1, Day(2026, 12, 7)), 0);
    form->StartTracking();
    SecondAt(Day(2026, 12, 7) + 10 * Hour + 5 * Minute);
    EXPECT_EQ(dm->Journal().DayMinutes(1, Day(2026, 12, 7)), 5);
}

TEST_F(MainFormTest, LayoutFilterAndCaption) {
    dm->adsDefaults.Edit();
    F(dm->adsDefaults, "DisplayClients").SetAsBoolean(true);
    dm->adsDefaults.Post();
    Open();
    EXPECT_TRUE(Frame().pClient->isHidden()) << "the main window starts without clients";
    EXPECT_EQ(Frame().pMonday->text(), QStringLiteral("Today"));
    EXPECT_TRUE(Frame().pTuesday->isHidden());
    EXPECT_TRUE(Frame().pCompleted->isHidden());
    EXPECT_EQ(Frame().pActive->toolTip(), QStringLiteral("Active"));
    EXPECT_EQ(dm->adsTasks.Filter(), QStringLiteral("Completed = False"));
    EXPECT_TRUE(dm->adsTasks.Filtered());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Plenk - Monday, 7 December 2026 - 09:00"));
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Plenk - Monday, 7 December 2026 - 09:01"));
    EXPECT_EQ(form->AutoSaveTimer->interval(), 600000);
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        form->show();
        form->StartTracking();
        SecondAt(Day(2026, 12, 7) + 9 * Hour + 2 * Minute);
        form->grab().save(QDir(dir).filePath(QStringLiteral("main.png")));
        form->hide();
    }
}

TEST_F(MainFormTest, ClosingSavesTheDataAndAFailedSaveSaysWhy) {
    dm->adsTasks.First();
    dm->adsTasks.Edit();
    F(dm->adsTasks, "TaskDescription").SetAsString(QStringLiteral("typed before closing"));
    dm->adsTasks.Post();
    Open();
    // The tasks file cannot be written: the message names it; the next try succeeds.
    const QString tasksFile = PortableDataDir() + QStringLiteral("Tasksfile.xml");
    QFile::remove(tasksFile);
    QDir().mkdir(tasksFile);
    QTimer::singleShot(0, [tasksFile] { QDir().rmdir(tasksFile); });
    form->SaveOnClose(); // no review window: the loop tries once and reports
    ASSERT_EQ(dialogs->Errors.size(), 1);
    EXPECT_TRUE(dialogs->Errors.first().contains(QStringLiteral("Tasksfile.xml")));
    QDir().rmdir(tasksFile);
    form->SaveOnClose();
    EXPECT_EQ(dialogs->Errors.size(), 1);
    form.reset(); // windows never outlive the data module they show
    TdmTasks_Form& again = StartPortable();
    again.adsTasks.First();
    EXPECT_EQ(F(again.adsTasks, "TaskDescription").AsString(),
              QStringLiteral("typed before closing"));
}

TEST_F(MainFormTest, ASecondProgramOnTheSameDataIsRefused) {
    TDataModuleOptions options;
    options.ExeName = PortableExe();
    try {
        TdmTasks_Form second(nullptr, options);
        FAIL() << "a second data module on the same folder";
    } catch (const EXEPException& e) {
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("Tivrel is already running for this data folder")));
    }
    dm->adsTasks.First();
    EXPECT_EQ(dmTasks_Form, dm.get()) << "the refused one did not take over";
}

namespace {
// An idle count the test sets.
class TFakeIdleTime : public TIdleTimeSource {
public:
    explicit TFakeIdleTime(qint64& ms) : FMs(ms) {}
    qint64 IdleMilliseconds() override { return FMs; }

private:
    qint64& FMs;
};

constexpr qint64 MinuteMs = 60000;
} // namespace

namespace {
// A user who answers a question only after some time: the program's seconds go on meanwhile,
// as they do while a message box is on screen.
class TLateAnswers : public TScriptedDialogService {
public:
    std::function<void()> WhileAsked;
    int Choose(const QString& text, const QStringList& buttons) override {
        if (WhileAsked) WhileAsked();
        return TScriptedDialogService::Choose(text, buttons);
    }
};
} // namespace

TEST_F(MainFormTest, TimeAwayKeptOrExactlyTheSpanNamedGivenBackWheneverAnswered) {
    for (const int answer : {0, 1, 2}) {
        SCOPED_TRACE(answer);
        form.reset();
        StartSetUp();
        auto late = std::make_unique<TLateAnswers>();
        TLateAnswers* dialog = late.get();
        auto previous = TDialogService::SetInstance(std::move(late));
        Open();
        qint64 idle = 0;
        form->SetIdleTimeSource(std::make_unique<TFakeIdleTime>(idle));
        // Each answer on a day of its own (the store folder is the same).
        const double today = Day(2026, 12, 7) + answer;
        const double start = today + 10 * Hour + 2 * Minute; // 10:02
        SecondAt(start);
        form->StartTracking();
        // Away from 10:02: after 15 minutes the program notices; back at 10:22.
        for (int minute = 1; minute < 20; ++minute) {
            idle = minute * MinuteMs;
            SecondAt(start + minute * Minute);
        }
        EXPECT_TRUE(dialog->Questions.isEmpty()) << "nothing is asked while the user is away";
        // The answer comes half an hour after coming back, the program running meanwhile.
        dialog->ChooseAnswers = {answer};
        dialog->WhileAsked = [&] {
            idle = 0;
            for (int minute = 1; minute <= 30; ++minute)
                SecondAt(start + (20 + minute) * Minute);
        };
        idle = 0;
        SecondAt(start + 20 * Minute);
        ASSERT_EQ(dialog->Questions.size(), 1);
        EXPECT_EQ(dialog->Questions.at(0),
                  QStringLiteral("You were away from 10:02 to 10:22 (20 minutes). Keep this time "
                                 "for GEN?"));
        SecondAt(start + 50 * Minute);
        const int expected = answer == 0 ? 50 : 30;
        EXPECT_EQ(dm->Journal().DayMinutes(1, today), expected)
            << "exactly the twenty minutes named go";
        const int weekday = DayOfWeekNumber(today);
        EXPECT_NEAR(dm->TotalDuration(weekday), expected * Minute, 1e-9)
            << "the day's cell and total follow";
        EXPECT_EQ(form->Paused(), answer == 2);
        form.reset();
        TDialogService::SetInstance(std::move(previous));
    }
}

TEST_F(MainFormTest, OneMinuteAwayIsSaidInTheSingular) {
    Open();
    TRecordSet& defaults = dm->adsDefaults;
    defaults.Edit();
    defaults.FieldByName(QStringLiteral("IdleAfterMinutes")).SetAsInteger(1);
    defaults.Post();
    qint64 idle = 0;
    form->SetIdleTimeSource(std::make_unique<TFakeIdleTime>(idle));
    const double start = Day(2026, 12, 7) + 10 * Hour + 2 * Minute;
    SecondAt(start);
    form->StartTracking();
    idle = MinuteMs;
    SecondAt(start + Minute);
    dialogs->ChooseAnswers = {0};
    idle = 0;
    SecondAt(start + Minute + Second);
    ASSERT_EQ(dialogs->Questions.size(), 1);
    EXPECT_EQ(dialogs->Questions.at(0),
              QStringLiteral("You were away from 10:02 to 10:03 (1 minute). Keep this time for "
                             "GEN?"));
}

TEST_F(MainFormTest, NoQuestionAboutTimeAwayWhenTheOptionIsOffOrNothingWasTimed) {
    Open();
    form->StartTracking();
    qint64 idle = 0;
    form->SetIdleTimeSource(std::make_unique<TFakeIdleTime>(idle));
    // Paused: away for an hour, nothing timed, nothing asked.
    form->aPauseRestartExecute();
    idle = 60 * MinuteMs;
    form->CheckIdleTime();
    idle = 0;
    form->CheckIdleTime();
    form->aPauseRestartExecute();
    // The option at 0: never.
    dm->adsDefaults.Edit();
    F(dm->adsDefaults, "IdleAfterMinutes").SetAsInteger(0);
    dm->adsDefaults.Post();
    idle = 60 * MinuteMs;
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute);
    idle = 0;
    SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute + Second);
    EXPECT_TRUE(dialogs->Questions.isEmpty());
}

TEST_F(MainFormTest, AClockThatJumpsAheadIsAskedAboutAndOneThatGoesBackCountsNothingTwice) {
    Open();
    form->StartTracking(); // 09:00
    MinutesFrom(Day(2026, 12, 7) + 9 * Hour, 30);
    // Two hours ahead at once (a suspended machine, a clock set forward): nothing of them is
    // counted before the answer.
    std::vector<int> minutesWhenAsked;
    auto late = std::make_unique<TLateAnswers>();
    TLateAnswers* dialog = late.get();
    auto previous = TDialogService::SetInstance(std::move(late));
    dialog->WhileAsked = [&] {
        minutesWhenAsked.push_back(dm->Journal().DayMinutes(1, Day(2026, 12, 7)));
    };
    dialog->ChooseAnswers = {1}; // Discard
    SecondAt(Day(2026, 12, 7) + 11 * Hour + 30 * Minute);
    ASSERT_EQ(dialog->Questions.size(), 1);
    EXPECT_EQ(dialog->Questions.at(0),
              QStringLiteral("You were away from 09:30 to 11:30 (120 minutes). Keep this time for "
                             "GEN?"));
    EXPECT_EQ(minutesWhenAsked, std::vector<int>{30});
    MinutesFrom(Day(2026, 12, 7) + 11 * Hour + 30 * Minute, 10);
    EXPECT_EQ(dm->Journal().DayMinutes(1, Day(2026, 12, 7)), 40);
    // The clock set back by half an hour: the ten minutes after it count once, none negative.
    MinutesFrom(Day(2026, 12, 7) + 11 * Hour + 10 * Minute, 10);
    EXPECT_EQ(dm->Journal().DayMinutes(1, Day(2026, 12, 7)), 50);
    EXPECT_EQ(dialog->Questions.size(), 1)
        << dialog->Questions.join(QLatin1Char('|')).toStdString();
    for (const TTimeEntry& entry : dm->Journal().OpenRows())
        EXPECT_GE(entry.MSecs(), 0);
    form.reset();
    TDialogService::SetInstance(std::move(previous));
}

TEST_F(MainFormTest, TickingAnActiveBoxShowsTheTaskTimedAtOnce) {
    AddTask(QStringLiteral("DESIGN"), false);
    Open();
    ASSERT_TRUE(ShowActive(*form));
    ASSERT_EQ(Frame().CurrentTask().TaskCode(), QStringLiteral("GEN"));
    dm->adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("DESIGN"));
    QApplication::processEvents();
    QTest::mouseClick(Frame().dbcbxActive, Qt::LeftButton);
    EXPECT_EQ(Frame().CurrentTask().TaskCode(), QStringLiteral("DESIGN"));
    EXPECT_EQ(form->lblCurrentTask->text(), Frame().CurrentTask().CurrentTaskDetail);
}

namespace {
int RedPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
        }
    return red;
}
} // namespace

TEST_F(MainFormTest, TheSortCaptionAndPausedAreReallyDrawnRed) {
    Open();
    ASSERT_TRUE(ShowActive(*form));
    EXPECT_GT(RedPixels(Frame().pTaskCode), 0) << "the grid is sorted by task code";
    EXPECT_EQ(RedPixels(Frame().pDescription), 0);
    form->aPauseRestartExecute();
    EXPECT_GT(RedPixels(Frame().lblPaused), 0);

    // The review window's status bar says "Paused" in red too, and the task in its normal colour.
    TForm_Submit_Form review(*dm);
    ASSERT_TRUE(ShowActive(review));
    review.ShowTracking(QStringLiteral("GEN 00:00:01"), true);
    EXPECT_EQ(review.lblTracking->text(), QStringLiteral("Paused"));
    EXPECT_GT(RedPixels(review.lblTracking), 0);
    review.ShowTracking(QStringLiteral("GEN 00:00:01"), false);
    EXPECT_EQ(review.lblTracking->text(), QStringLiteral("GEN 00:00:01"));
    EXPECT_EQ(RedPixels(review.lblTracking), 0);
}

TEST_F(MainFormTest, AfterMidnightTheGridIsRepaintedForTheNewDay) {
    Open();
    // The compact tracker on screen: the review window hands over at once.
    TForm_Submit_Form review(*dm);
    form->SetSubmitForm(&review);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &review, [&] {
        if (!review.isVisible()) return;
        poll.stop();
        review.aTimeTracker->trigger();
    });
    poll.start(5);
    form->show();
    for (int i = 0; i < 100 && !form->TrackerShown(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(form->TrackerShown());
    ASSERT_TRUE(Frame().dbcgTasks->isVisible());
    int paints = 0;
    struct TPaintCounter : QObject {
        int& Count;
        explicit TPaintCounter(int& count) : Count(count) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++Count;
            return false;
        }
    } counter(paints);
    Frame().dbcgTasks->installEventFilter(&counter);
    QApplication::processEvents();
    paints = 0;
    SecondAt(Day(2026, 12, 8) + Second); // Tuesday
    QApplication::processEvents();
    EXPECT_GT(paints, 0) << "the rows painted from the Today cell show Tuesday at once";
    EXPECT_EQ(Frame().dbeMon->DataField(), QStringLiteral("TueDuration"));
    Frame().dbcgTasks->removeEventFilter(&counter);
    form->SetSubmitForm(nullptr);
}

TEST_F(MainFormTest, TheTickRunsWhileTheReviewWindowIsOpenAndTheTrackerTakesOver) {
    Open();
    TForm_Submit_Form review(*dm);
    form->SetSubmitForm(&review);
    form->StartTracking();
    bool tickingDuringReview = false;
    QString trackingShown;
    QTimer::singleShot(50, &review, [&] {
        tickingDuringReview = Frame().TimeTrackerTimer->isActive();
        SecondAt(Day(2026, 12, 7) + 9 * Hour + Minute);
        trackingShown = review.lblTracking->text();
        review.aTimeTracker->trigger();
    });
    form->ShowSubmitForm();
    EXPECT_TRUE(tickingDuringReview);
    EXPECT_EQ(trackingShown, QStringLiteral("GEN 00:01:00"));
    // The compact tracker: the main window stays, showing the tasks not completed.
    EXPECT_TRUE(form->TrackerShown());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(dm->adsTasks.Filtered());
    // Its Review action brings the review window back; Exit there ends the program.
    QTimer::singleShot(50, &review, [&] { review.aExitMenu->trigger(); });
    form->aReview->trigger();
    EXPECT_FALSE(form->isVisible());
}

// Where the desktop has no system tray (as offscreen), no tray icon is shown at any time, and
// the hand-over to the compact tracker and back, Pause and the close all work without it.
TEST_F(MainFormTest, WithoutASystemTrayNothingIsShownThereAndTheHandOverWorks) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
    Open();
    TForm_Submit_Form review(*dm);
    form->SetSubmitForm(&review);
    QStringList trayShown;
    auto lookAtTheTray = [&](const char* when) {
        if (form->TrayIcon->isVisible()) trayShown << QLatin1String(when);
    };
    lookAtTheTray("at the start");
    QTimer::singleShot(50, &review, [&] {
        lookAtTheTray("with the review window open");
        review.aTimeTracker->trigger();
    });
    form->show(); // its first showing hands over to the review window
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->TrackerShown(); }, 5000));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(review.isVisible());
    lookAtTheTray("with the compact tracker");
    form->aPauseRestart->trigger();
    EXPECT_TRUE(form->Paused());
    EXPECT_FALSE(Frame().TimeTrackerTimer->isActive());
    lookAtTheTray("paused");
    form->aPauseRestart->trigger();
    EXPECT_FALSE(form->Paused());
    // Review brings the review window back; its Exit saves and closes the main window.
    bool reviewShown = false;
    QTimer::singleShot(50, &review, [&] {
        reviewShown = review.isVisible();
        lookAtTheTray("with the review window back");
        review.aExitMenu->trigger();
    });
    form->aReview->trigger();
    EXPECT_TRUE(reviewShown);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(trayShown.isEmpty()) << trayShown.join(QLatin1String(", ")).toStdString();
}
