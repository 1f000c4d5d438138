// The entries dialog: what it shows of a day, the corrections it checks (times that are no
// times, overlaps, a whole day), an entry past midnight kept on two dates, a running entry that
// goes on running, submitted entries left alone, and Cancel.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Entries_Unit.h"
#include "support/TScriptedDialogService.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

class EntriesTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        gen = dm->JournalTaskOfRow((dm->adsTasks.First(), dm->adsTasks));
    }
    int Add(double date, double from, double to, const TJournalTask& task) {
        TTimeEntry entry;
        entry.Task = task;
        TTimeJournal::SetLocalTimes(entry, date + from / 24, date + to / 24);
        return dm->Journal().AddEntry(entry);
    }
    QString Row(QTableWidget* grid, int row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column)
            cells << grid->item(row, column)->text();
        return cells.join(QLatin1Char('|'));
    }
    // Types into a cell as the grid's editor hands the text over.
    void Set(TForm_Entries_Form& form, int row, int column, const QString& text) {
        form.grdEntries->item(row, column)->setText(text);
    }

    TJournalTask gen;
    TScopedDialogService dialogs;
};
} // namespace

TEST(EntriesTimes, TimesOfDayAreHoursAndMinutesAndMidnightOnlyEnds) {
    int minutes = -1;
    EXPECT_TRUE(ParseTimeOfDay(QStringLiteral("9"), minutes, false));
    EXPECT_EQ(minutes, 540);
    EXPECT_TRUE(ParseTimeOfDay(QStringLiteral("9:05"), minutes, false));
    EXPECT_EQ(minutes, 545);
    EXPECT_TRUE(ParseTimeOfDay(QStringLiteral("0905"), minutes, false));
    EXPECT_EQ(minutes, 545);
    EXPECT_TRUE(ParseTimeOfDay(QStringLiteral(" 17.30 "), minutes, false));
    EXPECT_EQ(minutes, 1050);
    EXPECT_TRUE(ParseTimeOfDay(QStringLiteral("24:00"), minutes, true));
    EXPECT_EQ(minutes, 1440);
    for (const char* bad : {"24:00", "9:5", "9:60", "25", "x", "", "12345", "-1:00"})
        EXPECT_FALSE(ParseTimeOfDay(QLatin1String(bad), minutes, false)) << bad;
}

TEST_F(EntriesTest, ADayShowsItsEntriesAndTheirTotalAndCancelChangesNothing) {
    Add(Day(2026, 12, 8), 9, 10, gen);
    Add(Day(2026, 12, 8), 13, 14.5, gen);
    Add(Day(2026, 12, 9), 8, 9, gen);
    const auto before = dm->Journal().OpenRows().size();
    TForm_Entries_Form form(*dm, Day(2026, 12, 8));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Entries"));
    ASSERT_EQ(form.grdEntries->rowCount(), 2);
    EXPECT_EQ(Row(form.grdEntries, 0), QStringLiteral("09:00|10:00|1:00|GEN|08/12/2026|"));
    EXPECT_EQ(Row(form.grdEntries, 1), QStringLiteral("13:00|14:30|1:30|GEN|08/12/2026|"));
    EXPECT_EQ(form.lblDayTotal->text(), QStringLiteral("Entries: 2:30"));
    EXPECT_EQ(form.lblDayName->text(), QStringLiteral("Tuesday"));
    form.btnNextDay->click();
    EXPECT_EQ(form.edDay->text(), QStringLiteral("09/12/2026"));
    EXPECT_EQ(form.grdEntries->rowCount(), 1);
    form.btnDeleteClick();
    EXPECT_EQ(form.grdEntries->rowCount(), 0);
    form.reject();
    EXPECT_EQ(dm->Journal().OpenRows().size(), before);
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 9)), 60);
}

TEST_F(EntriesTest, AValueThatIsNoTimeIsRefusedAndTheCellShowsTheEntryAgain) {
    Add(Day(2026, 12, 8), 9, 10, gen);
    TForm_Entries_Form form(*dm, Day(2026, 12, 8));
    Set(form, 0, TForm_Entries_Form::ColStart, QStringLiteral("25:00"));
    EXPECT_EQ(dialogs->Errors,
              QStringList{QStringLiteral("'25:00' is not a valid time for Start")});
    EXPECT_EQ(Row(form.grdEntries, 0), QStringLiteral("09:00|10:00|1:00|GEN|08/12/2026|"));
    Set(form, 0, TForm_Entries_Form::ColTask, QStringLiteral("NOPE"));
    EXPECT_EQ(dialogs->Errors.last(), QStringLiteral("'NOPE' is not a task of the task list"));
    Set(form, 0, TForm_Entries_Form::ColDate, QStringLiteral("31/02/2026"));
    EXPECT_EQ(dialogs->Errors.last(), QStringLiteral("'31/02/2026' is not a valid date for Date"));
    Set(form, 0, TForm_Entries_Form::ColEnd, QStringLiteral("09:00"));
    EXPECT_EQ(dialogs->Errors.last(), QStringLiteral("The end must come after the start"));
    Set(form, 0, TForm_Entries_Form::ColDuration, QStringLiteral("2:30"));
    EXPECT_EQ(Row(form.grdEntries, 0), QStringLiteral("09:00|11:30|2:30|GEN|08/12/2026|"));
}

