// Journeys with new task insertion off: a task code the task codes table lacks, or one that
// another task already has, is typed into a row's Code cell or chosen from its list, and the
// row is left in every way a user can leave it: Tab, a click on another row or on another
// row's Completed box, the mouse wheel, Submit, Step and File > Exit. Each time a message
// says why, the row goes back to the code it had (a new row without one goes away) and the
// keyboard is back in the Code cell; after a restart the tasks are those there were.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBLookupComboBox.h"

#include <QAbstractItemView>
#include <QWheelEvent>

using namespace Journey;

namespace {
constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;
constexpr auto TaskCode = &TFrame_TimeTracker_Form::dbeTaskCode;
constexpr auto Description = &TFrame_TimeTracker_Form::dbeTaskDescription;
constexpr auto Completed = &TFrame_TimeTracker_Form::dbcbxComplete;
constexpr size_t Monday = 0;

const QString Missing = QStringLiteral("Task does not exist.");
const QString Taken = QStringLiteral("Task code already selected");

// The grid's rows in task code order: ADMIN (row 0, the one typed into) and GEN (row 1).
const QStringList TasksBefore = {QStringLiteral("ADMIN"), QStringLiteral("GEN")};
constexpr int Admin = 0;
constexpr int Gen = 1;

// No row of the grid holds the code: neither a stored row nor the row being edited.
bool NoRowHolds(const QString& code) {
    TFrame_TimeTracker_Form* frame = ReviewGrid();
    TRecordSet& tasks = *frame->dsTasks->DataSet();
    if (tasks.FieldByName(QStringLiteral("TaskCode"))
            .AsString()
            .compare(code, Qt::CaseInsensitive) == 0)
        return false;
    const TSeen seen = ReadReviewWindow();
    for (const QString& held : seen.Codes())
        if (held.compare(code, Qt::CaseInsensitive) == 0) return false;
    return true;
}

// Return in the message box in front, which presses its default button.
bool ReturnInMessageBox() {
    QMessageBox* box = MessageBox();
    if (!box) return false;
    QTest::keyClick(box, Qt::Key_Return);
    return true;
}

void AnswerWithReturn(TScript& script, const QString& words) {
    script.Then(
        QStringLiteral("a message box saying \"%1\"").arg(words),
        [words] { return MessageBoxSays(words); }, ReturnInMessageBox);
    script.Then(QStringLiteral("the message box \"%1\" gone").arg(words),
                [words] { return !MessageBoxSays(words); });
}

// Types into the control with the keyboard, whose whole text is selected, so the keys replace
// it; then the control shows what was typed.
void TypeCode(TScript& script, const QString& code) {
    script.Do(QStringLiteral("type %1").arg(code), [code] { return Type(code); });
    script.Then(QStringLiteral("the Code cell shows %1").arg(code), [code] {
        TDBEdit* edit = ReviewGrid()->dbeTaskCode;
        return QApplication::focusWidget() == edit && edit->displayText() == code;
    });
}

// After the message: the row is the current one again, holds its code, the Code cell shows
// it and has the keyboard, and no row holds the refused code.
void BackInTheCodeCell(TScript& script, int row, const QString& code, const QString& refused) {
    script.Then(
        QStringLiteral("the keyboard back in the Code cell of row %1, showing %2, and no row "
                       "holding %3")
            .arg(row)
            .arg(code, refused),
        [row, code, refused] {
            if (!ReviewWaitsForTheUser()) return false;
            TFrame_TimeTracker_Form* frame = ReviewGrid();
            return QApplication::focusWidget() == frame->dbeTaskCode &&
                   frame->dbcgTasks->CurrentRow() == row && frame->dbeTaskCode->text() == code &&
                   frame->dsTasks->DataSet()->FieldByName(QStringLiteral("TaskCode")).AsString() ==
                       code &&
                   NoRowHolds(refused);
        });
}

// A click on a cell of a row that is not the current one (painted, not live); unlike the
// fixture's ClickCell it does not wait for the keyboard to arrive there.
template <class TControl>
void ClickOtherRow(TScript& script, int row, TControl* TFrame_TimeTracker_Form::*column,
                   const QString& name) {
    script.Then(QStringLiteral("click the %1 cell of row %2").arg(name).arg(row),
                ReviewWaitsForTheUser, [row, column] {
                    TFrame_TimeTracker_Form* frame = ReviewGrid();
                    return Journey::ClickCell(frame, row, frame->*column);
                });
}

// A turn of the mouse wheel over the grid, one notch towards the user (the next row).
bool TurnWheelOverGrid(int row) {
    TDBCtrlGrid* grid = ReviewGrid()->dbcgTasks;
    const QPoint point(grid->width() / 2, (row - grid->TopRow()) * grid->PanelHeight() + 5);
    QWidget* target = grid->childAt(point);
    if (!target) target = grid;
    const QPoint local = target->mapFrom(grid, point);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    return true;
}

// The drop-down button of the Code cell of the current row clicked, then, in the list, Down
// (or Up) until the code's item is highlighted and Return.
void ChooseFromCodeListByKeys(TScript& script, const QString& code) {
    script.Then(QStringLiteral("click the drop-down button of the Code cell"),
                ReviewWaitsForTheUser, [] {
                    TDBLookupComboBox* box = ReviewGrid()->dblcTaskCode;
                    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                                      QPoint(box->width() - 6, box->height() / 2));
                    return true;
                });
    script.Then(
        QStringLiteral("the task code list open, with the keyboard"),
        [] {
            QAbstractItemView* view = ReviewGrid()->dblcTaskCode->view();
            return view->isVisible() && QApplication::focusWidget() == view;
        },
        [code] {
            TDBLookupComboBox* box = ReviewGrid()->dblcTaskCode;
            QAbstractItemView* view = box->view();
            int wanted = -1;
            for (int i = 0; i < box->count(); ++i)
                if (box->itemData(i).toList().value(0).toString() == code) wanted = i;
            if (wanted < 0) return false;
            for (int presses = 0; presses <= box->count(); ++presses) {
                const int current = view->currentIndex().row();
                if (current == wanted) {
                    QTest::keyClick(view, Qt::Key_Return);
                    return true;
                }
                QTest::keyClick(view, current < wanted ? Qt::Key_Down : Qt::Key_Up);
            }
            return false;
        });
}

