// Journeys in which the user confirms something (a submitted week, a client added with OK, an
// option changed with OK) and the program then dies without closing: what was confirmed must
// already be in the files.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"

#include <QLineEdit>
#include <QPushButton>

using namespace Journey;

namespace {
constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;

// A column of a table file as a program started after a crash would read it (numbers and
// durations as numbers).
QStringList ColumnOnDisk(const TInstall& install, const char* file, const char* field,
                         bool number = false) {
    TRecordSet table;
    try {
        table.LoadFromFile(install.FileName(QLatin1String(file)));
    } catch (const Exception&) {
        return {QStringLiteral("(unreadable)")};
    }
    QStringList values;
    for (table.First(); !table.Eof(); table.Next())
        values << (number
                       ? QString::number(table.FieldByName(QLatin1String(field)).AsFloat(), 'g', 17)
                       : table.FieldByName(QLatin1String(field)).AsString());
    return values;
}
} // namespace

TEST_F(JourneyTest, ASubmittedWeekIsInTheFilesAtOnce) {
    SetUpStore();
    QStringList historyOnDisk, mondayOnDisk;
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0245"), QStringLiteral("02:45"));
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    // The save runs on another thread: the files hold the week once it ends.
    script.Then(
        QStringLiteral("the week submitted and saved, to look at the files"),
        [] { return ReviewWaitsForTheUser() && !dmTasks_Form->HistorySaving(); },
        [&] {
            historyOnDisk = ColumnOnDisk(Install, "Reportingfile.xml", "Duration", true);
            mondayOnDisk = ColumnOnDisk(Install, "Tasksfile.xml", "MonDuration", true);
            return true;
        });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    ASSERT_EQ(historyOnDisk.size(), 1) << historyOnDisk.join(QLatin1Char(' ')).toStdString();
    EXPECT_NEAR(historyOnDisk.at(0).toDouble(), 2.75 / 24, 1e-6);
    EXPECT_EQ(mondayOnDisk, QStringList{QStringLiteral("0")}) << "the cleared week is saved too";
}

TEST_F(JourneyTest, AClientAddedWithOkIsInTheFilesAtOnce) {
    SetUpStore();
    QStringList clientsOnDisk;
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Maintain"), QStringLiteral("Clients"));
    script.Then(
        QStringLiteral("the clients dialog with the keyboard in its grid, to press Insert"),
        [] {
            QDialog* dialog = ModalDialogNamed("Form_Clients_Form");
            return dialog && dialog->isAncestorOf(QApplication::focusWidget());
        },
        [] {
            // The grid takes the keys; a click into it first when the focus starts elsewhere.
            auto* grid = ModalDialogNamed("Form_Clients_Form")->findChild<TDBGrid*>();
            if (!grid->isAncestorOf(QApplication::focusWidget()) &&
                QApplication::focusWidget() != grid)
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            return Press(Qt::Key_Insert);
        });
    script.Do(QStringLiteral("type the client's name"),
              [] { return Type(QStringLiteral("Harbour Ltd")) && Press(Qt::Key_Return); });
    script.Then(
        QStringLiteral("the name in the grid, to click OK"),
        [] {
            QDialog* dialog = ModalDialogNamed("Form_Clients_Form");
            return dialog &&
                   dmTasks_Form->adsClients.FieldByName(QStringLiteral("ClientName")).AsString() ==
                       QLatin1String("Harbour Ltd");
        },
        [] { return ClickDialogButton(ModalDialogNamed("Form_Clients_Form"), "btnOk"); });
    script.Then(QStringLiteral("the dialog closed, to look at the files"), ReviewWaitsForTheUser,
                [&] {
                    clientsOnDisk = ColumnOnDisk(Install, "Clientsfile.xml", "ClientName");
                    return true;
                });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(clientsOnDisk.contains(QStringLiteral("Harbour Ltd")))
        << clientsOnDisk.join(QLatin1Char(',')).toStdString();
}

