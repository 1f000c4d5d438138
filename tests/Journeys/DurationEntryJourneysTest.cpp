// Journeys of typing durations: every way of writing an hour and a half typed into a day cell
// of the review window, no time, texts that are no duration (a message box, answered by a
// key, and the cell keeps its value), the whole text selected on entering by a click or by
// Tab, and the lunch times of the options dialog. The program is left and started again,
// and the cells show what was kept.

#include "JourneyFixture.h"

#include "Components/Core/TFormatSettings.h"

using namespace Journey;

namespace {

constexpr auto Mon = &TFrame_TimeTracker_Form::dbeMon;
constexpr auto Tue = &TFrame_TimeTracker_Form::dbeTue;
constexpr size_t Monday = 0;
constexpr size_t Tuesday = 1;

// A store whose only task, GEN, has 2 hours on Monday and 3 on Tuesday.
void TwoAndThreeHours(TdmTasks_Form& dm) {
    TRecordSet& tasks = dm.adsTasks;
    tasks.First();
    tasks.Edit();
    tasks.FieldByName(QStringLiteral("MonDuration")).SetAsFloat(2.0 / 24);
    tasks.FieldByName(QStringLiteral("TueDuration")).SetAsFloat(3.0 / 24);
    tasks.Post();
}

// Keys typed one by one, then the cell shows what is given.
void TypeShowing(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column, const QString& keys,
                 const QString& shown) {
    script.Do(QStringLiteral("type %1").arg(keys), [keys] { return Type(keys); });
    script.Then(QStringLiteral("the cell being typed into shows %1").arg(shown), [column, shown] {
        TDBEdit* edit = ReviewGrid()->*column;
        return QApplication::focusWidget() == edit && edit->displayText() == shown;
    });
}

// A cell clicked into: its whole text is selected, so that typing replaces it.
void ClickCellSelected(TScript& script, TDBEdit* TFrame_TimeTracker_Form::*column,
                       const QString& name, const QString& text) {
    ClickCell(script, 0, column, name);
    script.Then(QStringLiteral("the %1 cell's text %2 all selected").arg(name, text),
                [column, text] {
                    TDBEdit* edit = ReviewGrid()->*column;
                    return edit->text() == text && edit->selectedText() == text;
                });
}

// The message box in front holds the words; Return answers it.
void AnswerBoxWithReturn(TScript& script, const QString& words) {
    script.Then(
        QStringLiteral("a message box saying \"%1\", answered with Return").arg(words),
        [words] { return MessageBoxSays(words); }, [] { return ReturnInMessageBox(); });
    script.Then(QStringLiteral("the message box gone"), [] { return !MessageBox(); });
}

// One way of typing a day cell's duration, and what the cell shows after a restart.
struct TEntry {
    const char* Name;
    const char* Keys;
    const char* WhileTyping; // what the cell shows before it is left
    const char* Kept;        // what the cell shows after a restart
    QChar DecimalSeparator = QLatin1Char('.');
};

void PrintTo(const TEntry& entry, std::ostream* os) {
    *os << entry.Name;
}

class AcceptedDurationJourney : public JourneyTest, public ::testing::WithParamInterface<TEntry> {};
} // namespace

// Clicked into, the Monday cell's 02:00 is selected; what is typed replaces it and is what the
// cell holds after a restart.
TEST_P(AcceptedDurationJourney, ADurationTypedIntoACellIsKeptAsHoursAndMinutes) {
    const TEntry entry = GetParam();
    SetUpStore(TwoAndThreeHours);
    TFormatSettings formats = TFormatSettings::Current();
    formats.DecimalSeparator = entry.DecimalSeparator;
    formats.ThousandSeparator =
        entry.DecimalSeparator == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    TFormatSettings::SetCurrent(formats);

    TScript script;
    WaitForReviewWindow(script);
    ClickCellSelected(script, Mon, QStringLiteral("Mon"), QStringLiteral("02:00"));
    const QString keys = QLatin1String(entry.Keys);
    if (keys.isEmpty())
        script.Do(QStringLiteral("press Delete"), [] { return Press(Qt::Key_Delete); });
    else
        TypeShowing(script, Mon, keys, QLatin1String(entry.WhileTyping));
    LeaveCellByTab(script, Mon, QLatin1String(entry.Kept));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QLatin1String(entry.Kept));
    EXPECT_EQ(seen.DayTotals.at(Monday),
              entry.Kept[0] ? QLatin1String(entry.Kept) : QLatin1String("00:00"));
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Tuesday), QStringLiteral("03:00")) << "the next day stays";
}

