// Journeys of typing into cells as into a spreadsheet's: a day cell reached by a click, a
// click again, Tab, an arrow key or Enter has its whole time selected and "7:30" typed there
// is 07:30, in the review window, in the compact tracker's Today column and in the history
// dialog; F2 edits in place. And dates: the short date format and ISO are taken in the
// completion date of a project, the week start box and the reports window, anything else is
// refused with a message naming the text and the box. The program is started again on the same
// folder to see what was kept.

#include "MaintainDialogJourney.h"

#include "Components/DataControls/TDateEdit.h"
#include "UserLayer/Form_Main_Unit.h"

#include <QLineEdit>

using namespace Journey;

namespace {
constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;
constexpr auto Tue = &TFrame_TimeTracker_Form::dbeTue;
constexpr auto Wed = &TFrame_TimeTracker_Form::dbeWed;
constexpr auto Thu = &TFrame_TimeTracker_Form::dbeThu;
constexpr auto Fri = &TFrame_TimeTracker_Form::dbeFri;
constexpr size_t Monday = 0, Tuesday = 1, Wednesday = 2, Thursday = 3, Friday = 4;

// ADMIN and GEN, in that order (the grid is sorted by task code); GEN is timed.
void AdminAndGeneral(TdmTasks_Form& dm) {
    dm.adsTasks.Append();
    dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
    dm.adsTasks.Post();
}

TForm_Main_Form* MainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form_Main_Form"))
            return qobject_cast<TForm_Main_Form*>(window);
    return nullptr;
}

// The keyboard is in the edit and its whole text is selected: what is typed replaces it.
bool WholeTextSelected(const QLineEdit* edit) {
    return edit && QApplication::focusWidget() == edit && !edit->text().isEmpty() &&
           edit->selectedText() == edit->text();
}

// The review grid's cell of that column has the keyboard with its time selected; then
// "7:30" is typed, and the cell shows it.
void Type730Over(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column, const QString& how) {
    script.Then(
        QStringLiteral("%1: the cell's time selected, to type 7:30").arg(how),
        [column] { return WholeTextSelected(ReviewGrid()->*column); },
        [] { return Type(QStringLiteral("7:30")); });
    script.Then(QStringLiteral("%1: the cell shows 7:30").arg(how), [column] {
        return (ReviewGrid()->*column)->displayText() == QLatin1String("7:30");
    });
}

// A click on the current row's cell that has the keyboard already.
void ClickAgain(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column, const QString& name) {
    script.Do(QStringLiteral("click the %1 cell again").arg(name), [column] {
        TDBEdit* edit = ReviewGrid()->*column;
        if (QApplication::focusWidget() != edit) return false;
        QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(6, edit->height() / 2));
        return true;
    });
}
} // namespace

