#include "XEP_Utils_Unit.h"

#include "XEP_Errors.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>
#include <cmath>

namespace {
// Far below a second and far above the rounding error of a duration in days.
constexpr long double DayTolerance = 1e-3L / 86400.0L; // one millisecond

QString& UserSaveDirectoryOverride() {
    static QString directory;
    return directory;
}
} // namespace

double DateTimeToDays(double dDateTime, double fDayDuration, int& iDays) {
    const long double workDay = static_cast<long double>(fDayDuration) * (1.0L / 24.0L);
    if (workDay == 0) throw EZeroDivide();
    const long double magnitude = std::fabs(static_cast<long double>(dDateTime));
    const long double step = std::fabs(workDay);
    long double days = std::trunc(magnitude / step);
    if ((days + 1) * step - magnitude < DayTolerance) days += 1;
    const bool negative = (dDateTime < 0) != (workDay < 0);
    iDays = static_cast<int>(negative ? -days : days);
    long double remainder = static_cast<long double>(dDateTime) - workDay * iDays;
    if (std::fabs(remainder) < DayTolerance) remainder = 0;
    return static_cast<double>(remainder);
}

QString DaysHoursMinutesText(double Duration, double DayHours) {
    int days = 0;
    const double remainder = DateTimeToDays(Duration, DayHours, days);
    const QTime time = DayNumberToTime(remainder);
    return QStringLiteral("%1 Days %2 Hours %3 Minutes ")
        .arg(days)
        .arg(time.hour())
        .arg(time.minute());
}

void GetThisWeek(int iStartDay, double& dStartDate, double& dEndDate) {
    const double today = TClock::Today();
    const int iCurrentDayOfWeek = DayOfWeekNumber(today);
    if (iStartDay <= iCurrentDayOfWeek)
        dStartDate = today - (iCurrentDayOfWeek - iStartDay);
    else
        dStartDate = today + (iStartDay - iCurrentDayOfWeek) - 7;
    dEndDate = dStartDate + 6;
}

void GetLastWeek(int iStartDay, double& dStartDate, double& dEndDate) {
    GetThisWeek(iStartDay, dStartDate, dEndDate);
    dStartDate -= 7;
    dEndDate -= 7;
}

void GetNextWeek(int iStartDay, double& dStartDate, double& dEndDate) {
    GetThisWeek(iStartDay, dStartDate, dEndDate);
    dStartDate += 7;
    dEndDate += 7;
}

int DayToDayNumber(const QString& sDayString) {
    for (int day = 1; day <= 6; ++day) {
        if (sDayString == FormatDayNumber(QStringLiteral("dddd"), day)) return day;
    }
    return 7;
}

void WaitForXSecs(int iSecs) {
    const double dtTargetTime = TClock::Now() + iSecs / SecondsPerDay;
    // A clock that stands still (a test's) must not hang the program: the real time bounds it.
    QElapsedTimer realTime;
    realTime.start();
    const qint64 realLimitMs = std::max(0, iSecs) * 1000LL;
    while (TClock::Now() < dtTargetTime && realTime.elapsed() < realLimitMs) {
        const double remainingMs = (dtTargetTime - TClock::Now()) * double(MSecsPerDay);
        const qint64 sleepMs = std::clamp<qint64>(static_cast<qint64>(remainingMs), 1, 50);
        QThread::msleep(static_cast<unsigned long>(sleepMs));
    }
}

int EndOfMonth(int iMonth, int iYear) {
    switch (iMonth) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYear(iYear) ? 29 : 28;
    default:
        return 31;
    }
}

int GetPriority(double dtTaskCompDate) {
    const double d = dtTaskCompDate - TClock::Now();
    if (d > 5) return 0;
    if (dtTaskCompDate == 0) return 0;
    if (d > 1) return 1;
    return 2;
}

QString GetUserSaveDirectory() {
    if (!UserSaveDirectoryOverride().isEmpty()) return UserSaveDirectoryOverride();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return folder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath())
                            : QDir::toNativeSeparators(folder);
}

void SetUserSaveDirectoryOverride(const QString& directory) {
    UserSaveDirectoryOverride() = directory;
}

void CheckCreateDirectory(const QString& sDirectory) {
    QDir dir(sDirectory);
    if (dir.exists()) return;
    const QString absolute = dir.absolutePath();
    const int cut = static_cast<int>(absolute.lastIndexOf(QLatin1Char('/')));
    const QString parent = cut <= 0 ? QStringLiteral("/") : absolute.left(cut);
    if (!QDir(parent).exists() || !QDir(parent).mkdir(absolute.mid(cut + 1)))
        throw EXEPException(QStringLiteral("Cannot create ") + sDirectory);
}

