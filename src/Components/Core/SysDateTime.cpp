#include "SysDateTime.h"

#include "SysExceptions.h"
#include "TClock.h"

#include <QRegularExpression>
#include <cmath>

QDate DayNumberEpoch() {
    return QDate(1899, 12, 30);
}

double DateToDayNumber(const QDate& date) {
    return static_cast<double>(DayNumberEpoch().daysTo(date));
}

double EncodeTime(int hour, int minute, int second, int msec) {
    const qint64 ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + msec;
    return static_cast<double>(ms) / static_cast<double>(MSecsPerDay);
}

double EncodeDayNumber(const QDate& date, const QTime& time) {
    const double days = DateToDayNumber(date);
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / double(MSecsPerDay) : 0;
    // Before the epoch the fraction counts away from zero, as the whole days do.
    return days < 0 ? days - fraction : days + fraction;
}

double DateTimeToDayNumber(const QDateTime& dateTime) {
    return EncodeDayNumber(dateTime.date(), dateTime.time());
}

namespace {
// Whole days and milliseconds of the day, with the rounding carried into the day.
void SplitDayNumber(double dayNumber, qint64& days, qint64& msecs) {
    days = static_cast<qint64>(std::trunc(dayNumber));
    msecs = std::llround(std::fabs(dayNumber - static_cast<double>(days)) * double(MSecsPerDay));
    if (msecs >= MSecsPerDay) {
        msecs -= MSecsPerDay;
        days += dayNumber < 0 ? -1 : 1;
    }
}
} // namespace

QDate DayNumberToDate(double dayNumber) {
    qint64 days = 0, msecs = 0;
    SplitDayNumber(dayNumber, days, msecs);
    return DayNumberEpoch().addDays(days);
}

