#include "TClock.h"

#include "SysDateTime.h"

#include <QDateTime>
#include <cmath>

namespace {
TClock::Source& CurrentSource() {
    static TClock::Source source;
    return source;
}
} // namespace

double TClock::SystemNow() {
    return DateTimeToDayNumber(QDateTime::currentDateTime());
}

double TClock::Now() {
    const auto& source = CurrentSource();
    return source ? source() : SystemNow();
}

double TClock::Today() {
    return std::trunc(Now());
}

void TClock::SetSource(Source source) {
    CurrentSource() = std::move(source);
}

void TClock::SetFixed(double dayNumber) {
    SetSource([dayNumber] { return dayNumber; });
}

bool TClock::IsSystemClock() {
    return !CurrentSource();
}
