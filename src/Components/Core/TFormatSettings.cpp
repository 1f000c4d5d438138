#include "TFormatSettings.h"

#include <QRegularExpression>

namespace {
QChar FirstSeparator(const QString& format, QChar fallback) {
    for (QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'')) return c;
    }
    return fallback;
}

// The short date in numbers only, in the locale's order of day, month and year with the given
// separator: "dd/MM/yyyy", "MM/dd/yyyy", "dd.MM.yyyy". Filters written with it are read back
// with it, so the year keeps its century and month names never appear; masked date boxes rely
// on its fixed-width numeric parts.
QString NumericShortDate(const QString& format, QChar separator) {
    QString order;
    for (QChar c : format) {
        if ((c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) &&
            !order.contains(c))
            order += c;
    }
    for (QChar c : {QLatin1Char('d'), QLatin1Char('M'), QLatin1Char('y')}) {
        if (!order.contains(c)) order += c;
    }
    QStringList parts;
    for (QChar c : order) {
        if (c == QLatin1Char('d'))
            parts << QStringLiteral("dd");
        else if (c == QLatin1Char('M'))
            parts << QStringLiteral("MM");
        else
            parts << QStringLiteral("yyyy");
    }
    return parts.join(separator);
}

// A time format without the time zone ("t" in Qt's syntax); the short time also without
// seconds.
QString PlainTime(QString format, bool dropSeconds) {
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    static const QRegularExpression seconds(QStringLiteral("[:.]ss?(\\.z+)?"));
    format.remove(zone);
    if (dropSeconds) format.remove(seconds);
    return format.trimmed();
}

QStringList EnglishNames(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* n : names)
        list << QString::fromLatin1(n);
    return list;
}

TFormatSettings& CurrentSettings() {
    static TFormatSettings settings = TFormatSettings::FromLocale(QLocale::system());
    return settings;
}
} // namespace

TFormatSettings TFormatSettings::Fixed() {
    TFormatSettings s;
    s.LongDayNames = EnglishNames(
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"});
    s.ShortDayNames = EnglishNames({"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"});
    s.LongMonthNames = EnglishNames({"January", "February", "March", "April", "May", "June", "July",
                                     "August", "September", "October", "November", "December"});
    s.ShortMonthNames = EnglishNames(
        {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"});
    return s;
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale) {
    TFormatSettings s;
    const QString localeShortDate = locale.dateFormat(QLocale::ShortFormat);
    QChar separator = FirstSeparator(localeShortDate, QLatin1Char('/'));
    if (separator.isSpace() || separator == QLatin1Char(',')) separator = QLatin1Char('/');
    s.ShortDateFormat = NumericShortDate(localeShortDate, separator);
    s.LongDateFormat = locale.dateFormat(QLocale::LongFormat);
    s.ShortTimeFormat = PlainTime(locale.timeFormat(QLocale::ShortFormat), true);
    s.LongTimeFormat = PlainTime(locale.timeFormat(QLocale::LongFormat), false);
    s.DateSeparator = separator;
    s.TimeSeparator = FirstSeparator(s.ShortTimeFormat, QLatin1Char(':'));
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    s.DecimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0);
    s.ThousandSeparator = group.isEmpty() ? QLatin1Char(',') : group.at(0);
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    for (int qtDay : {7, 1, 2, 3, 4, 5, 6}) { // Qt counts Monday = 1 … Sunday = 7
        s.LongDayNames << locale.dayName(qtDay, QLocale::LongFormat);
        s.ShortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
    }
    for (int month = 1; month <= 12; ++month) {
        s.LongMonthNames << locale.monthName(month, QLocale::LongFormat);
        s.ShortMonthNames << locale.monthName(month, QLocale::ShortFormat);
    }
    return s;
}

const TFormatSettings& TFormatSettings::Current() {
    return CurrentSettings();
}

void TFormatSettings::SetCurrent(const TFormatSettings& settings) {
    CurrentSettings() = settings;
}

QString TFormatSettings::LongDayName(int weekdayNumber) const {
    if (weekdayNumber < 1 || weekdayNumber > LongDayNames.size()) return {};
    return LongDayNames.at(weekdayNumber - 1);
}