QTime DayNumberToTime(double dayNumber) {
    qint64 days = 0, msecs = 0;
    SplitDayNumber(dayNumber, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
}

QDateTime DayNumberToDateTime(double dayNumber) {
    return QDateTime(DayNumberToDate(dayNumber), DayNumberToTime(dayNumber));
}

int DayOfWeekNumber(double dayNumber) {
    // Qt: Monday = 1 … Sunday = 7; ours: Sunday = 1 … Saturday = 7.
    return DayNumberToDate(dayNumber).dayOfWeek() % 7 + 1;
}

double StartOfWeek(double dayNumber, int firstDay) {
    if (firstDay < 1 || firstDay > 7) firstDay = 1;
    const double day = std::floor(dayNumber);
    const int weekday = DayOfWeekNumber(day);
    return day - (weekday - firstDay + (weekday < firstDay ? 7 : 0));
}

bool IsLeapYear(int year) {
    return QDate::isLeapYear(year);
}

namespace {
int RunLength(const QString& format, int pos) {
    int n = 1;
    while (pos + n < format.size() && format.at(pos + n) == format.at(pos))
        ++n;
    return n;
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool HasAmPm(const QString& format) {
    return format.contains(QStringLiteral("AP"), Qt::CaseInsensitive);
}

QString NameAt(const QStringList& names, int index) {
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}
} // namespace

QString FormatDayNumber(const QString& format, double dayNumber, const TFormatSettings& settings) {
    const QDate date = DayNumberToDate(dayNumber);
    const QTime time = DayNumberToTime(dayNumber);
    const bool twelveHour = HasAmPm(format);
    QString out;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) { // quoted text; '' is a quote
            int j = i + 1;
            while (j < format.size()) {
                if (format.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < format.size() && format.at(j + 1) == QLatin1Char('\'')) {
                        out += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                out += format.at(j++);
            }
            if (j == i + 1 && j < format.size()) out += QLatin1Char('\''); // '' alone
            i = j + 1;
            continue;
        }
        const int n = RunLength(format, i);
        const int weekIndex = date.dayOfWeek() % 7; // 0 = Sunday
        switch (c.unicode()) {
        case 'd':
            if (n >= 4)
                out += NameAt(settings.LongDayNames, weekIndex);
            else if (n == 3)
                out += NameAt(settings.ShortDayNames, weekIndex);
            else
                out += n == 2 ? TwoDigits(date.day()) : QString::number(date.day());
            i += n >= 4 ? 4 : n;
            continue;
        case 'M':
            if (n >= 4)
                out += NameAt(settings.LongMonthNames, date.month() - 1);
            else if (n == 3)
                out += NameAt(settings.ShortMonthNames, date.month() - 1);
            else
                out += n == 2 ? TwoDigits(date.month()) : QString::number(date.month());
            i += n >= 4 ? 4 : n;
            continue;
        case 'y':
            if (n >= 4) {
                out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
                i += 4;
            } else {
                out += TwoDigits(((date.year() % 100) + 100) % 100);
                i += std::min(n, 2);
            }
            continue;
        case 'h':
        case 'H': {
            int hour = time.hour();
            if (c == QLatin1Char('h') && twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
            out += n >= 2 ? TwoDigits(hour) : QString::number(hour);
            i += std::min(n, 2);
            continue;
        }
        case 'm':
            out += n >= 2 ? TwoDigits(time.minute()) : QString::number(time.minute());
            i += std::min(n, 2);
            continue;
        case 's':
            out += n >= 2 ? TwoDigits(time.second()) : QString::number(time.second());
            i += std::min(n, 2);
            continue;
        case 'z':
            out += n >= 3 ? QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'))
                          : QString::number(time.msec());
            i += std::min(n, 3);
            continue;
        case 'A':
        case 'a':
            if (i + 1 < format.size() && format.at(i + 1).toLower() == QLatin1Char('p')) {
                QString ampm = time.hour() < 12 ? settings.TimeAMString : settings.TimePMString;
                out += c == QLatin1Char('a') ? ampm.toLower() : ampm;
                i += 2;
                continue;
            }
            break;
        default:
            break;
        }
        out += c;
        ++i;
    }
    return out;
}

QString DateToStr(double dayNumber, const TFormatSettings& settings) {
    return FormatDayNumber(settings.ShortDateFormat, dayNumber, settings);
}

QString TimeToStr(double dayNumber, const TFormatSettings& settings) {
    return FormatDayNumber(settings.LongTimeFormat, dayNumber, settings);
}

QString DateTimeToStr(double dayNumber, const TFormatSettings& settings) {
    // A whole day shows its date alone, as a date-time field with no time of day does.
    if (DayNumberToTime(dayNumber).msecsSinceStartOfDay() == 0)
        return DateToStr(dayNumber, settings);
    return DateToStr(dayNumber, settings) + QLatin1Char(' ') + TimeToStr(dayNumber, settings);
}

namespace {
bool AllDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    }
    return true;
}

// The order of day, month and year in a date format, as indexes: {day, month, year}.
void DateOrder(const QString& format, int& dayIndex, int& monthIndex, int& yearIndex) {
    struct Item {
        int pos;
        int* index;
    };
    Item items[3] = {{static_cast<int>(format.indexOf(QLatin1Char('d'))), &dayIndex},
                     {static_cast<int>(format.indexOf(QLatin1Char('M'))), &monthIndex},
                     {static_cast<int>(format.indexOf(QLatin1Char('y'))), &yearIndex}};
    for (Item& item : items) {
        if (item.pos < 0) item.pos = 1000; // missing parts go last
    }
    for (Item& item : items) {
        int rank = 0;
        for (const Item& other : items) {
            if (other.pos < item.pos || (other.pos == item.pos && &other < &item)) ++rank;
        }
        *item.index = rank;
    }
}

int ExpandYear(const QString& digits) {
    const int year = digits.toInt();
    if (digits.size() > 2) return year;
    return year < 50 ? 2000 + year : 1900 + year;
}
} // namespace

namespace {
// yyyy-MM-dd (ISO 8601), whatever the short date format: four digits of year first, "-"
// between the parts.
bool TryIsoDate(const QString& text, double& value) {
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 3 || parts.at(0).size() != 4) return false;
    for (const QString& part : parts) {
        if (!AllDigits(part) || part.size() > 4) return false;
    }
    if (parts.at(1).size() > 2 || parts.at(2).size() > 2) return false;
    const QDate date(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
    if (!date.isValid()) return false;
    value = DateToDayNumber(date);
    return true;
}

bool TryShortDate(const QString& text, double& value, const TFormatSettings& settings) {
    const QStringList parts = text.split(settings.DateSeparator);
    for (const QString& part : parts) {
        if (!AllDigits(part) || part.size() > 4) return false;
    }
    int dayIndex = 0, monthIndex = 1, yearIndex = 2;
    DateOrder(settings.ShortDateFormat, dayIndex, monthIndex, yearIndex);
    int day = 0, month = 0, year = 0;
    if (parts.size() == 3) {
        day = parts.at(dayIndex).toInt();
        month = parts.at(monthIndex).toInt();
        year = ExpandYear(parts.at(yearIndex));
    } else if (parts.size() == 2) { // day and month in format order, this year
        const bool dayFirst = dayIndex < monthIndex;
        day = parts.at(dayFirst ? 0 : 1).toInt();
        month = parts.at(dayFirst ? 1 : 0).toInt();
        year = DayNumberToDate(TClock::Today()).year();
    } else {
        return false;
    }
    const QDate date(year, month, day);
    if (!date.isValid()) return false;
    value = DateToDayNumber(date);
    return true;
}
} // namespace

