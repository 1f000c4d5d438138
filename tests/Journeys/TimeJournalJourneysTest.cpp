// Journeys of tracked time kept as dated entries: every minute on the date it was worked,
// whatever week the review window shows and whenever the week is submitted; a day that ends
// while the program runs; seconds kept at start and exit; the lunch break, a pause by hand and
// time away over a working week compared with a ledger; a clock that jumps, goes back or
// changes for daylight saving; the entries of a day corrected; a kill that loses nothing.
// The clock is scripted and run fast; the rest is keys and clicks, and a restart on the same
// folder shows what was kept.

#include "JourneyClock.h"
#include "JourneyFixture.h"
#include "support/TTimeZoneSet.h"

#include "Components/DataControls/TDBGrid.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTimeZone>
#include <csignal>
#include <map>
#include <sys/types.h>

using namespace Journey;

namespace {
constexpr size_t Mon = 0, Tue = 1, Wed = 2, Sun = 6;

QDate Dec(int day) {
    return QDate(2026, 12, day);
}

double At(QDate date, double hours) {
    return DateToDayNumber(date) + hours / 24;
}

// The clock runs on to a moment; the step waits until the tracker has seen it.
void ClockTo(TScript& script, TFastTicks& ticks, double moment, const QString& when) {
    script.Do(QStringLiteral("the clock runs on to %1").arg(when), [&ticks, moment] {
        ticks.Install();
        ticks.RunTo(moment);
        return true;
    });
    script.Then(QStringLiteral("it is %1").arg(when), [&ticks] { return ticks.Done(); });
}

void PressPause(TScript& script, bool paused) {
    script.Do(QStringLiteral("press Ctrl+P"), [] {
        ActivateWindowInFront();
        return Press(Qt::Key_P, Qt::ControlModifier);
    });
    script.Then(paused ? QStringLiteral("paused") : QStringLiteral("tracking again"),
                [paused] { return MainWindow()->Paused() == paused; });
}

// The history on disk: minutes per date worked (rows of one date added up), and the rows.
struct THistoryOnDisk {
    std::map<QDate, int> Minutes;
    int Rows = 0;
    QStringList Codes;
};

THistoryOnDisk ReadHistory(const TInstall& install) {
    THistoryOnDisk seen;
    TRecordSet history;
    history.LoadFromFile(install.FileName(QStringLiteral("Reportingfile.xml")));
    for (history.First(); !history.Eof(); history.Next()) {
        const QDate date =
            DayNumberToDate(history.FieldByName(QStringLiteral("DateTimeSubmitted")).AsDateTime());
        seen.Minutes[date] += int(
            std::lround(history.FieldByName(QStringLiteral("Duration")).AsFloat() * MinutesPerDay));
        seen.Codes << history.FieldByName(QStringLiteral("TaskCode")).AsString();
        ++seen.Rows;
    }
    return seen;
}

QString WaitingText() {
    return Review() ? Review()->lblWaiting->text() : QString();
}

void SetOption(TdmTasks_Form& dm, const char* name, const QVariant& value) {
    dm.adsDefaults.Edit();
    dm.adsDefaults.FieldByName(QLatin1String(name)).SetValue(value);
    dm.adsDefaults.Post();
}

} // namespace

