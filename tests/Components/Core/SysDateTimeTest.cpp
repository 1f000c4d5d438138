#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <gtest/gtest.h>

TEST(SysDateTime, DayNumbersCountFromTheEndOf1899) {
    EXPECT_EQ(DateToDayNumber(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(DateToDayNumber(QDate(1899, 12, 31)), 1.0);
    EXPECT_EQ(DateToDayNumber(QDate(2008, 3, 3)), 39510.0);
    EXPECT_EQ(DayNumberToDate(39510.75), QDate(2008, 3, 3));
    EXPECT_EQ(DayNumberToTime(39510.75), QTime(18, 0));
    EXPECT_DOUBLE_EQ(EncodeDayNumber(QDate(2008, 3, 3), QTime(6, 0)), 39510.25);
    // Before the epoch the fraction counts away from zero.
    EXPECT_DOUBLE_EQ(EncodeDayNumber(QDate(1899, 12, 29), QTime(6, 0)), -1.25);
    EXPECT_EQ(DayNumberToDate(-1.25), QDate(1899, 12, 29));
    EXPECT_EQ(DayNumberToTime(-1.25), QTime(6, 0));
}

TEST(SysDateTime, WeekdayNumbersStartOnSunday) {
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(DayOfWeekNumber(n), n) << n;
    EXPECT_EQ(DayOfWeekNumber(DateToDayNumber(QDate(2026, 12, 9))), 4); // a Wednesday
    EXPECT_EQ(DayOfWeekNumber(DateToDayNumber(QDate(2026, 12, 9)) + 0.99), 4);
}

TEST(SysDateTime, TimeOfDayRoundsToTheMillisecond) {
    // 7 hours computed as a fraction lands a hair below; it still reads 07:00.
    EXPECT_EQ(DayNumberToTime(7.0 / 24.0), QTime(7, 0));
    EXPECT_EQ(DayNumberToTime(EncodeTime(23, 59, 59, 999)), QTime(23, 59, 59, 999));
    // A fraction that rounds up to a whole day is midnight of the next day.
    EXPECT_EQ(DayNumberToTime(0.99999999999), QTime(0, 0));
    EXPECT_EQ(DayNumberToDate(10.99999999999), DayNumberToDate(11));
}

TEST(SysDateTime, FormatsWithRegionalNames) {
    const double d = EncodeDayNumber(QDate(2008, 3, 3), QTime(14, 5, 9));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("dd/MM/yyyy"), d), QStringLiteral("03/03/2008"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("d/M/yy"), d), QStringLiteral("3/3/08"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("dddd, d MMMM yyyy"), d),
              QStringLiteral("Monday, 3 March 2008"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("ddd MMM"), d), QStringLiteral("Mon Mar"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("hh:mm:ss"), d), QStringLiteral("14:05:09"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("h:mm AP"), d), QStringLiteral("2:05 PM"));
    EXPECT_EQ(FormatDayNumber(QStringLiteral("'at' HH'h'"), d), QStringLiteral("at 14h"));
    EXPECT_EQ(DateTimeToStr(d), QStringLiteral("03/03/2008 14:05:09"));
    EXPECT_EQ(DateTimeToStr(39510), QStringLiteral("03/03/2008"));

    TFormatSettings german = TFormatSettings::Fixed();
    german.LongDayNames[1] = QStringLiteral("Montag");
    EXPECT_EQ(FormatDayNumber(QStringLiteral("dddd"), d, german), QStringLiteral("Montag"));
}

TEST(SysDateTime, ParsesDatesInTheShortDateOrder) {
    EXPECT_EQ(StrToDate(QStringLiteral("03/04/2008")), DateToDayNumber(QDate(2008, 4, 3)));
    EXPECT_EQ(StrToDate(QStringLiteral(" 3/4/08 ")), DateToDayNumber(QDate(2008, 4, 3)));
    EXPECT_EQ(StrToDate(QStringLiteral("1/1/49")), DateToDayNumber(QDate(2049, 1, 1)));
    EXPECT_EQ(StrToDate(QStringLiteral("1/1/50")), DateToDayNumber(QDate(1950, 1, 1)));

    TFormatSettings us = TFormatSettings::Fixed();
    us.ShortDateFormat = QStringLiteral("M/d/yyyy");
    EXPECT_EQ(StrToDate(QStringLiteral("03/04/2008"), us), DateToDayNumber(QDate(2008, 3, 4)));
    TFormatSettings iso = TFormatSettings::Fixed();
    iso.ShortDateFormat = QStringLiteral("yyyy-MM-dd");
    iso.DateSeparator = QLatin1Char('-');
    EXPECT_EQ(StrToDate(QStringLiteral("2008-03-04"), iso), DateToDayNumber(QDate(2008, 3, 4)));

    // Day and month alone take this year.
    TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)));
    EXPECT_EQ(StrToDate(QStringLiteral("28/2")), DateToDayNumber(QDate(2026, 2, 28)));
    EXPECT_THROW(StrToDate(QStringLiteral("29/2")), EConvertError);
}

TEST(SysDateTime, RefusesTextsThatAreNoDate) {
    for (const char* text : {"", "abc", "32/01/2008", "29/02/2023", "1/13/2008", "1/2/3/4",
                             "-1/2/2008", "1 /2/2008", "01/02/20081"}) {
        double value = 123;
        EXPECT_FALSE(TryStrToDate(QString::fromLatin1(text), value)) << text;
        EXPECT_EQ(value, 123) << text;
    }
    EXPECT_TRUE([] {
        try {
            StrToDate(QStringLiteral("31/02/2008"));
        } catch (const EConvertError& e) {
            return e.Message() == QStringLiteral("'31/02/2008' is not a valid date");
        }
        return false;
    }());
}

