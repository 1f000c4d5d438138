// The journal of tracked time on its own: entries measured by the clock to the second, split
// at midnight, gaps and clocks set back, daylight-saving changes, time taken away for a span,
// typed day totals, submission and the files.

#include "UserLayer/data_Tasks_Journal.h"
#include "support/TTimeZoneSet.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/RecordSet/TRecordSet.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {
constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute;

const TJournalTask Gen{1, QStringLiteral("GEN"), 0, 0};
const TJournalTask Dev{2, QStringLiteral("DEV"), 3, 4};

double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

// A moment of the local wall clock, as milliseconds since 1970 UTC.
qint64 At(int y, int m, int d, int hour, int minute, int second = 0) {
    return QDateTime(QDate(y, m, d), QTime(hour, minute, second)).toMSecsSinceEpoch();
}

// Runs the journal's clock from one moment to another in steps, as the tracker's ticks do.
void RunTo(TTimeJournal& journal, qint64 from, qint64 to, qint64 step = Second * 30) {
    for (qint64 t = from; t < to; t += step)
        EXPECT_FALSE(journal.Advance(t).Gap);
    EXPECT_FALSE(journal.Advance(to).Gap);
}

} // namespace

TEST(Journal, AnEntryIsTheWallClockBetweenItsEndsToTheSecond) {
    TTimeJournal journal;
    journal.Track({Gen}, At(2026, 12, 9, 9, 0, 10));
    RunTo(journal, At(2026, 12, 9, 9, 0, 10), At(2026, 12, 9, 10, 0, 40), 7 * Second);
    journal.StopAll(At(2026, 12, 9, 10, 0, 40));
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 9)), Hour + 30 * Second);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 60) << "a day shows its whole minutes";
    ASSERT_EQ(journal.EntriesOn(Day(2026, 12, 9)).size(), 1u);
    EXPECT_TRUE(journal.RunningTasks().empty());
    // Starting a task already running changes nothing; switching ends one and starts another.
    journal.Track({Gen}, At(2026, 12, 9, 11, 0));
    journal.Track({Gen}, At(2026, 12, 9, 11, 30));
    journal.Track({Dev}, At(2026, 12, 9, 12, 0));
    journal.StopAll(At(2026, 12, 9, 12, 15));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 120);
    EXPECT_EQ(journal.DayMinutes(2, Day(2026, 12, 9)), 15);
}

TEST(Journal, AnEntryAcrossMidnightBelongsToBothDays) {
    TTimeJournal journal;
    journal.Track({Gen}, At(2026, 12, 13, 23, 30)); // a Sunday
    RunTo(journal, At(2026, 12, 13, 23, 30), At(2026, 12, 14, 0, 30));
    journal.StopAll(At(2026, 12, 14, 0, 30));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 13)), 30);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 14)), 30);
    const auto sunday = journal.EntriesOn(Day(2026, 12, 13));
    ASSERT_EQ(sunday.size(), 1u);
    EXPECT_EQ(sunday.at(0).EndUtc, At(2026, 12, 14, 0, 0)) << "the day's entry ends at 24:00";
    // A tick that comes only after midnight still ends the day there.
    journal.Track({Gen}, At(2026, 12, 14, 23, 59, 30));
    journal.Advance(At(2026, 12, 15, 0, 0, 50));
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 14)), 30 * Minute + 30 * Second);
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 15)), 50 * Second);
}

TEST(Journal, AGapIsNotCountedUntilKeptAndAClockSetBackCountsNothingTwice) {
    TTimeJournal journal;
    journal.Track({Gen}, At(2026, 12, 9, 9, 0));
    RunTo(journal, At(2026, 12, 9, 9, 0), At(2026, 12, 9, 9, 30));
    // Two hours ahead at once.
    const TJournalAdvance gap = journal.Advance(At(2026, 12, 9, 11, 30));
    ASSERT_TRUE(gap.Gap);
    EXPECT_EQ(gap.GapFrom, At(2026, 12, 9, 9, 30));
    EXPECT_EQ(gap.GapTo, At(2026, 12, 9, 11, 30));
    ASSERT_EQ(gap.GapTasks.size(), 1u);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 30) << "nothing before the answer";
    EXPECT_TRUE(journal.IsRunning(1)) << "tracking goes on from the return";
    journal.AddSpan(gap.GapTasks, gap.GapFrom, gap.GapTo); // Keep
    RunTo(journal, At(2026, 12, 9, 11, 30), At(2026, 12, 9, 11, 40));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 160);
    // Back by half an hour: what was counted stays; the ten minutes after count once.
    RunTo(journal, At(2026, 12, 9, 11, 10), At(2026, 12, 9, 11, 20));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 170);
    for (const TTimeEntry& entry : journal.OpenRows())
        EXPECT_GE(entry.MSecs(), 0);
    // A span kept across midnight is split by date.
    TTimeJournal night;
    night.AddSpan({Gen}, At(2026, 12, 9, 23, 40), At(2026, 12, 10, 0, 20));
    EXPECT_EQ(night.DayMinutes(1, Day(2026, 12, 9)), 20);
    EXPECT_EQ(night.DayMinutes(1, Day(2026, 12, 10)), 20);
}

