// Journeys through the weeks of a timesheet: the first day of the week chosen in the options,
// weeks submitted one after another, the user whose time it is, the first run's setup, and a
// report of what was submitted; keys and clicks only, then a restart to see what was kept.

#include "JourneyFixture.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDBText.h"
#include "Components/DataControls/TDBLookupComboBox.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

using namespace Journey;

namespace {
QDate Dec(int day) {
    return QDate(2026, 12, day);
}

double At(QDate date, double hours) {
    return DateToDayNumber(date) + hours / 24;
}

// The dialog in front, when it is the one of that object name and takes the keyboard.
QDialog* Dialog(const char* name) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String(name) ? dialog : nullptr;
}

template <class T> T* In(const char* dialog, const char* name) {
    QDialog* d = Dialog(dialog);
    return d ? d->findChild<T*>(QLatin1String(name)) : nullptr;
}

bool Click(QWidget* widget) {
    if (!widget || !widget->isVisible() || !widget->isEnabled()) return false;
    QTest::mouseClick(widget, Qt::LeftButton);
    return true;
}

// A click on a tab of the options dialog.
bool ClickOptionsTab(int index) {
    auto* pages = In<QTabWidget>("Form_Options_Form", "PageControl1");
    if (!pages) return false;
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, Qt::NoModifier,
                      pages->tabBar()->tabRect(index).center());
    return pages->currentIndex() == index;
}

void OpenOptions(TScript& script) {
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"));
    script.Then(QStringLiteral("the options dialog"),
                [] { return Dialog("Form_Options_Form") != nullptr; });
}

void ClickOkOf(TScript& script, const char* dialog) {
    script.Do(QStringLiteral("click OK of %1").arg(QLatin1String(dialog)),
              [dialog] { return Click(In<QPushButton>(dialog, "btnOk")); });
    script.Then(QStringLiteral("%1 closed").arg(QLatin1String(dialog)),
                [dialog] { return Dialog(dialog) == nullptr; });
}

// In the options dialog: the week's first day typed into its list.
void ChooseFirstDay(TScript& script, const QString& day) {
    script.Do(QStringLiteral("the General page"), [] { return ClickOptionsTab(0); });
    script.Do(QStringLiteral("type %1 as the week start day").arg(day), [day] {
        auto* list = In<QComboBox>("Form_Options_Form", "cbWeekStartDay");
        if (!list || !Click(list->lineEdit())) return false;
        return Press(Qt::Key_A, Qt::ControlModifier) && Type(day);
    });
}

// A click into a day cell of a row, the duration typed, Tab; the cell then shows shown.
void EnterDuration(TScript& script, int row, TDBEdit* TFrame_TimeTracker_Form::*column,
                   const QString& name, const QString& keys, const QString& shown) {
    ClickCell(script, row, column, name);
    script.Do(QStringLiteral("type %1").arg(keys), [keys] { return Type(keys); });
    LeaveCellByTab(script, column, shown);
}

// The history as a program started afterwards reads it: (date worked, hours, user) per row.
struct THistoryRow {
    QDate Worked;
    double Hours;
    int User;
    bool operator<(const THistoryRow& other) const { return Worked < other.Worked; }
};

std::vector<THistoryRow> HistoryOnDisk(const TInstall& install) {
    TRecordSet history;
    history.LoadFromFile(install.FileName(QStringLiteral("Reportingfile.xml")));
    std::vector<THistoryRow> rows;
    for (history.First(); !history.Eof(); history.Next())
        rows.push_back(
            {DayNumberToDate(history.FieldByName(QStringLiteral("DateTimeSubmitted")).AsDateTime()),
             history.FieldByName(QStringLiteral("Duration")).AsFloat() * 24,
             history.FieldByName(QStringLiteral("UserId")).AsInteger()});
    std::sort(rows.begin(), rows.end());
    return rows;
}

const std::array<TDBEdit * TFrame_TimeTracker_Form::*, 7> WeekFromMonday = {
    &TFrame_TimeTracker_Form::dbeMon, &TFrame_TimeTracker_Form::dbeTue,
    &TFrame_TimeTracker_Form::dbeWed, &TFrame_TimeTracker_Form::dbeThu,
    &TFrame_TimeTracker_Form::dbeFri, &TFrame_TimeTracker_Form::dbeSat,
    &TFrame_TimeTracker_Form::dbeSun};
} // namespace