class TaskCodeRuleJourney : public JourneyTest {
protected:
    // ADMIN beside the seeded GEN, a time on ADMIN's Monday, insertion of new task codes off.
    void SetUpRuleStore(int minimumTaskDuration = 0) {
        SetUpStore([minimumTaskDuration](TdmTasks_Form& dm) {
            TRecordSet& tasks = dm.adsTasks;
            tasks.Append();
            tasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
            tasks.FieldByName(QStringLiteral("MonDuration")).SetAsFloat(97 / 1440.0); // 01:37
            tasks.Post();
            dm.adsDefaults.Edit();
            dm.adsDefaults.FieldByName(QStringLiteral("NewTaskInsertAllowed")).SetAsBoolean(false);
            dm.adsDefaults.FieldByName(QStringLiteral("MinimumTaskDuration"))
                .SetAsInteger(minimumTaskDuration);
            dm.adsDefaults.Post();
        });
    }

    // Waits for the review window with ADMIN and GEN, then the click into ADMIN's Code cell.
    static void StartInAdminsCode(TScript& script) {
        WaitForReviewWindow(script);
        script.Then(QStringLiteral("ADMIN and GEN in the grid"),
                    [] { return ReadReviewWindow().Codes() == TasksBefore; });
        ClickCell(script, Admin, TaskCode, QStringLiteral("Code"));
    }