INSTANTIATE_TEST_SUITE_P(
    Journey, AcceptedDurationJourney,
    ::testing::Values(TEntry{"Colon", "1:30", "1:30", "01:30"},
                      TEntry{"ColonTwoDigitHours", "01:30", "01:30", "01:30"},
                      TEntry{"FourDigits", "0130", "01:30", "01:30"},
                      TEntry{"ThreeDigits", "130", "130", "01:30"},
                      TEntry{"DecimalPoint", "1.5", "1.5", "01:30"},
                      TEntry{"DecimalComma", "1,5", "1,5", "01:30", QLatin1Char(',')},
                      TEntry{"PointWhereTheCommaIsDecimal", "1.5", "1.5", "01:30",
                             QLatin1Char(',')},
                      TEntry{"Zero", "0", "0", ""}, TEntry{"Emptied", "", "", ""}),
    [](const ::testing::TestParamInfo<TEntry>& info) { return std::string(info.param.Name); });

namespace {
struct TRefused {
    const char* Name;
    const char* Keys;
    const char* Message;
};

void PrintTo(const TRefused& refused, std::ostream* os) {
    *os << refused.Name;
}

class RefusedDurationJourney : public JourneyTest,
                               public ::testing::WithParamInterface<TRefused> {};
} // namespace

// A text that is no duration: the message names it and the cell, the cell keeps the text for
// correction; Escape brings back 02:00, which is what a restart shows.
TEST_P(RefusedDurationJourney, ATextThatIsNoDurationIsRefusedAndTheCellKeepsItsValue) {
    const TRefused refused = GetParam();
    SetUpStore(TwoAndThreeHours);
    const QString keys = QLatin1String(refused.Keys);
    TScript script;
    WaitForReviewWindow(script);
    ClickCellSelected(script, Mon, QStringLiteral("Mon"), QStringLiteral("02:00"));
    TypeShowing(script, Mon, keys, keys);
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    AnswerBoxWithReturn(script, QStringLiteral("'%1' is not a valid time for Mon Duration%2")
                                    .arg(keys, QLatin1String(refused.Message)));
    script.Then(QStringLiteral("the Mon cell has the keyboard back and still shows %1").arg(keys),
                [keys] {
                    TDBEdit* edit = ReviewGrid()->dbeMon;
                    return ReviewWaitsForTheUser() && QApplication::focusWidget() == edit &&
                           edit->displayText() == keys;
                });
    script.Then(
        QStringLiteral("nothing stored: the task's Monday still 02:00"),
        [] {
            return dmTasks_Form->adsTasks.FieldByName(QStringLiteral("MonDuration")).Text() ==
                   QLatin1String("02:00");
        },
        [] { return Press(Qt::Key_Escape); });
    script.Then(QStringLiteral("Escape brought back 02:00"),
                [] { return ReviewGrid()->dbeMon->displayText() == QLatin1String("02:00"); });
    LeaveCellByTab(script, Mon, QStringLiteral("02:00"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("02:00"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("02:00"));
}

INSTANTIATE_TEST_SUITE_P(
    Journey, RefusedDurationJourney,
    ::testing::Values(TRefused{"MinutesAbove59", "99:99", ": the minutes go up to 59."},
                      TRefused{"Letters", "ab", ". Type hours and minutes such as 1:30 or 0130"},
                      TRefused{"Negative", "-1", ": a time cannot be negative."},
                      TRefused{"WholeDay", "24:00", ": it must be less than 24 hours."}),
    [](const ::testing::TestParamInfo<TRefused>& info) { return std::string(info.param.Name); });

// Tab into the next day selects its text too, so typing there replaces it.
TEST_F(JourneyTest, TabIntoTheNextDaySelectsItsTimeSoTypingReplacesIt) {
    SetUpStore(TwoAndThreeHours);
    TScript script;
    WaitForReviewWindow(script);
    ClickCellSelected(script, Mon, QStringLiteral("Mon"), QStringLiteral("02:00"));
    TypeShowing(script, Mon, QStringLiteral("1:30"), QStringLiteral("1:30"));
    script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
    script.Then(QStringLiteral("the Tue cell has the keyboard with 03:00 all selected"), [] {
        TDBEdit* edit = ReviewGrid()->dbeTue;
        return QApplication::focusWidget() == edit &&
               edit->selectedText() == QLatin1String("03:00");
    });
    TypeShowing(script, Tue, QStringLiteral("0:45"), QStringLiteral("0:45"));
    LeaveCellByTab(script, Tue, QStringLiteral("00:45"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Tuesday), QStringLiteral("00:45"));
    EXPECT_EQ(seen.TotalMessage, QStringLiteral("Total Duration is 0 Days 2 Hours 15 Minutes "));
}

// Typed over the whole "00:00" of an empty cell from its start, as into the old fixed form,
// digits replace digits and a colon after one digit moves to the minutes.
TEST_F(JourneyTest, DigitsTypedOverAnEmptyCellsZeroKeepItsHoursAndMinutes) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ClickCellSelected(script, Mon, QStringLiteral("Mon"), QStringLiteral("00:00"));
    script.Do(QStringLiteral("press Home"), [] { return Press(Qt::Key_Home); });
    TypeShowing(script, Mon, QStringLiteral("1"), QStringLiteral("10:00"));
    TypeShowing(script, Mon, QStringLiteral(":"), QStringLiteral("01:00"));
    TypeShowing(script, Mon, QStringLiteral("30"), QStringLiteral("01:30"));
    LeaveCellByTab(script, Mon, QStringLiteral("01:30"));
    script.Then(
        QStringLiteral("the Tue cell has the keyboard, to press Home"),
        [] { return QApplication::focusWidget() == ReviewGrid()->dbeTue; },
        [] { return Press(Qt::Key_Home); });
    TypeShowing(script, Tue, QStringLiteral("0245"), QStringLiteral("02:45"));
    LeaveCellByTab(script, Tue, QStringLiteral("02:45"));
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    const TSeen seen = Restart();
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Tuesday), QStringLiteral("02:45"));
}