// The user makes Monday the first day and shows the weekend, types an hour more on each day,
// and submits: seven rows, Monday 7 to Sunday 13 December, each on its own weekday.
TEST_F(JourneyTest, AMondayWeekWithTimeOnEveryDayIsBookedOnSevenConsecutiveDays) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    OpenOptions(script);
    ChooseFirstDay(script, QStringLiteral("Monday"));
    script.Do(QStringLiteral("the Submit page"), [] { return ClickOptionsTab(1); });
    script.Do(QStringLiteral("tick Display Saturday and Display Sunday"), [] {
        return Click(In<QCheckBox>("Form_Options_Form", "dbcbxDisplaySat")) &&
               Click(In<QCheckBox>("Form_Options_Form", "dbcbxDisplaySun"));
    });
    ClickOkOf(script, "Form_Options_Form");
    script.Then(QStringLiteral("the review week starts on Monday 7 December"), [] {
        return ReviewWaitsForTheUser() &&
               Review()->meSubmitDate->text() == QLatin1String("07/12/2026") &&
               ReviewGrid()->dbeSun->isVisible();
    });
    // A click into Monday, then each day typed and Tab on to the next.
    ClickCell(script, 0, WeekFromMonday.at(0), QStringLiteral("Mon"));
    for (int day = 0; day < 7; ++day) {
        const auto column = WeekFromMonday.at(size_t(day));
        script.Then(
            QStringLiteral("day %1 has the keyboard, to type its hours").arg(day + 1),
            [column] { return QApplication::focusWidget() == ReviewGrid()->*column; },
            [day] { return Type(QStringLiteral("%1:00").arg(day + 1)); });
        LeaveCellByTab(script, column, QStringLiteral("0%1:00").arg(day + 1));
    }
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    script.Then(QStringLiteral("the review window on the following week"), [] {
        return ReviewWaitsForTheUser() &&
               Review()->meSubmitDate->text() == QLatin1String("14/12/2026") &&
               Review()->dbtxtLastSubmitted->text() == QLatin1String("07/12/2026");
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const std::vector<THistoryRow> rows = HistoryOnDisk(Install);
    ASSERT_EQ(rows.size(), 7u);
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(rows.at(size_t(day)).Worked, Dec(7 + day));
        EXPECT_EQ(rows.at(size_t(day)).Worked.dayOfWeek(), day + 1) << "Monday is 1 in QDate";
        EXPECT_NEAR(rows.at(size_t(day)).Hours, day + 1, 1e-6) << "the time of that day's column";
    }
    const TSeen seen = Restart();
    EXPECT_EQ(seen.WeekStart, QStringLiteral("07/12/2026")) << "started again: the week of today";
}

// Three Fridays, three weeks: each run opens on the week of that day, and the rows land in
// three consecutive weeks, none reused.
TEST_F(JourneyTest, ThreeWeeksSubmittedOnThreeFridaysLandInThreeConsecutiveWeeks) {
    SetUpStore();
    for (int week = 0; week < 3; ++week) {
        SCOPED_TRACE(week);
        TClock::SetFixed(At(Dec(11 + 7 * week), 16.5)); // Friday afternoon
        const QString weekStart = DateToStr(DateToDayNumber(Dec(6 + 7 * week)));
        TScript script;
        WaitForReviewWindow(script);
        script.Then(QStringLiteral("the review window on the week of %1").arg(weekStart),
                    [weekStart] { return Review()->meSubmitDate->text() == weekStart; });
        EnterDuration(script, 0, &TFrame_TimeTracker_Form::dbeMon, QStringLiteral("Mon"),
                      QStringLiteral("1:30"), QStringLiteral("01:30"));
        EnterDuration(script, 0, &TFrame_TimeTracker_Form::dbeFri, QStringLiteral("Fri"),
                      QStringLiteral("2:00"), QStringLiteral("02:00"));
        ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
        script.Then(QStringLiteral("submitted, the next week shown"), [week] {
            return ReviewWaitsForTheUser() &&
                   Review()->meSubmitDate->text() == DateToStr(DateToDayNumber(Dec(13 + 7 * week)));
        });
        ExitByMenu(script);
        ASSERT_EQ(RunProgram(script), 0);
    }
    std::vector<QDate> dates;
    for (const THistoryRow& row : HistoryOnDisk(Install))
        dates.push_back(row.Worked);
    EXPECT_EQ(dates, (std::vector<QDate>{Dec(7), Dec(11), Dec(14), Dec(18), Dec(21), Dec(25)}));
}

