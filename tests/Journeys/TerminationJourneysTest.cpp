// Journeys that end the program from outside: a termination signal (the system shutting
// down, kill), a crash after the auto-save, the X server going away, and a save on a signal
// that finds the disk full. A child program runs the windows and types the time
// (JourneyChild.cpp); the test ends it, starts the program again on the same folder and looks
// at the week.

#include "JourneyFixture.h"

#include "Components/Core/SysExceptions.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace Journey;

namespace {
constexpr size_t Monday = 0;

class EndOfProgramJourney : public JourneyTest {
protected:
    void TearDown() override {
        if (FChild.state() != QProcess::NotRunning) {
            FChild.kill();
            FChild.waitForFinished(5000);
        }
        JourneyTest::TearDown();
    }

    // Starts the child on the set-up store and waits until it has typed; it draws its windows
    // offscreen unless a display is given.
    void StartChildAndWaitUntilTyped(const QString& mode, const QString& display = QString()) {
        const QString work = Install.WorkDir();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
        if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("HOME"), work + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), work + QStringLiteral("/data"));
        env.insert(QStringLiteral("TMPDIR"), TemporaryDir());
        FChild.setProcessEnvironment(env);
        FChild.start(QStringLiteral(TIVREL_JOURNEY_CHILD), {Install.DataDir(), work, mode});
        ASSERT_TRUE(FChild.waitForStarted(10000)) << qPrintable(FChild.errorString());
        QDeadlineTimer deadline(30000);
        while (!FOutput.contains("typed\n") && FChild.state() == QProcess::Running &&
               !deadline.hasExpired()) {
            FChild.waitForReadyRead(100);
            FOutput += FChild.readAllStandardOutput();
        }
        ASSERT_TRUE(FOutput.contains("typed\n"))
            << "the child did not type: " << FChild.readAllStandardError().toStdString();
    }

    // Sends a signal and waits for the child to end.
    void Signal(int signalNumber) {
        ASSERT_EQ(::kill(pid_t(FChild.processId()), signalNumber), 0);
        ASSERT_TRUE(FChild.waitForFinished(15000)) << "the child did not end";
    }

    // Monday of the GEN task in the task file as it is on disk now; -1 when it cannot be read.
    double MondayOnDisk() const {
        try {
            TRecordSet tasks;
            tasks.LoadFromFile(Install.FileName(QStringLiteral("Tasksfile.xml")));
            for (tasks.First(); !tasks.Eof(); tasks.Next())
                if (tasks.FieldByName(QStringLiteral("TaskCode")).AsString() ==
                    QLatin1String("GEN"))
                    return DayFraction(tasks.FieldByName(QStringLiteral("MonDuration")).AsFloat());
        } catch (const Exception&) {
        }
        return -1;
    }

    // The child's temporary folder, where it keeps what it cannot save into a full data
    // folder; this process looks there too while TMPDIR names it.
    QString TemporaryDir() const {
        const QString dir = Install.WorkDir() + QStringLiteral("/tmp");
        QDir().mkpath(dir);
        return dir;
    }

    QProcess FChild;
    QByteArray FOutput;
};

constexpr double OneHourThirty = 1.5 / 24.0;

class TerminationSignalJourney : public EndOfProgramJourney,
                                 public ::testing::WithParamInterface<const char*> {};
} // namespace

// The system shutting down sends SIGTERM: the time typed is kept, whether the cell was left
// or the text is still in it.
TEST_P(TerminationSignalJourney, KeepsTheDurationTyped) {
    SetUpStore();
    ASSERT_NO_FATAL_FAILURE(StartChildAndWaitUntilTyped(QLatin1String(GetParam())));
    ASSERT_NO_FATAL_FAILURE(Signal(SIGTERM));
    EXPECT_EQ(FChild.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(FChild.exitCode(), 0) << FChild.readAllStandardError().toStdString();

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("01:30"));
}

INSTANTIATE_TEST_SUITE_P(Journey, TerminationSignalJourney, ::testing::Values("leave", "keep"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "leave"
                                        ? std::string("CellLeft")
                                        : std::string("TextStillInTheCell");
                         });

// The auto-save writes the time of a cell left, so a crash after it loses nothing.
TEST_F(EndOfProgramJourney, AnAutoSaveBeforeACrashKeepsTheDurationLeft) {
    SetUpStore();
    ASSERT_EQ(MondayOnDisk(), 0);
    ASSERT_NO_FATAL_FAILURE(StartChildAndWaitUntilTyped(QStringLiteral("autosave")));
    QDeadlineTimer deadline(5000);
    while (std::abs(MondayOnDisk() - OneHourThirty) > 1e-9 && !deadline.hasExpired())
        FChild.waitForFinished(50);
    EXPECT_NEAR(MondayOnDisk(), OneHourThirty, 1e-9) << "the auto-save did not write the cell";
    EXPECT_EQ(FChild.state(), QProcess::Running) << FChild.readAllStandardError().toStdString();
    ASSERT_NO_FATAL_FAILURE(Signal(SIGKILL));

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.DayTotals.at(Monday), QStringLiteral("01:30"));
}

