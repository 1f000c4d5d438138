// Journeys through the review window: the user types a week's time, submits it, rounds it and
// adds a task, with keys and clicks only, leaves the program, starts it again and looks.

#include "JourneyFixture.h"

#include <QTabBar>
#include <QTabWidget>

using namespace Journey;

namespace {
constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;
constexpr auto Tue = &TFrame_TimeTracker_Form::dbeTue;
constexpr auto TaskCode = &TFrame_TimeTracker_Form::dbeTaskCode;
constexpr auto Description = &TFrame_TimeTracker_Form::dbeTaskDescription;
constexpr size_t Monday = 0;

QDate Dec(int day) {
    return QDate(2026, 12, day);
}

// After a restart: the seeded GEN alone, with 01:30 on Monday and in the totals.
void ExpectGenWithAnHourAndAHalfOnMonday(const TSeen& seen) {
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.TotalMessage, QStringLiteral("Total Duration is 0 Days 1 Hours 30 Minutes "));
}
} // namespace

TEST_F(JourneyTest, ADurationTypedAndLeftIsThereAfterExitAndARestart) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0130"), QStringLiteral("01:30"));
    LeaveCellByTab(script, Mon, QStringLiteral("01:30"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectGenWithAnHourAndAHalfOnMonday(Restart());
}

namespace {
// The ways to give a command of the Timesheets menu while typing into a cell.
enum class TWay { MenuByMouse, MenuByKeys, ToolButton };

std::string WayName(TWay way) {
    switch (way) {
    case TWay::MenuByMouse:
        return "MenuByMouse";
    case TWay::MenuByKeys:
        return "MenuByKeys";
    case TWay::ToolButton:
        break;
    }
    return "ToolButton";
}

void PrintTo(TWay way, std::ostream* os) {
    *os << WayName(way);
}

void ChooseTimesheetsCommand(TScript& script, TWay way, const QString& item,
                             QAction* TForm_Submit_Form::*action) {
    const QString menu = QStringLiteral("&Timesheets");
    switch (way) {
    case TWay::MenuByMouse:
        ClickMenu(script, menu, item);
        break;
    case TWay::MenuByKeys:
        ChooseMenu(script, menu, item);
        break;
    case TWay::ToolButton:
        ClickToolButton(script, action, item);
        break;
    }
}

// A command given while the text typed is still in the cell: with the mouse nothing leaves
// the cell, with the keys the menu bar takes the keyboard from it first.
class CommandWhileTypingJourney : public JourneyTest, public ::testing::WithParamInterface<TWay> {};
} // namespace

TEST_P(CommandWhileTypingJourney, SubmitTakesTheDurationStillBeingTyped) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0130"), QStringLiteral("01:30"));
    ChooseTimesheetsCommand(script, GetParam(), QStringLiteral("&Submit"),
                            &TForm_Submit_Form::Submit);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), 1u);
    EXPECT_EQ(seen.History.at(0).Code, QStringLiteral("GEN"));
    EXPECT_EQ(seen.History.at(0).Duration, QStringLiteral("01:30"));
    EXPECT_EQ(seen.History.at(0).Worked, Dec(7)) << "the Monday of the week of Sunday 6 December";
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")}) << "a task with time stays";
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QString()) << "the week is cleared";
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("00:00"));
    EXPECT_EQ(seen.TotalMessage, QStringLiteral("Total Duration is 0 Days 0 Hours 0 Minutes "));
}

TEST_P(CommandWhileTypingJourney, StepRoundsTheDurationStillBeingTyped) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsDefaults.Edit();
        dm.adsDefaults.FieldByName(QStringLiteral("MinimumTaskDuration")).SetAsInteger(15);
        dm.adsDefaults.Post();
    });
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0137"), QStringLiteral("01:37"));
    ChooseTimesheetsCommand(script, GetParam(), QStringLiteral("Step"), &TForm_Submit_Form::Step);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectGenWithAnHourAndAHalfOnMonday(Restart());
}

INSTANTIATE_TEST_SUITE_P(Journey, CommandWhileTypingJourney,
                         ::testing::Values(TWay::MenuByMouse, TWay::MenuByKeys, TWay::ToolButton),
                         [](const ::testing::TestParamInfo<TWay>& info) {
                             return WayName(info.param);
                         });

