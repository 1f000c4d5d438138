#include "BaseUnits/XEP_Utils_Unit.h"
#include "BaseUnits/XEP_Errors.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
constexpr double Hour = 1.0 / 24.0;
constexpr double Minute = 1.0 / 1440.0;

double Day(int year, int month, int day) {
    return DateToDayNumber(QDate(year, month, day));
}
} // namespace

TEST(DateTimeToDays, SplitsIntoWorkingDaysAndARemainder) {
    int days = -1;
    EXPECT_NEAR(DateTimeToDays(0.5, 7, days), 5 * Hour, 1e-12);
    EXPECT_EQ(days, 1);
    EXPECT_NEAR(DateTimeToDays(20 * Hour, 7, days), 6 * Hour, 1e-12);
    EXPECT_EQ(days, 2);
    EXPECT_NEAR(DateTimeToDays(3 * Hour, 7, days), 3 * Hour, 1e-12);
    EXPECT_EQ(days, 0);
    EXPECT_EQ(DateTimeToDays(0, 7, days), 0);
    EXPECT_EQ(days, 0);
}

TEST(DateTimeToDays, ExactMultiplesOfTheWorkingDayCountInFull) {
    int days = -1;
    // 21 hours with 7-hour days is three whole days, not two days and seven hours.
    EXPECT_EQ(DateTimeToDays(0.875, 7, days), 0);
    EXPECT_EQ(days, 3);
    for (double dayHours : {7.0, 7.5, 8.0, 7.4, 6.0}) {
        for (int n = 1; n <= 60; ++n) {
            double total = 0; // summed in minutes, as the timer and the grid add them up
            const int minutes = static_cast<int>(std::lround(dayHours * 60)) * n;
            for (int m = 0; m < minutes; ++m)
                total += Minute;
            const double remainder = DateTimeToDays(total, dayHours, days);
            EXPECT_EQ(days, n) << dayHours << " x " << n;
            EXPECT_EQ(remainder, 0) << dayHours << " x " << n;
        }
    }
    // One minute short stays one day short.
    EXPECT_NEAR(DateTimeToDays(21 * Hour - Minute, 7, days), 7 * Hour - Minute, 1e-12);
    EXPECT_EQ(days, 2);
}

TEST(DateTimeToDays, NegativeDurationsTruncateTowardZeroAndZeroDayFails) {
    int days = 0;
    EXPECT_NEAR(DateTimeToDays(-10 * Hour, 7, days), -3 * Hour, 1e-12);
    EXPECT_EQ(days, -1);
    EXPECT_THROW(DateTimeToDays(Hour, 0, days), EZeroDivide);
}

TEST(DaysHoursMinutesText, BuildsTheDaysHoursAndMinutesText) {
    EXPECT_EQ(DaysHoursMinutesText(0.5, 7), QStringLiteral("1 Days 5 Hours 0 Minutes "));
    EXPECT_EQ(DaysHoursMinutesText(0, 7), QStringLiteral("0 Days 0 Hours 0 Minutes "));
    EXPECT_EQ(DaysHoursMinutesText(7 * Hour, 7), QStringLiteral("1 Days 0 Hours 0 Minutes "));
    EXPECT_EQ(DaysHoursMinutesText(0.875, 7), QStringLiteral("3 Days 0 Hours 0 Minutes "));
    // Seconds are dropped, not rounded.
    EXPECT_EQ(DaysHoursMinutesText(2 * Hour + 15 * Minute + 59.0 / 86400, 7),
              QStringLiteral("0 Days 2 Hours 15 Minutes "));
    EXPECT_EQ(DaysHoursMinutesText(100 * Hour, 8), QStringLiteral("12 Days 4 Hours 0 Minutes "));
}

TEST(Weeks, StartOnTheMostRecentStartDayWhateverTheWeekday) {
    // 7 December 2026 is a Monday; walk a whole week of "todays" for every start day.
    for (int offset = 0; offset < 7; ++offset) {
        const double today = Day(2026, 12, 7) + offset;
        TClock::SetFixed(today + 10 * Hour);
        for (int startDay = 1; startDay <= 7; ++startDay) {
            double start = 0, end = 0;
            GetThisWeek(startDay, start, end);
            EXPECT_EQ(DayOfWeekNumber(start), startDay);
            EXPECT_LE(start, today);
            EXPECT_GT(start, today - 7);
            EXPECT_EQ(end, start + 6);
            EXPECT_EQ(start, std::trunc(start)) << "no time of day";
            double lastStart = 0, lastEnd = 0, nextStart = 0, nextEnd = 0;
            GetLastWeek(startDay, lastStart, lastEnd);
            GetNextWeek(startDay, nextStart, nextEnd);
            EXPECT_EQ(lastStart, start - 7);
            EXPECT_EQ(lastEnd, end - 7);
            EXPECT_EQ(nextStart, start + 7);
            EXPECT_EQ(nextEnd, end + 7);
        }
    }
}

