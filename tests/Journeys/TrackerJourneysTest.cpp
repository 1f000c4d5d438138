// Journeys of the time tracker: the minutes accrue on today's column while the user works in
// the review window, Pause stops them, Track This Task moves them, the compact tracker and
// back, the tray menu, and time away from the keyboard kept or given back. The minute tick is
// run fast (its timer found by name and shortened) and the clock is scripted; the rest is keys
// and clicks.

#include "JourneyClock.h"
#include "JourneyFixture.h"

#include "BaseUnits/XEP_IdleTime.h"
#include "UserLayer/Form_Main_Unit.h"

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

using namespace Journey;

namespace {
constexpr size_t Wednesday = 2; // 9 December 2026, the pinned day

// Today's time of every task, in minutes, as the journal has it.
int MinutesToday() {
    return int(dmTasks_Form->Journal().DateMSecs(TClock::Today()) / 60000);
}

// The text the review window shows for what is timed.
QString TrackingShown() {
    return Review() ? Review()->lblTracking->text() : QString();
}

// Waits for "Paused" and the tick stopped, then lets ten minutes go by.
void WhilePausedTenMinutesWouldGoBy(TScript& script, TFastTicks& ticks) {
    script.Then(QStringLiteral("Paused shown, the tick stopped"), [] {
        return TrackingShown() == QLatin1String("Paused") &&
               !TrackerGrid()->TimeTrackerTimer->isActive();
    });
    script.Do(QStringLiteral("ten minutes go by"), [&ticks] {
        ticks.Run(10);
        return true;
    });
    script.Then(QStringLiteral("ten minutes gone by"), [&ticks] { return ticks.Done(); });
}

// The review grid's row that shows the task of that code; -1 when none does.
int RowOf(const QString& code) {
    return RowShowing(ReviewGrid(), code);
}

// The code of the review grid's current row.
QString CurrentCode() {
    return dmTasks_Form->adsTasks.FieldByName(QStringLiteral("TaskCode")).AsString();
}

// Whether the task of that code is ticked Active.
bool IsActive(const QString& code) {
    TRecordSet& tasks = dmTasks_Form->adsTasks;
    bool active = false;
    for (int recNo = 1; recNo <= tasks.RecordCount(); ++recNo)
        tasks.WithRecord(recNo, [&] {
            if (tasks.FieldByName(QStringLiteral("TaskCode")).AsString() == code)
                active = tasks.FieldByName(QStringLiteral("Active")).AsBoolean();
        });
    return active;
}

// The right mouse button on a task row of the review window, in its description column,
// pressed and released on the window as the desktop delivers it: the toolkit finds the
// widget under the pointer and asks it for its menu.
bool RightClickRow(const QString& code) {
    TFrame_TimeTracker_Form* frame = ReviewGrid();
    TDBCtrlGrid* grid = frame->dbcgTasks;
    const int index = RowOf(code) - grid->TopRow();
    QWindow* handle = grid->window()->windowHandle();
    if (RowOf(code) < 0 || index < 0 || index >= grid->RowCount() || !handle) return false;
    const QPoint inPanel = frame->dbeTaskDescription->geometry().center();
    const QPoint point(inPanel.x(), index * grid->PanelHeight() + inPanel.y());
    QTest::mouseClick(handle, Qt::RightButton, Qt::NoModifier, grid->mapTo(grid->window(), point));
    return true;
}

// The offscreen platform leaves a menu closed by a click on an item as the active window,
// where the desktop gives the keyboard back to the window beneath; this does that part of the
// desktop's work, then waits for the review window.
bool ReviewBackInFront() {
    QWidget* active = QApplication::activeWindow();
    if (active && !active->isVisible() && Review() && Review()->isVisible())
        Review()->activateWindow();
    return ReviewWaitsForTheUser();
}

// A right click on a task row, then a click on an item of the grid's menu it opens.
void ChooseInRowMenu(TScript& script, const QString& code, std::function<QString()> item) {
    script.Then(QStringLiteral("right-click the %1 row").arg(code), ReviewBackInFront,
                [code] { return RightClickRow(code); });
    script.Then(
        QStringLiteral("the grid's menu open over the %1 row, to click an item").arg(code),
        [] { return OpenMenu() && OpenMenu() == ReviewGrid()->PMTimeTracker; },
        [item] { return ClickInOpenMenu(item()); });
}

} // namespace

