// The readers on their own, on small files that hold the cases the fixtures do not: how a CSV
// writes its dates, times past midnight and lengths, KTimeTracker's task trees and time taken
// off, the line a bad element of a JSON export is named by, and the moments each format writes.

#include "InteropCommandFixture.h"

#include "Interop/Interop_Source.h"

#include "Components/Core/SysDateTime.h"

namespace {
QByteArray FixtureBytes(const char* name) {
    QFile file(QStringLiteral(TIVREL_SOURCE_DIR "/tests/Interop/fixtures/") + QLatin1String(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

qint64 Utc(const char* iso) {
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate).toMSecsSinceEpoch();
}

// The line and reason of the error a reader raises; line 0 when it raises none.
template <class TRead> std::pair<int, QString> ErrorOf(TRead read) {
    try {
        read();
    } catch (const TSourceError& e) {
        return {e.Line(), e.Reason()};
    }
    return {0, QString()};
}

constexpr qint64 Minute = 60000;
} // namespace

class SourceReadersTest : public ::testing::Test {
    TTimeZoneSet FBerlin{"Europe/Berlin"}; // local times of the files are Berlin times
};

TEST_F(SourceReadersTest, CsvDatesAreReadMonthFirstUnlessADayOfTheFileSaysOtherwise) {
    const TSourceFile monthFirst =
        ReadCsv("Date,Task,Duration\n03/04/2026,A,1:00\n04/05/2026,A,0:30\n");
    ASSERT_EQ(monthFirst.Intervals.size(), 2u);
    EXPECT_EQ(DayNumberToDate(monthFirst.Intervals.at(0).Date), QDate(2026, 3, 4));

    const TSourceFile dayFirst =
        ReadCsv("Date,Task,Duration\n03/04/2026,A,1:00\n25/04/2026,A,0:30\n");
    ASSERT_EQ(dayFirst.Intervals.size(), 2u);
    EXPECT_EQ(DayNumberToDate(dayFirst.Intervals.at(0).Date), QDate(2026, 4, 3));
    EXPECT_EQ(DayNumberToDate(dayFirst.Intervals.at(1).Date), QDate(2026, 4, 25));
    EXPECT_FALSE(dayFirst.Remarks.isEmpty()); // the summary says how the dates were read
}

TEST_F(SourceReadersTest, CsvLengthsAndTimes) {
    // An end before its start is on the next day; a duration in decimal hours with a comma;
    // minutes; a row without a task goes on its project.
    const TSourceFile file = ReadCsv("date;start;end;duration;task;project;note\n"
                                     "2026-10-21;23:30;00:45;;DEV;;\"late\nfix\"\n"
                                     "2026-10-22;;;1,5;DEV;;\n"
                                     "2026-10-23;;;0:20;;Website;\n");
    ASSERT_EQ(file.Intervals.size(), 3u);
    const TSourceInterval& night = file.Intervals.at(0);
    EXPECT_TRUE(night.Timed);
    EXPECT_EQ(night.Length(), 75 * Minute);
    EXPECT_EQ(night.StartUtc, Utc("2026-10-21T23:30:00+02:00"));
    EXPECT_EQ(night.Note, QStringLiteral("late\nfix"));
    EXPECT_EQ(file.Intervals.at(1).Length(), 90 * Minute);
    EXPECT_EQ(file.Intervals.at(1).Line, 4); // the quoted line break counts
    EXPECT_EQ(file.Intervals.at(2).Task, QStringLiteral("Website"));
    EXPECT_EQ(file.Intervals.at(2).Length(), 20 * Minute);
}

TEST_F(SourceReadersTest, ACsvRowThatCannotBeReadIsNamedByItsLine) {
    EXPECT_EQ(ErrorOf([] {
                  ReadCsv("date,task,duration\n2026-10-21,DEV,1:00\n"
                          "2026-13-40,DEV,1:00\n");
              }).first,
              3);
    // A quote never closed: the line it opens on.
    EXPECT_EQ(ErrorOf([] { ReadCsv("date,task,duration\n2026-10-21,DEV,\"1:00\n"); }).first, 2);
    // No column says when or how long: the header is at fault.
    EXPECT_EQ(ErrorOf([] { ReadCsv("task,project\nDEV,Website\n"); }).first, 1);
}

TEST_F(SourceReadersTest, KTimeTrackersSubtasksAreBookedOnTheProjectOfTheirTree) {
    const TSourceFile file = ReadICalendar(FixtureBytes("ktimetracker.ics"));
    ASSERT_FALSE(file.Intervals.empty());
    const TSourceInterval& first = file.Intervals.at(0);
    EXPECT_EQ(first.Task, QStringLiteral("Layout and design"));
    EXPECT_EQ(first.Project, QStringLiteral("Acme"));
    EXPECT_EQ(first.Note, QStringLiteral("first mock-ups"));
    EXPECT_EQ(first.StartUtc, Utc("2026-10-19T09:00:00+02:00"));
    EXPECT_EQ(first.Length(), 210 * Minute);
    // Time taken off in KTimeTracker is a negative length.
    const TSourceInterval& last = file.Intervals.back();
    EXPECT_EQ(last.Length(), -30 * Minute);
}

TEST_F(SourceReadersTest, TimewarriorsBadElementIsNamedByItsLineAndARunningOneIsLeftOut) {
    const auto [line, reason] = ErrorOf([] {
        ReadTimewarrior(
            "[\n{\"id\":2,\"start\":\"20261019T070000Z\",\"end\":\"20261019T080000Z\"},\n"
            "{\"id\":1,\"start\":\"soon\",\"end\":\"20261019T090000Z\"}\n]\n");
    });
    EXPECT_EQ(line, 3);
    EXPECT_TRUE(reason.contains(QStringLiteral("soon"))) << reason.toStdString();
    // A file cut short: where it ends.
    EXPECT_EQ(ErrorOf([] { ReadTimewarrior("[\n{\"id\":1,\"start\":\n"); }).first, 3);

    const TSourceFile file = ReadTimewarrior(
        "[\n{\"id\":2,\"start\":\"20261019T070000Z\",\"end\":\"20261019T080000Z\",\"tags\":"
        "[\"client:Acme\",\"DEV\",\"project:Web\"]},\n"
        "{\"id\":1,\"start\":\"20261019T090000Z\",\"tags\":[\"DEV\"]}\n]\n");
    ASSERT_EQ(file.Intervals.size(), 1u);
    EXPECT_EQ(file.Intervals.at(0).Task, QStringLiteral("DEV"));
    EXPECT_EQ(file.Intervals.at(0).Project, QStringLiteral("Web"));
    EXPECT_EQ(file.Intervals.at(0).Client, QStringLiteral("Acme"));
    ASSERT_EQ(file.LeftOut.size(), 1);
    EXPECT_TRUE(file.LeftOut.at(0).contains(QStringLiteral("line 3")));
}

TEST_F(SourceReadersTest, TheMomentsEachFormatWrites) {
    qint64 utc = 0;
    const qint64 expected = Utc("2026-11-02T08:00:00Z");
    for (const char* text : {"2026-11-02T09:00:00+01:00", "2026-11-02T08:00:00Z",
                             "20261102T080000Z", "2026-11-02 09:00", "2026-11-02 09:00:00"}) {
        ASSERT_TRUE(ParseMoment(QLatin1String(text), utc)) << text;
        EXPECT_EQ(utc, expected) << text;
    }
    EXPECT_FALSE(ParseMoment(QStringLiteral("yesterday"), utc));
    EXPECT_FALSE(ParseMoment(QStringLiteral("2026-11-31 09:00"), utc));
}
