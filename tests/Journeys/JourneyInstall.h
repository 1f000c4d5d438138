#pragma once
// The install the journeys run on, shared by the test program and the child program it
// starts: a portable install under a work folder (<work>/Kit/App/Tivrel/tivrel beside a
// Portable.ini, its data in <work>/Kit/Data/), a registry file of its own, and the moment and
// regional formats every run sees.

#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>

namespace Journey {

// Wednesday 9 December 2026, 14:30. A store set up at this moment records the week starting
// Sunday 6 December (the seeded week start keeps the time of day), so the review window
// opens on that week and its Monday is 7 December.
inline double Moment() {
    return DateToDayNumber(QDate(2026, 12, 9)) + 14.5 / 24.0;
}

// The clock and the formats of every run: the day numbers above, dates as day/month/year.
inline void PinClockAndFormats() {
    TClock::SetFixed(Moment());
    TFormatSettings::SetCurrent(TFormatSettings::Fixed());
}

class TInstall {
public:
    explicit TInstall(const QString& workDir) : FWork(QDir(workDir).absolutePath()) {}

    QString WorkDir() const { return FWork; }
    QString AppDir() const { return FWork + QStringLiteral("/Kit/App/Tivrel"); }
    QString ExeName() const { return AppDir() + QStringLiteral("/tivrel"); }
    QString DataDir() const { return FWork + QStringLiteral("/Kit/Data/"); }
    QString FileName(const QString& table) const { return DataDir() + table; }

    // Makes the folders and the marker file; false when the work folder cannot be written.
    bool Create() const {
        if (!QDir().mkpath(AppDir()) || !QDir().mkpath(FWork + QStringLiteral("/AppData")))
            return false;
        QFile marker(AppDir() + QStringLiteral("/Portable.ini"));
        if (!marker.exists() && !marker.open(QIODevice::WriteOnly)) return false;
        SetUserSaveDirectoryOverride(FWork + QStringLiteral("/AppData"));
        return true;
    }

    // The options the program starts with on this install; no real user settings are read.
    TDataModuleOptions Options() const {
        TDataModuleOptions options;
        options.ExeName = ExeName();
        const QString registry = FWork + QStringLiteral("/registry.ini");
        options.RegistryFactory = [registry](const QString&) {
            return std::make_unique<QSettings>(registry, QSettings::IniFormat);
        };
        return options;
    }

private:
    QString FWork;
};

} // namespace Journey
