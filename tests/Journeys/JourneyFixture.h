#pragma once
// The journeys' fixture: a portable install in a temporary folder holding a store that an
// earlier run set up and saved, the program started on it in this process exactly as main()
// starts it (RunProgramWindows), common pieces of scripts, and what the review window shows
// after a restart.

#include "JourneyInstall.h"
#include "JourneyScript.h"
#include "JourneyUser.h"

#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Form_Program_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDataSource.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace Journey {

// A day cell of the task grid: the grid's live edit for that weekday.
using TDayColumn = TDBEdit* TFrame_TimeTracker_Form::*;
// Monday to Sunday, the order of the grid's columns.
inline const std::array<TDayColumn, 7> DayColumns = {
    &TFrame_TimeTracker_Form::dbeMon, &TFrame_TimeTracker_Form::dbeTue,
    &TFrame_TimeTracker_Form::dbeWed, &TFrame_TimeTracker_Form::dbeThu,
    &TFrame_TimeTracker_Form::dbeFri, &TFrame_TimeTracker_Form::dbeSat,
    &TFrame_TimeTracker_Form::dbeSun};

// A task row as the grid shows it: the texts its controls paint for that row.
struct TTaskSeen {
    QString Code, Description;
    std::array<QString, 7> Days; // Monday to Sunday; empty for no time
    bool Completed = false;
};

struct THistorySeen {
    QString Code, Description, Duration;
    QDate Worked;
    bool Completed = false;
};

// What the review window shows, and the history and task codes behind its other windows.
struct TSeen {
    std::vector<TTaskSeen> Tasks; // in the grid's order
    std::array<QString, 7> DayTotals;
    QString TotalMessage;
    QString WeekStart;
    std::vector<THistorySeen> History;
    QStringList TaskCodes;

    const TTaskSeen* Task(const QString& code) const {
        for (const TTaskSeen& task : Tasks)
            if (task.Code == code) return &task;
        return nullptr;
    }
    QStringList Codes() const {
        QStringList codes;
        for (const TTaskSeen& task : Tasks)
            codes << task.Code;
        return codes;
    }
};

// Reads the review window of the running program.
inline TSeen ReadReviewWindow() {
    TSeen seen;
    TForm_Submit_Form* review = Review();
    TFrame_TimeTracker_Form* frame = review->Frame_TimeTracker_Form1;
    TRecordSet& tasks = *frame->dsTasks->DataSet();
    // Each row as the grid paints it: the row is made the active buffer and the row's
    // controls give their field's display text.
    for (int recNo = 1; recNo <= tasks.RecordCount(); ++recNo) {
        TTaskSeen task;
        tasks.WithRecord(recNo, [&] {
            task.Code = frame->dbeTaskCode->Field()->DisplayText();
            task.Description = frame->dbeTaskDescription->Field()->DisplayText();
            for (size_t day = 0; day < DayColumns.size(); ++day)
                task.Days.at(day) = (frame->*DayColumns.at(day))->Field()->DisplayText();
            task.Completed = frame->dbcbxComplete->Field()->AsBoolean();
        });
        seen.Tasks.push_back(task);
    }
    const std::array<QLabel*, 7> totals = {
        frame->lblMonDuration, frame->lblTueDuration, frame->lblWedDuration, frame->lblThuDuration,
        frame->lblFriDuration, frame->lblSatDuration, frame->lblSunDuration};
    for (size_t day = 0; day < totals.size(); ++day)
        seen.DayTotals.at(day) = totals.at(day)->text();
    seen.TotalMessage = frame->lblTotalMessage->text();
    seen.WeekStart = review->meSubmitDate->text();

    TRecordSet& history = dmTasks_Form->History();
    for (int recNo = 1; recNo <= history.RecordCount(); ++recNo) {
        history.WithRecord(recNo, [&] {
            auto field = [&](const char* name) -> TField& {
                return history.FieldByName(QLatin1String(name));
            };
            seen.History.push_back({field("TaskCode").AsString(),
                                    field("TaskDescription").AsString(),
                                    field("Duration").DisplayText(),
                                    DayNumberToDate(field("DateTimeSubmitted").AsDateTime()),
                                    field("Completed").AsBoolean()});
        });
    }
    TRecordSet& codes = dmTasks_Form->adsTaskCodes;
    for (int recNo = 1; recNo <= codes.RecordCount(); ++recNo)
        codes.WithRecord(recNo, [&] {
            seen.TaskCodes << codes.FieldByName(QStringLiteral("TaskCode")).AsString();
        });
    return seen;
}

