// Journeys over the history as it grows long: a submitted week is added to the end of the
// history file and is there after a restart; the review window comes before the history is
// read, and a window that needs the history says "Reading the history…" until it is; Cancel in
// the history dialog puts back every row changed.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"

#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <condition_variable>
#include <mutex>

using namespace Journey;

namespace {
constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;

QDate Dec(int day) {
    return QDate(2026, 12, day);
}

QByteArray FileBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A history row of a task code, dated on the day given, of the minutes given.
void AddHistoryRow(TdmTasks_Form& dm, const QString& code, const QDate& worked, int minutes) {
    TRecordSet& h = dm.adsReporting;
    h.Append();
    auto field = [&h](const char* name) -> TField& { return h.FieldByName(QLatin1String(name)); };
    field("TaskCode").SetAsString(code);
    field("TaskDescription").SetAsString(QStringLiteral("Work on ") + code);
    field("DateTimeCreated").SetAsDateTime(DateToDayNumber(worked) - 7);
    field("DateTimeSubmitted").SetAsDateTime(DateToDayNumber(worked));
    field("Duration").SetAsFloat(minutes / 1440.0);
    field("Active").SetAsBoolean(false);
    field("Completed").SetAsBoolean(false);
    field("InvoiceNumber").SetAsInteger(0);
    field("AuthUserId").SetAsInteger(0);
    field("UserId").SetAsInteger(0);
    h.Post();
}

// The history dialog's grid, once it is in front with the rows given.
TDBGrid* HistoryGrid(int rows) {
    QDialog* dialog = ModalDialogNamed("Form_History_Form");
    auto* grid = dialog ? dialog->findChild<TDBGrid*>(QStringLiteral("dbgMaintain")) : nullptr;
    return grid && QApplication::activeWindow() == dialog && grid->model()->rowCount() == rows
               ? grid
               : nullptr;
}

// Clicks the duration cell of a row of the history dialog's grid.
bool ClickDuration(int row) {
    TDBGrid* grid = HistoryGrid(2);
    if (!grid) return false;
    const auto& columns = grid->Columns();
    for (int column = 0; column < int(columns.size()); ++column) {
        if (columns[size_t(column)].FieldName != QLatin1String("Duration")) continue;
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        return !cell.isEmpty();
    }
    return false;
}

bool DurationEditorShows(const char* text) {
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return editor && ModalDialogNamed("Form_History_Form") &&
           editor->selectedText() == QLatin1String(text);
}

// Holds the history's reading back until released, from the reading thread.
class TReadingGate {
public:
    void Wait() {
        std::unique_lock<std::mutex> lock(FMutex);
        FOpened.wait(lock, [this] { return FOpen; });
    }
    void Open() {
        {
            const std::lock_guard<std::mutex> lock(FMutex);
            FOpen = true;
        }
        FOpened.notify_all();
    }

private:
    std::mutex FMutex;
    std::condition_variable FOpened;
    bool FOpen = false;
};
} // namespace

// A week submitted into a long history: the file keeps every byte it had up to its closing
// lines (the rows are added, not written again), and after a restart the history shows the old
// rows and the new one.
TEST_F(JourneyTest, ASubmittedWeekIsAddedToTheEndOfALongHistoryAndIsThereAfterARestart) {
    constexpr int OldRows = 3000;
    SetUpStore([](TdmTasks_Form& dm) {
        for (int i = 0; i < OldRows; ++i)
            AddHistoryRow(dm, i % 2 ? QStringLiteral("ADMIN") : QStringLiteral("GEN"),
                          QDate(2018, 1, 1).addDays(i / 3), 30 + i % 90);
    });
    const QString historyFile = Install.FileName(QStringLiteral("Reportingfile.xml"));
    const QByteArray before = FileBytes(historyFile);
    const QByteArray closing = "</rs:data>";
    const QByteArray kept = before.left(before.lastIndexOf(closing));
    QByteArray after;
    TScript script;
    WaitForReviewWindow(script);
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0245"), QStringLiteral("02:45"));
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    script.Then(
        QStringLiteral("the week submitted and saved, to look at the history file"),
        [] {
            // The Submit may first wait for the history to be read (it is read once the
            // review window is on screen).
            return ReviewWaitsForTheUser() && dmTasks_Form->HistoryReady() &&
                   dmTasks_Form->History().RecordCount() > OldRows &&
                   !dmTasks_Form->HistorySaving();
        },
        [&] {
            after = FileBytes(historyFile);
            return true;
        });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(after.startsWith(kept)) << "the file's rows were written again";
    EXPECT_GT(after.size(), before.size());

    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), size_t(OldRows + 1));
    EXPECT_EQ(seen.History.front().Worked, QDate(2018, 1, 1));
    EXPECT_EQ(seen.History.back().Code, QStringLiteral("GEN"));
    EXPECT_EQ(seen.History.back().Duration, QStringLiteral("02:45"));
    EXPECT_EQ(seen.History.back().Worked, Dec(7));
}

