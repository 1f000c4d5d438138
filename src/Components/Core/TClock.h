#pragma once
// The one source of "now" and "today" as day numbers (whole days since 30 December 1899 plus
// the fraction of the day). Nothing else reads the system clock, so tests can set the time.

#include <functional>

class TClock {
public:
    using Source = std::function<double()>;

    static double Now();
    static double Today(); // Now() without the time of day

    // Replaces the source of the time; an empty source restores the system clock.
    static void SetSource(Source source);
    // Freezes the clock at a day number.
    static void SetFixed(double dayNumber);
    static void Reset() { SetSource({}); }
    static bool IsSystemClock();

    static double SystemNow();
};