// Two users; the user picks the second as the timesheet user, then browses to the first in
// the users dialog: the week is booked to the timesheet user all the same.
TEST_F(JourneyTest, TheTimesheetUserGetsTheTimeWhateverTheUsersDialogShowed) {
    int ann = 0;
    SetUpStore([&ann](TdmTasks_Form& dm) {
        dm.adsUsers.Append();
        for (const auto& [field, value] :
             {std::pair{"FirstName", "Ann"}, std::pair{"LastName", "Lee"},
              std::pair{"SignOn", "ann"}, std::pair{"Password", "secret"}})
            dm.adsUsers.FieldByName(QLatin1String(field)).SetAsString(QLatin1String(value));
        dm.adsUsers.Post();
        ann = dm.adsUsers.FieldByName(QStringLiteral("UserID")).AsInteger();
    });
    TScript script;
    WaitForReviewWindow(script);
    OpenOptions(script);
    script.Do(QStringLiteral("the Submit page"), [] { return ClickOptionsTab(1); });
    script.Do(QStringLiteral("click the Timesheet User list, then Down to the second user"), [] {
        auto* list = In<TDBLookupComboBox>("Form_Options_Form", "dblcTimesheetUser");
        if (!list) return false;
        list->setFocus(Qt::MouseFocusReason);
        return Press(Qt::Key_Down);
    });
    script.Then(QStringLiteral("the list shows Ann Lee"), [] {
        auto* list = In<TDBLookupComboBox>("Form_Options_Form", "dblcTimesheetUser");
        return list && list->currentText().contains(QStringLiteral("Ann"));
    });
    ClickOkOf(script, "Form_Options_Form");
    ChooseMenu(script, QStringLiteral("&Maintain"), QStringLiteral("Users"));
    script.Then(
        QStringLiteral("the users dialog, to click its first row"),
        [] { return Dialog("Form_User_Form") != nullptr; },
        [] {
            auto* grid = Dialog("Form_User_Form")->findChild<TDBGrid*>();
            if (!grid) return false;
            const QRect first = grid->visualRect(grid->model()->index(0, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
            return dmTasks_Form->adsUsers.FieldByName(QStringLiteral("FirstName")).AsString() ==
                   QLatin1String("Guest");
        });
    ClickOkOf(script, "Form_User_Form");
    EnterDuration(script, 0, &TFrame_TimeTracker_Form::dbeMon, QStringLiteral("Mon"),
                  QStringLiteral("1:30"), QStringLiteral("01:30"));
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const std::vector<THistoryRow> rows = HistoryOnDisk(Install);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.at(0).User, ann);
}

// The first run: step 1 confirmed with a Monday start and the client column shown, then
// Escape; No to the question keeps everything, OK goes on to the review window, which shows
// what was chosen at once and again after a restart.
TEST_F(JourneyTest, WelcomeCancelAfterAConfirmedStepAsksAndNoKeepsTheSetup) {
    TScript script;
    script.Then(
        QStringLiteral("the Welcome dialog, to click Options"),
        [] { return Dialog("Form_Setup_Form") != nullptr; },
        [] { return Click(In<QPushButton>("Form_Setup_Form", "btnOptions")); });
    script.Then(QStringLiteral("the options dialog"),
                [] { return Dialog("Form_Options_Form") != nullptr; });
    ChooseFirstDay(script, QStringLiteral("Monday"));
    script.Do(QStringLiteral("tick Display Clients"),
              [] { return Click(In<QCheckBox>("Form_Options_Form", "dbcbxDisplayClients")); });
    ClickOkOf(script, "Form_Options_Form");
    script.Then(
        QStringLiteral("back in the Welcome dialog, to press Escape"),
        [] {
            ActivateWindowInFront();
            return Dialog("Form_Setup_Form") && QApplication::activeWindow();
        },
        [] { return Press(Qt::Key_Escape); });
    AnswerBox(script, QStringLiteral("Discard the setup and close Tivrel?"), 'N');
    script.Then(
        QStringLiteral("the Welcome dialog still there, to click OK"),
        [] {
            ActivateWindowInFront();
            return Dialog("Form_Setup_Form") != nullptr;
        },
        [] { return Click(In<QPushButton>("Form_Setup_Form", "btnOk")); });
    QString weekShown;
    bool clientsShown = false;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("look at the review window"), [&] {
        weekShown = Review()->meSubmitDate->text();
        clientsShown = ReviewGrid()->pClient->isVisible();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(weekShown, QStringLiteral("07/12/2026")) << "the Monday week of today at once";
    EXPECT_TRUE(clientsShown) << "the client column at once";

    const TSeen seen = Restart();
    EXPECT_EQ(seen.WeekStart, QStringLiteral("07/12/2026"));
}

// Yes to the question throws the setup away: the program ends and writes nothing.
TEST_F(JourneyTest, WelcomeCancelAnsweredYesEndsTheFirstRunWithNoFiles) {
    TScript script;
    script.Then(
        QStringLiteral("the Welcome dialog, to click Options"),
        [] { return Dialog("Form_Setup_Form") != nullptr; },
        [] { return Click(In<QPushButton>("Form_Setup_Form", "btnOptions")); });
    script.Then(QStringLiteral("the options dialog"),
                [] { return Dialog("Form_Options_Form") != nullptr; });
    ClickOkOf(script, "Form_Options_Form");
    script.Then(
        QStringLiteral("back in the Welcome dialog, to click Cancel"),
        [] { return Dialog("Form_Setup_Form") != nullptr; },
        [] { return Click(In<QPushButton>("Form_Setup_Form", "btnCancel")); });
    script.Then(
        QStringLiteral("the question, answered Yes"),
        [] { return MessageBoxSays(QStringLiteral("Discard the setup and close Tivrel?")); },
        [] { return AnswerMessageBox('Y'); });
    RunProgram(script);
    EXPECT_TRUE(QDir(Install.DataDir()).entryList({QStringLiteral("*.xml")}).isEmpty());
}

// Client Activity is one of the reports offered; chosen and printed with no printer, it is
// saved as a PDF that reads as that report.
TEST_F(JourneyTest, ClientActivityCanBeChosenAndPrinted) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsReporting.Append();
        dm.adsReporting.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("GEN"));
        dm.adsReporting.FieldByName(QStringLiteral("Duration")).SetAsFloat(2.0 / 24);
        dm.adsReporting.FieldByName(QStringLiteral("ClientId")).SetAsInteger(0);
        dm.adsReporting.FieldByName(QStringLiteral("UserId")).SetAsInteger(0);
        dm.adsReporting.FieldByName(QStringLiteral("DateTimeSubmitted"))
            .SetAsDateTime(DateToDayNumber(Dec(1)));
        dm.adsReporting.Post();
    });
    const QString pdf = Install.WorkDir() + QStringLiteral("/clients.pdf");
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Report"));
    script.Then(
        QStringLiteral("the reports window, to pick Client Activity"),
        [] {
            ActivateWindowInFront();
            QWidget* front = QApplication::activeModalWidget();
            return front && front->objectName() == QLatin1String("Form_Reporting_Form") &&
                   QApplication::activeWindow() == front;
        },
        [] {
            auto* list = QApplication::activeModalWidget()->findChild<TDBLookupComboBox*>(
                QStringLiteral("cbReport"));
            if (!list) return false;
            list->setFocus(Qt::MouseFocusReason);
            for (int i = 0; i < 4 && list->currentText() != QLatin1String("Client Activity"); ++i)
                Press(Qt::Key_Down);
            return list->currentText() == QLatin1String("Client Activity");
        });
    script.Do(QStringLiteral("click Print"), [] {
        return Click(
            QApplication::activeModalWidget()->findChild<QPushButton*>(QStringLiteral("btnPrint")));
    });
    script.Then(
        QStringLiteral("the no-printer question, answered Yes"),
        [] { return MessageBoxSays(QStringLiteral("No printer is installed")); },
        [] { return AnswerMessageBox('Y'); });
    script.Then(
        QStringLiteral("the save dialog with the keyboard in its file name, to type it"),
        [] {
            ActivateWindowInFront();
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog && qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
                   dialog->isAncestorOf(QApplication::focusWidget());
        },
        [pdf] {
            return Press(Qt::Key_A, Qt::ControlModifier) && Type(pdf) && Press(Qt::Key_Return);
        });
    script.Then(
        QStringLiteral("the PDF written, to close the reports window"),
        [pdf] {
            return QFile::exists(pdf) &&
                   !qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        },
        [] {
            ActivateWindowInFront();
            return Press(Qt::Key_Escape);
        });
    script.Then(QStringLiteral("the review window back"), [] {
        // The window closed kept the keyboard: no window manager hands it back offscreen.
        QWidget* front = QApplication::activeModalWidget();
        if (front && QApplication::activeWindow() != front) front->activateWindow();
        return ReviewWaitsForTheUser();
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("Client Activity"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("Internal"))) << words.toStdString();
}
