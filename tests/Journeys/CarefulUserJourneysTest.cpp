// Journeys of the windows behaving as a careful user expects: the compact tracker is off the
// screen while the review window is shown; Escape or the close box while a task is tracked ask
// before ending the program (No keeps everything), and end it at once when nothing is tracked;
// one click on an A box tracks that task, shown at once; a task code renamed back to the row's
// own is taken; Tab leaves a client's notes; headers stand over their cells at any width;
// lookup boxes show the start of a long name; "Last Submitted" is empty until a week is
// submitted; a rocket takes one place of a ten-character task code.

#include "JourneyClock.h"
#include "MaintainDialogJourney.h"

#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDBText.h"
#include "UserLayer/Form_Main_Unit.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <memory>

using namespace Journey;

namespace {
constexpr size_t Wednesday = 2; // 9 December 2026, the pinned day

void AddAdmin(TdmTasks_Form& dm) {
    dm.adsTasks.Append();
    dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
    dm.adsTasks.Post();
}

// The clock run fast until n more minutes have gone by.
struct TFastMinutes {
    TFastTicks Ticks;
    void Run(int n) {
        Ticks.Install();
        Ticks.Run(n);
    }
    bool Done() const { return Ticks.Done(); }
};

// The row of the compact tracker that shows the task of that code; -1 when none does.
int TrackerRowOf(const QString& code) {
    return RowShowing(TrackerGrid(), code);
}
} // namespace

// While the review window is shown the compact tracker is not on the screen. Escape while GEN
// is tracked asks "Stop tracking and exit Tivrel?"; No leaves the review window up and the
// tracking going on (three minutes more); Yes ends the program, and all the time is kept.
TEST_F(JourneyTest, EscapeWhileTrackingAsksAndNoKeepsEverything) {
    SetUpStore();
    TFastMinutes minutes;
    bool trackerHidden = false;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("look for the compact tracker, then press Escape"), [&] {
        trackerHidden = MainWindow() && !MainWindow()->isVisible();
        return Press(Qt::Key_Escape);
    });
    AnswerBox(script, QStringLiteral("Stop tracking and exit Tivrel?"), 'N');
    script.Then(QStringLiteral("the review window still up, three minutes go by"),
                ReviewWaitsForTheUser, [&] {
                    minutes.Run(3);
                    return true;
                });
    script.Then(
        QStringLiteral("three minutes tracked, to click the close box"),
        [&] { return minutes.Done(); },
        [] {
            if (!Review()->windowHandle()) return false;
            Review()->windowHandle()->close(); // refused while the question is answered No
            return true;
        });
    AnswerBox(script, QStringLiteral("Stop tracking and exit Tivrel?"), 'N');
    script.Then(QStringLiteral("the review window still up, to press Escape"),
                ReviewWaitsForTheUser, [] { return Press(Qt::Key_Escape); });
    script.Then(
        QStringLiteral("the question again, answered Yes"),
        [] { return MessageBoxSays(QStringLiteral("Stop tracking and exit Tivrel?")); },
        [] { return AnswerMessageBox('Y'); });
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(trackerHidden) << "no window that looks usable and takes no click";

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:03"));
}

// The compact tracker keeps the same rule: Escape while GEN is tracked asks, and No keeps it
// open and tracking (two minutes more); its Exit button then ends the program at once.
TEST_F(JourneyTest, TheCompactTrackerAsksOnEscapeWhileTrackingAndItsExitEndsAtOnce) {
    SetUpStore();
    TFastMinutes minutes;
    TScript script;
    WaitForReviewWindow(script);
    ClickToolButton(script, &TForm_Submit_Form::aTimeTracker, QStringLiteral("Time Tracker"));
    script.Then(
        QStringLiteral("the compact tracker, GEN tracked, to press Escape"),
        [] {
            return MainWindow() && QApplication::activeWindow() == MainWindow() &&
                   MainWindow()->TrackedTaskText().startsWith(QLatin1String("GEN"));
        },
        [] { return Press(Qt::Key_Escape); });
    AnswerBox(script, QStringLiteral("Stop tracking and exit Tivrel?"), 'N');
    script.Then(
        QStringLiteral("the compact tracker still up, two minutes go by"),
        [] { return MainWindow()->isVisible() && QApplication::activeModalWidget() == nullptr; },
        [&] {
            minutes.Run(2);
            return true;
        });
    script.Then(
        QStringLiteral("two minutes tracked, to click Exit"), [&] { return minutes.Done(); },
        [] { return Journey::ClickToolButton(MainWindow()->ToolBar1, MainWindow()->aExit); });
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:02"));
}