// Submit on Wednesday at 15:00 and go on tracking until 18:00; on Friday submit that week
// again: the history holds the day once, on Wednesday, with the three hours added to it.
TEST_F(JourneyTest, ASubmissionOnWednesdayAndAnotherOnFridayBookTheDayOnceOnWednesday) {
    SetUpStore();
    TClock::SetFixed(At(Dec(9), 9));
    TFastTicks ticks;
    QString waiting;
    TScript script;
    WaitForReviewWindow(script);
    ClockTo(script, ticks, At(Dec(9), 15), QStringLiteral("Wednesday 15:00"));
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    script.Then(QStringLiteral("the review on the next week"),
                [] { return Review()->meSubmitDate->text() == QLatin1String("13/12/2026"); });
    ClockTo(script, ticks, At(Dec(9), 18), QStringLiteral("Wednesday 18:00"));
    script.Then(QStringLiteral("the review window says the time waits"), [&] {
        waiting = WaitingText();
        return !waiting.isEmpty();
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(waiting, QStringLiteral("3:00 tracked today waits for the week of 06/12/2026"));

    TClock::SetFixed(At(Dec(11), 10)); // Friday
    QString wednesdayShown;
    TScript friday;
    WaitForReviewWindow(friday);
    friday.Then(QStringLiteral("the week of 6 December with Wednesday's three hours"), [&] {
        const TSeen seen = ReadReviewWindow();
        wednesdayShown = seen.Tasks.at(0).Days.at(Wed);
        return seen.WeekStart == QLatin1String("06/12/2026");
    });
    ClickToolButton(friday, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    AnswerBox(friday, QStringLiteral("You have previously submitted week starting 06/12/2026"),
              'Y');
    ExitByMenu(friday);
    EXPECT_EQ(RunProgram(friday), 0);
    EXPECT_EQ(wednesdayShown, QStringLiteral("03:00"));

    const THistoryOnDisk history = ReadHistory(Install);
    EXPECT_EQ(history.Rows, 1) << "one row per task and day";
    EXPECT_EQ(history.Minutes, (std::map<QDate, int>{{Dec(9), 9 * 60}}));
}

// Last week is open and not submitted. On Monday 1:40 are tracked, then last week is
// submitted: its rows are exactly as typed, and the 1:40 are on this Monday.
TEST_F(JourneyTest, TimeOfTodayWaitsWhileLastWeekIsOpenAndLandsOnToday) {
    SetUpStore();
    TScript typing; // Wednesday 9 December: Monday and Tuesday typed
    WaitForReviewWindow(typing);
    ClickCell(typing, 0, DayColumns.at(Mon), QStringLiteral("Mon"));
    TypeIntoCell(typing, DayColumns.at(Mon), QStringLiteral("0100"), QStringLiteral("01:00"));
    LeaveCellByTab(typing, DayColumns.at(Mon), QStringLiteral("01:00"));
    ClickCell(typing, 0, DayColumns.at(Tue), QStringLiteral("Tue"));
    TypeIntoCell(typing, DayColumns.at(Tue), QStringLiteral("0200"), QStringLiteral("02:00"));
    LeaveCellByTab(typing, DayColumns.at(Tue), QStringLiteral("02:00"));
    ExitByMenu(typing);
    EXPECT_EQ(RunProgram(typing), 0);

    TClock::SetFixed(At(Dec(14), 9)); // the next Monday
    TFastTicks ticks;
    QString waiting, weekShown, mondayAfter;
    TScript monday;
    WaitForReviewWindow(monday);
    monday.Then(QStringLiteral("the review on last week"), [&] {
        weekShown = Review()->meSubmitDate->text();
        return true;
    });
    ClockTo(monday, ticks, At(Dec(14), 10 + 40.0 / 60), QStringLiteral("10:40"));
    monday.Then(QStringLiteral("the review window says the time waits"), [&] {
        waiting = WaitingText();
        return !waiting.isEmpty();
    });
    ClickToolButton(monday, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    monday.Then(QStringLiteral("this week shown, its Monday holding the time"), [&] {
        const TSeen seen = ReadReviewWindow();
        mondayAfter = seen.Tasks.at(0).Days.at(Mon);
        return seen.WeekStart == QLatin1String("13/12/2026") && WaitingText().isEmpty();
    });
    ExitByMenu(monday);
    EXPECT_EQ(RunProgram(monday), 0);
    EXPECT_EQ(weekShown, QStringLiteral("06/12/2026"));
    EXPECT_EQ(waiting, QStringLiteral("1:40 tracked today waits for the week of 13/12/2026"));
    EXPECT_EQ(mondayAfter, QStringLiteral("01:40"));

    const THistoryOnDisk history = ReadHistory(Install);
    EXPECT_EQ(history.Minutes, (std::map<QDate, int>{{Dec(7), 60}, {Dec(8), 120}}))
        << "last week exactly as typed";
    const TSeen seen = Restart();
    EXPECT_EQ(seen.WeekStart, QStringLiteral("13/12/2026"));
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Mon), QStringLiteral("01:40"));
    EXPECT_EQ(seen.DayTotals.at(Mon), QStringLiteral("01:40"));
}

// The program runs from Sunday 23:30 to Monday 00:30 with weeks beginning on Monday: half an
// hour on Sunday in the old week, half an hour on Monday in the new one.
TEST_F(JourneyTest, AWeekEndingWhileTheProgramRunsKeepsItsTimeAndTheNewWeekGetsItsOwn) {
    SetUpStore([](TdmTasks_Form& dm) {
        SetOption(dm, "StartDayOfWeek", 2);
        SetOption(dm, "DisplaySun", true);
    });
    TClock::SetFixed(At(Dec(13), 23.5));
    TFastTicks ticks;
    QString waiting;
    TSeen during;
    TScript script;
    WaitForReviewWindow(script);
    ClockTo(script, ticks, At(Dec(14), 0.5), QStringLiteral("Monday 00:30"));
    script.Then(QStringLiteral("the old week still shown"), [&] {
        during = ReadReviewWindow();
        waiting = WaitingText();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(during.WeekStart, QStringLiteral("07/12/2026"));
    EXPECT_EQ(during.Tasks.at(0).Days.at(Sun), QStringLiteral("00:30"));
    EXPECT_EQ(waiting, QStringLiteral("0:30 tracked today waits for the week of 14/12/2026"));

    TSeen oldWeek, newWeek;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("read the old week, then click the spin button up"), [&] {
        oldWeek = ReadReviewWindow();
        QTest::mouseClick(Review()->SpinUp, Qt::LeftButton);
        return true;
    });
    again.Then(QStringLiteral("the new week"), [&] {
        newWeek = ReadReviewWindow();
        return newWeek.WeekStart == QLatin1String("14/12/2026");
    });
    ExitByMenu(again);
    EXPECT_EQ(RunProgram(again), 0);
    EXPECT_EQ(oldWeek.WeekStart, QStringLiteral("07/12/2026"));
    EXPECT_EQ(oldWeek.Tasks.at(0).Days.at(Sun), QStringLiteral("00:30"));
    EXPECT_EQ(oldWeek.Tasks.at(0).Days.at(Mon), QString()) << "Monday 7th: nothing";
    EXPECT_EQ(newWeek.Tasks.at(0).Days.at(Mon), QStringLiteral("00:30"));
    EXPECT_EQ(newWeek.Tasks.at(0).Days.at(Sun), QString());
    EXPECT_EQ(newWeek.DayTotals.at(Mon), QStringLiteral("00:30"));
}

// Started at 09:00:10 and ended at 10:00:40: sixty minutes, not fifty-eight.
TEST_F(JourneyTest, NoSecondIsLostAtStartOrExit) {
    SetUpStore();
    TClock::SetFixed(At(Dec(9), 9 + 10.0 / 3600));
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    ClockTo(script, ticks, At(Dec(9), 10 + 10.0 / 3600), QStringLiteral("10:00:10"));
    script.Do(QStringLiteral("thirty seconds more"), [&] {
        ticks.StepMs = 30000;
        ticks.Run(1);
        return true;
    });
    script.Then(QStringLiteral("10:00:40"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wed), QStringLiteral("01:00"));
}

// A working week with the program never closed, against a ledger: lunch 12:30 to 13:15 every
// day; Wednesday a pause by hand at 12:00, still paused at 13:30 when the user starts again;
// Thursday twenty minutes away from 10:00, answered Discard half an hour after coming back;
// each evening a pause until the next morning; Friday's submission. The history holds every
// minute of the ledger.
TEST_F(JourneyTest, AWorkingWeekNeverClosedIsBookedToTheMinuteOfTheLedger) {
    SetUpStore([](TdmTasks_Form& dm) {
        SetOption(dm, "StartDayOfWeek", 2);
        SetOption(dm, "WeekStartDate", DateToDayNumber(Dec(7))); // last week submitted
        SetOption(dm, "StartTime", 12.5 / 24);
        SetOption(dm, "EndTime", 13.25 / 24);
    });
    TClock::SetFixed(At(Dec(14), 9)); // Monday
    TFastTicks ticks;
    auto leftAt = std::make_shared<qint64>(0);
    bool pausedAfterBreak = false;
    TSeen friday;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("the idle count from the clock"), [&] {
        MainWindow()->SetIdleTimeSource(std::make_unique<TClockIdleTime>(leftAt));
        return true;
    });
    for (int day = 14; day <= 18; ++day) {
        const QString name = QDate(2026, 12, day).toString(QStringLiteral("dddd"));
        if (day == 16) { // Wednesday: a pause by hand before the break
            ClockTo(script, ticks, At(Dec(day), 12), name + QStringLiteral(" 12:00"));
            PressPause(script, true);
            ClockTo(script, ticks, At(Dec(day), 13.5), name + QStringLiteral(" 13:30"));
            script.Do(QStringLiteral("still paused after the break"), [&] {
                pausedAfterBreak = MainWindow()->Paused();
                return true;
            });
            PressPause(script, false);
        }
        if (day == 17) { // Thursday: away from 10:00 to 10:20, answered at 10:50
            ClockTo(script, ticks, At(Dec(day), 10), name + QStringLiteral(" 10:00"));
            script.Do(QStringLiteral("the user leaves"), [&] {
                *leftAt = TClock::NowUtcMSecs();
                return true;
            });
            ClockTo(script, ticks, At(Dec(day), 10 + 20.0 / 60), name + QStringLiteral(" 10:20"));
            script.Do(QStringLiteral("the user comes back"), [&] {
                *leftAt = 0;
                return true;
            });
            script.Then(
                QStringLiteral("the question, left on screen half an hour"),
                [] { return MessageBoxSays(QStringLiteral("You were away from 10:00 to 10:20")); },
                [&] {
                    ticks.RunTo(At(Dec(17), 10 + 50.0 / 60));
                    return true;
                });
            script.Then(
                QStringLiteral("10:50, to answer Discard"), [&] { return ticks.Done(); },
                [] { return AnswerMessageBox('D'); });
            script.Then(QStringLiteral("the question gone"), [] { return !MessageBox(); });
        }
        ClockTo(script, ticks, At(Dec(day), 17), name + QStringLiteral(" 17:00"));
        if (day == 18) break;
        PressPause(script, true); // the evening
        script.Do(QStringLiteral("the night goes by"), [day] {
            TClock::SetFixed(At(Dec(day + 1), 9));
            return true;
        });
        PressPause(script, false);
    }
    script.Then(QStringLiteral("Friday's week"), [&] {
        friday = ReadReviewWindow();
        return true;
    });
    ClickToolButton(script, &TForm_Submit_Form::Submit, QStringLiteral("Submit"));
    script.Then(QStringLiteral("the next week"),
                [] { return Review()->meSubmitDate->text() == QLatin1String("21/12/2026"); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(pausedAfterBreak) << "a pause the user chose outlives the break";

    // The ledger, kept by hand: 09:00 to 17:00 less the break, less what the day lost.
    const std::map<QDate, int> ledger = {{Dec(14), 480 - 45},
                                         {Dec(15), 480 - 45},
                                         {Dec(16), 480 - 90},
                                         {Dec(17), 480 - 45 - 20},
                                         {Dec(18), 480 - 45}};
    const std::array<QString, 5> shown = {QStringLiteral("07:15"), QStringLiteral("07:15"),
                                          QStringLiteral("06:30"), QStringLiteral("06:55"),
                                          QStringLiteral("07:15")};
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(friday.Tasks.at(0).Days.at(i), shown.at(i)) << i;
        EXPECT_EQ(friday.DayTotals.at(i), shown.at(i)) << "totals equal the cells " << i;
    }
    EXPECT_EQ(ReadHistory(Install).Minutes, ledger);
}

// The clock jumps two hours ahead while tracking: the question names the span, and nothing of
// it is counted before the answer. Then the clock goes back half an hour: nothing negative,
// nothing counted twice.
TEST_F(JourneyTest, AClockJumpIsAskedAboutAndAClockSetBackCountsNothingTwice) {
    SetUpStore();
    TClock::SetFixed(At(Dec(9), 9));
    TFastTicks ticks;
    int countedWhenAsked = -1;
    TScript script;
    WaitForReviewWindow(script);
    ClockTo(script, ticks, At(Dec(9), 9.5), QStringLiteral("09:30"));
    script.Do(QStringLiteral("the clock jumps to 11:30"), [] {
        TClock::SetFixed(At(Dec(9), 11.5));
        return true;
    });
    script.Then(
        QStringLiteral("the question about the two hours"),
        [] {
            return MessageBoxSays(
                QStringLiteral("You were away from 09:30 to 11:30 (120 minutes). Keep this time "
                               "for GEN?"));
        },
        [&] {
            countedWhenAsked =
                int(dmTasks_Form->Journal().DateMSecs(DateToDayNumber(Dec(9))) / 60000);
            return AnswerMessageBox('K');
        });
    script.Then(QStringLiteral("the question gone"), [] { return !MessageBox(); });
    ClockTo(script, ticks, At(Dec(9), 11 + 40.0 / 60), QStringLiteral("11:40"));
    script.Do(QStringLiteral("the clock set back to 11:10"), [] {
        TClock::SetFixed(At(Dec(9), 11 + 10.0 / 60));
        return true;
    });
    script.Then(QStringLiteral("the tracker has seen it"), [] {
        return dmTasks_Form->Journal().LastSeen() ==
               UtcOfLocalDayNumber(At(Dec(9), 11 + 10.0 / 60));
    });
    ClockTo(script, ticks, At(Dec(9), 11 + 20.0 / 60), QStringLiteral("11:20"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(countedWhenAsked, 30) << "nothing of the jump before the answer";

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wed), QStringLiteral("02:50"))
        << "30 before the jump, 120 kept, 10 after it, 10 after the clock went back";
}

namespace {
class DaylightSavingJourney : public JourneyTest,
                              public ::testing::WithParamInterface<int /* month */> {};
} // namespace

// With TZ=Europe/Berlin, an hour tracked across 29 March 2026 02:00 (to 03:00) and across
// 25 October 2026 03:00 (back to 02:00) is an hour.
TEST_P(DaylightSavingJourney, TrackingAcrossTheChangeCountsTheMinutesThatPassed) {
    const TTimeZoneSet berlin("Europe/Berlin");
    const int month = GetParam();
    SetUpStore([](TdmTasks_Form& dm) { SetOption(dm, "DisplaySun", true); });
    // 00:30 UTC: 01:30 winter time in March, 02:30 summer time in October.
    const qint64 start =
        QDateTime(QDate(2026, month, month == 3 ? 29 : 25), QTime(0, 30), QTimeZone::utc())
            .toMSecsSinceEpoch();
    TClock::SetFixedUtc(start);
    TFastTicks ticks;
    TScript script;
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("an hour goes by"), [&] {
        ticks.Install();
        ticks.Run(60);
        return true;
    });
    script.Then(QStringLiteral("an hour gone by"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Sun), QStringLiteral("01:00"));
    EXPECT_EQ(seen.DayTotals.at(Sun), QStringLiteral("01:00"));
}

INSTANTIATE_TEST_SUITE_P(Journey, DaylightSavingJourney, ::testing::Values(3, 10),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 3 ? "SpringForward" : "FallBack");
                         });