TEST(Journal, DaylightSavingChangesCountTheMinutesThatPassed) {
    const TTimeZoneSet berlin("Europe/Berlin");
    // 29 March 2026: 02:00 becomes 03:00. 01:30 to 03:30 on the wall clock is one hour.
    const qint64 spring =
        QDateTime(QDate(2026, 3, 29), QTime(0, 30), QTimeZone::utc()).toMSecsSinceEpoch();
    TTimeJournal journal;
    TClock::SetFixedUtc(spring);
    journal.Track({Gen}, spring);
    RunTo(journal, spring, spring + Hour);
    journal.StopAll(spring + Hour);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 3, 29)), 60);
    const auto entries = journal.EntriesOn(Day(2026, 3, 29));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.at(0).StartOffset, 60);
    EXPECT_EQ(entries.at(0).EndOffset, 120);
    EXPECT_EQ(FormatDayNumber(QStringLiteral("hh:mm"), entries.at(0).StartLocal()),
              QStringLiteral("01:30"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("hh:mm"), entries.at(0).EndLocal()),
              QStringLiteral("03:30"));
    // 25 October 2026: 03:00 becomes 02:00. 02:30 (summer) to 02:30 (winter) is one hour.
    const qint64 autumn =
        QDateTime(QDate(2026, 10, 25), QTime(0, 30), QTimeZone::utc()).toMSecsSinceEpoch();
    journal.Track({Gen}, autumn);
    RunTo(journal, autumn, autumn + Hour);
    journal.StopAll(autumn + Hour);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 10, 25)), 60);
    // Written and read back, the offsets keep the hour an hour.
    TRecordSet open, submitted;
    TTimeJournal::DefineFields(open);
    TTimeJournal::DefineFields(submitted);
    journal.WriteTo(open, submitted);
    TTimeJournal again;
    again.Load(open, submitted);
    EXPECT_EQ(again.DayMinutes(1, Day(2026, 10, 25)), 60);
    EXPECT_EQ(again.DayMinutes(1, Day(2026, 3, 29)), 60);
    TClock::Reset();
}

TEST(Journal, TakingASpanAwayCutsEveryEntryItTouchesAndTheTrackingGoesOn) {
    TTimeJournal journal;
    journal.Track({Gen, Dev}, At(2026, 12, 9, 10, 0));
    RunTo(journal, At(2026, 12, 9, 10, 0), At(2026, 12, 9, 11, 0));
    EXPECT_EQ(journal.TrackedWithin(At(2026, 12, 9, 10, 20), At(2026, 12, 9, 10, 40)), 40 * Minute);
    EXPECT_EQ(journal.RemoveSpan(At(2026, 12, 9, 10, 20), At(2026, 12, 9, 10, 40)), 40 * Minute);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 40);
    EXPECT_EQ(journal.DayMinutes(2, Day(2026, 12, 9)), 40);
    EXPECT_TRUE(journal.IsRunning(1));
    RunTo(journal, At(2026, 12, 9, 11, 0), At(2026, 12, 9, 11, 10));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 50);
    EXPECT_EQ(journal.EntriesOn(Day(2026, 12, 9)).size(), 4u) << "each task: before and after";
}

TEST(Journal, ATypedTotalIsKeptAsTheChangeItMadeSoTrackingAddsToIt) {
    TTimeJournal journal;
    journal.Track({Gen}, At(2026, 12, 9, 9, 0));
    RunTo(journal, At(2026, 12, 9, 9, 0), At(2026, 12, 9, 10, 0));
    journal.SetDayTotal(Gen, Day(2026, 12, 9), 90 * Minute);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 90);
    RunTo(journal, At(2026, 12, 9, 10, 0), At(2026, 12, 9, 10, 10));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 100);
    // Less than tracked: the day shows what was typed, never below nothing.
    journal.SetDayTotal(Gen, Day(2026, 12, 9), 15 * Minute);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 15);
    journal.SetDayTotal(Gen, Day(2026, 12, 10), 0);
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 10)), 0);
    // A day of another task, and another date, are their own.
    journal.SetDayTotal(Dev, Day(2026, 12, 8), 2 * Hour);
    EXPECT_EQ(journal.DayMinutes(2, Day(2026, 12, 8)), 120);
    EXPECT_EQ(journal.EarliestOpenDate(), Day(2026, 12, 8));
    EXPECT_TRUE(journal.HasOpenTimeOutside(2, Day(2026, 12, 9), Day(2026, 12, 16)));
    EXPECT_FALSE(journal.HasOpenTimeOutside(2, Day(2026, 12, 7), Day(2026, 12, 14)));
}