// The row of a task grid that shows the task of that code; -1 when none does.
inline int RowShowing(TFrame_TimeTracker_Form* frame, const QString& code) {
    TRecordSet& tasks = *frame->dsTasks->DataSet();
    for (int recNo = 1; recNo <= tasks.RecordCount(); ++recNo) {
        QString shown;
        tasks.WithRecord(recNo, [&] { shown = frame->dbeTaskCode->Field()->DisplayText(); });
        if (shown == code) return recNo - 1;
    }
    return -1;
}

// ---- Pieces of scripts ----

inline void WaitForReviewWindow(TScript& script) {
    script.Then(QStringLiteral("the review window, waiting for the user"), ReviewWaitsForTheUser);
}

// Alt and the menu's letter, then the item's letter (or the arrow keys and Return).
inline void ChooseMenu(TScript& script, const QString& menu, const QString& item) {
    script.Then(QStringLiteral("open the menu %1").arg(menu), ReviewWaitsForTheUser,
                [menu] { return PressMenuKey(menu); });
    script.Then(
        QStringLiteral("the menu %1 open, to choose %2").arg(menu, item),
        [menu] { return OpenMenu() && OpenMenu()->title() == menu; },
        [item] { return ChooseInOpenMenu(item); });
}

// A click on the menu's title in the menu bar, then one on the item.
inline void ClickMenu(TScript& script, const QString& menu, const QString& item) {
    script.Then(QStringLiteral("click the menu %1").arg(menu), ReviewWaitsForTheUser,
                [menu] { return ClickMenuTitle(Review()->MainMenu1, menu); });
    script.Then(
        QStringLiteral("the menu %1 open, to click %2").arg(menu, item),
        [menu] { return OpenMenu() && OpenMenu()->title() == menu; },
        [item] { return ClickInOpenMenu(item); });
}

// The modal dialog in front, when it is the one of that object name.
inline QDialog* ModalDialogNamed(const char* name) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(name) ? dialog : nullptr;
}