// Six cells reached six ways: Mon by a click, Tue by a click and a click again, Wed by Tab,
// GEN's Wed by Down, ADMIN's Thu by a click and GEN's Thu by Enter. "7:30" typed into each
// is 07:30 after a restart. F2 then edits a cell in place, the caret at the end.
TEST_F(JourneyTest, ADayCellReachedAnyWayTakesTheTimeTypedOverIt) {
    SetUpStore(AdminAndGeneral);
    bool inPlace = false;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("press Ctrl+P: no minute ticks meanwhile"),
              [] { return Press(Qt::Key_P, Qt::ControlModifier); });
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    Type730Over(script, Mon, QStringLiteral("clicked"));
    ClickCell(script, 0, Tue, QStringLiteral("Tue"));
    ClickAgain(script, Tue, QStringLiteral("Tue"));
    Type730Over(script, Tue, QStringLiteral("clicked again"));
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    Type730Over(script, Wed, QStringLiteral("Tab"));
    script.Do(QStringLiteral("press Down"), [] { return Press(Qt::Key_Down); });
    script.Then(QStringLiteral("the GEN row current"), [] {
        return dmTasks_Form->adsTasks.FieldByName(QStringLiteral("TaskCode")).AsString() ==
               QLatin1String("GEN");
    });
    Type730Over(script, Wed, QStringLiteral("Down"));
    ClickCell(script, 0, Thu, QStringLiteral("ADMIN's Thu"));
    Type730Over(script, Thu, QStringLiteral("ADMIN's Thu"));
    script.Do(QStringLiteral("press Enter"), [] { return Press(Qt::Key_Return); });
    Type730Over(script, Thu, QStringLiteral("Enter"));
    ClickCell(script, 1, Fri, QStringLiteral("GEN's Fri"));
    script.Do(QStringLiteral("press F2"), [] { return Press(Qt::Key_F2); });
    script.Then(QStringLiteral("F2: nothing selected, the caret at the end"), [&inPlace] {
        TDBEdit* edit = ReviewGrid()->dbeFri;
        inPlace = !edit->hasSelectedText() && edit->cursorPosition() == edit->text().size() &&
                  edit->EditingInPlace();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(inPlace);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), (QStringList{QStringLiteral("ADMIN"), QStringLiteral("GEN")}));
    const QString kept = QStringLiteral("07:30");
    const TTaskSeen& admin = seen.Tasks.at(0);
    const TTaskSeen& gen = seen.Tasks.at(1);
    EXPECT_EQ(admin.Days.at(Monday), kept) << "clicked";
    EXPECT_EQ(admin.Days.at(Tuesday), kept) << "clicked again";
    EXPECT_EQ(admin.Days.at(Wednesday), kept) << "Tab";
    EXPECT_EQ(gen.Days.at(Wednesday), kept) << "Down";
    EXPECT_EQ(admin.Days.at(Thursday), kept) << "clicked";
    EXPECT_EQ(gen.Days.at(Thursday), kept) << "Enter";
    EXPECT_EQ(gen.Days.at(Friday), QString());
    EXPECT_EQ(seen.DayTotals.at(Wednesday), QStringLiteral("15:00"));
}

// The compact tracker's Today cell is typed into the same way: a click, a click again, 7:30.
TEST_F(JourneyTest, TheTodayCellOfTheCompactTrackerTakesTheTimeTypedOverIt) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("press Ctrl+P: no minute ticks meanwhile"),
              [] { return Press(Qt::Key_P, Qt::ControlModifier); });
    ClickToolButton(script, &TForm_Submit_Form::aTimeTracker, QStringLiteral("Time Tracker"));
    script.Then(
        QStringLiteral("the compact tracker in front, to click the Today cell"),
        [] { return MainWindow() && QApplication::activeWindow() == MainWindow(); },
        [] {
            TFrame_TimeTracker_Form* frame = MainWindow()->Frame_TimeTracker_Form1;
            return Journey::ClickCell(frame, 0, frame->dbeMon);
        });
    script.Then(
        QStringLiteral("the Today cell has the keyboard, to click it again"),
        [] { return QApplication::focusWidget() == MainWindow()->Frame_TimeTracker_Form1->dbeMon; },
        [] {
            TDBEdit* today = MainWindow()->Frame_TimeTracker_Form1->dbeMon;
            QTest::mouseClick(today, Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
            return true;
        });
    script.Then(
        QStringLiteral("the Today cell's time selected, to type 7:30 and Tab"),
        [] { return WholeTextSelected(MainWindow()->Frame_TimeTracker_Form1->dbeMon); },
        [] { return Type(QStringLiteral("7:30")) && Press(Qt::Key_Tab); });
    script.Then(
        QStringLiteral("the Today cell shows 07:30, to click Review"),
        [] {
            return MainWindow()->Frame_TimeTracker_Form1->dbeMon->text() == QLatin1String("07:30");
        },
        [] {
            TForm_Main_Form* main = MainWindow();
            return Journey::ClickToolButton(main->ToolBar1, main->aReview);
        });
    WaitForReviewWindow(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("07:30"));
}

