// Journeys of the commands that drive the tracker from outside its windows: while the program
// runs, "tivrel switch DEV", "stop", "status" and "start DEV" typed in a terminal (the
// program's own executable, a second process) change what the review window shows at once,
// and the minutes land on DEV; with no program running the same commands write the store, and
// the program started afterwards shows their time.

#include "JourneyClock.h"
#include "JourneyFixture.h"

#include "Interop/Interop_CommandLine.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <memory>
#include <utility>

using namespace Journey;

namespace {
constexpr size_t Wednesday = 2; // 9 December 2026, the pinned day

QString TrackingShown() {
    return Review() ? Review()->lblTracking->text() : QString();
}

// A command typed in a terminal: the program's executable, run beside the windows without
// waiting for it (the windows answer it from their own event loop).
class TTerminal {
public:
    explicit TTerminal(QString dataDir, QString home)
        : FDataDir(std::move(dataDir)), FHome(std::move(home)) {}

    bool Start(const QStringList& words, const QString& fakeTime = QString()) {
        FProcess = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), FHome);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        FProcess->setProcessEnvironment(environment);
        QStringList arguments = QStringList{QStringLiteral("--data-dir"), FDataDir} + words;
        if (fakeTime.isEmpty()) {
            FProcess->start(QStringLiteral(TIVREL_PROGRAM), arguments);
        } else {
            arguments.prepend(QStringLiteral(TIVREL_PROGRAM));
            arguments.prepend(fakeTime);
            FProcess->start(QStringLiteral("faketime"), arguments);
        }
        return FProcess->waitForStarted(10000);
    }
    bool Done() {
        if (!FProcess || FProcess->state() != QProcess::NotRunning) return false;
        FOut += QString::fromUtf8(FProcess->readAllStandardOutput());
        FErr += QString::fromUtf8(FProcess->readAllStandardError());
        return true;
    }
    // Runs a command to its end (nothing else runs meanwhile); its exit code.
    int Run(const QStringList& words, const QString& fakeTime = QString()) {
        if (!Start(words, fakeTime) || !FProcess->waitForFinished(60000)) return -1;
        Done();
        return ExitCode();
    }
    int ExitCode() const { return FProcess ? FProcess->exitCode() : -1; }
    // What the last command printed; taken, so that the next command's is seen alone.
    QString TakeOut() { return std::exchange(FOut, QString()); }
    QString TakeErr() { return std::exchange(FErr, QString()); }

private:
    QString FDataDir, FHome;
    std::unique_ptr<QProcess> FProcess;
    QString FOut, FErr;
};

void AddDevRow(TdmTasks_Form& dm) {
    dm.adsTasks.Append();
    dm.adsTasks.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("DEV"));
    dm.adsTasks.Post();
}
} // namespace

class CommandJourneyTest : public JourneyTest {
protected:
    // Runs the program as main() does, with its command socket open.
    int RunProgramAnsweringCommands(TScript& script) {
        script.Start();
        const int code = RunProgramWindows(Install.Options(), StartCommandServer);
        script.Stop();
        EXPECT_EQ(script.Failure(), QString());
        return code;
    }
    TTerminal Terminal() const {
        QDir().mkpath(Install.WorkDir() + QStringLiteral("/home"));
        return TTerminal(Install.DataDir(), Install.WorkDir() + QStringLiteral("/home"));
    }
};