// An hour with the seeded task active, the review window open all the while: sixty minutes
// on today's column, shown live and kept after exit and restart.
TEST_F(JourneyTest, AnHourInTheReviewWindowIsTrackedOnTodaysColumn) {
    SetUpStore();
    TFastTicks ticks;
    QString shownDuring, trackedDuring;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("an hour goes by"), [&] {
        ticks.Install();
        ticks.Run(60);
        return true;
    });
    script.Then(QStringLiteral("sixty minutes tracked"), [&] { return ticks.Done(); });
    script.Then(QStringLiteral("the review window shows them"), [&] {
        shownDuring = ReadReviewWindow().Tasks.at(0).Days.at(Wednesday);
        trackedDuring = TrackingShown();
        return shownDuring == QLatin1String("01:00");
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(trackedDuring, QStringLiteral("GEN 01:00:00"));

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("01:00"));
    EXPECT_EQ(seen.DayTotals.at(Wednesday), QStringLiteral("01:00"));
}

// Ctrl+P in the review window pauses: the minutes that would have ticked meanwhile are not
// written; Ctrl+P again goes on.
TEST_F(JourneyTest, PauseInTheReviewWindowWritesNothingWhilePaused) {
    SetUpStore();
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    int trackedWhilePaused = -1;
    script.Do(QStringLiteral("press Ctrl+P"), [&] {
        ticks.Install();
        return Press(Qt::Key_P, Qt::ControlModifier);
    });
    WhilePausedTenMinutesWouldGoBy(script, ticks);
    script.Do(QStringLiteral("Ctrl+P again"), [&] {
        trackedWhilePaused = MinutesToday();
        return Press(Qt::Key_P, Qt::ControlModifier);
    });
    script.Then(QStringLiteral("tracking again"),
                [] { return TrackingShown().startsWith(QLatin1String("GEN")); });
    script.Do(QStringLiteral("five minutes go by"), [&] {
        ticks.Run(5);
        return true;
    });
    script.Then(QStringLiteral("five minutes tracked"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(trackedWhilePaused, 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:05"));
}

// Track This Task (Ctrl+T) on another row: the minutes go there from then on.
TEST_F(JourneyTest, TrackThisTaskMovesTheTimeToTheRowChosen) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsTasks.Append();
        dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
        dm.adsTasks.Post();
    });
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, &TFrame_TimeTracker_Form::dbeTaskDescription,
              QStringLiteral("Description"));
    script.Do(QStringLiteral("press Ctrl+T on the ADMIN row"), [] {
        return dmTasks_Form->adsTasks.FieldByName(QStringLiteral("TaskCode")).AsString() ==
                   QLatin1String("ADMIN") &&
               Press(Qt::Key_T, Qt::ControlModifier);
    });
    script.Then(QStringLiteral("ADMIN is timed"),
                [] { return TrackingShown().startsWith(QLatin1String("ADMIN")); });
    script.Do(QStringLiteral("five minutes go by"), [&] {
        ticks.Install();
        ticks.Run(5);
        return true;
    });
    script.Then(QStringLiteral("five minutes tracked"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_NE(seen.Task(QStringLiteral("ADMIN")), nullptr);
    EXPECT_EQ(seen.Task(QStringLiteral("ADMIN"))->Days.at(Wednesday), QStringLiteral("00:05"));
    EXPECT_EQ(seen.Task(QStringLiteral("GEN"))->Days.at(Wednesday), QString());
}

// The right mouse button on another row and Track This Task in the grid's menu: that row is
// timed from then on. Pause in the same menu stops the tick: nothing more is written.
TEST_F(JourneyTest, TrackThisTaskAndPauseFromTheGridMenuOfARow) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsTasks.Append();
        dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
        dm.adsTasks.Post();
    });
    const QString admin = QStringLiteral("ADMIN"), gen = QStringLiteral("GEN");
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("click the description of the GEN row"), [gen] {
        TFrame_TimeTracker_Form* frame = ReviewGrid();
        return Journey::ClickCell(frame, RowOf(gen), frame->dbeTaskDescription);
    });
    script.Then(QStringLiteral("the GEN row current and timed"), [gen] {
        return CurrentCode() == gen && IsActive(gen) && TrackingShown().startsWith(gen);
    });
    ChooseInRowMenu(script, admin, [] { return Review()->aTrackThisTask->text(); });
    script.Then(QStringLiteral("the ADMIN row current, ticked and timed; GEN no longer"), [=] {
        return CurrentCode() == admin && IsActive(admin) && !IsActive(gen) &&
               TrackingShown().startsWith(admin);
    });
    script.Do(QStringLiteral("five minutes go by"), [&] {
        ticks.Install();
        ticks.Run(5);
        return true;
    });
    script.Then(QStringLiteral("five minutes tracked"), [&] { return ticks.Done(); });
    ChooseInRowMenu(script, gen, [] { return MainWindow()->aPauseRestart->text(); });
    WhilePausedTenMinutesWouldGoBy(script, ticks);
    int trackedAfterPause = -1;
    script.Then(QStringLiteral("the review window again"), ReviewBackInFront, [&] {
        trackedAfterPause = MinutesToday();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(trackedAfterPause, 5);

    const TSeen seen = Restart();
    ASSERT_NE(seen.Task(admin), nullptr);
    EXPECT_EQ(seen.Task(admin)->Days.at(Wednesday), QStringLiteral("00:05"));
    EXPECT_EQ(seen.Task(gen)->Days.at(Wednesday), QString());
    EXPECT_EQ(seen.DayTotals.at(Wednesday), QStringLiteral("00:05"));
}

// The Time Tracker button hands over to the compact window, which goes on tracking; its
// Review button brings the review window back.
TEST_F(JourneyTest, TheCompactTrackerAndBack) {
    SetUpStore();
    TFastTicks ticks;
    bool todayShown = false;
    TScript script;
    WaitForReviewWindow(script);
    ClickToolButton(script, &TForm_Submit_Form::aTimeTracker, QStringLiteral("Time Tracker"));
    script.Then(QStringLiteral("the compact tracker on screen, the review window gone"), [&] {
        TForm_Main_Form* main = MainWindow();
        if (!main || !main->isVisible() || Review()->isVisible()) return false;
        todayShown = TrackerGrid()->pMonday->text() == QLatin1String("Today") &&
                     TrackerGrid()->dbcbxActive->isVisible();
        return true;
    });
    script.Do(QStringLiteral("three minutes go by"), [&] {
        ticks.Install();
        ticks.Run(3);
        return true;
    });
    script.Then(
        QStringLiteral("three minutes tracked, to click Review"), [&] { return ticks.Done(); },
        [] {
            TForm_Main_Form* main = MainWindow();
            return Journey::ClickToolButton(main->ToolBar1, main->aReview);
        });
    WaitForReviewWindow(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(todayShown);
    EXPECT_FALSE(MainWindow() && MainWindow()->isVisible());

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:03"));
}

// Minimising the review window hands over to the compact tracker: the main window takes the
// keyboard, shows what is timed and goes on tracking; closing it from its title bar asks, as
// a task is tracked, and Yes saves and ends the program. The offscreen platform has no title bar: the minimise and the close
// are asked of the window system as its buttons ask.
TEST_F(JourneyTest, MinimisingTheReviewWindowHandsOverAndClosingTheTrackerSaves) {
    SetUpStore();
    TFastTicks ticks;
    QString currentTaskShown;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("two minutes go by"), [&] {
        ticks.Install();
        ticks.Run(2);
        return true;
    });
    script.Then(
        QStringLiteral("two minutes tracked, to minimise the review window"),
        [&] { return ticks.Done(); },
        [] {
            QWindow* handle = Review()->windowHandle();
            if (!handle) return false;
            handle->showMinimized();
            return true;
        });
    script.Then(QStringLiteral("the compact tracker in front, taking the keyboard"), [&] {
        TForm_Main_Form* main = MainWindow();
        if (!main || !main->isVisible() || Review()->isVisible()) return false;
        if (QApplication::activeModalWidget() || QApplication::activeWindow() != main) return false;
        currentTaskShown = main->lblCurrentTask->text();
        return main->isEnabled() && main->TrackerShown() && !main->isMinimized();
    });
    script.Do(QStringLiteral("three minutes go by"), [&] {
        ticks.Run(3);
        return true;
    });
    script.Then(
        QStringLiteral("three minutes tracked, to close the tracker"), [&] { return ticks.Done(); },
        [] {
            if (!MainWindow()->windowHandle()) return false;
            MainWindow()->windowHandle()->close(); // asks first: GEN is tracked
            return true;
        });
    script.Then(
        QStringLiteral("the question, answered Yes"),
        [] { return MessageBoxSays(QStringLiteral("Stop tracking and exit Tivrel?")); },
        [] { return AnswerMessageBox('Y'); });
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(currentTaskShown.startsWith(QLatin1String("GEN 00:02")))
        << currentTaskShown.toStdString();
    EXPECT_FALSE(MainWindow() && MainWindow()->isVisible());

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:05"))
        << "saved by the close; the review window opens again, not minimised";
}

// The tray's menu pauses tracking (opened as a click on the tray icon opens it).
TEST_F(JourneyTest, PauseFromTheTrayMenu) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("open the tray menu"), [] {
        MainWindow()->TrayMenu->popup(QPoint(10, 10));
        return true;
    });
    script.Then(
        QStringLiteral("the tray menu open, to click Pause"),
        [] { return OpenMenu() == MainWindow()->TrayMenu; },
        [] { return ClickInOpenMenu(MainWindow()->aPauseRestart->text()); });
    script.Then(QStringLiteral("tracking paused"), [] {
        return MainWindow()->Paused() && TrackingShown() == QLatin1String("Paused") &&
               MainWindow()->TrayIcon->toolTip().contains(QLatin1String("Paused"));
    });
    script.Then(QStringLiteral("the review window again"), [] {
        ActivateWindowInFront();
        return ReviewWaitsForTheUser();
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
}

// Twenty minutes away and back: the question; Keep keeps them. Twenty more and back: Discard
// gives them back, and exactly them.
TEST_F(JourneyTest, TwentyMinutesAwayKeptThenTwentyMoreDiscarded) {
    SetUpStore();
    auto leftAt = std::make_shared<qint64>(0);
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("install the idle count"), [&] {
        MainWindow()->SetIdleTimeSource(std::make_unique<TClockIdleTime>(leftAt));
        ticks.Install();
        return true;
    });
    for (const char answer : {'K', 'D'}) {
        script.Do(QStringLiteral("the user leaves; twenty minutes go by"), [&] {
            *leftAt = TClock::NowUtcMSecs();
            ticks.Run(20);
            return true;
        });
        script.Then(QStringLiteral("twenty minutes gone by"), [&] { return ticks.Done(); });
        script.Then(QStringLiteral("the program has seen it; the user comes back"), After(100),
                    [&] {
                        *leftAt = 0;
                        return true;
                    });
        AnswerBox(script, QStringLiteral("(20 minutes). Keep this time for GEN?"), answer);
    }
    QString afterKeep;
    script.Then(QStringLiteral("the review window again"), [&] {
        ActivateWindowInFront();
        afterKeep = ReadReviewWindow().Tasks.at(0).Days.at(Wednesday);
        return ReviewWaitsForTheUser();
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(afterKeep, QStringLiteral("00:20"));

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:20"))
        << "the first twenty minutes kept, the second twenty given back";
    EXPECT_EQ(seen.DayTotals.at(Wednesday), QStringLiteral("00:20"));
}
