#pragma once
// The one source of the time. "Now" comes in two forms: the wall clock as a day number (whole
// days since 30 December 1899 plus the fraction of the day, in the local time zone), and the
// real time as milliseconds since 1970 UTC, which moves on by the time that really passed,
// across daylight-saving changes too. Nothing else reads the system clock, so tests can set
// the time, as a local day number or as a UTC moment.

#include <QtGlobal>
#include <functional>

class TClock {
public:
    using Source = std::function<double()>;    // a local day number
    using UtcSource = std::function<qint64()>; // milliseconds since 1970 UTC

    static double Now();
    static double Today(); // Now() without the time of day
    static qint64 NowUtcMSecs();

    // Replaces the source of the time; an empty source restores the system clock.
    static void SetSource(Source source);
    static void SetUtcSource(UtcSource source);
    // Freezes the clock at a day number.
    static void SetFixed(double dayNumber);
    static void SetFixedUtc(qint64 msecs);
    static void Reset() { SetSource({}); }
    static bool IsSystemClock();

    static double SystemNow();
};

// A UTC moment as a local wall-clock day number, and back. A local time that a daylight-saving
// change skips or repeats is taken as the time zone takes it (the first of two).
double LocalDayNumberOfUtc(qint64 msecs);
qint64 UtcOfLocalDayNumber(double dayNumber);
// Minutes east of UTC of the local time zone at a UTC moment (60 for CET, 120 for CEST).
int UtcOffsetMinutesAt(qint64 msecs);