TEST_F(JourneyTest, AnOptionChangedWithOkIsInTheFilesAtOnce) {
    SetUpStore();
    QStringList stepOnDisk;
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"));
    script.Then(
        QStringLiteral("the options dialog, to click its Submit page"),
        [] { return ModalDialogNamed("Form_Options_Form") != nullptr; },
        [] {
            auto* pages = ModalDialogNamed("Form_Options_Form")
                              ->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
            if (!pages) return false;
            QTest::mouseClick(pages->tabBar(), Qt::LeftButton, Qt::NoModifier,
                              pages->tabBar()->tabRect(1).center());
            return true;
        });
    script.Then(
        QStringLiteral("the Minimum Task Duration box on screen, to type 30"),
        [] {
            QDialog* dialog = ModalDialogNamed("Form_Options_Form");
            auto* edit = dialog
                             ? dialog->findChild<TDBEdit*>(QStringLiteral("dbeMinimumTaskDuration"))
                             : nullptr;
            return edit && edit->isVisible();
        },
        [] {
            QTest::mouseClick(ModalDialogNamed("Form_Options_Form")
                                  ->findChild<TDBEdit*>(QStringLiteral("dbeMinimumTaskDuration")),
                              Qt::LeftButton);
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(QStringLiteral("30"));
        });
    script.Do(QStringLiteral("press Return for OK"), [] { return Press(Qt::Key_Return); });
    script.Then(QStringLiteral("the dialog closed, to look at the files"), ReviewWaitsForTheUser,
                [&] {
                    stepOnDisk = ColumnOnDisk(Install, "Defaultsfile.xml", "MinimumTaskDuration");
                    return true;
                });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(stepOnDisk, QStringList{QStringLiteral("30")});
}

// A duration amended in the history dialog and confirmed with OK: the history file holds it
// before the program ends.
TEST_F(JourneyTest, AHistoryDurationAmendedWithOkIsInTheFilesAtOnce) {
    SetUpStore([](TdmTasks_Form& dm) {
        // A row submitted last week (Sunday 29 November to Saturday 5 December), neither
        // authorised nor invoiced.
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
    QStringList historyOnDisk;
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&History"));
    script.Then(
        QStringLiteral("the search dialog, to click OK for last week"),
        [] { return ModalDialogNamed("Form_Find_TaskData_Form") != nullptr; },
        [] { return ClickDialogButton(ModalDialogNamed("Form_Find_TaskData_Form"), "btnOk"); });
    script.Then(
        QStringLiteral("the history dialog with the row, to click its duration"),
        [] {
            QDialog* dialog = ModalDialogNamed("Form_History_Form");
            auto* grid =
                dialog ? dialog->findChild<TDBGrid*>(QStringLiteral("dbgMaintain")) : nullptr;
            return grid && QApplication::activeWindow() == dialog && grid->model()->rowCount() == 1;
        },
        [] {
            auto* grid = ModalDialogNamed("Form_History_Form")
                             ->findChild<TDBGrid*>(QStringLiteral("dbgMaintain"));
            const auto& columns = grid->Columns();
            for (int column = 0; column < int(columns.size()); ++column) {
                if (columns[size_t(column)].FieldName != QLatin1String("Duration")) continue;
                const QRect cell = grid->visualRect(grid->model()->index(0, column));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
                return !cell.isEmpty();
            }
            return false;
        });
    script.Then(
        QStringLiteral("the duration's editor open with its text selected, to type 0230"),
        [] {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            return editor && ModalDialogNamed("Form_History_Form") &&
                   editor->selectedText() == QLatin1String("01:00");
        },
        [] { return Type(QStringLiteral("0230")); });
    script.Do(QStringLiteral("click OK"),
              [] { return ClickDialogButton(ModalDialogNamed("Form_History_Form"), "btnOk"); });
    // A corrected row has the history written whole, on another thread: the windows do not
    // wait for it, the files hold it when that save ends.
    script.Then(
        QStringLiteral("both dialogs closed and the history written, to look at the files"),
        [] { return ReviewWaitsForTheUser() && !dmTasks_Form->HistorySaving(); },
        [&] {
            historyOnDisk = ColumnOnDisk(Install, "Reportingfile.xml", "Duration", true);
            return true;
        });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    ASSERT_EQ(historyOnDisk.size(), 1) << historyOnDisk.join(QLatin1Char(' ')).toStdString();
    EXPECT_NEAR(historyOnDisk.at(0).toDouble(), 2.5 / 24, 1e-6);
    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), 1u);
    EXPECT_EQ(seen.History.at(0).Duration, QStringLiteral("02:30"));
}

// The desktop session ends: the session manager asks the program to quit while the user is
// still typing into a cell. The time typed is saved as closing the window would save it.
TEST_F(JourneyTest, TheEndOfTheSessionKeepsTheDurationBeingTyped) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0415"), QStringLiteral("04:15"));
    script.Do(QStringLiteral("the session ends"), [] {
        QCoreApplication::quit();
        return true;
    });
    RunProgram(script);
    const QStringList onDisk = ColumnOnDisk(Install, "Tasksfile.xml", "MonDuration", true);
    ASSERT_EQ(onDisk.size(), 1);
    EXPECT_NEAR(onDisk.at(0).toDouble(), 4.25 / 24, 1e-9);
    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(0), QStringLiteral("04:15"));
}