TEST(Journal, NoTaskGetsAWholeDayOnOneDate) {
    TTimeJournal journal;
    journal.SetDayTotal(Gen, Day(2026, 12, 9), 23 * Hour + 59 * Minute);
    journal.Track({Gen}, At(2026, 12, 9, 10, 0));
    const TJournalAdvance advance = journal.Advance(At(2026, 12, 9, 10, 1, 30));
    ASSERT_EQ(advance.DayFull.size(), 1u);
    EXPECT_EQ(advance.DayFullDate, Day(2026, 12, 9));
    EXPECT_FALSE(journal.IsRunning(1));
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 9)), TTimeJournal::FullDay);
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 23 * 60 + 59) << "never 00:00";
}

TEST(Journal, ASubmittedDayKeepsItsEntriesAsARecordAndOnlyNewTimeStaysOpen) {
    TTimeJournal journal;
    journal.Track({Gen}, At(2026, 12, 9, 9, 0, 0));
    RunTo(journal, At(2026, 12, 9, 9, 0), At(2026, 12, 9, 15, 0, 40));
    journal.CutRunning(At(2026, 12, 9, 15, 0, 40));
    const qint64 day = journal.DayMSecs(1, Day(2026, 12, 9));
    EXPECT_EQ(day, 6 * Hour + 40 * Second);
    journal.MarkSubmitted(Gen, Day(2026, 12, 9), day % Minute); // six hours booked
    EXPECT_EQ(journal.DayMSecs(1, Day(2026, 12, 9)), 40 * Second) << "the part of a minute stays";
    EXPECT_EQ(journal.SubmittedRows().size(), 1u);
    EXPECT_TRUE(journal.IsRunning(1));
    RunTo(journal, At(2026, 12, 9, 15, 0, 40), At(2026, 12, 9, 18, 0, 20));
    EXPECT_EQ(journal.DayMinutes(1, Day(2026, 12, 9)), 180);
    EXPECT_EQ(journal.EntriesOn(Day(2026, 12, 9)).size(), 2u) << "submitted and open";
}

TEST(Journal, FilesRoundTripAndARunningEntryEndsWhereItWasLastWritten) {
    TTimeJournal journal;
    journal.SetDayTotal(Dev, Day(2026, 12, 8), 45 * Minute);
    journal.Track({Gen}, At(2026, 12, 9, 9, 0));
    RunTo(journal, At(2026, 12, 9, 9, 0), At(2026, 12, 9, 9, 1, 5));
    TTimeEntry added;
    added.Kind = TEntryKind::Added;
    added.Task = Dev;
    added.Note = QStringLiteral("Forgot to start: line one\nline two");
    TTimeJournal::SetLocalTimes(added, Day(2026, 12, 9) + 13.0 / 24, Day(2026, 12, 9) + 14.25 / 24);
    journal.AddEntry(added);
    TRecordSet open, submitted;
    TTimeJournal::DefineFields(open);
    TTimeJournal::DefineFields(submitted);
    journal.WriteTo(open, submitted);
    TRecordSet reread, rereadSubmitted;
    reread.LoadFromBytes(open.SaveToBytes());
    rereadSubmitted.LoadFromBytes(submitted.SaveToBytes());
    TTimeJournal again;
    again.Load(reread, rereadSubmitted);
    EXPECT_TRUE(again.RunningTasks().empty()) << "a program that stopped tracks nothing";
    EXPECT_EQ(again.DayMSecs(1, Day(2026, 12, 9)), Minute + 5 * Second);
    EXPECT_EQ(again.DayMinutes(2, Day(2026, 12, 8)), 45);
    EXPECT_EQ(again.DayMinutes(2, Day(2026, 12, 9)), 75);
    const auto entries = again.EntriesOn(Day(2026, 12, 9));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at(1).Note, added.Note);
    EXPECT_EQ(entries.at(1).Kind, TEntryKind::Added);
    EXPECT_EQ(entries.at(1).Task.ProjectNumber, 3);
    EXPECT_FALSE(again.OpenChanged());
}