    // NOPE typed into ADMIN's Code cell and the cell left as leave does: the message, answered
    // with Return, and the keyboard back in the cell, which shows ADMIN again.
    static void LeaveAMissingCode(TScript& script, void (*leave)(TScript&)) {
        StartInAdminsCode(script);
        TypeCode(script, QStringLiteral("NOPE"));
        leave(script);
        AnswerWithReturn(script, Missing);
        BackInTheCodeCell(script, Admin, QStringLiteral("ADMIN"), QStringLiteral("NOPE"));
    }

    static void PressTab(TScript& script) {
        script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    }

    // After a restart: ADMIN and GEN with their codes, descriptions and ADMIN's Monday time.
    void ExpectTasksAsBefore(const TSeen& seen) {
        ASSERT_EQ(seen.Codes(), TasksBefore);
        EXPECT_EQ(seen.Tasks.at(Admin).Description, QStringLiteral("Administration"));
        EXPECT_EQ(seen.Tasks.at(Admin).Days.at(Monday), QStringLiteral("01:37"));
        EXPECT_EQ(seen.Tasks.at(Gen).Description, QStringLiteral("General"));
        EXPECT_FALSE(seen.Tasks.at(Admin).Completed);
        EXPECT_FALSE(seen.Tasks.at(Gen).Completed);
        EXPECT_TRUE(seen.History.empty());
        EXPECT_EQ(seen.TaskCodes, (QStringList{QStringLiteral("ADMIN"), QStringLiteral("GEN")}));
    }
};
} // namespace

