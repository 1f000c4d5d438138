#include "TFormatSettings.h"

namespace {
QChar FirstSeparator(const QString& format, QChar fallback) {
    for (QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'')) return c;
    }
    return fallback;
}

// Filters written with a short date are read back with it: a two-digit year would lose the
// century, so the short date always carries four.
QString WithFourDigitYear(QString format) {
    if (format.contains(QStringLiteral("yyyy"))) return format;
    if (format.contains(QStringLiteral("yy")))
        return format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
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
    s.ShortDateFormat = WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat));
    s.LongDateFormat = locale.dateFormat(QLocale::LongFormat);
    s.ShortTimeFormat = locale.timeFormat(QLocale::ShortFormat);
    s.LongTimeFormat = locale.timeFormat(QLocale::LongFormat);
    s.DateSeparator = FirstSeparator(s.ShortDateFormat, QLatin1Char('/'));
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