// Ctrl+C in the terminal the program was started from, and the terminal closed: the same.
TEST_F(EndOfProgramJourney, InterruptAndHangUpKeepTheDurationTypedToo) {
    for (const int signalNumber : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber == SIGINT ? "SIGINT" : "SIGHUP");
        SetUpStore();
        FOutput.clear();
        ASSERT_NO_FATAL_FAILURE(StartChildAndWaitUntilTyped(QStringLiteral("keep")));
        ASSERT_NO_FATAL_FAILURE(Signal(signalNumber));
        EXPECT_EQ(FChild.exitStatus(), QProcess::NormalExit);
        EXPECT_NEAR(MondayOnDisk(), OneHourThirty, 1e-9);
    }
}

namespace {
// An X server of the test's own, on the display number it picks itself.
class TXServer {
public:
    ~TXServer() { Kill(); }
    // False when there is no Xvfb to start.
    bool Start() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return false;
        FProcess.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        if (!FProcess.waitForStarted(10000)) return false;
        QDeadlineTimer deadline(20000);
        QByteArray out;
        while (!out.contains('\n') && !deadline.hasExpired() &&
               FProcess.state() == QProcess::Running) {
            FProcess.waitForReadyRead(100);
            out += FProcess.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) return false;
        FDisplay = QStringLiteral(":%1").arg(number);
        return true;
    }
    QString Display() const { return FDisplay; }
    void Kill() {
        if (FProcess.state() == QProcess::NotRunning) return;
        FProcess.kill();
        FProcess.waitForFinished(5000);
    }

private:
    QProcess FProcess;
    QString FDisplay;
};

constexpr size_t Wednesday = 2;
} // namespace

// The X server goes away (the desktop crashes, a remote session is cut) after a duration was
// typed and a minute tracked: the program cannot show anything any more, but it saves both
// before it ends, and leaves the data folder unlocked.
TEST_F(EndOfProgramJourney, TheDisplayGoingAwayKeepsWhatWasTypedAndTracked) {
    TXServer server;
    if (!server.Start()) GTEST_SKIP() << "no Xvfb to run the program on (scripts/install-deps)";
    SetUpStore();
    ASSERT_NO_FATAL_FAILURE(StartChildAndWaitUntilTyped(QStringLiteral("track"), server.Display()));
    server.Kill();
    ASSERT_TRUE(FChild.waitForFinished(15000)) << "the child did not end";
    const QString errors = QString::fromLocal8Bit(FChild.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("X11 connection"))) << errors.toStdString();
    // A crash during the save at exit (exit code 11: a segmentation fault) leaves the lock.
    EXPECT_FALSE(QFile::exists(Install.FileName(QStringLiteral("tivrel.lock"))))
        << errors.toStdString() << "the child "
        << (FChild.exitStatus() == QProcess::CrashExit ? "crashed" : "exited") << " with "
        << FChild.exitCode();

    const TSeen seen = Restart();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Wednesday), QStringLiteral("00:01"));
}

// SIGTERM finds the data folder's disk full: the save cannot write, so what was typed is kept
// in the temporary folder; the next start says so in a message box naming the data folder and
// the cause, shows the time typed and saves it into the data folder.
TEST_F(EndOfProgramJourney, ASaveOnASignalThatFindsTheDiskFullIsKeptAndTheNextStartSaysWhy) {
    SetUpStore();
    ASSERT_NO_FATAL_FAILURE(StartChildAndWaitUntilTyped(QStringLiteral("fulldisk")));
    ASSERT_NO_FATAL_FAILURE(Signal(SIGTERM));
    EXPECT_EQ(FChild.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromLocal8Bit(FChild.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("No space left on device"))) << errors.toStdString();
    EXPECT_EQ(MondayOnDisk(), 0) << "nothing was to be written into the full data folder";

    // The next start, looking in the same temporary folder.
    const QByteArray previousTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", TemporaryDir().toLocal8Bit());
    TSeen seen;
    QString told;
    TScript script;
    script.Then(
        QStringLiteral("a message box about the last save"),
        [] { return MessageBoxSays(QStringLiteral("could not save into the data folder")); },
        [&told] {
            told = MessageBox()->text();
            return ReturnInMessageBox();
        });
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("read the review window"), [&seen] {
        seen = ReadReviewWindow();
        return true;
    });
    ExitByMenu(script);
    RunProgram(script);
    qputenv("TMPDIR", previousTemp);

    EXPECT_TRUE(told.contains(QDir::toNativeSeparators(Install.DataDir()))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("No space left on device"))) << told.toStdString();
    ASSERT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(seen.Tasks.at(0).Days.at(Monday), QStringLiteral("01:30"));
    EXPECT_NEAR(MondayOnDisk(), OneHourThirty, 1e-9) << "the exit saved it into the data folder";
    const QDir kept(TemporaryDir() + QStringLiteral("/tivrel-unsaved-%1").arg(::getuid()));
    EXPECT_EQ(kept.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList())
        << "what was kept aside goes once it is saved";
}