bool TryStrToDate(const QString& text, double& value, const TFormatSettings& settings) {
    const QString trimmed = text.trimmed();
    return TryShortDate(trimmed, value, settings) || TryIsoDate(trimmed, value);
}

bool TryStrToTime(const QString& text, double& value, const TFormatSettings& settings) {
    QString body = text.trimmed();
    int pmShift = -1; // -1: no AM/PM; 0: AM; 12: PM
    for (const auto& [marker, shift] :
         {std::pair{settings.TimeAMString, 0}, std::pair{settings.TimePMString, 12},
          std::pair{QStringLiteral("AM"), 0}, std::pair{QStringLiteral("PM"), 12}}) {
        if (!marker.isEmpty() && body.endsWith(marker, Qt::CaseInsensitive)) {
            body = body.left(body.size() - marker.size()).trimmed();
            pmShift = shift;
            break;
        }
    }
    QStringList parts = body.split(settings.TimeSeparator);
    if (parts.isEmpty() || parts.size() > 3) return false;
    int msec = 0;
    if (parts.size() == 3 && parts.at(2).contains(QLatin1Char('.'))) {
        const QStringList secParts = parts.at(2).split(QLatin1Char('.'));
        if (secParts.size() != 2 || !AllDigits(secParts.at(1)) || secParts.at(1).size() > 3)
            return false;
        msec = secParts.at(1).leftJustified(3, QLatin1Char('0')).toInt();
        parts[2] = secParts.at(0);
    }
    for (const QString& part : parts) {
        if (!AllDigits(part) || part.size() > 2) return false;
    }
    int hour = parts.at(0).toInt();
    const int minute = parts.size() > 1 ? parts.at(1).toInt() : 0;
    const int second = parts.size() > 2 ? parts.at(2).toInt() : 0;
    if (pmShift >= 0) {
        if (hour > 12) return false;
        hour = hour % 12 + pmShift;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    value = EncodeTime(hour, minute, second, msec);
    return true;
}

bool TryStrToDateTime(const QString& text, double& value, const TFormatSettings& settings) {
    const QString trimmed = text.trimmed();
    const int space = static_cast<int>(trimmed.indexOf(QLatin1Char(' ')));
    double date = 0, time = 0;
    if (space < 0) {
        if (TryStrToDate(trimmed, date, settings)) {
            value = date;
            return true;
        }
        if (TryStrToTime(trimmed, time, settings)) {
            value = time;
            return true;
        }
        return false;
    }
    if (!TryStrToDate(trimmed.left(space), date, settings)) return false;
    if (!TryStrToTime(trimmed.mid(space + 1), time, settings)) return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

namespace {
double ConvertOrThrow(bool ok, double value, const QString& text, const char* what) {
    if (!ok)
        throw EConvertError(
            QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)));
    return value;
}
} // namespace

double StrToDate(const QString& text, const TFormatSettings& settings) {
    double value = 0;
    const bool ok = TryStrToDate(text, value, settings);
    return ConvertOrThrow(ok, value, text, "date");
}

double StrToDateFor(const QString& text, const QString& what, const TFormatSettings& settings) {
    double value = 0;
    if (TryStrToDate(text, value, settings)) return value;
    const double today = TClock::Today();
    throw EConvertError(QStringLiteral("'%1' is not a valid date for %2. Type a date such as %3 "
                                       "or %4.")
                            .arg(text.trimmed(), what, DateToStr(today, settings),
                                 FormatDayNumber(QStringLiteral("yyyy-MM-dd"), today, settings)));
}

double StrToTime(const QString& text, const TFormatSettings& settings) {
    double value = 0;
    const bool ok = TryStrToTime(text, value, settings);
    return ConvertOrThrow(ok, value, text, "time");
}

double StrToDateTime(const QString& text, const TFormatSettings& settings) {
    double value = 0;
    const bool ok = TryStrToDateTime(text, value, settings);
    return ConvertOrThrow(ok, value, text, "date and time");
}
