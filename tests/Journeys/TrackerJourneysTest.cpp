// Journeys of the time tracker: the minutes accrue on today's column while the user works in
// the review window, Pause stops them, Track This Task moves them, the compact tracker and
// back, the tray menu, and time away from the keyboard kept or given back. The minute tick is
// run fast (its timer found by name and shortened) and the clock is scripted; the rest is keys
// and clicks.

#include "JourneyFixture.h"

#include "BaseUnits/XEP_IdleTime.h"
#include "UserLayer/Form_Main_Unit.h"

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

using namespace Journey;

namespace {
constexpr size_t Wednesday = 2; // 9 December 2026, the pinned day

TForm_Main_Form* MainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form_Main_Form"))
            return qobject_cast<TForm_Main_Form*>(window);
    return nullptr;
}

TFrame_TimeTracker_Form* TrackerGrid() {
    TForm_Main_Form* main = MainWindow();
    return main ? main->Frame_TimeTracker_Form1 : nullptr;
}

// Minutes the tick has added since the journey began; the tick runs every few milliseconds
// until it has added as many as asked for, then stops as a paused tracker would not: it is
// set back to a real minute.
struct TFastTicks {
    int Added = 0;
    int Wanted = 0;
    double MinuteEach = 0; // the clock moves on by this much after each tick (0: it stands)

    void Install() {
        TFrame_TimeTracker_Form* grid = TrackerGrid();
        auto recorded = grid->OnMinutesAdded;
        grid->OnMinutesAdded = [this, recorded](int minutes, const QString& code, int day) {
            // A tick comes at the end of the minute it adds.
            if (MinuteEach > 0) TClock::SetFixed(TClock::Now() + MinuteEach);
            if (recorded) recorded(minutes, code, day);
            Added += minutes;
            if (Added >= Wanted) TrackerGrid()->TimeTrackerTimer->setInterval(60000);
        };
    }
    // Lets n more minutes tick by quickly.
    void Run(int n) {
        Wanted = Added + n;
        QTimer* tick = TrackerGrid()->TimeTrackerTimer;
        tick->setInterval(5); // restarts it when it runs; a paused tracker stays stopped
    }
    bool Done() const { return Added >= Wanted; }
};

// The text the review window shows for what is timed.
QString TrackingShown() {
    return Review() ? Review()->lblTracking->text() : QString();
}

// Waits a little real time: for things that must not happen.
TScript::TCondition After(int ms) {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock, ms] {
        if (!clock->isValid()) clock->start();
        return clock->elapsed() >= ms;
    };
}

class TFakeIdleTime : public TIdleTimeSource {
public:
    explicit TFakeIdleTime(std::shared_ptr<qint64> ms) : FMs(std::move(ms)) {}
    qint64 IdleMilliseconds() override { return *FMs; }

private:
    std::shared_ptr<qint64> FMs;
};
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
    script.Do(QStringLiteral("press Ctrl+P"), [&] {
        ticks.Install();
        return Press(Qt::Key_P, Qt::ControlModifier);
    });
    script.Then(QStringLiteral("Paused shown, the tick stopped"), [] {
        return TrackingShown() == QLatin1String("Paused") &&
               !TrackerGrid()->TimeTrackerTimer->isActive();
    });
    script.Do(QStringLiteral("ten minutes would go by"), [&] {
        ticks.Run(10);
        return true;
    });
    script.Then(QStringLiteral("a while later, nothing tracked"), After(150),
                [&] { return ticks.Added == 0 && Press(Qt::Key_P, Qt::ControlModifier); });
    script.Then(QStringLiteral("tracking again"),
                [] { return TrackingShown().startsWith(QLatin1String("GEN")); });
    script.Do(QStringLiteral("five minutes go by"), [&] {
        ticks.Run(5);
        return true;
    });
    script.Then(QStringLiteral("five minutes tracked"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

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
// gives them back.
TEST_F(JourneyTest, TwentyMinutesAwayKeptThenTwentyMoreDiscarded) {
    SetUpStore();
    auto idle = std::make_shared<qint64>(0);
    TFastTicks ticks;
    ticks.MinuteEach = 1.0 / 1440;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("10:02; the user leaves"), [&] {
        TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)) + (10 * 60 + 2) / 1440.0);
        MainWindow()->SetIdleTimeSource(std::make_unique<TFakeIdleTime>(idle));
        TrackerGrid()->tLastUsedTimer->setInterval(10);
        ticks.Install();
        return true;
    });
    for (const char answer : {'K', 'D'}) {
        script.Do(QStringLiteral("twenty minutes go by"), [&] {
            ticks.Run(20);
            return true;
        });
        script.Then(
            QStringLiteral("twenty minutes tracked, nobody at the keyboard"),
            [&] { return ticks.Done(); },
            [&] {
                *idle = 20 * 60000;
                return true;
            });
        script.Then(QStringLiteral("the program has seen it; the user comes back"), After(100),
                    [&] {
                        *idle = 0;
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