// Paused, nothing is tracked: the close box ends the program at once, without a question.
TEST_F(JourneyTest, TheCloseBoxWhileNothingIsTrackedEndsAtOnce) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("press Ctrl+P"), [] { return Press(Qt::Key_P, Qt::ControlModifier); });
    // The program ends with the close: a question would keep it running past the script.
    script.Then(
        QStringLiteral("Paused shown, to click the close box"),
        [] { return Review()->lblTracking->text() == QLatin1String("Paused"); },
        [] { return Review()->windowHandle() && Review()->windowHandle()->close(); });
    EXPECT_EQ(RunProgram(script), 0);
}

// In the compact tracker one click on the A box of the ADMIN row, which is not the current
// one, tracks ADMIN: the review window's status bar and the tray say so at once, the tracker's
// task line within its second, and the minutes go to ADMIN.
TEST_F(JourneyTest, OneClickOnAnABoxTracksThatTaskAndShowsItAtOnce) {
    SetUpStore(AddAdmin);
    TFastMinutes minutes;
    QString taskLine, statusBar, tray;
    TScript script;
    WaitForReviewWindow(script);
    ClickToolButton(script, &TForm_Submit_Form::aTimeTracker, QStringLiteral("Time Tracker"));
    script.Then(
        QStringLiteral("the compact tracker, GEN tracked, to click GEN's description"),
        [] {
            return MainWindow() && QApplication::activeWindow() == MainWindow() &&
                   MainWindow()->TrackedTaskText().startsWith(QLatin1String("GEN"));
        },
        [] {
            TFrame_TimeTracker_Form* frame = TrackerGrid();
            return Journey::ClickCell(frame, TrackerRowOf(QStringLiteral("GEN")),
                                      frame->dbeTaskDescription);
        });
    script.Then(
        QStringLiteral("GEN the current row, to click the A box of ADMIN once"),
        [] {
            return TrackerGrid()->dbcgTasks->CurrentRow() == TrackerRowOf(QStringLiteral("GEN"));
        },
        [&] {
            TFrame_TimeTracker_Form* frame = TrackerGrid();
            if (!Journey::ClickCell(frame, TrackerRowOf(QStringLiteral("ADMIN")),
                                    frame->dbcbxActive))
                return false;
            // What the status bar and the tray say the moment the click is done.
            statusBar = Review()->lblTracking->text();
            tray = MainWindow()->TrayIcon->toolTip();
            return true;
        });
    // The tracker's own line shows a task with time today, from its first second on.
    script.Then(
        QStringLiteral("ADMIN tracked, four minutes go by"),
        [] { return MainWindow()->TrackedTaskText().startsWith(QLatin1String("ADMIN")); },
        [&] {
            minutes.Run(4);
            return true;
        });
    script.Then(
        QStringLiteral("four minutes tracked, the tracker's line on ADMIN, to click Review"),
        [&] {
            taskLine = MainWindow()->lblCurrentTask->text();
            return minutes.Done() && taskLine.startsWith(QLatin1String("ADMIN"));
        },
        [] { return Journey::ClickToolButton(MainWindow()->ToolBar1, MainWindow()->aReview); });
    WaitForReviewWindow(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(taskLine.startsWith(QLatin1String("ADMIN"))) << taskLine.toStdString();
    EXPECT_TRUE(statusBar.startsWith(QLatin1String("ADMIN"))) << statusBar.toStdString();
    EXPECT_TRUE(tray.startsWith(QLatin1String("ADMIN"))) << tray.toStdString();

    const TSeen seen = Restart();
    ASSERT_NE(seen.Task(QStringLiteral("ADMIN")), nullptr);
    EXPECT_EQ(seen.Task(QStringLiteral("ADMIN"))->Days.at(Wednesday), QStringLiteral("00:04"));
    EXPECT_EQ(seen.Task(QStringLiteral("GEN"))->Days.at(Wednesday), QString());
}

// In the task codes dialog GEN is renamed GENX and, still in the dialog, back to GEN: the row's
// own code is taken without a word. A rocket pasted into a code takes one of its ten places.
TEST_F(JourneyTest, ATaskCodeTheRowHadIsTakenAgainAndARocketTakesOnePlace) {
    SetUpStore();
    const char* window = TasksDialog.Window;
    const QString rocket = QString::fromUtf8("\xF0\x9F\x9A\x80");
    bool refused = false;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, TasksDialog);
    // Rows in code order: ADMIN, GEN.
    for (const char* code : {"GENX", "GEN"}) {
        script.Do(QStringLiteral("click GEN's task code"),
                  [window] { return ClickGridCell(window, 1, "TaskCode"); });
        script.Then(
            QStringLiteral("its code selected, to type %1 and Tab").arg(QLatin1String(code)),
            [window] {
                auto* edit = CellEditor<QLineEdit>(window);
                return edit && edit->selectedText() == edit->text();
            },
            [code] { return Type(QLatin1String(code)) && Press(Qt::Key_Tab); });
        script.Then(QStringLiteral("no refusal"), After(200), [&refused] {
            refused = refused || MessageBox() != nullptr;
            return !refused;
        });
    }
    script.Do(QStringLiteral("click ADMIN's task code"),
              [window] { return ClickGridCell(window, 0, "TaskCode"); });
    script.Then(
        QStringLiteral("its code selected, to paste ABCDEFGHI and a rocket, then type X"),
        [window] { return CellEditor<QLineEdit>(window) != nullptr; },
        [rocket] {
            QApplication::clipboard()->setText(QStringLiteral("ABCDEFGHI") + rocket);
            return Press(Qt::Key_V, Qt::ControlModifier) && Type(QStringLiteral("X"));
        });
    script.Then(
        QStringLiteral("the cell holds the ten characters, to Tab and click OK"),
        [window, rocket] {
            auto* edit = CellEditor<QLineEdit>(window);
            return edit && edit->text() == QStringLiteral("ABCDEFGHI") + rocket;
        },
        [window] { return Press(Qt::Key_Tab) && ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("the dialog closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_FALSE(refused);

    const TSeen seen = Restart();
    EXPECT_TRUE(seen.TaskCodes.contains(QStringLiteral("GEN")));
    EXPECT_FALSE(seen.TaskCodes.contains(QStringLiteral("GENX")));
    EXPECT_TRUE(seen.TaskCodes.contains(QStringLiteral("ABCDEFGHI") + rocket))
        << seen.TaskCodes.join(QLatin1Char(' ')).toStdString();
}

// Tab in a client's notes leaves them for the next cell: no tab character is typed into the
// notes, which are stored as typed.
TEST_F(JourneyTest, TabLeavesAClientsNotes) {
    SetUpStore([](TdmTasks_Form& dm) {
        TRecordSet& c = dm.adsClients;
        c.Append();
        c.FieldByName(QStringLiteral("ClientId")).SetAsInteger(1);
        c.FieldByName(QStringLiteral("ClientName")).SetAsString(QStringLiteral("Acme"));
        c.FieldByName(QStringLiteral("BillingTypeNumber")).SetAsInteger(1);
        c.FieldByName(QStringLiteral("ClientTypeNumber")).SetAsInteger(1);
        c.Post();
    });
    const char* window = ClientsDialog.Window;
    TScript script;
    WaitForReviewWindow(script);
    OpenMaintained(script, ClientsDialog);
    script.Do(QStringLiteral("click Acme's notes"),
              [window] { return ClickGridCell(window, 0, "Notes"); });
    script.Then(
        QStringLiteral("the notes box open, to type and press Tab"),
        [window] { return CellEditor<QPlainTextEdit>(window) != nullptr; },
        [] { return Type(QStringLiteral("Own work")) && Press(Qt::Key_Tab); });
    script.Then(
        QStringLiteral("the notes box closed, the next cell current, to click OK"),
        [window] {
            TDBGrid* grid = GridOf(window);
            return grid && !CellEditor<QPlainTextEdit>(window) &&
                   grid->currentIndex().column() != ColumnOf(grid, "Notes");
        },
        [window] { return ClickButton(window, "btnOk"); });
    script.Then(QStringLiteral("the dialog closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    QStringList notes;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("read the notes"), [&notes] {
        notes = StoredColumn(ClientsDialog, "Notes");
        return true;
    });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_TRUE(notes.contains(QStringLiteral("Own work")))
        << notes.join(QLatin1Char('|')).toStdString();
}

namespace {
// Each visible column header of the frame stands over the cells of its column: the x range
// of every visible row control of that column lies within its header's. The faults found.
QStringList HeadersOverCells(TFrame_TimeTracker_Form* frame, const QString& where) {
    QStringList faults;
    const QList<THeaderPanel*> headers = frame->findChildren<THeaderPanel*>();
    for (QWidget* control : frame->RowPanel->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(frame->RowPanel) || control->parentWidget() != frame->RowPanel)
            continue;
        const int tag = control->property("tag").toInt();
        if (tag <= 0) continue;
        const int left = control->mapTo(frame, QPoint(0, 0)).x();
        const int right = left + control->width() - 1;
        bool covered = false;
        for (THeaderPanel* header : headers) {
            if (header->property("tag").toInt() != tag || !header->isVisibleTo(frame)) continue;
            const int headerLeft = header->mapTo(frame, QPoint(0, 0)).x();
            covered = headerLeft <= left && right <= headerLeft + header->width() - 1;
        }
        if (!covered)
            faults << QStringLiteral("%1: %2 at %3..%4 has no header over it")
                          .arg(where, control->objectName())
                          .arg(left)
                          .arg(right);
    }
    return faults;
}

// Looks at both windows at their design width, wider and as narrow as they go.
void LookAtTheHeaders(TScript& script, QStringList& faults) {
    auto look = [&faults](QWidget* window, TFrame_TimeTracker_Form* frame, const char* name) {
        const QSize design = window->size();
        for (int width : {design.width(), design.width() + 260, window->minimumWidth()}) {
            window->resize(width, design.height());
            QApplication::processEvents();
            faults << HeadersOverCells(
                frame,
                QStringLiteral("%1 at %2 wide").arg(QLatin1String(name)).arg(frame->width()));
        }
        window->resize(design);
    };
    script.Do(QStringLiteral("look at the review window's headers"), [look] {
        look(Review(), ReviewGrid(), "review window");
        return true;
    });
    ClickToolButton(script, &TForm_Submit_Form::aTimeTracker, QStringLiteral("Time Tracker"));
    script.Then(
        QStringLiteral("the compact tracker, to look at its headers and click Review"),
        [] { return MainWindow() && MainWindow()->isVisible(); },
        [look] {
            look(MainWindow(), TrackerGrid(), "compact tracker");
            return Journey::ClickToolButton(MainWindow()->ToolBar1, MainWindow()->aReview);
        });
    WaitForReviewWindow(script);
}

void Options(TdmTasks_Form& dm, bool priority, bool clients) {
    TRecordSet& options = dm.adsDefaults;
    options.Edit();
    options.FieldByName(QStringLiteral("DisplayPriority")).SetAsBoolean(priority);
    options.FieldByName(QStringLiteral("DisplayClients")).SetAsBoolean(clients);
    options.FieldByName(QStringLiteral("DisplaySat")).SetAsBoolean(true);
    options.Post();
}
} // namespace

class HeaderJourney : public JourneyTest, public ::testing::WithParamInterface<bool> {};

// The headers stand over their cells in both windows, at any width, with the priority column
// shown and the client column not, or the other way round.
TEST_P(HeaderJourney, EachHeaderStandsOverItsCellsInBothWindowsAtAnyWidth) {
    const bool priority = GetParam();
    SetUpStore([priority](TdmTasks_Form& dm) {
        AddAdmin(dm);
        Options(dm, priority, !priority);
    });
    QStringList faults;
    TScript script;
    WaitForReviewWindow(script);
    LookAtTheHeaders(script, faults);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Journey, HeaderJourney, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "PriorityShownClientsNot"
                                                           : "ClientsShownPriorityNot");
                         });