TEST(Weeks, TheWorkedExamples) {
    double start = 0, end = 0;
    TClock::SetFixed(Day(2026, 12, 13)); // a Sunday
    GetThisWeek(1, start, end);
    EXPECT_EQ(start, Day(2026, 12, 13));
    GetThisWeek(2, start, end);
    EXPECT_EQ(start, Day(2026, 12, 7)); // the Monday before
    TClock::SetFixed(Day(2026, 12, 9)); // a Wednesday
    GetThisWeek(5, start, end);
    EXPECT_EQ(start, Day(2026, 12, 3)); // the Thursday six days before
    EXPECT_EQ(end, Day(2026, 12, 9));
    // Across a year end and a leap day.
    TClock::SetFixed(Day(2027, 1, 1));
    GetThisWeek(2, start, end);
    EXPECT_EQ(start, Day(2026, 12, 28));
    TClock::SetFixed(Day(2024, 3, 1));
    GetLastWeek(2, start, end);
    EXPECT_EQ(start, Day(2024, 2, 19));
    EXPECT_EQ(end, Day(2024, 2, 25));
}

TEST(EndOfMonth, KnowsLeapYearsAndOutOfRangeMonths) {
    EXPECT_EQ(EndOfMonth(2, 2000), 29);
    EXPECT_EQ(EndOfMonth(2, 1900), 28);
    EXPECT_EQ(EndOfMonth(2, 2024), 29);
    EXPECT_EQ(EndOfMonth(2, 2023), 28);
    EXPECT_EQ(EndOfMonth(13, 2023), 31);
    EXPECT_EQ(EndOfMonth(0, 2023), 31);
    for (int month : {4, 6, 9, 11})
        EXPECT_EQ(EndOfMonth(month, 2023), 30);
    for (int month : {1, 3, 5, 7, 8, 10, 12})
        EXPECT_EQ(EndOfMonth(month, 2023), 31);
}

TEST(GetPriority, WarnsWithinFiveDaysAndUrgentlyWithinOne) {
    const double today = Day(2026, 12, 9);
    TClock::SetFixed(today + 10 * Hour);
    EXPECT_EQ(GetPriority(today + 1), 2); // d ≈ 0.58
    EXPECT_EQ(GetPriority(today + 2), 1);
    EXPECT_EQ(GetPriority(today + 5), 1); // d ≈ 4.58
    EXPECT_EQ(GetPriority(today + 6), 0); // d ≈ 5.58
    EXPECT_EQ(GetPriority(today - 1), 2);
    EXPECT_EQ(GetPriority(0), 0);
    // The edges themselves: exactly 1 and exactly 5 days ahead.
    EXPECT_EQ(GetPriority(today + 10 * Hour + 1), 2);
    EXPECT_EQ(GetPriority(today + 10 * Hour + 1 + Minute), 1);
    EXPECT_EQ(GetPriority(today + 10 * Hour + 5), 1);
    EXPECT_EQ(GetPriority(today + 10 * Hour + 5 + Minute), 0);
}

TEST(DayToDayNumber, ComparesExactlyWithTheLongDayNames) {
    EXPECT_EQ(DayToDayNumber(QStringLiteral("Sunday")), 1);
    EXPECT_EQ(DayToDayNumber(QStringLiteral("Monday")), 2);
    EXPECT_EQ(DayToDayNumber(QStringLiteral("Friday")), 6);
    EXPECT_EQ(DayToDayNumber(QStringLiteral("Saturday")), 7);
    EXPECT_EQ(DayToDayNumber(QString()), 7);
    EXPECT_EQ(DayToDayNumber(QStringLiteral("monday")), 7);
}

TEST(DurationTexts, ShowHoursAndMinutesOfTheTimeOfDay) {
    EXPECT_EQ(DurationGetText(90.0 / 86400, true), QStringLiteral("00:01"));
    EXPECT_EQ(DurationGetText(25 * Hour, true), QStringLiteral("01:00"));
    EXPECT_EQ(DurationGetText(0, true), QString());
    EXPECT_EQ(DurationGetText(0, false), QStringLiteral("00:00"));
    EXPECT_EQ(DurationGetText(1.0, true), QString()); // whole days are not shown
    EXPECT_EQ(DurationGetText(7 * Hour, true), QStringLiteral("07:00"));
    EXPECT_EQ(DurationGetText(0.0625, false), QStringLiteral("01:30"));
}

