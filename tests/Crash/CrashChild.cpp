// Keeps the store busy saving, for the crash test: opens the data module on a data directory,
// then appends history rows (or, with "masters", adds a client, a project, a task code and a
// task together) and saves them, over and over, until it is killed (or has saved as often as
// asked). It reports on standard output, one line each:
//   loaded <rows> <problems>   the history read at start-up and the number of load problems
//   saving <rows>              before each save: the row count about to be written
//   saved <rows> <ms>          after each save, with the time it took
//   message <text>             an information message of the data module
//
// Usage: tivrel_crash_child DATA_DIR WORK_DIR [SAVES [masters]]
// WORK_DIR receives a portable install (App/Tivrel/tivrel beside a Portable.ini) and the
// registry file, so the child never touches the user's own settings or folders.

#include "CrashRows.h"

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <cstdio>

namespace {
void Say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("Usage: tivrel_crash_child DATA_DIR WORK_DIR [SAVES]\n", stderr);
        return 2;
    }
    const QString dataDir = args.at(1);
    const QString workDir = QDir(args.at(2)).absolutePath();
    const qint64 saves = args.size() > 3 ? args.at(3).toLongLong() : -1; // -1: until killed
    const bool masters = args.size() > 4 && args.at(4) == QLatin1String("masters");

    const QString appDir = workDir + QStringLiteral("/App/Tivrel");
    QDir().mkpath(appDir);
    QFile marker(appDir + QStringLiteral("/Portable.ini"));
    if (!marker.exists() && !marker.open(QIODevice::WriteOnly)) {
        std::fputs("Cannot create the portable install\n", stderr);
        return 2;
    }
    marker.close();
    SetUserSaveDirectoryOverride(workDir + QStringLiteral("/AppData"));
    SetInformationMessageHandler(
        [](const QString& text) { Say(QStringLiteral("message ") + text); });

    TDataModuleOptions options;
    options.ExeName = appDir + QStringLiteral("/tivrel");
    options.DataDir = dataDir;
    const QString registry = workDir + QStringLiteral("/registry.ini");
    options.RegistryFactory = [registry](const QString&) {
        return std::make_unique<QSettings>(registry, QSettings::IniFormat);
    };

    try {
        TdmTasks_Form dm(nullptr, options);
        TRecordSet& history = dm.adsReporting;
        Say(QStringLiteral("loaded %1 %2")
                .arg(history.RecordCount())
                .arg(dm.LoadProblems().size()));
        if (dm.SetupRequired()) {
            std::fputs("The data directory holds no options: nothing would be saved\n", stderr);
            return 3;
        }
        QElapsedTimer timer;
        for (qint64 save = 0; saves < 0 || save < saves; ++save) {
            if (masters) {
                AddCrashMasters(dm, dm.adsTaskCodes.RecordCount());
            } else {
                // One to three rows per save, so that consecutive files differ in length.
                const int rows = int(save % 3) + 1;
                for (int i = 0; i < rows; ++i)
                    AppendCrashRow(history, history.RecordCount(), TClock::Now());
            }
            const int count = masters ? dm.adsTaskCodes.RecordCount() : history.RecordCount();
            Say(QStringLiteral("saving %1").arg(count));
            timer.start();
            dm.SaveData();
            Say(QStringLiteral("saved %1 %2").arg(count).arg(timer.elapsed()));
        }
    } catch (const Exception& e) {
        std::fputs(qPrintable(e.Message() + QLatin1Char('\n')), stderr);
        return 1;
    }
    return 0;
}
