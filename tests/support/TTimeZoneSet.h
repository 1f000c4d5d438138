#pragma once
// The machine's time zone set for one test (TZ), and put back afterwards.

#include <QByteArray>
#include <QtGlobal>
#include <time.h>

// The machine's time zone set for one test.
class TTimeZoneSet {
public:
    explicit TTimeZoneSet(const char* zone)
        : FOld(qgetenv("TZ")), FHad(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~TTimeZoneSet() {
        if (FHad)
            qputenv("TZ", FOld);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray FOld;
    bool FHad;
};
