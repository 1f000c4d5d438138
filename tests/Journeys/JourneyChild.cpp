// The program for the journeys that end it from outside. It starts the program's windows on a
// data folder exactly as main() does and plays the user once the review window is up: a click
// on the Monday cell of the first row, 0130 typed and, as asked, the cell left with Tab. Then
// it says "typed" on standard output and leaves the rest to the test, which sends a signal or
// kills it. What went wrong in the playing goes to standard error.
//
// Usage: tivrel_journey_child DATA_DIR WORK_DIR leave|keep|autosave|track|fulldisk
//   leave     Tab out of the cell after typing
//   keep      the text typed stays in the open cell
//   autosave  Tab out, then the main window's auto-save timer set to fire within moments
//   track     Tab out, then one minute of the tracked task goes by on a fast clock (ten
//             seconds a tick)
//   fulldisk  Tab out; from then on every file written into the data folder finds the disk
//            full (the save's writes fail with "No space left on device")
// WORK_DIR holds the portable install (see JourneyInstall.h) and its registry file.

#include "JourneyClock.h"
#include "JourneyInstall.h"
#include "JourneyScript.h"
#include "JourneyUser.h"

#include "BaseUnits/XEP_Application.h"
#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Form_Program_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"

#include "Components/RecordSet/TFileCommit.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstdio>

using namespace Journey;

namespace {
void Say(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QTimer* MainAutoSaveTimer() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form_Main_Form"))
            return window->findChild<QTimer*>(QStringLiteral("AutoSaveTimer"));
    return nullptr;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QStringList modes = {QStringLiteral("leave"), QStringLiteral("keep"),
                               QStringLiteral("autosave"), QStringLiteral("track"),
                               QStringLiteral("fulldisk")};
    if (args.size() != 4 || !modes.contains(args.at(3))) {
        std::fputs("Usage: tivrel_journey_child DATA_DIR WORK_DIR "
                   "leave|keep|autosave|track|fulldisk\n",
                   stderr);
        return 2;
    }
    const QString mode = args.at(3);
    PinClockAndFormats();
    const TInstall install(args.at(2));
    if (!install.Create()) {
        std::fputs("Cannot create the portable install\n", stderr);
        return 2;
    }
    TForm_Main_Form::SplashOnCreate = false;
    TDataModuleOptions options = install.Options();
    options.DataDir = args.at(1);

    TScript script;
    TFastTicks ticks;
    script.Then(QStringLiteral("the review window, waiting for the user"), ReviewWaitsForTheUser,
                [] { return ClickCell(ReviewGrid(), 0, ReviewGrid()->dbeMon); });
    script.Then(
        QStringLiteral("the Mon cell has the keyboard"),
        [] { return QApplication::focusWidget() == ReviewGrid()->dbeMon; },
        [] { return Press(Qt::Key_Home) && Type(QStringLiteral("0130")); });
    script.Then(QStringLiteral("the Mon cell shows 01:30"),
                [] { return ReviewGrid()->dbeMon->displayText() == QLatin1String("01:30"); });
    if (mode != QLatin1String("keep")) {
        script.Do(QStringLiteral("press Tab"), [] { return Press(Qt::Key_Tab); });
        script.Then(QStringLiteral("the Mon cell left"),
                    [] { return QApplication::focusWidget() != ReviewGrid()->dbeMon; });
    }
    if (mode == QLatin1String("autosave")) {
        script.Do(QStringLiteral("make the auto-save come within moments"), [] {
            QTimer* timer = MainAutoSaveTimer();
            if (!timer || !timer->isActive()) return false;
            timer->setInterval(200);
            return true;
        });
    }
    if (mode == QLatin1String("track")) {
        script.Do(QStringLiteral("a minute goes by"), [&ticks] {
            ticks.StepMs = 10000;
            ticks.Install();
            ticks.Run(6);
            return true;
        });
        script.Then(QStringLiteral("a minute tracked"), [&ticks] { return ticks.Done(); });
    }
    if (mode == QLatin1String("fulldisk")) {
        const QString dataDir = QFileInfo(options.DataDir).absoluteFilePath();
        script.Do(QStringLiteral("the disk of the data folder fills up"), [dataDir] {
            SetCommitFault([dataDir](TCommitStep step, const QString& file) {
                const bool inDataFolder = file.startsWith(dataDir);
                return step == TCommitStep::WriteTemporary && inDataFolder ? ENOSPC : 0;
            });
            return true;
        });
    }
    script.Do(QStringLiteral("say so"), [] {
        Say("typed");
        return true;
    });
    script.Start();
    const int code = RunProgramWindows(options);
    script.Stop();
    if (!script.Failure().isEmpty()) {
        std::fprintf(stderr, "journey: %s\n", qPrintable(script.Failure()));
        return 3;
    }
    return code;
}