QString CreateSpaceString(int NumSpaces) {
    return NumSpaces <= 0 ? QString() : QString(NumSpaces, QLatin1Char(' '));
}

QString DurationGetText(double value, bool displayText) {
    if (displayText && value - std::trunc(value) == 0) return {};
    return FormatDayNumber(QStringLiteral("hh:mm"), value);
}

namespace {
enum class TDurationFault { None, Unreadable, Minutes, Negative, WholeDay };

bool AllDigits(const QString& text) {
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// The minutes of a typed duration without its sign, or why it is none.
TDurationFault ReadDurationMinutes(const QString& text, qint64& minutes) {
    // Enough digits for any duration, few enough that no count overflows.
    constexpr int MaxDigits = 6;
    const TFormatSettings& settings = TFormatSettings::Current();
    const QChar decimal = settings.DecimalSeparator;
    QChar timeSeparator = settings.TimeSeparator;
    if (timeSeparator == QLatin1Char('.') || timeSeparator == decimal)
        timeSeparator = QLatin1Char(':');
    auto isDecimal = [decimal](QChar c) { return c == QLatin1Char('.') || c == decimal; };
    auto isTime = [timeSeparator](QChar c) { return c == QLatin1Char(':') || c == timeSeparator; };

    if (text.isEmpty()) return TDurationFault::Unreadable;
    qsizetype at = -1;
    int separators = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isDecimal(text.at(i)) || isTime(text.at(i))) {
            at = i;
            ++separators;
        }
    }
    if (separators > 1) return TDurationFault::Unreadable;
    if (separators == 0) {
        // "7" or "12" whole hours; "130" and "0130" hours and minutes.
        if (text.size() > 4 || !AllDigits(text)) return TDurationFault::Unreadable;
        const qint64 number = text.toLongLong();
        if (text.size() <= 2) {
            minutes = number * 60;
            return TDurationFault::None;
        }
        if (number % 100 > 59) return TDurationFault::Minutes;
        minutes = number / 100 * 60 + number % 100;
        return TDurationFault::None;
    }
    const QString before = text.left(at);
    const QString after = text.mid(at + 1);
    if ((before.isEmpty() && after.isEmpty()) || before.size() > MaxDigits ||
        after.size() > MaxDigits || !AllDigits(before) || !AllDigits(after))
        return TDurationFault::Unreadable;
    if (isTime(text.at(at))) {
        // "1:30", "01:30", "1:" and ":30".
        if (after.size() > 2) return TDurationFault::Unreadable;
        const qint64 minutesPart = after.toLongLong();
        if (minutesPart > 59) return TDurationFault::Minutes;
        minutes = before.toLongLong() * 60 + minutesPart;
        return TDurationFault::None;
    }
    // Decimal hours, "1.5", ".25", "2.", rounded to the minute.
    const double hours = (QStringLiteral("0") + before + QLatin1Char('.') + after).toDouble();
    minutes = qRound64(hours * 60);
    return TDurationFault::None;
}
} // namespace

double DurationFromText(const QString& enteredText, const QString& fieldName) {
    const QString text = enteredText.trimmed();
    if (text.isEmpty()) return 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    qint64 minutes = 0;
    TDurationFault fault = ReadDurationMinutes(negative ? text.mid(1) : text, minutes);
    if (fault == TDurationFault::None && negative) fault = TDurationFault::Negative;
    if (fault == TDurationFault::None && minutes >= 24 * 60) fault = TDurationFault::WholeDay;
    const QString refused = QStringLiteral("'%1' is not a valid time for %2").arg(text, fieldName);
    switch (fault) {
    case TDurationFault::None:
        return EncodeTime(int(minutes / 60), int(minutes % 60));
    case TDurationFault::Unreadable: {
        const QString decimalExample =
            QStringLiteral("1") + TFormatSettings::Current().DecimalSeparator + QLatin1Char('5');
        throw EConvertError(
            refused +
            QStringLiteral(". Type hours and minutes such as 1:30 or 0130, or hours such as %1.")
                .arg(decimalExample));
    }
    case TDurationFault::Minutes:
        throw EConvertError(refused + QStringLiteral(": the minutes go up to 59."));
    case TDurationFault::Negative:
        throw EConvertError(refused + QStringLiteral(": a time cannot be negative."));
    case TDurationFault::WholeDay:
        break;
    }
    throw EConvertError(refused + QStringLiteral(": it must be less than 24 hours."));
}

QString CompletionDateGetText(double value, bool displayText) {
    if (value == 0) return displayText ? QString() : DateToStr(TClock::Today());
    return DateToStr(value);
}