namespace {
// The message a refused entry raises; empty when the text was taken.
QString Refusal(const char* text) {
    try {
        DurationFromText(QLatin1String(text), QStringLiteral("Mon Duration"));
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return {};
}

// Regional formats with another decimal separator while a test runs.
struct TDecimalSeparator {
    explicit TDecimalSeparator(QChar separator) : FBefore(TFormatSettings::Current()) {
        TFormatSettings settings = FBefore;
        settings.DecimalSeparator = separator;
        TFormatSettings::SetCurrent(settings);
    }
    ~TDecimalSeparator() { TFormatSettings::SetCurrent(FBefore); }
    TFormatSettings FBefore;
};

double Entry(const char* text) {
    return DurationFromText(QLatin1String(text), QStringLiteral("Mon Duration"));
}
} // namespace

TEST(DurationEntry, EveryWayOfWritingAnHourAndAHalfGivesIt) {
    const double hourAndAHalf = EncodeTime(1, 30);
    for (const char* text : {"1:30", "01:30", "0130", "130", "1.5", " 1:30 ", "1.50"})
        EXPECT_DOUBLE_EQ(Entry(text), hourAndAHalf) << text;
    {
        const TDecimalSeparator comma(QLatin1Char(','));
        EXPECT_DOUBLE_EQ(Entry("1,5"), hourAndAHalf);
        EXPECT_DOUBLE_EQ(Entry("1.5"), hourAndAHalf) << "a point is always a decimal point";
    }
    EXPECT_NE(Refusal("1,5"), QString()) << "a comma only where it is the decimal separator";
}

TEST(DurationEntry, EmptyAndZeroGiveNoTime) {
    for (const char* text : {"", "   ", "0", "00", "0:00", "00:00", "000", "0.0", ".0"})
        EXPECT_DOUBLE_EQ(Entry(text), 0) << '"' << text << '"';
}

TEST(DurationEntry, ShortFormsReadAsHoursAndMinutes) {
    EXPECT_DOUBLE_EQ(Entry("7"), EncodeTime(7, 0)) << "one or two digits are hours";
    EXPECT_DOUBLE_EQ(Entry("12"), EncodeTime(12, 0));
    EXPECT_DOUBLE_EQ(Entry("1:"), EncodeTime(1, 0));
    EXPECT_DOUBLE_EQ(Entry(":45"), EncodeTime(0, 45));
    EXPECT_DOUBLE_EQ(Entry("1:5"), EncodeTime(1, 5)) << "minutes as written, not tens";
    EXPECT_DOUBLE_EQ(Entry("945"), EncodeTime(9, 45));
    EXPECT_DOUBLE_EQ(Entry("2359"), EncodeTime(23, 59));
    EXPECT_DOUBLE_EQ(Entry(".25"), EncodeTime(0, 15));
    EXPECT_DOUBLE_EQ(Entry("2."), EncodeTime(2, 0));
    EXPECT_DOUBLE_EQ(Entry("0.1"), EncodeTime(0, 6));
    EXPECT_DOUBLE_EQ(Entry("1.99"), EncodeTime(1, 59)) << "119.4 minutes round to 119";
    EXPECT_DOUBLE_EQ(Entry("23.99"), EncodeTime(23, 59));
}

TEST(DurationEntry, ATextThatIsNoDurationIsRefusedWithTheTextTheFieldAndTheReason) {
    const QString unreadable =
        QStringLiteral(". Type hours and minutes such as 1:30 or 0130, or hours such as 1.5.");
    for (const char* text : {"ab", "1:300", "12345", "1:30:00", "1.5.5", "02:45xyz", "1 30", "-",
                             ":", ".", "1h30", "0x10"})
        EXPECT_EQ(
            Refusal(text),
            QStringLiteral("'%1' is not a valid time for Mon Duration").arg(QLatin1String(text)) +
                unreadable)
            << text;
    for (const char* text : {"99:99", "1:60", "960", "0099"})
        EXPECT_EQ(Refusal(text),
                  QStringLiteral("'%1' is not a valid time for Mon Duration: the minutes go up "
                                 "to 59.")
                      .arg(QLatin1String(text)))
            << text;
    for (const char* text : {"-1", "-0:30", "-1.5"})
        EXPECT_EQ(Refusal(text),
                  QStringLiteral("'%1' is not a valid time for Mon Duration: a time cannot be "
                                 "negative.")
                      .arg(QLatin1String(text)))
            << text;
    // A day column holds less than a day; so does a time of day.
    for (const char* text : {"24:00", "24", "2400", "99", "25.5", "23.995", "100:00"})
        EXPECT_EQ(Refusal(text),
                  QStringLiteral("'%1' is not a valid time for Mon Duration: it must be less "
                                 "than 24 hours.")
                      .arg(QLatin1String(text)))
            << text;
    EXPECT_EQ(Refusal("  ab  "),
              QStringLiteral("'ab' is not a valid time for Mon Duration") + unreadable)
        << "the text is quoted without the blanks around it";
    const TDecimalSeparator comma(QLatin1Char(','));
    EXPECT_TRUE(Refusal("ab").endsWith(QStringLiteral("or hours such as 1,5.")))
        << "the example uses the regional decimal separator";
}

TEST(DurationEntry, TheRegionalTimeSeparatorIsTakenUnlessItIsADecimalPoint) {
    TFormatSettings settings = TFormatSettings::Current();
    const TFormatSettings before = settings;
    settings.TimeSeparator = QLatin1Char('h');
    TFormatSettings::SetCurrent(settings);
    EXPECT_DOUBLE_EQ(Entry("1h30"), EncodeTime(1, 30));
    EXPECT_DOUBLE_EQ(Entry("1:30"), EncodeTime(1, 30));
    settings.TimeSeparator = QLatin1Char('.');
    TFormatSettings::SetCurrent(settings);
    EXPECT_DOUBLE_EQ(Entry("1.5"), EncodeTime(1, 30)) << "the point stays a decimal point";
    TFormatSettings::SetCurrent(before);
}

TEST(DurationTexts, CompletionDateShowsEmptyOrTodayForNoDate) {
    TClock::SetFixed(Day(2026, 12, 9) + 10 * Hour);
    EXPECT_EQ(CompletionDateGetText(0, true), QString());
    EXPECT_EQ(CompletionDateGetText(0, false), QStringLiteral("09/12/2026"));
    EXPECT_EQ(CompletionDateGetText(Day(2008, 3, 3), true), QStringLiteral("03/03/2008"));
    EXPECT_EQ(CompletionDateGetText(Day(2008, 3, 3), false), QStringLiteral("03/03/2008"));
}

TEST(Directories, CheckCreateDirectoryMakesOneLevelOrRaises) {
    QTemporaryDir temp;
    const QString one = temp.path() + QStringLiteral("/one");
    CheckCreateDirectory(one);
    EXPECT_TRUE(QDir(one).exists());
    CheckCreateDirectory(one); // existing: nothing
    const QString deep = temp.path() + QStringLiteral("/a/b");
    try {
        CheckCreateDirectory(deep);
        FAIL() << "a missing parent must raise";
    } catch (const EXEPException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create ") + deep);
    }
    EXPECT_FALSE(QDir(deep).exists());
}

TEST(Directories, UserSaveDirectoryCanBeRedirected) {
    SetUserSaveDirectoryOverride(QStringLiteral("/tmp/elsewhere"));
    EXPECT_EQ(GetUserSaveDirectory(), QStringLiteral("/tmp/elsewhere"));
    SetUserSaveDirectoryOverride(QString());
    EXPECT_FALSE(GetUserSaveDirectory().isEmpty());
}

TEST(Helpers, CreateSpaceString) {
    EXPECT_EQ(CreateSpaceString(3), QStringLiteral("   "));
    EXPECT_EQ(CreateSpaceString(0), QString());
    EXPECT_EQ(CreateSpaceString(-2), QString());
}

TEST(Helpers, WaitForXSecsWaitsOnTheClockWithoutSpinning) {
    // A clock that moves a tenth of a second per reading: the wait ends after ten or so
    // readings, each of which slept rather than spun.
    double now = 40000;
    int readings = 0;
    TClock::SetSource([&] {
        ++readings;
        return now += 0.1 / 86400;
    });
    WaitForXSecs(1);
    EXPECT_GE(readings, 5);
    EXPECT_LE(readings, 40);
    // A clock that stands still does not hang: the real time bounds the wait.
    TClock::SetFixed(40000);
    QElapsedTimer timer;
    timer.start();
    WaitForXSecs(1);
    EXPECT_GE(timer.elapsed(), 950);
    EXPECT_LT(timer.elapsed(), 3000);
    WaitForXSecs(0);
    WaitForXSecs(-3);
}
