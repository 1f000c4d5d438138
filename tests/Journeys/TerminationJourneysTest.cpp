// Journeys that end the program from outside: a termination signal (the system shutting
// down, kill) and a crash after the auto-save. A child program runs the windows and types the
// time (JourneyChild.cpp); the test ends it, starts the program again on the same folder and
// looks at the week.

#include "JourneyFixture.h"

#include "Components/Core/SysExceptions.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <cmath>
#include <csignal>
#include <sys/types.h>

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

    // Starts the child on the set-up store and waits until it has typed.
    void StartChildAndWaitUntilTyped(const QString& mode) {
        const QString work = Install.WorkDir();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), work + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), work + QStringLiteral("/data"));
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