// The current row's project box shows the start of "Core Data Migration", as the other rows
// do; and "Last Submitted" says nothing on a store where no week was ever submitted, then
// shows the week once one is.
TEST_F(JourneyTest, ALongProjectNameShowsItsStartAndLastSubmittedWaitsForASubmission) {
    SetUpStore([](TdmTasks_Form& dm) {
        TRecordSet& p = dm.adsProjects;
        p.Append();
        p.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(-1);
        p.FieldByName(QStringLiteral("ProjectName"))
            .SetAsString(QStringLiteral("Core Data Migration"));
        p.FieldByName(QStringLiteral("DailyRate")).SetAsFloat(0);
        p.FieldByName(QStringLiteral("TotalCost")).SetAsFloat(0);
        p.FieldByName(QStringLiteral("CompletionDate")).SetAsDateTime(0);
        p.Post();
        dm.adsTasks.First();
        dm.adsTasks.Edit();
        dm.adsTasks.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(-1);
        dm.adsTasks.FieldByName(QStringLiteral("MonDuration")).SetAsFloat(1.0 / 24);
        dm.adsTasks.Post();
    });
    int projectScrolledTo = -1;
    bool lastSubmittedBefore = true, lastSubmittedAfter = false;
    QString lastSubmittedText;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("look at the project box and Last Submitted, then click Submit"), [&] {
        TFrame_TimeTracker_Form* grid = ReviewGrid();
        projectScrolledTo = grid->dbeProject->text() == QLatin1String("Core Data Migration")
                                ? grid->dbeProject->cursorPosition()
                                : -2;
        lastSubmittedBefore = Review()->dbtxtLastSubmitted->isVisible() &&
                              !Review()->dbtxtLastSubmitted->text().isEmpty();
        return Journey::ClickToolButton(Review()->ToolBar1, Review()->Submit);
    });
    // Any question the submission asks is answered Yes.
    script.Then(
        QStringLiteral("the week submitted"),
        [] {
            if (MessageBox()) {
                AnswerMessageBox('Y');
                return false;
            }
            return ReviewWaitsForTheUser() && !dmTasks_Form->adsReporting.IsEmpty();
        },
        [&] {
            lastSubmittedAfter = Review()->dbtxtLastSubmitted->isVisible();
            lastSubmittedText = Review()->dbtxtLastSubmitted->text();
            return true;
        });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(projectScrolledTo, 0) << "the box shows the start of the name";
    EXPECT_FALSE(lastSubmittedBefore) << "nothing was ever submitted";
    EXPECT_TRUE(lastSubmittedAfter);
    EXPECT_FALSE(lastSubmittedText.isEmpty());

    bool shownAfterRestart = false;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("look at Last Submitted"), [&shownAfterRestart] {
        shownAfterRestart = Review()->dbtxtLastSubmitted->isVisible() &&
                            !Review()->dbtxtLastSubmitted->text().isEmpty();
        return true;
    });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_TRUE(shownAfterRestart);
}