// Clicks the push button of that object name in the dialog, when it is shown.
inline bool ClickDialogButton(QWidget* dialog, const char* name) {
    auto* button = dialog ? dialog->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
    if (!button || !button->isVisible()) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

inline void ClickToolButton(TScript& script, QAction* TForm_Submit_Form::*action,
                            const QString& name) {
    script.Then(QStringLiteral("click the tool button %1").arg(name), ReviewWaitsForTheUser,
                [action] {
                    TForm_Submit_Form* review = Review();
                    return Journey::ClickToolButton(review->ToolBar1, review->*action);
                });
}

// The row of the grid that is current, wherever it is shown (a new row goes above the row
// that was current).
inline constexpr int CurrentRow = -1;

// A click on a cell of a grid row, in the column of a row control; then that control has the
// keyboard.
template <class TControl>
void ClickCell(TScript& script, int row, TControl* TFrame_TimeTracker_Form::*column,
               const QString& name) {
    const QString rowName =
        row == CurrentRow ? QStringLiteral("the current row") : QStringLiteral("row %1").arg(row);
    script.Then(QStringLiteral("click the %1 cell of %2").arg(name, rowName), ReviewWaitsForTheUser,
                [row, column] {
                    TFrame_TimeTracker_Form* frame = ReviewGrid();
                    const int clicked = row == CurrentRow ? frame->dbcgTasks->CurrentRow() : row;
                    return Journey::ClickCell(frame, clicked, frame->*column);
                });
    script.Then(QStringLiteral("the %1 cell of %2 has the keyboard").arg(name, rowName),
                [column] { return QApplication::focusWidget() == ReviewGrid()->*column; });
}

// The keyboard has come to a control of the current row (after a Tab, say).
inline void WaitForKeyboardIn(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column,
                              const QString& name) {
    script.Then(QStringLiteral("the %1 cell has the keyboard").arg(name),
                [column] { return QApplication::focusWidget() == ReviewGrid()->*column; });
}

// Home, then the keys of text; then the control shows what was typed (over its mask).
inline void TypeIntoCell(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column,
                         const QString& keys, const QString& shown) {
    script.Do(QStringLiteral("type %1").arg(keys),
              [keys] { return Press(Qt::Key_Home) && Type(keys); });
    script.Then(QStringLiteral("the cell being typed into shows %1").arg(shown), [column, shown] {
        TDBEdit* edit = ReviewGrid()->*column;
        return QApplication::focusWidget() == edit && edit->displayText() == shown;
    });
}

// Tab out of a cell; the focus has gone on and the cell shows its text.
inline void LeaveCellByTab(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column,
                           const QString& shown) {
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    script.Then(QStringLiteral("the cell left shows %1").arg(shown), [column, shown] {
        TDBEdit* edit = ReviewGrid()->*column;
        return QApplication::focusWidget() != edit && edit->text() == shown;
    });
}

inline void ExitByMenu(TScript& script) {
    ChooseMenu(script, QStringLiteral("&File"), QStringLiteral("&Exit"));
}

// Answers the message box that says the words given with a key.
inline void AnswerBox(TScript& script, const QString& words, char key) {
    script.Then(
        QStringLiteral("a message box saying \"%1\"").arg(words),
        [words] { return MessageBoxSays(words); }, [key] { return AnswerMessageBox(key); });
    script.Then(QStringLiteral("the message box \"%1\" gone").arg(words),
                [words] { return !MessageBoxSays(words); });
}

} // namespace Journey

class JourneyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        Journey::PinClockAndFormats();
        ASSERT_TRUE(Install.Create());
        TForm_Main_Form::SplashOnCreate = false;
    }
    void TearDown() override { SetUserSaveDirectoryOverride(QString()); }

    // The store an earlier run set up and saved: the seeded tables, the options confirmed,
    // and whatever prepare adds; written to the data folder and closed, so that every run of
    // a journey starts from files with nothing marked changed.
    void SetUpStore(const std::function<void(TdmTasks_Form&)>& prepare = {}) {
        {
            TdmTasks_Form dm(nullptr, Install.Options());
            dm.SetSetupRequired(false);
            if (prepare) prepare(dm);
            dm.SaveData();
        }
        ASSERT_TRUE(QFile::exists(Install.FileName(QStringLiteral("Tasksfile.xml"))));
        ASSERT_TRUE(QFile::exists(Install.FileName(QStringLiteral("Defaultsfile.xml"))));
    }

    // Runs the program as main() does while the script plays the user; returns its exit code.
    int RunProgram(Journey::TScript& script) {
        script.Start();
        const int code = RunProgramWindows(Install.Options());
        script.Stop();
        EXPECT_EQ(script.Failure(), QString());
        return code;
    }

    // Starts the program again on the same folder, reads what the review window shows and
    // leaves it by File > Exit.
    Journey::TSeen Restart() {
        Journey::TSeen seen;
        Journey::TScript script;
        Journey::WaitForReviewWindow(script);
        script.Do(QStringLiteral("read the review window"), [&seen] {
            seen = Journey::ReadReviewWindow();
            return true;
        });
        Journey::ExitByMenu(script);
        RunProgram(script);
        return seen;
    }

private:
    QTemporaryDir FTemp;

protected:
    Journey::TInstall Install{FTemp.path()};
};