// A date is taken in the short date format or as ISO (2026-12-18), whatever the short date
// format is; nothing else is read as a date, and the refusal names the text and the box.
TEST(SysDateTime, TakesIsoDatesBesideTheShortDateFormat) {
    const double day = DateToDayNumber(QDate(2026, 12, 18));
    TFormatSettings us = TFormatSettings::Fixed();
    us.ShortDateFormat = QStringLiteral("M/d/yyyy");
    TFormatSettings german = TFormatSettings::Fixed();
    german.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    german.DateSeparator = QLatin1Char('.');
    TFormatSettings dashed = TFormatSettings::Fixed();
    dashed.ShortDateFormat = QStringLiteral("dd-MM-yyyy");
    dashed.DateSeparator = QLatin1Char('-');
    for (const TFormatSettings& formats : {TFormatSettings::Fixed(), us, german, dashed}) {
        SCOPED_TRACE(formats.ShortDateFormat.toStdString());
        EXPECT_EQ(StrToDate(QStringLiteral("2026-12-18"), formats), day);
        EXPECT_EQ(StrToDate(QStringLiteral(" 2026-12-18 "), formats), day);
        EXPECT_EQ(StrToDate(DateToStr(day, formats), formats), day);
        EXPECT_EQ(StrToDateTime(QStringLiteral("2026-12-18 14:30"), formats),
                  day + EncodeTime(14, 30));
        for (const char* text : {"2026-13-45", "2026-02-30", "26-12-18x", "2026-12", "20261218",
                                 "2026/12/18x", "18-12-2026-1", "12026-12-18"}) {
            double value = 7;
            EXPECT_FALSE(TryStrToDate(QString::fromLatin1(text), value, formats)) << text;
            EXPECT_EQ(value, 7) << text;
        }
    }
    EXPECT_EQ(StrToDate(QStringLiteral("2026-1-5")), DateToDayNumber(QDate(2026, 1, 5)));
    // In a day-first format with "-", a text that is a short date stays one.
    EXPECT_EQ(StrToDate(QStringLiteral("05-01-2026"), dashed), DateToDayNumber(QDate(2026, 1, 5)));

    TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)) + 0.5);
    try {
        StrToDateFor(QStringLiteral("2026-13-45"), QStringLiteral("Completion Date"));
        ADD_FAILURE() << "refused";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'2026-13-45' is not a valid date for Completion "
                                              "Date. Type a date such as 09/12/2026 or "
                                              "2026-12-09."));
    }
    EXPECT_EQ(StrToDateFor(QStringLiteral("18/12/2026"), QStringLiteral("Start Date")), day);
    TClock::Reset();
}

TEST(SysDateTime, ParsesTimesOfDay) {
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("07:30")), 0.3125);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("10:30")), 0.4375);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("23:59:59")), EncodeTime(23, 59, 59));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("12:00:00.5")), EncodeTime(12, 0, 0, 500));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("9")), EncodeTime(9, 0));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("2:15 PM")), EncodeTime(14, 15));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("12:15 am")), EncodeTime(0, 15));
    for (const char* text :
         {"24:00", "07:60", "12:00:60", "ab:cd", "", "1:2:3:4", "13:00 PM", "-1:00", "7:3 0"}) {
        double value = 0;
        EXPECT_FALSE(TryStrToTime(QString::fromLatin1(text), value)) << text;
    }
    EXPECT_THROW(StrToTime(QStringLiteral("25:00")), EConvertError);
}

TEST(SysDateTime, ParsesDateAndTimeTogether) {
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("03/03/2008 14:30")), 39510 + EncodeTime(14, 30));
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("03/03/2008")), 39510);
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("14:30")), EncodeTime(14, 30));
    EXPECT_THROW(StrToDateTime(QStringLiteral("03/03/2008 25:00")), EConvertError);
}

TEST(FormatSettings, LocaleFormatsCarryAFourDigitYearAndSundayFirstNames) {
    const TFormatSettings us =
        TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(us.ShortDateFormat.contains(QStringLiteral("yyyy")))
        << us.ShortDateFormat.toStdString();
    EXPECT_EQ(us.DateSeparator, QLatin1Char('/'));
    EXPECT_EQ(us.LongDayName(1), QStringLiteral("Sunday"));
    EXPECT_EQ(us.LongDayName(7), QStringLiteral("Saturday"));
    EXPECT_EQ(us.LongDayName(8), QString());
    const TFormatSettings de =
        TFormatSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.DateSeparator, QLatin1Char('.'));
    EXPECT_EQ(de.DecimalSeparator, QLatin1Char(','));
    EXPECT_EQ(de.LongDayName(2), QStringLiteral("Montag"));
    // What a locale writes, it reads back.
    const double d = DateToDayNumber(QDate(2008, 11, 23));
    EXPECT_EQ(StrToDate(DateToStr(d, de), de), d);
    EXPECT_EQ(StrToDate(DateToStr(d, us), us), d);
}

TEST(Clock, CanBeSetAndRestored) {
    TClock::SetFixed(39510.5);
    EXPECT_EQ(TClock::Now(), 39510.5);
    EXPECT_EQ(TClock::Today(), 39510);
    EXPECT_FALSE(TClock::IsSystemClock());
    TClock::Reset();
    EXPECT_TRUE(TClock::IsSystemClock());
    EXPECT_GT(TClock::Now(), DateToDayNumber(QDate(2020, 1, 1)));
}