TEST_F(JourneyTest, ANewTaskWithANewTaskCodeIsThereAfterARestart) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Grid"), QStringLiteral("&Add Task"));
    script.Then(QStringLiteral("a new row in the grid"),
                [] { return ReviewGrid()->dbcgTasks->Rows() == 2; });
    ClickCell(script, CurrentRow, TaskCode, QStringLiteral("Task Code"));
    TypeIntoCell(script, TaskCode, QStringLiteral("JOURNEY"), QStringLiteral("JOURNEY"));
    LeaveCellByTab(script, TaskCode, QStringLiteral("JOURNEY"));
    WaitForKeyboardIn(script, Description, QStringLiteral("Description"));
    TypeIntoCell(script, Description, QStringLiteral("Typed by keys"),
                 QStringLiteral("Typed by keys"));
    LeaveCellByTab(script, Description, QStringLiteral("Typed by keys"));
    WaitForKeyboardIn(script, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0045"), QStringLiteral("00:45"));
    LeaveCellByTab(script, Mon, QStringLiteral("00:45"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Codes(), (QStringList{QStringLiteral("GEN"), QStringLiteral("JOURNEY")}));
    const TTaskSeen* task = seen.Task(QStringLiteral("JOURNEY"));
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->Description, QStringLiteral("Typed by keys"));
    EXPECT_EQ(task->Days.at(Monday), QStringLiteral("00:45"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("00:45"));
    EXPECT_TRUE(seen.TaskCodes.contains(QStringLiteral("JOURNEY")))
        << qPrintable(seen.TaskCodes.join(u' '));
}

// Of three tasks, the first with time, the second with time and marked completed, the third
// with neither but being tracked, a submission keeps the first (its week cleared) and the
// tracked one, and writes the time of the first two into the history.
TEST_F(JourneyTest, SubmitKeepsTheTasksNotCompletedThatHaveTimeOrAreTracked) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsTaskCodes.Append();
        dm.adsTaskCodes.FieldByName(QStringLiteral("TaskCode"))
            .SetAsString(QStringLiteral("BUILD"));
        dm.adsTaskCodes.FieldByName(QStringLiteral("TaskDescription"))
            .SetAsString(QStringLiteral("Build work"));
        dm.adsTaskCodes.Post();
        for (const char* code : {"ADMIN", "BUILD"}) {
            dm.adsTasks.Append();
            dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QLatin1String(code));
            dm.adsTasks.Post();
        }
        ASSERT_TRUE(dm.adsDefaults.FieldByName(QStringLiteral("RemoveUnusedTasks")).AsBoolean());
    });
    TScript script;
    WaitForReviewWindow(script);
    script.Then(QStringLiteral("the three tasks in task code order"), [] {
        const TSeen seen = ReadReviewWindow();
        return seen.Codes() ==
               QStringList{QStringLiteral("ADMIN"), QStringLiteral("BUILD"), QStringLiteral("GEN")};
    });
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0100"), QStringLiteral("01:00"));
    ClickCell(script, 1, Tue, QStringLiteral("Tue"));
    TypeIntoCell(script, Tue, QStringLiteral("0215"), QStringLiteral("02:15"));
    ClickCell(script, 1, &TFrame_TimeTracker_Form::dbcbxComplete, QStringLiteral("Complete"));
    script.Then(QStringLiteral("the Complete box of row 1 ticked"),
                [] { return ReviewGrid()->dbcbxComplete->isChecked(); });
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    // GEN, without time in the week, stays because it is being tracked: taking its row away
    // would stop the tracking and drop what it counts from now on.
    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), (QStringList{QStringLiteral("ADMIN"), QStringLiteral("GEN")}));
    for (const QString& day : seen.Tasks.at(0).Days)
        EXPECT_EQ(day, QString()) << "the week of the task kept is cleared";
    ASSERT_EQ(seen.History.size(), 2u);
    EXPECT_EQ(seen.History.at(0).Code, QStringLiteral("ADMIN"));
    EXPECT_EQ(seen.History.at(0).Duration, QStringLiteral("01:00"));
    EXPECT_EQ(seen.History.at(0).Worked, Dec(7));
    EXPECT_FALSE(seen.History.at(0).Completed);
    EXPECT_EQ(seen.History.at(1).Code, QStringLiteral("BUILD"));
    EXPECT_EQ(seen.History.at(1).Description, QStringLiteral("Build work"));
    EXPECT_EQ(seen.History.at(1).Duration, QStringLiteral("02:15"));
    EXPECT_EQ(seen.History.at(1).Worked, Dec(8));
    EXPECT_TRUE(seen.History.at(1).Completed);
    EXPECT_EQ(seen.TotalMessage, QStringLiteral("Total Duration is 0 Days 0 Hours 0 Minutes "));
}

namespace {
// The options dialog, when it is in front and takes the keyboard.
QWidget* OptionsDialog() {
    QWidget* front = QApplication::activeModalWidget();
    return front && front->objectName() == QLatin1String("Form_Options_Form") &&
                   QApplication::activeWindow() == front
               ? front
               : nullptr;
}
} // namespace

// The step chosen in the options dialog, by keys and clicks, is the one Step rounds to.
TEST_F(JourneyTest, StepRoundsToTheStepChosenInTheOptionsDialog) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"));
    script.Then(QStringLiteral("the options dialog, to click its Submit page"), OptionsDialog, [] {
        auto* pages = OptionsDialog()->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        if (!pages || pages->tabText(1) != QLatin1String("Submit")) return false;
        QTest::mouseClick(pages->tabBar(), Qt::LeftButton, Qt::NoModifier,
                          pages->tabBar()->tabRect(1).center());
        return true;
    });
    script.Then(
        QStringLiteral("the Minimum Task Duration box on screen, to click it"),
        [] {
            QWidget* dialog = OptionsDialog();
            auto* edit = dialog
                             ? dialog->findChild<TDBEdit*>(QStringLiteral("dbeMinimumTaskDuration"))
                             : nullptr;
            return edit && edit->isVisible();
        },
        [] {
            QTest::mouseClick(
                OptionsDialog()->findChild<TDBEdit*>(QStringLiteral("dbeMinimumTaskDuration")),
                Qt::LeftButton);
            return true;
        });
    script.Then(
        QStringLiteral("the Minimum Task Duration box has the keyboard, to type 60"),
        [] {
            return QApplication::focusWidget() && QApplication::focusWidget()->objectName() ==
                                                      QLatin1String("dbeMinimumTaskDuration");
        },
        [] { return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("60")); });
    script.Then(
        QStringLiteral("the box shows 60, to press Return for OK"),
        [] {
            auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            return edit && edit->displayText() == QLatin1String("60");
        },
        [] { return Press(Qt::Key_Return); });
    script.Then(QStringLiteral("the options dialog closed"), ReviewWaitsForTheUser);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0137"), QStringLiteral("01:37"));
    ClickToolButton(script, &TForm_Submit_Form::Step, QStringLiteral("Step"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:00"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("01:00"));
}