TEST_F(EntriesTest, OverlappingEntriesOfATaskAndAWholeDayAreRefusedOnOk) {
    Add(Day(2026, 12, 8), 9, 10, gen);
    Add(Day(2026, 12, 8), 11, 12, gen);
    {
        TForm_Entries_Form form(*dm, Day(2026, 12, 8));
        Set(form, 1, TForm_Entries_Form::ColStart, QStringLiteral("09:30"));
        form.btnOkClick();
        EXPECT_EQ(dialogs->Errors, QStringList{QStringLiteral(
                                       "Two entries of GEN overlap on 08/12/2026: 09:00 to 10:00 "
                                       "and 09:30 to 12:00.")});
        EXPECT_TRUE(form.isVisible() || form.result() != QDialog::Accepted);
    }
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 8)), 120) << "nothing changed";
    dm->Journal().SetDayTotal(gen, Day(2026, 12, 9), 23 * 60 * 60000);
    TForm_Entries_Form form(*dm, Day(2026, 12, 9));
    form.btnAddClick(); // 09:00 to 10:00
    form.btnOkClick();
    EXPECT_EQ(
        dialogs->Errors.last(),
        QStringLiteral("GEN would have 24 hours or more on 09/12/2026: shorten its entries."));
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 9)), 23 * 60);
}

TEST_F(EntriesTest, AnEntryEndingBeforeItStartsRunsPastMidnightAndIsKeptOnBothDates) {
    TForm_Entries_Form form(*dm, Day(2026, 12, 8));
    form.btnAddClick();
    Set(form, 0, TForm_Entries_Form::ColStart, QStringLiteral("23:00"));
    Set(form, 0, TForm_Entries_Form::ColEnd, QStringLiteral("01:15"));
    EXPECT_EQ(Row(form.grdEntries, 0), QStringLiteral("23:00|01:15|2:15|GEN|08/12/2026|"));
    Set(form, 0, TForm_Entries_Form::ColNote, QStringLiteral("Release\tnight"));
    form.btnOkClick();
    EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 8)), 60);
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 9)), 75);
    const auto night = dm->Journal().EntriesOn(Day(2026, 12, 9));
    ASSERT_EQ(night.size(), 1u);
    EXPECT_EQ(night.at(0).Note, QStringLiteral("Release night")) << "no control character kept";
    EXPECT_EQ(night.at(0).Kind, TEntryKind::Added);
}

TEST_F(EntriesTest, ARunningEntryKeepsRunningAndSubmittedOnesCannotBeChanged) {
    Add(Day(2026, 12, 9), 7, 8, gen);
    dm->Journal().MarkSubmitted(gen, Day(2026, 12, 9), 0); // the 07:00 entry is in the history
    const qint64 nine = UtcOfLocalDayNumber(Day(2026, 12, 9) + 9.0 / 24);
    dm->Journal().Track({gen}, nine);
    for (int minute = 1; minute <= 30; ++minute)
        dm->Journal().Advance(nine + minute * 60000);
    TForm_Entries_Form form(*dm, Day(2026, 12, 9));
    ASSERT_EQ(form.grdEntries->rowCount(), 2);
    EXPECT_EQ(Row(form.grdEntries, 0), QStringLiteral("07:00|08:00|1:00|GEN|09/12/2026|"));
    EXPECT_FALSE(form.grdEntries->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(Row(form.grdEntries, 1), QStringLiteral("09:00|running|0:30|GEN|09/12/2026|"));
    EXPECT_FALSE(form.grdEntries->item(1, TForm_Entries_Form::ColEnd)->flags() &
                 Qt::ItemIsEditable);
    form.grdEntries->setCurrentCell(0, 0);
    form.btnDeleteClick();
    EXPECT_EQ(dialogs->Informations,
              QStringList{QStringLiteral(
                  "This entry has been submitted: correct its time in the history.")});
    Set(form, 1, TForm_Entries_Form::ColNote, QStringLiteral("Planning"));
    for (int minute = 31; minute <= 50; ++minute) // the tracker goes on while the dialog is open
        dm->Journal().Advance(nine + minute * 60000);
    form.btnOkClick();
    EXPECT_TRUE(dm->Journal().IsRunning(gen.JobId));
    EXPECT_EQ(dm->Journal().DayMinutes(gen.JobId, Day(2026, 12, 9)), 50);
    EXPECT_EQ(dm->Journal().EntriesOn(Day(2026, 12, 9)).back().Note, QStringLiteral("Planning"));
}