// The history is still being read (held back here): the review window is on screen and takes
// typing; Timesheets > History says "Reading the history…" and opens its search dialog once
// the history is there.
TEST_F(JourneyTest, TheReviewWindowComesFirstAndTheHistoryMenuSaysItIsReadingTheHistory) {
    SetUpStore([](TdmTasks_Form& dm) {
        AddHistoryRow(dm, QStringLiteral("GEN"), QDate(2026, 12, 1), 60);
    });
    TReadingGate gate;
    TDataModuleOptions options = Install.Options();
    options.BeforeHistoryRead = [&gate] { gate.Wait(); };
    bool readBeforeWindow = true;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("note whether the history was read before the review window"), [&] {
        readBeforeWindow = dmTasks_Form->HistoryReady();
        return true;
    });
    ClickCell(script, 0, Mon, QStringLiteral("Mon"));
    TypeIntoCell(script, Mon, QStringLiteral("0115"), QStringLiteral("01:15"));
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&History"));
    script.Then(
        QStringLiteral("a window saying \"Reading the history…\", to let the reading go on"),
        [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* wait = qobject_cast<QProgressDialog*>(widget);
                if (wait && wait->isVisible() &&
                    wait->labelText() == QStringLiteral("Reading the history\u2026"))
                    return true;
            }
            return false;
        },
        [&gate] {
            gate.Open();
            return true;
        });
    script.Then(
        QStringLiteral("the search dialog, to cancel it"),
        [] { return ModalDialogNamed("Form_Find_TaskData_Form") != nullptr; },
        [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("the review window again"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    script.Start();
    const int code = RunProgramWindows(options);
    script.Stop();
    gate.Open(); // whatever happened, the reading thread may end
    EXPECT_EQ(script.Failure(), QString());
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(readBeforeWindow) << "the review window waited for the history";

    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), 1u);
    ASSERT_FALSE(seen.Tasks.empty());
    EXPECT_EQ(seen.Tasks.front().Days.at(0), QStringLiteral("01:15"));
}

// Two durations corrected in the history dialog, then Cancel: both rows are as they were, in
// the program and in the files, and after a restart.
TEST_F(JourneyTest, CancelInTheHistoryDialogPutsBackEveryRowChanged) {
    SetUpStore([](TdmTasks_Form& dm) {
        AddHistoryRow(dm, QStringLiteral("GEN"), QDate(2026, 12, 1), 60);
        AddHistoryRow(dm, QStringLiteral("ADMIN"), QDate(2026, 12, 2), 90);
    });
    const QByteArray before = FileBytes(Install.FileName(QStringLiteral("Reportingfile.xml")));
    TSeen afterCancel;
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&History"));
    script.Then(
        QStringLiteral("the search dialog, to click OK for last week"),
        [] { return ModalDialogNamed("Form_Find_TaskData_Form") != nullptr; },
        [] { return ClickDialogButton(ModalDialogNamed("Form_Find_TaskData_Form"), "btnOk"); });
    script.Then(
        QStringLiteral("the history dialog with both rows, to click the first duration"),
        [] { return HistoryGrid(2) != nullptr; }, [] { return ClickDuration(0); });
    script.Then(
        QStringLiteral("the first duration's editor, to type 0230"),
        [] { return DurationEditorShows("01:00"); }, [] { return Type(QStringLiteral("0230")); });
    script.Do(QStringLiteral("click the second duration"), [] { return ClickDuration(1); });
    script.Then(
        QStringLiteral("the second duration's editor, to type 0045"),
        [] { return DurationEditorShows("01:30"); }, [] { return Type(QStringLiteral("0045")); });
    script.Do(QStringLiteral("click the first duration again, which posts the second"),
              [] { return ClickDuration(0); });
    script.Then(
        QStringLiteral("the first duration showing 02:30, to click Cancel"),
        [] { return DurationEditorShows("02:30"); },
        [] { return ClickDialogButton(ModalDialogNamed("Form_History_Form"), "btnCancel"); });
    script.Then(QStringLiteral("the review window again, to read it"), ReviewWaitsForTheUser, [&] {
        afterCancel = ReadReviewWindow();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    auto durations = [](const TSeen& seen) {
        QStringList shown;
        for (const THistorySeen& row : seen.History)
            shown << row.Code + QLatin1Char(' ') + row.Duration;
        return shown;
    };
    const QStringList asBefore = {QStringLiteral("GEN 01:00"), QStringLiteral("ADMIN 01:30")};
    EXPECT_EQ(durations(afterCancel), asBefore);
    EXPECT_EQ(FileBytes(Install.FileName(QStringLiteral("Reportingfile.xml"))), before);
    EXPECT_EQ(durations(Restart()), asBefore);
}
