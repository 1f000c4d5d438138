#pragma once
// Regional formats, like the platform's regional settings: date and time formats and
// separators, number separators and day and month names. Formats use Qt's date-time syntax
// ("dd/MM/yyyy", "HH:mm"). Initialised from the system locale at start; tests set them.

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

struct TFormatSettings {
    QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d MMMM yyyy");
    QString ShortTimeFormat = QStringLiteral("HH:mm");
    QString LongTimeFormat = QStringLiteral("HH:mm:ss");
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(',');
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    QStringList LongDayNames;    // index 0 = Sunday … 6 = Saturday
    QStringList ShortDayNames;   // index 0 = Sunday … 6 = Saturday
    QStringList LongMonthNames;  // index 0 = January
    QStringList ShortMonthNames; // index 0 = January

    // English names, day/month/year with "/", 24-hour time with ":".
    static TFormatSettings Fixed();
    // The formats and names of a locale; a two-digit year in its short date becomes four digits.
    static TFormatSettings FromLocale(const QLocale& locale);

    // The settings every conversion uses unless it is given others.
    static const TFormatSettings& Current();
    static void SetCurrent(const TFormatSettings& settings);

    // The long day name of a weekday number (1 = Sunday … 7 = Saturday).
    QString LongDayName(int weekdayNumber) const;
};