namespace {
QWidget* OptionsInFront() {
    QWidget* front = QApplication::activeModalWidget();
    return front && front->objectName() == QLatin1String("Form_Options_Form") &&
                   QApplication::activeWindow() == front
               ? front
               : nullptr;
}

TDBEdit* OptionsEdit(const char* name) {
    QWidget* dialog = OptionsInFront();
    return dialog ? dialog->findChild<TDBEdit*>(QLatin1String(name)) : nullptr;
}

// Clicks a box of the options dialog; then it has the keyboard with its text all selected.
void ClickOptionsEdit(TScript& script, const char* name) {
    script.Then(
        QStringLiteral("the box %1 on screen, to click it").arg(QLatin1String(name)),
        [name] { return OptionsEdit(name) && OptionsEdit(name)->isVisible(); },
        [name] {
            QTest::mouseClick(OptionsEdit(name), Qt::LeftButton);
            return true;
        });
    script.Then(
        QStringLiteral("the box %1 has the keyboard, its text selected").arg(QLatin1String(name)),
        [name] {
            TDBEdit* edit = OptionsEdit(name);
            return edit && QApplication::focusWidget() == edit &&
                   edit->selectedText() == edit->text();
        });
}

// The lunch times as the options dialog shows them after a restart.
QString LunchTimes() {
    TRecordSet& options = dmTasks_Form->adsDefaults;
    return options.FieldByName(QStringLiteral("StartTime")).Text() + QLatin1Char('-') +
           options.FieldByName(QStringLiteral("EndTime")).Text();
}
} // namespace

// The lunch times are times of day typed the same ways: four digits, decimal hours.
TEST_F(JourneyTest, LunchTimesTypedAsDigitsOrDecimalHoursAreKept) {
    SetUpStore();
    TScript script;
    WaitForReviewWindow(script);
    ChooseMenu(script, QStringLiteral("&Timesheets"), QStringLiteral("&Options"));
    ClickOptionsEdit(script, "dbeLunchStart");
    script.Do(QStringLiteral("type 1230"), [] { return Type(QStringLiteral("1230")); });
    script.Then(QStringLiteral("the lunch start shows 12:30"), [] {
        return OptionsEdit("dbeLunchStart")->displayText() == QLatin1String("12:30");
    });
    ClickOptionsEdit(script, "dbeLunchEnd");
    script.Do(QStringLiteral("type 13.5 and press Return for OK"),
              [] { return Type(QStringLiteral("13.5")) && Press(Qt::Key_Return); });
    script.Then(QStringLiteral("the options dialog closed"), ReviewWaitsForTheUser);
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);

    QString kept;
    TScript again;
    WaitForReviewWindow(again);
    again.Do(QStringLiteral("read the lunch times"), [&kept] {
        kept = LunchTimes();
        return true;
    });
    ExitByMenu(again);
    RunProgram(again);
    EXPECT_EQ(kept, QStringLiteral("12:30-13:30"));
}
