#include "TClock.h"

#include "SysDateTime.h"

#include <QDateTime>
#include <cmath>

namespace {
struct TSources {
    TClock::Source Local;
    TClock::UtcSource Utc;
};

TSources& CurrentSources() {
    static TSources sources;
    return sources;
}
} // namespace

double LocalDayNumberOfUtc(qint64 msecs) {
    return DateTimeToDayNumber(QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime));
}

qint64 UtcOfLocalDayNumber(double dayNumber) {
    return DayNumberToDateTime(dayNumber).toMSecsSinceEpoch();
}

int UtcOffsetMinutesAt(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime).offsetFromUtc() / 60;
}

double TClock::SystemNow() {
    return DateTimeToDayNumber(QDateTime::currentDateTime());
}

double TClock::Now() {
    const TSources& sources = CurrentSources();
    if (sources.Local) return sources.Local();
    if (sources.Utc) return LocalDayNumberOfUtc(sources.Utc());
    return SystemNow();
}

qint64 TClock::NowUtcMSecs() {
    const TSources& sources = CurrentSources();
    if (sources.Utc) return sources.Utc();
    if (sources.Local) return UtcOfLocalDayNumber(sources.Local());
    return QDateTime::currentMSecsSinceEpoch();
}

double TClock::Today() {
    return std::trunc(Now());
}

void TClock::SetSource(Source source) {
    CurrentSources() = {std::move(source), {}};
}

void TClock::SetUtcSource(UtcSource source) {
    CurrentSources() = {{}, std::move(source)};
}

void TClock::SetFixed(double dayNumber) {
    SetSource([dayNumber] { return dayNumber; });
}

void TClock::SetFixedUtc(qint64 msecs) {
    SetUtcSource([msecs] { return msecs; });
}

bool TClock::IsSystemClock() {
    const TSources& sources = CurrentSources();
    return !sources.Local && !sources.Utc;
}