namespace {
QDialog* EntriesDialog() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->objectName() == QLatin1String("Form_Entries_Form") ? dialog : nullptr;
}

QTableWidget* EntriesGrid() {
    QDialog* dialog = EntriesDialog();
    return dialog ? dialog->findChild<QTableWidget*>(QStringLiteral("grdEntries")) : nullptr;
}

QString EntriesRow(int row) {
    QTableWidget* grid = EntriesGrid();
    if (!grid || row >= grid->rowCount()) return {};
    QStringList cells;
    for (int column = 0; column < grid->columnCount(); ++column)
        cells << grid->item(row, column)->text();
    return cells.join(QLatin1Char('|'));
}

// Keys into a cell of the entries grid once the grid has the keyboard: a key on a cell opens
// its editor with that key, Return finishes it.
void TypeInEntries(TScript& script, const QString& what, int row, int column, const QString& text) {
    script.Then(
        what, [] { return EntriesGrid() && QApplication::focusWidget() == EntriesGrid(); },
        [row, column, text] {
            EntriesGrid()->setCurrentCell(row, column);
            return Type(text) && Press(Qt::Key_Return);
        });
}
} // namespace

// The entries of Tuesday: one moved to Monday, one deleted, one added by hand with a note.
// All of it is in the week's cells and after a restart.
TEST_F(JourneyTest, EntriesMovedDeletedAddedAndNotedAreKept) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsTasks.Append();
        dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("ADMIN"));
        dm.adsTasks.Post();
        const TJournalTask gen{1, QStringLiteral("GEN"), 0, 0};
        for (const auto& [from, to] : {std::pair{9.0, 10.0}, std::pair{10.0, 11.5}}) {
            TTimeEntry entry;
            entry.Task = gen;
            TTimeJournal::SetLocalTimes(entry, At(Dec(8), from), At(Dec(8), to));
            dm.Journal().AddEntry(entry);
        }
    });
    QStringList tuesdayBefore;
    QString added;
    TSeen after;
    TScript script;
    WaitForReviewWindow(script);
    script.Then(QStringLiteral("Tuesday's cell holds 2:30"), [] {
        return ReadReviewWindow().Task(QStringLiteral("GEN"))->Days.at(Tue) ==
               QLatin1String("02:30");
    });
    // From inside a day cell, whose line edit takes Ctrl+E for itself.
    ClickCell(script, 1, DayColumns.at(Wed), QStringLiteral("Wed"));
    script.Do(QStringLiteral("press Ctrl+Shift+E"),
              [] { return Press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier); });
    script.Then(
        QStringLiteral("the entries of today, taking the keyboard"),
        [] {
            QWidget* focus = QApplication::focusWidget();
            return EntriesDialog() && focus && EntriesDialog()->isAncestorOf(focus) &&
                   EntriesDialog()->findChild<QLineEdit*>(QStringLiteral("edDay"))->text() ==
                       QLatin1String("09/12/2026");
        },
        [] { return Press(Qt::Key_Left, Qt::AltModifier); });
    script.Then(QStringLiteral("Tuesday's two entries"), [&] {
        if (!EntriesGrid() || EntriesGrid()->rowCount() != 2) return false;
        tuesdayBefore = {EntriesRow(0), EntriesRow(1)};
        EntriesGrid()->setFocus();
        return QApplication::focusWidget() == EntriesGrid();
    });
    TypeInEntries(script, QStringLiteral("the first one moved to Monday"), 0, 4,
                  QStringLiteral("07/12/2026"));
    script.Then(
        QStringLiteral("one entry left, to delete with Ctrl+Delete"),
        [] {
            return EntriesGrid()->rowCount() == 1 && QApplication::focusWidget() == EntriesGrid();
        },
        [] { return Press(Qt::Key_Delete, Qt::ControlModifier); });
    script.Then(
        QStringLiteral("none left, to add one with Insert"),
        [] { return EntriesGrid()->rowCount() == 0; }, [] { return Press(Qt::Key_Insert); });
    script.Then(QStringLiteral("a new entry"), [] { return EntriesGrid()->rowCount() == 1; });
    TypeInEntries(script, QStringLiteral("its start"), 0, 0, QStringLiteral("0900"));
    TypeInEntries(script, QStringLiteral("its end"), 0, 1, QStringLiteral("1015"));
    TypeInEntries(script, QStringLiteral("its task"), 0, 3, QStringLiteral("A"));
    TypeInEntries(script, QStringLiteral("its note"), 0, 5, QStringLiteral("Forgot to start"));
    script.Then(
        QStringLiteral("the entry as typed, to click OK"),
        [&] {
            added = EntriesRow(0);
            return added.contains(QLatin1String("Forgot"));
        },
        [] {
            QTest::mouseClick(EntriesDialog()->findChild<QPushButton*>(QStringLiteral("btnOk")),
                              Qt::LeftButton);
            return true;
        });
    script.Then(QStringLiteral("the dialog closed, the week's cells show it"), [&] {
        if (EntriesDialog()) return false;
        after = ReadReviewWindow();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(tuesdayBefore, (QStringList{QStringLiteral("09:00|10:00|1:00|GEN|08/12/2026|"),
                                          QStringLiteral("10:00|11:30|1:30|GEN|08/12/2026|")}));
    EXPECT_EQ(added, QStringLiteral("09:00|10:15|1:15|ADMIN|08/12/2026|Forgot to start"));
    for (const TSeen& seen : {after, Restart()}) {
        ASSERT_NE(seen.Task(QStringLiteral("ADMIN")), nullptr);
        EXPECT_EQ(seen.Task(QStringLiteral("GEN"))->Days.at(Mon), QStringLiteral("01:00"));
        EXPECT_EQ(seen.Task(QStringLiteral("GEN"))->Days.at(Tue), QString());
        EXPECT_EQ(seen.Task(QStringLiteral("ADMIN"))->Days.at(Tue), QStringLiteral("01:15"));
        EXPECT_EQ(seen.DayTotals.at(Tue), QStringLiteral("01:15"));
    }
    // The note is in the journal on disk.
    TRecordSet journal;
    journal.LoadFromFile(Install.FileName(QStringLiteral("Journalfile.xml")));
    bool noted = false;
    for (journal.First(); !journal.Eof(); journal.Next())
        noted = noted || journal.FieldByName(QStringLiteral("Note")).AsString() ==
                             QLatin1String("Forgot to start");
    EXPECT_TRUE(noted);
}

// After Submit, a history row moved to another task code in the history dialog is there after
// a restart.
TEST_F(JourneyTest, AHistoryRowMovedToAnotherTaskCodeStaysMoved) {
    SetUpStore([](TdmTasks_Form& dm) {
        TRecordSet& h = dm.adsReporting;
        h.Append();
        h.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("GEN"));
        h.FieldByName(QStringLiteral("TaskDescription")).SetAsString(QStringLiteral("General"));
        h.FieldByName(QStringLiteral("DateTimeSubmitted")).SetAsDateTime(DateToDayNumber(Dec(1)));
        h.FieldByName(QStringLiteral("Duration")).SetAsFloat(2.0 / 24);
        h.FieldByName(QStringLiteral("ProjectNumber")).SetAsInteger(0);
        h.FieldByName(QStringLiteral("ClientId")).SetAsInteger(0);
        h.FieldByName(QStringLiteral("UserId")).SetAsInteger(0);
        h.FieldByName(QStringLiteral("InvoiceNumber")).SetAsInteger(0);
        h.FieldByName(QStringLiteral("AuthUserId")).SetAsInteger(0);
        h.Post();
    });
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&History"));
    script.Then(
        QStringLiteral("the search dialog, last week chosen, to press Return"),
        [] {
            QWidget* modal = QApplication::activeModalWidget();
            QWidget* focus = QApplication::focusWidget();
            return modal && modal->objectName() == QLatin1String("Form_Find_TaskData_Form") &&
                   focus && modal->isAncestorOf(focus);
        },
        [] { return Press(Qt::Key_Return); });
    script.Then(
        QStringLiteral("the history dialog"),
        [] {
            QWidget* modal = QApplication::activeModalWidget();
            return modal && modal->objectName() == QLatin1String("Form_History_Form");
        },
        [] {
            auto* grid = QApplication::activeModalWidget()->findChild<TDBGrid*>(
                QStringLiteral("dbgMaintain"));
            if (!grid) return false;
            grid->setFocus();
            grid->setCurrentIndex(grid->model()->index(0, 0));
            return Press(Qt::Key_F2);
        });
    script.Then(
        QStringLiteral("the code's list open, to type A"),
        [] { return qobject_cast<QComboBox*>(QApplication::focusWidget()) != nullptr; },
        [] { return Type(QStringLiteral("A")); });
    script.Then(
        QStringLiteral("ADMIN chosen in the list, to press Return"),
        [] {
            auto* box = qobject_cast<QComboBox*>(QApplication::focusWidget());
            return box && box->currentText() == QLatin1String("ADMIN");
        },
        [] { return Press(Qt::Key_Return); });
    script.Then(
        QStringLiteral("the row's code is ADMIN, to click OK"),
        [] {
            return dmTasks_Form->adsReporting.FieldByName(QStringLiteral("TaskCode")).AsString() ==
                   QLatin1String("ADMIN");
        },
        [] {
            QTest::mouseClick(
                QApplication::activeModalWidget()->findChild<QPushButton*>(QStringLiteral("btnOk")),
                Qt::LeftButton);
            return true;
        });
    WaitForReviewWindow(script);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.History.size(), 1u);
    EXPECT_EQ(seen.History.at(0).Code, QStringLiteral("ADMIN"));
    EXPECT_EQ(seen.History.at(0).Description, QStringLiteral("Administration"));
    EXPECT_EQ(seen.History.at(0).Duration, QStringLiteral("02:00"));
}