TEST_F(CommandJourneyTest, SwitchStopAndStatusFromATerminalDriveTheRunningWindows) {
    SetUpStore(AddDevRow);
    TTerminal terminal = Terminal();
    TFastTicks ticks;
    QString switched, stopped, status, started, shownAfterHalfAnHour;
    TScript script;
    WaitForReviewWindow(script);
    script.Then(QStringLiteral("GEN tracked"),
                [] { return TrackingShown().startsWith(QLatin1String("GEN")); });
    script.Do(QStringLiteral("type tivrel switch DEV in a terminal"), [&] {
        ticks.Install();
        return terminal.Start({QStringLiteral("switch"), QStringLiteral("DEV")});
    });
    script.Then(QStringLiteral("the command done, the review window tracking DEV"), [&] {
        if (!terminal.Done()) return false;
        switched = terminal.TakeOut() + terminal.TakeErr();
        return TrackingShown().startsWith(QLatin1String("DEV"));
    });
    script.Do(QStringLiteral("half an hour goes by"), [&] {
        ticks.Run(30);
        return true;
    });
    script.Then(QStringLiteral("thirty minutes gone by"), [&] { return ticks.Done(); });
    script.Then(QStringLiteral("the review window shows them on DEV"), [&] {
        const TSeen seen = ReadReviewWindow();
        const TTaskSeen* dev = seen.Task(QStringLiteral("DEV"));
        shownAfterHalfAnHour = dev ? dev->Days.at(Wednesday) : QString();
        return shownAfterHalfAnHour == QLatin1String("00:30");
    });
    script.Do(QStringLiteral("type tivrel stop"),
              [&] { return terminal.Start({QStringLiteral("stop")}); });
    script.Then(QStringLiteral("the command done, the review window paused"), [&] {
        if (!terminal.Done()) return false;
        stopped = terminal.TakeOut() + terminal.TakeErr();
        return TrackingShown() == QLatin1String("Paused");
    });
    script.Do(QStringLiteral("ten minutes go by"), [&] {
        ticks.Run(10);
        return true;
    });
    script.Then(QStringLiteral("ten minutes gone by"), [&] { return ticks.Done(); });
    script.Do(QStringLiteral("type tivrel status --json"), [&] {
        return terminal.Start({QStringLiteral("status"), QStringLiteral("--json")});
    });
    script.Then(QStringLiteral("the status printed"), [&] {
        if (!terminal.Done()) return false;
        status = terminal.TakeOut();
        return true;
    });
    script.Do(QStringLiteral("type tivrel start DEV"), [&] {
        return terminal.Start({QStringLiteral("start"), QStringLiteral("DEV")});
    });
    script.Then(QStringLiteral("the command done, the review window tracking DEV again"), [&] {
        if (!terminal.Done()) return false;
        started = terminal.TakeOut() + terminal.TakeErr();
        return TrackingShown().startsWith(QLatin1String("DEV"));
    });
    script.Do(QStringLiteral("five minutes go by"), [&] {
        ticks.Run(5);
        return true;
    });
    script.Then(QStringLiteral("five minutes gone by"), [&] { return ticks.Done(); });
    ExitByMenu(script);
    EXPECT_EQ(RunProgramAnsweringCommands(script), 0);

    EXPECT_TRUE(switched.startsWith(QStringLiteral("Switched at 14:30: DEV")))
        << switched.toStdString();
    EXPECT_TRUE(stopped.startsWith(QStringLiteral("Paused at 15:00: DEV")))
        << stopped.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(status.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("task")).toString(), QStringLiteral("DEV"))
        << status.toStdString();
    EXPECT_TRUE(json.value(QStringLiteral("paused")).toBool());
    EXPECT_TRUE(json.value(QStringLiteral("program")).toBool());
    EXPECT_EQ(json.value(QStringLiteral("todaySeconds")).toInt(), 1800);
    EXPECT_TRUE(started.startsWith(QStringLiteral("Tracking from 15:10: DEV")))
        << started.toStdString();

    const TSeen seen = Restart();
    ASSERT_NE(seen.Task(QStringLiteral("DEV")), nullptr);
    EXPECT_EQ(seen.Task(QStringLiteral("DEV"))->Days.at(Wednesday), QStringLiteral("00:35"));
    EXPECT_EQ(seen.Task(QStringLiteral("GEN"))->Days.at(Wednesday), QString());
}

