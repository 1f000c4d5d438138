// start, stop, switch, note and status run as a script or a keyboard shortcut runs them: with
// no program on the folder they act on the store under its lock; with one, they go to its
// command socket, named after the folder and private to the user; a folder of another user is
// never touched.

#include "InteropCommandFixture.h"

#include "Interop/Interop_CommandSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
QJsonObject JsonOf(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
} // namespace

using TrackerCommandsTest = CommandTest;

TEST_F(TrackerCommandsTest, WithNoProgramTheCommandsActOnTheStoreItself) {
    const QString store = NewStore(QStringLiteral("store"));
    TCommandRun run = RunOn(store, {QStringLiteral("status")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();

    run = RunOn(store, {QStringLiteral("start"), QStringLiteral("gen")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("Tracking from "))) << run.Out.toStdString();

    run = RunOn(store, {QStringLiteral("status"), QStringLiteral("--json")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    QJsonObject status = JsonOf(run.Out);
    EXPECT_EQ(status[QStringLiteral("task")].toString(), QStringLiteral("GEN"));
    EXPECT_FALSE(status[QStringLiteral("paused")].toBool());
    EXPECT_FALSE(status[QStringLiteral("program")].toBool());

    run = RunOn(store, {QStringLiteral("note"), QStringLiteral("first draft")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("first draft")));

    run = RunOn(store, {QStringLiteral("status"), QStringLiteral("--json")});
    EXPECT_EQ(JsonOf(run.Out)[QStringLiteral("note")].toString(), QStringLiteral("first draft"));

    // A code the list lacks gets a row, as the options allow a new task, and is tracked.
    run = RunOn(store, {QStringLiteral("switch"), QStringLiteral("REVIEW")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("Switched at "))) << run.Out.toStdString();

    run = RunOn(store, {QStringLiteral("stop")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("Paused at "))) << run.Out.toStdString();
    run = RunOn(store, {QStringLiteral("stop")});
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("Already paused"))) << run.Out.toStdString();

    run = RunOn(store, {QStringLiteral("status"), QStringLiteral("--json")});
    status = JsonOf(run.Out);
    EXPECT_EQ(status[QStringLiteral("task")].toString(), QStringLiteral("REVIEW"));
    EXPECT_TRUE(status[QStringLiteral("paused")].toBool());

    // A switch while paused stays paused.
    run = RunOn(store, {QStringLiteral("switch"), QStringLiteral("GEN")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(JsonOf(RunOn(store, {QStringLiteral("status"), QStringLiteral("--json")})
                           .Out)[QStringLiteral("paused")]
                    .toBool());
}

TEST_F(TrackerCommandsTest, ACommandLineNotUnderstoodExitsWithTwoAndTheUsage) {
    const QString store = NewStore(QStringLiteral("usage"));
    for (const QStringList& words :
         {QStringList{QStringLiteral("switch")}, QStringList{QStringLiteral("note")},
          QStringList{QStringLiteral("stop"), QStringLiteral("now")},
          QStringList{QStringLiteral("status"), QStringLiteral("--xml")}}) {
        const TCommandRun run = RunOn(store, words);
        EXPECT_EQ(run.Code, 2) << words.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.Err.isEmpty());
    }
    // A folder with no store: said, and nothing made there.
    const TCommandRun run = Run({QStringLiteral("--data-dir"), Path(QStringLiteral("empty")),
                                 QStringLiteral("start"), QStringLiteral("GEN")});
    EXPECT_EQ(run.Code, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("start Tivrel once"))) << run.Err.toStdString();
}

// The program holding a folder answers on the socket named after that folder: the command goes
// there, not to the store, and its answer is what the command prints.
TEST_F(TrackerCommandsTest, TheCommandGoesToTheProgramListeningOnTheFolder) {
    const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", Path(QStringLiteral("run")).toUtf8());
    const QString folder = Path(QStringLiteral("held"));
    QDir().mkpath(folder);

    std::vector<TTrackerRequest> received;
    TCommandServer server(folder, [&received](const TTrackerRequest& request) {
        received.push_back(request);
        TTrackerReply reply;
        reply.Text = QStringLiteral("Switched at 10:00: DEV");
        reply.Status = QJsonObject{{QStringLiteral("task"), QStringLiteral("DEV")}};
        return reply;
    });
    QString error;
    ASSERT_TRUE(server.Listen(error)) << error.toStdString();
    // The socket's folder and the socket are the user's alone.
    const QFileInfo socketFolder(QFileInfo(server.SocketPath()).path());
    EXPECT_EQ(socketFolder.absoluteFilePath(),
              QFileInfo(Path(QStringLiteral("run"))).absoluteFilePath());
    EXPECT_EQ(QFile::permissions(socketFolder.absoluteFilePath()) & 0x0077, 0);
    EXPECT_NE(CommandSocketPath(folder), CommandSocketPath(Path(QStringLiteral("other"))));

    QProcess process;
    process.setProcessEnvironment(FEnvironment);
    process.start(
        QStringLiteral(TIVREL_PROGRAM),
        {QStringLiteral("--data-dir"), folder, QStringLiteral("switch"), QStringLiteral("DEV")});
    const QDeadlineTimer deadline(30000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(10);
    }
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()),
              QStringLiteral("Switched at 10:00: DEV\n"));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received.at(0).Command, QStringLiteral("switch"));
    EXPECT_EQ(received.at(0).Argument, QStringLiteral("DEV"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Tasksfile.xml")));
    qputenv("XDG_RUNTIME_DIR", previousRuntime);
}

TEST_F(TrackerCommandsTest, AFolderOfAnotherUserIsNeverTouched) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "folders of other users are a Unix test";
#else
    if (::getuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    const QString store = NewStore(QStringLiteral("theirs"));
    const QString folder = Path(store);
    ASSERT_EQ(::chown(folder.toLocal8Bit().constData(), 65534, 65534), 0);
    const QByteArray before = [&] {
        QFile file(folder + QStringLiteral("/Tasksfile.xml"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    for (const QString& command : {QStringLiteral("status"), QStringLiteral("stop")}) {
        const TCommandRun run = RunOn(store, {command});
        EXPECT_EQ(run.Code, 1);
        EXPECT_TRUE(run.Err.contains(QStringLiteral("belongs to another user")))
            << run.Err.toStdString();
    }
    QFile file(folder + QStringLiteral("/Tasksfile.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(::chown(folder.toLocal8Bit().constData(), ::getuid(), ::getgid()), 0);
#endif
}