// A kill one minute after tracking started: the minute is there after a restart. (The child
// types a duration first; a kill moments after typing may lose that, as it did before: the row
// being typed into is written when the user moves on, by the auto-save, or at the end.)
TEST_F(JourneyTest, AKillAMinuteAfterTrackingStartedLosesNothing) {
    SetUpStore();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), Install.WorkDir() + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Install.WorkDir() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Install.WorkDir() + QStringLiteral("/data"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(TIVREL_JOURNEY_CHILD),
                {Install.DataDir(), Install.WorkDir(), QStringLiteral("track")});
    ASSERT_TRUE(child.waitForStarted(10000)) << qPrintable(child.errorString());
    QByteArray output;
    QDeadlineTimer deadline(30000);
    while (!output.contains("typed\n") && child.state() == QProcess::Running &&
           !deadline.hasExpired()) {
        child.waitForReadyRead(100);
        output += child.readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains("typed\n")) << child.readAllStandardError().toStdString();
    ASSERT_EQ(::kill(pid_t(child.processId()), SIGKILL), 0);
    ASSERT_TRUE(child.waitForFinished(15000));

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wed), QStringLiteral("00:01"));
}

// A first run: seven minutes go by while the Welcome dialog is open; nothing is counted until
// it is closed with OK, and the two minutes after it are.
TEST_F(JourneyTest, NoTimeIsCountedBeforeTheFirstRunsSetupIsClosedWithOk) {
    TFastTicks ticks;
    int countedInSetup = -1;
    TScript script;
    script.Then(
        QStringLiteral("the Welcome dialog, seven minutes go by"),
        [] {
            QWidget* modal = QApplication::activeModalWidget();
            return modal && modal->objectName() == QLatin1String("Form_Setup_Form") && MainWindow();
        },
        [&] {
            ticks.Install();
            ticks.Run(7);
            return true;
        });
    script.Then(
        QStringLiteral("seven minutes gone by, to click OK"), [&] { return ticks.Done(); },
        [&] {
            countedInSetup = int(dmTasks_Form->Journal().DateMSecs(TClock::Today()) / 60000);
            auto* ok =
                QApplication::activeModalWidget()->findChild<QPushButton*>(QStringLiteral("btnOk"));
            if (!ok) return false;
            QTest::mouseClick(ok, Qt::LeftButton);
            return true;
        });
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("two minutes go by"), [&] {
        ticks.Run(2);
        return true;
    });
    script.Then(QStringLiteral("two minutes gone by"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_EQ(countedInSetup, 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wed), QStringLiteral("00:02"));
}