// No program runs: start at 13:30 and stop at 14:00 (the terminal's clock set by faketime)
// write the store under its lock; the program started at 14:30 shows the half hour on DEV.
TEST_F(CommandJourneyTest, WithNoProgramTheCommandsWriteTheStoreTheProgramThenShows) {
    if (QStandardPaths::findExecutable(QStringLiteral("faketime")).isEmpty())
        GTEST_SKIP() << "faketime is not installed (scripts/install-deps --desktop)";
    SetUpStore(AddDevRow);
    TTerminal terminal = Terminal();
    EXPECT_EQ(terminal.Run({QStringLiteral("start"), QStringLiteral("DEV")},
                           QStringLiteral("2026-12-09 13:30:00")),
              0)
        << terminal.TakeErr().toStdString();
    EXPECT_TRUE(terminal.TakeOut().startsWith(QStringLiteral("Tracking from 13:30: DEV")));
    EXPECT_EQ(terminal.Run({QStringLiteral("note"), QStringLiteral("release notes")},
                           QStringLiteral("2026-12-09 13:45:00")),
              0)
        << terminal.TakeErr().toStdString();
    EXPECT_TRUE(terminal.TakeOut().startsWith(QStringLiteral("Note on DEV (from 13:30)")));
    EXPECT_EQ(terminal.Run({QStringLiteral("stop")}, QStringLiteral("2026-12-09 14:00:00")), 0)
        << terminal.TakeErr().toStdString();
    const QString stopped = terminal.TakeOut();
    EXPECT_TRUE(stopped.startsWith(QStringLiteral("Paused at 14:00: DEV")))
        << stopped.toStdString();
    EXPECT_TRUE(stopped.contains(QStringLiteral("0:30"))) << stopped.toStdString();

    const TSeen seen = Restart();
    ASSERT_NE(seen.Task(QStringLiteral("DEV")), nullptr);
    EXPECT_EQ(seen.Task(QStringLiteral("DEV"))->Days.at(Wednesday), QStringLiteral("00:30"));
    EXPECT_EQ(seen.DayTotals.at(Wednesday), QStringLiteral("00:30"));
}

// An import of time worked this week (on Tuesday, the day before the terminal's clock) puts it
// into the week's cells, on the row of its task, made for it; older time goes to the history.
TEST_F(CommandJourneyTest, TimeImportedForThisWeekIsShownInTheWeeksCells) {
    if (QStandardPaths::findExecutable(QStringLiteral("faketime")).isEmpty())
        GTEST_SKIP() << "faketime is not installed (scripts/install-deps --desktop)";
    SetUpStore();
    const QString csv = Install.WorkDir() + QStringLiteral("/week.csv");
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Date,Start,End,Task,Project,Note\n"
                   "2026-12-08,09:00,10:30,Design,Website,mock-ups\n"
                   "2026-11-30,09:00,11:00,Design,Website,\n");
    }
    TTerminal terminal = Terminal();
    EXPECT_EQ(terminal.Run({QStringLiteral("import-history"), csv},
                           QStringLiteral("2026-12-09 14:00:00")),
              0)
        << terminal.TakeErr().toStdString();
    const QString out = terminal.TakeOut();
    EXPECT_TRUE(out.contains(QStringLiteral("Imported 2 intervals: 1 days of tasks into the "
                                            "history, 1 entries into the weeks not submitted yet")))
        << out.toStdString();

    const TSeen seen = Restart();
    const TTaskSeen* design = seen.Task(QStringLiteral("DESIGN"));
    ASSERT_NE(design, nullptr) << seen.Codes().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(design->Days.at(1), QStringLiteral("01:30")); // Tuesday
    EXPECT_EQ(seen.DayTotals.at(1), QStringLiteral("01:30"));
    ASSERT_EQ(seen.History.size(), 1u);
    EXPECT_EQ(seen.History.at(0).Code, QStringLiteral("DESIGN"));
    EXPECT_EQ(seen.History.at(0).Worked, QDate(2026, 11, 30));
}