TEST_F(TaskCodeRuleJourney, TabFromAMissingCodeShowsTheMessageAndPutsTheCodeBack) {
    SetUpRuleStore();
    TScript script;
    LeaveAMissingCode(script, PressTab);
    // Tab again now leaves the cell: the row holds a code that exists.
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    WaitForKeyboardIn(script, Description, QStringLiteral("Description"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectTasksAsBefore(Restart());
}

namespace {
// A way of leaving ADMIN's Code cell with a code the task codes lack, and the minimum task
// duration the store is set up with (Step needs one to round to).
struct TWayOut {
    const char* Name;
    void (*Leave)(TScript&);
    int MinimumTaskDuration;
};

void PrintTo(const TWayOut& way, std::ostream* os) {
    *os << way.Name;
}

class MissingCodeJourney : public TaskCodeRuleJourney,
                           public ::testing::WithParamInterface<TWayOut> {};
} // namespace

// However the row is left, the message comes, the row keeps ADMIN and the keyboard is back in
// its Code cell; nothing of the missing code reaches the files.
TEST_P(MissingCodeJourney, TheRowKeepsItsCodeAndTheKeyboardStaysInIt) {
    SetUpRuleStore(GetParam().MinimumTaskDuration);
    TScript script;
    LeaveAMissingCode(script, GetParam().Leave);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectTasksAsBefore(Restart());
}

INSTANTIATE_TEST_SUITE_P(
    Journey, MissingCodeJourney,
    ::testing::Values(
        TWayOut{"ClickOnAnotherRow",
                [](TScript& script) {
                    ClickOtherRow(script, Gen, Description, QStringLiteral("Description"));
                },
                0},
        // The click on GEN's box neither moves to GEN nor ticks it.
        TWayOut{"ClickOnAnotherRowsCompletedBox",
                [](TScript& script) { ClickOtherRow(script, Gen, Completed, QStringLiteral("C")); },
                0},
        TWayOut{"MouseWheel",
                [](TScript& script) {
                    script.Do(QStringLiteral("turn the mouse wheel over the grid"),
                              [] { return TurnWheelOverGrid(Gen); });
                },
                0},
        // Step rounds nothing.
        TWayOut{"Step",
                [](TScript& script) {
                    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("Step"));
                },
                15},
        // File > Exit keeps the window open.
        TWayOut{"Exit", [](TScript& script) { ExitByMenu(script); }, 0}),
    [](const ::testing::TestParamInfo<TWayOut>& info) { return std::string(info.param.Name); });

TEST_F(TaskCodeRuleJourney, ACodeOfAnotherTaskChosenFromTheListIsRefused) {
    SetUpRuleStore();
    TScript script;
    StartInAdminsCode(script);
    // A code typed and then left for the list is given up without a message.
    TypeCode(script, QStringLiteral("X"));
    ChooseFromCodeListByKeys(script, QStringLiteral("GEN"));
    AnswerWithReturn(script, Taken);
    BackInTheCodeCell(script, Admin, QStringLiteral("ADMIN"), QStringLiteral("X"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectTasksAsBefore(Restart());
}

TEST_F(TaskCodeRuleJourney, SubmitWithAMissingCodeSubmitsNothing) {
    SetUpRuleStore();
    TScript script;
    LeaveAMissingCode(script, [](TScript& s) {
        ClickToolButton(s, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    });
    script.Then(QStringLiteral("no history and ADMIN's Monday time still there"), [] {
        const TSeen seen = ReadReviewWindow();
        return seen.History.empty() &&
               seen.Tasks.at(Admin).Days.at(Monday) == QStringLiteral("01:37");
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectTasksAsBefore(Restart());
}

TEST_F(TaskCodeRuleJourney, ANewTaskWhoseFirstCodeIsMissingGoesAway) {
    SetUpRuleStore();
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Grid"), QStringLiteral("&Add Task"));
    script.Then(QStringLiteral("a new row in the grid"),
                [] { return ReviewGrid()->dbcgTasks->Rows() == 3; });
    ClickCell(script, CurrentRow, TaskCode, QStringLiteral("Code"));
    TypeCode(script, QStringLiteral("NOPE"));
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    AnswerWithReturn(script, Missing);
    script.Then(QStringLiteral("the new row gone, the keyboard in the Code cell, no NOPE"), [] {
        if (!ReviewWaitsForTheUser()) return false;
        TFrame_TimeTracker_Form* frame = ReviewGrid();
        return frame->dbcgTasks->Rows() == 2 && QApplication::focusWidget() == frame->dbeTaskCode &&
               frame->dsTasks->DataSet()->State() != TDataSetState::Insert &&
               NoRowHolds(QStringLiteral("NOPE"));
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    ExpectTasksAsBefore(Restart());
}

// The whole way of the fault as it was found: after each message the row holds its own code
// and the keyboard is in its Code cell; the click on GEN's box then goes to GEN, making it the
// current row and ticking it.
TEST_F(TaskCodeRuleJourney, TabThenTheListThenAnotherRowsBoxNeverLeaveAMissingCode) {
    SetUpRuleStore();
    TScript script;
    LeaveAMissingCode(script, PressTab);
    TypeCode(script, QStringLiteral("X"));
    ChooseFromCodeListByKeys(script, QStringLiteral("GEN"));
    AnswerWithReturn(script, Taken);
    BackInTheCodeCell(script, Admin, QStringLiteral("ADMIN"), QStringLiteral("X"));
    ClickOtherRow(script, Gen, Completed, QStringLiteral("C"));
    script.Then(QStringLiteral("GEN the current row, its C box with the keyboard and ticked"), [] {
        TFrame_TimeTracker_Form* frame = ReviewGrid();
        return ReviewWaitsForTheUser() && frame->dbcgTasks->CurrentRow() == Gen &&
               QApplication::focusWidget() == frame->dbcbxComplete &&
               frame->dbcbxComplete->isChecked();
    });
    script.Then(QStringLiteral("no row holding NOPE or X"), [] {
        return NoRowHolds(QStringLiteral("NOPE")) && NoRowHolds(QStringLiteral("X"));
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), TasksBefore);
    EXPECT_EQ(seen.Tasks.at(Admin).Days.at(Monday), QStringLiteral("01:37"));
    EXPECT_FALSE(seen.Tasks.at(Admin).Completed);
    EXPECT_TRUE(seen.Tasks.at(Gen).Completed) << "the one click ticked GEN";
}