// In the history dialog a duration clicked, then clicked again, keeps its whole time selected:
// 7:30 typed is 07:30 after OK and a restart.
TEST_F(JourneyTest, AHistoryDurationClickedTwiceTakesTheTimeTypedOverIt) {
    SetUpStore([](TdmTasks_Form& dm) {
        TRecordSet& h = dm.adsReporting;
        h.Append();
        auto field = [&h](const char* name) -> TField& {
            return h.FieldByName(QLatin1String(name));
        };
        field("TaskCode").SetAsString(QStringLiteral("GEN"));
        field("TaskDescription").SetAsString(QStringLiteral("Planning"));
        field("DateTimeCreated").SetAsDateTime(DateToDayNumber(QDate(2026, 11, 2)));
        field("DateTimeSubmitted").SetAsDateTime(DateToDayNumber(QDate(2026, 12, 1)));
        field("Duration").SetAsFloat(1.0 / 24);
        field("Active").SetAsBoolean(false);
        field("Completed").SetAsBoolean(false);
        field("InvoiceNumber").SetAsInteger(0);
        field("AuthUserId").SetAsInteger(0);
        field("UserId").SetAsInteger(0);
        h.Post();
    });
    const char* window = "Form_History_Form";
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&History"));
    script.Then(
        QStringLiteral("the search dialog, to click OK for last week"),
        [] { return DialogInFront("Form_Find_TaskData_Form") != nullptr; },
        [] { return ClickButton("Form_Find_TaskData_Form", "btnOk"); });
    for (const char* click : {"click", "click again"}) {
        script.Then(
            QStringLiteral("the history dialog, to %1 the duration").arg(QLatin1String(click)),
            [window] { return GridOf(window) && GridOf(window)->model()->rowCount() == 1; },
            [window] { return ClickGridCell(window, 0, "Duration"); });
        script.Then(
            QStringLiteral("after the %1, the duration 01:00 selected").arg(QLatin1String(click)),
            [window] { return WholeTextSelected(CellEditor<QLineEdit>(window)); });
    }
    script.Do(QStringLiteral("type 7:30 and Tab"),
              [] { return Type(QStringLiteral("7:30")) && Press(Qt::Key_Tab); });
    script.Do(QStringLiteral("click OK"), [window] { return ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("both dialogs closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), 1u);
    EXPECT_EQ(seen.History.at(0).Duration, QStringLiteral("07:30"));
}

// Dates typed as 18/12/2026 or 2026-12-18 are taken: a project's completion date, the week
// start box, the reports window's start date. "2026-13-45" is refused with a message naming
// the text and the box, and is never read as another date.
TEST_F(JourneyTest, DatesAreTakenInTheShortFormatOrIsoAndAnythingElseIsRefused) {
    SetUpStore();
    const char* window = ProjectsDialog.Window;
    QString weekShown, refusedWeekKept, reportStart;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ProjectsDialog);
    script.Do(QStringLiteral("click the completion date of None"),
              [window] { return ClickGridCell(window, 0, "CompletionDate"); });
    script.Then(
        QStringLiteral("its date box open, to type 2026-12-18 and Enter"),
        [window] { return CellEditor<TDateEdit>(window) != nullptr; },
        [] {
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("2026-12-18")) &&
                   Press(Qt::Key_Return);
        });
    script.Then(
        QStringLiteral("the cell shows 18/12/2026, to type 2026-13-45 and Enter"),
        [window] {
            TDBGrid* grid = GridOf(window);
            return grid && grid->model()->index(0, ColumnOf(grid, "CompletionDate")).data() ==
                               QStringLiteral("18/12/2026");
        },
        [] {
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("2026-13-45")) &&
                   Press(Qt::Key_Return);
        });
    script.Then(
        QStringLiteral("the refusal naming the text and the field, answered with Return"),
        [] {
            return MessageBoxSays(
                QStringLiteral("'2026-13-45' is not a valid date for Completion Date. Type a date "
                               "such as 09/12/2026 or 2026-12-09."));
        },
        ReturnInMessageBox);
    script.Then(
        QStringLiteral("the text kept for correction, to type 24/12/2026 and Enter"),
        [window] {
            TDateEdit* box = CellEditor<TDateEdit>(window);
            return box && box->text() == QLatin1String("2026-13-45");
        },
        [] {
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("24/12/2026")) &&
                   Press(Qt::Key_Return);
        });
    script.Do(QStringLiteral("click OK"), [window] { return ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("the dialog closed, to click the week start box"),
                ReviewWaitsForTheUser, [] {
                    QTest::mouseClick(Review()->meSubmitDate, Qt::LeftButton, Qt::NoModifier,
                                      QPoint(8, 8));
                    return true;
                });
    script.Then(
        QStringLiteral("the week start selected, to type 2026-12-16 and Tab"),
        [] { return WholeTextSelected(Review()->meSubmitDate); },
        [] { return Type(QStringLiteral("2026-12-16")) && Press(Qt::Key_Tab); });
    script.Then(
        QStringLiteral("the box shows the week of that day, to type 31/13/2026 into it"),
        [&weekShown] {
            weekShown = Review()->meSubmitDate->text();
            return QApplication::focusWidget() != Review()->meSubmitDate &&
                   weekShown != QLatin1String("2026-12-16");
        },
        [] {
            QTest::mouseClick(Review()->meSubmitDate, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("31/13/2026")) &&
                   Press(Qt::Key_Tab);
        });
    script.Then(
        QStringLiteral("the refusal naming the week start box, answered with Return"),
        [] {
            return MessageBoxSays(
                QStringLiteral("'31/13/2026' is not a valid date for Week Start Date."));
        },
        ReturnInMessageBox);
    script.Then(
        QStringLiteral("the week stays, to put the box back with Escape"),
        [] { return ReviewWaitsForTheUser() && !MessageBox(); },
        [&refusedWeekKept] {
            refusedWeekKept = DateToStr(Review()->SubmitDate());
            QTest::mouseClick(Review()->meSubmitDate, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
            return Press(Qt::Key_Escape);
        });
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Report"));
    script.Then(
        QStringLiteral("the reports window, to type 2026-11-02 as its start date and Tab"),
        [] { return DialogInFront("Form_Reporting_Form") != nullptr; },
        [] {
            auto* start = DialogInFront("Form_Reporting_Form")
                              ->findChild<TDateEdit*>(QStringLiteral("StartDateTimePicker"));
            if (!start) return false;
            QTest::mouseClick(start, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("2026-11-02")) &&
                   Press(Qt::Key_Tab);
        });
    script.Then(
        QStringLiteral("the start date taken, to press Escape for Cancel"),
        [&reportStart] {
            QDialog* reports = DialogInFront("Form_Reporting_Form");
            auto* start =
                reports ? reports->findChild<TDateEdit*>(QStringLiteral("StartDateTimePicker"))
                        : nullptr;
            if (!start || QApplication::focusWidget() == start) return false;
            reportStart = start->date().toString(Qt::ISODate);
            return reportStart == QLatin1String("2026-11-02");
        },
        [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the reports window closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(weekShown, QStringLiteral("13/12/2026")) << "the Sunday of 16 December's week";
    EXPECT_EQ(refusedWeekKept, QStringLiteral("13/12/2026"));
    EXPECT_EQ(reportStart, QStringLiteral("2026-11-02"));

    QString stored;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("read the completion date of None"), [&stored] {
        TRecordSet& projects = dmTasks_Form->adsProjects;
        projects.WithRecord(1, [&] {
            stored =
                DayNumberToDate(projects.FieldByName(QStringLiteral("CompletionDate")).AsDateTime())
                    .toString(Qt::ISODate);
        });
        return true;
    });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_EQ(stored, QStringLiteral("2026-12-24"));
}
