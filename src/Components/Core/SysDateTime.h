#pragma once
// Day-number date-times: a double counting whole days since 30 December 1899 plus the
// fraction of the day elapsed (1.0 = 31 December 1899, a Sunday). Conversions to and from Qt
// types, weekday numbers (1 = Sunday … 7 = Saturday), formatting and parsing with the regional
// formats of TFormatSettings. Parsing failures raise EConvertError.

#include "TFormatSettings.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

constexpr double MinutesPerDay = 1440.0;
constexpr double SecondsPerDay = 86400.0;
constexpr qint64 MSecsPerDay = 86400000;

QDate DayNumberEpoch(); // 30 December 1899

double DateToDayNumber(const QDate& date);
double EncodeDayNumber(const QDate& date, const QTime& time);
double DateTimeToDayNumber(const QDateTime& dateTime);
double EncodeTime(int hour, int minute, int second = 0, int msec = 0);

// The calendar date of a day number (the whole-day part).
QDate DayNumberToDate(double dayNumber);
// The time of day of a day number's fraction, rounded to the millisecond. A fraction that
// rounds up to a whole day gives midnight.
QTime DayNumberToTime(double dayNumber);
QDateTime DayNumberToDateTime(double dayNumber);

// Weekday number of a day number: 1 = Sunday … 7 = Saturday.
int DayOfWeekNumber(double dayNumber);
// Midnight of the first day of the week that holds dayNumber, for weeks that begin on the
// weekday firstDay (1 = Sunday … 7 = Saturday; anything else counts as Sunday).
double StartOfWeek(double dayNumber, int firstDay);
bool IsLeapYear(int year);

// Formats a day number with a Qt-style format ("dd/MM/yyyy", "dddd", "hh:mm", "HH:mm:ss",
// "h:mm AP"), using the names and AM/PM texts of the settings. Text in single quotes is copied.
QString FormatDayNumber(const QString& format, double dayNumber,
                        const TFormatSettings& settings = TFormatSettings::Current());

QString DateToStr(double dayNumber, const TFormatSettings& settings = TFormatSettings::Current());
QString TimeToStr(double dayNumber, const TFormatSettings& settings = TFormatSettings::Current());
QString DateTimeToStr(double dayNumber,
                      const TFormatSettings& settings = TFormatSettings::Current());

// Parsing in the order of the short date format, with its date separator and the time
// separator. A two-part date takes the clock's current year; a two-digit year lies in
// 1950 … 2049. A date is also taken in ISO form, yyyy-MM-dd (2026-12-18), whatever the short
// date format; nothing else is read as a date. Times take 1 to 3 parts ("h", "h:m", "h:m:s[.zzz]")
// with an optional AM/PM.
bool TryStrToDate(const QString& text, double& value,
                  const TFormatSettings& settings = TFormatSettings::Current());
bool TryStrToTime(const QString& text, double& value,
                  const TFormatSettings& settings = TFormatSettings::Current());
bool TryStrToDateTime(const QString& text, double& value,
                      const TFormatSettings& settings = TFormatSettings::Current());

double StrToDate(const QString& text, const TFormatSettings& settings = TFormatSettings::Current());
// A date the user typed into the box or field named what ("Completion Date"): as StrToDate,
// refusing any other text with a message that names the text and the box and shows both forms
// with today's date ("'2026-13-45' is not a valid date for Completion Date. Type a date such
// as 09/12/2026 or 2026-12-09.").
double StrToDateFor(const QString& text, const QString& what,
                    const TFormatSettings& settings = TFormatSettings::Current());
double StrToTime(const QString& text, const TFormatSettings& settings = TFormatSettings::Current());
double StrToDateTime(const QString& text,
                     const TFormatSettings& settings = TFormatSettings::Current());
