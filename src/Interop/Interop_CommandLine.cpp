#include "Interop_CommandLine.h"

#include "Interop_CommandSocket.h"
#include "Interop_Export.h"
#include "Interop_Import.h"
#include "Interop_Tracker.h"
#include "Interop_WindowTracker.h"

#include "BaseUnits/Dirs_Obj_Unit.h"
#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_CommandLine.h"
#include "BaseUnits/XEP_Messages.h"
#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/data_Tasks_Store.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <cstdio>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
const QStringList& ImportExportCommands() {
    static const QStringList names = {QStringLiteral("import-history"),
                                      QStringLiteral("export-history")};
    return names;
}

QString Program(char** argv) {
    return QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
}

// The options and flags a command accepts; anything else is a command line it does not know.
bool CheckOptions(const TCommandLine& commandLine, const QStringList& options,
                  const QStringList& flags, QString& error) {
    const QString& command = commandLine.Commands.first();
    for (auto it = commandLine.CommandOptions.cbegin(); it != commandLine.CommandOptions.cend();
         ++it)
        if (!options.contains(it.key())) {
            error = QStringLiteral("%1 takes no --%2").arg(command, it.key());
            return false;
        }
    for (const QString& flag : commandLine.CommandFlags)
        if (!flags.contains(flag)) {
            error = QStringLiteral("%1 takes no --%2").arg(command, flag);
            return false;
        }
    return true;
}

// The data folder the command acts on, as the program finds it.
QString DataFolder(const TCommandLine& commandLine) {
    TDirsObj dirs;
    dirs.SetAppTitle(ApplicationTitle());
    dirs.SetExeName(QCoreApplication::applicationFilePath());
    dirs.SetDataDirOverride(commandLine.DataDir);
    dirs.SetReadOnly(true);
    dirs.LoadDirs();
    return dirs.DataDir();
}

TDataModuleOptions StoreOptions(const TCommandLine& commandLine, bool readOnly) {
    TDataModuleOptions options;
    options.DataDir = commandLine.DataDir;
    options.ReadOnly = readOnly;
    return options;
}

bool ParseDay(const QString& text, const char* option, double& day, QString& error) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) {
        error = QStringLiteral("--%1: '%2' is not a date of the form YYYY-MM-DD")
                    .arg(QLatin1String(option), text);
        return false;
    }
    day = DateToDayNumber(date);
    return true;
}

// ---- import-history ----

int RunImport(const TCommandLine& commandLine, QTextStream& out, QTextStream& err) {
    const QString& fileName = commandLine.Commands.at(1);
    const bool dryRun = commandLine.CommandFlags.contains(QStringLiteral("dry-run"));
    // The file first: a bad one stops here, before the store is opened.
    TSourceFile file;
    try {
        file = ReadSourceFile(fileName, commandLine.CommandOptions.value(QStringLiteral("format")));
    } catch (const TSourceError& e) {
        err << QDir::toNativeSeparators(fileName) << ':' << e.Line() << ": " << e.Reason()
            << "\nNothing was imported.\n";
        return 1;
    } catch (const Exception& e) {
        err << e.Message() << "\nNothing was imported.\n";
        return 1;
    }
    try {
        // A dry run only reads, so it runs beside the program; an import takes the folder's
        // lock as the program does.
        TdmTasks_Form dm(nullptr, StoreOptions(commandLine, dryRun));
        if (dm.SetupRequired()) {
            err << "Tivrel has not been set up on the data folder "
                << QDir::toNativeSeparators(dm.DirsObj()->DataDir())
                << " yet: start it once and close the setup with OK.\nNothing was imported.\n";
            return 1;
        }
        THistoryImport import(dm);
        import.Plan(file);
        if (!dryRun) {
            import.Apply();
            dm.SaveData();
        }
        out << import.Summary(fileName, dryRun) << '\n';
        return 0;
    } catch (const Exception& e) {
        err << e.Message() << "\nNothing was imported.";
        // The program has the folder: the import waits for it to close (a dry run does not).
        if (e.Message().contains(QStringLiteral("already running")))
            err << " Close Tivrel, then import again (--dry-run runs beside it).";
        err << '\n';
        return 1;
    }
}

// ---- export-history ----

int RunExport(const TCommandLine& commandLine, QTextStream& out, QTextStream& err) {
    const QMap<QString, QString>& options = commandLine.CommandOptions;
    QString error;
    double from = 0, to = 0;
    TExportFormat format = TExportFormat::Csv;
    for (const char* needed : {"from", "to", "out"})
        if (!options.contains(QLatin1String(needed))) {
            err << "export-history needs --" << needed << '\n';
            return 2;
        }
    const QString fileName = options.value(QStringLiteral("out"));
    if (!ParseDay(options.value(QStringLiteral("from")), "from", from, error) ||
        !ParseDay(options.value(QStringLiteral("to")), "to", to, error) ||
        !ExportFormatOf(options.value(QStringLiteral("format")), fileName, format, error)) {
        err << error << '\n';
        return 2;
    }
    if (from > to) {
        err << "the date of --from (" << options.value(QStringLiteral("from"))
            << ") is after the date of --to (" << options.value(QStringLiteral("to")) << ")\n";
        return 2;
    }
    try {
        TdmTasks_Form dm(nullptr, StoreOptions(commandLine, true));
        const std::vector<THistoryExportRow> rows = GatherHistory(dm, from, to);
        const QByteArray text = format == TExportFormat::Csv    ? HistoryAsCsv(rows)
                                : format == TExportFormat::Json ? HistoryAsJson(rows)
                                                                : HistoryAsICalendar(rows);
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
            throw Exception(QStringLiteral("%1 cannot be written: %2")
                                .arg(QDir::toNativeSeparators(fileName), file.errorString()));
        qint64 minutes = 0;
        int timed = 0;
        for (const THistoryExportRow& row : rows) {
            minutes += row.Minutes;
            if (row.HasTimes) ++timed;
        }
        out << QStringLiteral("Wrote %1 history rows (%2:%3, %4 h; %5 with start and end) to %6.")
                   .arg(rows.size())
                   .arg(minutes / 60)
                   .arg(minutes % 60, 2, 10, QLatin1Char('0'))
                   .arg(double(minutes) / 60.0, 0, 'f', 2)
                   .arg(timed)
                   .arg(QDir::toNativeSeparators(fileName))
            << '\n';
        return 0;
    } catch (const Exception& e) {
        err << e.Message() << '\n';
        return 1;
    }
}

// ---- start, stop, switch, note, status ----

bool FolderIsAnotherUsers([[maybe_unused]] const QString& folder) {
#ifndef Q_OS_WIN
    const QFileInfo info(folder);
    return info.exists() && info.ownerId() != ::getuid();
#else
    return false;
#endif
}

void Notify(const TTrackerReply& reply) {
    const QString sender = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (sender.isEmpty()) return;
    QProcess::startDetached(sender,
                            {QStringLiteral("--app-name=Tivrel"), QStringLiteral("--icon=tivrel"),
                             QStringLiteral("Tivrel"), reply.Text});
}

int Print(const TTrackerRequest& request, const TTrackerReply& reply, QTextStream& out,
          QTextStream& err) {
    if (request.Json && reply.ExitCode == 0) {
        const QJsonObject object = request.Command == QLatin1String("status")
                                       ? reply.Status
                                       : QJsonObject{{QStringLiteral("text"), reply.Text},
                                                     {QStringLiteral("status"), reply.Status}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    } else if (reply.ExitCode == 0) {
        out << reply.Text << '\n';
    } else {
        err << reply.Text << '\n';
    }
    return reply.ExitCode;
}

// The store, when no program holds the folder: its lock taken as the program takes it. A
// program that has the folder and has not answered yet (it may be starting) is waited for.
TTrackerReply RunOnFolder(const TCommandLine& commandLine, const QString& folder,
                          const TTrackerRequest& request) {
    const QDeadlineTimer patience(10000);
    for (;;) {
        TTrackerReply reply;
        switch (SendToProgram(folder, request, reply)) {
        case TSendResult::Answered:
            return reply;
        case TSendResult::NoAnswer:
            return TTrackerReply::Failure(
                QStringLiteral("Tivrel has the data folder %1 open but did not answer; nothing "
                               "was changed by this command.")
                    .arg(QDir::toNativeSeparators(folder)));
        case TSendResult::NoProgram:
            break;
        }
        try {
            if (!HoldsStoreFile(folder))
                return TTrackerReply::Failure(
                    QStringLiteral("There is no Tivrel data in %1: start Tivrel once to set it "
                                   "up.")
                        .arg(QDir::toNativeSeparators(folder)));
            const bool readOnly = request.Command == QLatin1String("status");
            TdmTasks_Form dm(nullptr, StoreOptions(commandLine, readOnly));
            return RunOnStore(dm, request);
        } catch (const Exception& e) {
            const bool held = e.Message().contains(QStringLiteral("already running"));
            if (!held || patience.hasExpired()) return TTrackerReply::Failure(e.Message());
            QThread::msleep(200); // the program is starting: its socket comes next
        }
    }
}

int RunTrackerCommand(const TCommandLine& commandLine, QTextStream& out, QTextStream& err) {
    const QStringList& words = commandLine.Commands;
    TTrackerRequest request;
    request.Command = words.first();
    request.Json = commandLine.CommandFlags.contains(QStringLiteral("json"));
    const bool takesCode = TrackerCommandTakesCode(request.Command);
    const bool takesText = request.Command == QLatin1String("note");
    const int wanted = takesText || request.Command == QLatin1String("switch") ? 2 : 1;
    if (words.size() > 2 || (words.size() == 2 && !takesCode && !takesText) ||
        words.size() < wanted) {
        err << (takesText ? QStringLiteral("note needs its text, in quotes")
                : request.Command == QLatin1String("switch")
                    ? QStringLiteral("switch needs one task code")
                : takesCode ? QStringLiteral("start takes at most one task code")
                            : QStringLiteral("%1 takes no words after it").arg(request.Command))
            << '\n';
        return 2;
    }
    request.Argument = words.value(1).trimmed();
    const QString folder = DataFolder(commandLine);
    if (FolderIsAnotherUsers(folder)) {
        err << "The data folder " << QDir::toNativeSeparators(folder)
            << " belongs to another user: Tivrel's commands act on your own folders only.\n";
        return 1;
    }
    const TTrackerReply reply = RunOnFolder(commandLine, folder, request);
    if (commandLine.CommandFlags.contains(QStringLiteral("notify"))) Notify(reply);
    return Print(request, reply, out, err);
}
} // namespace

bool IsInteropCommand(const TCommandLine& commandLine) {
    if (commandLine.Commands.isEmpty()) return false;
    const QString& command = commandLine.Commands.first();
    return ImportExportCommands().contains(command) || TrackerCommandNames().contains(command);
}

int RunInteropCommand(const TCommandLine& commandLine, int argc, char** argv) {
    QCoreApplication core(argc, argv);
    SetApplicationTitle(QStringLiteral("Tivrel"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    SetInformationMessageHandler([&err](const QString& text) { err << text << '\n'; });
    const QString& command = commandLine.Commands.first();
    QString error;
    if (command == QLatin1String("import-history")) {
        if (commandLine.Commands.size() != 2)
            error = QStringLiteral("import-history needs one file");
        if (error.isEmpty() && CheckOptions(commandLine, {QStringLiteral("format")},
                                            {QStringLiteral("dry-run")}, error))
            return RunImport(commandLine, out, err);
    } else if (command == QLatin1String("export-history")) {
        if (commandLine.Commands.size() != 1)
            error = QStringLiteral("export-history takes its file as --out FILE");
        if (error.isEmpty() && CheckOptions(commandLine,
                                            {QStringLiteral("from"), QStringLiteral("to"),
                                             QStringLiteral("out"), QStringLiteral("format")},
                                            {}, error))
            return RunExport(commandLine, out, err);
    } else if (CheckOptions(commandLine, {}, {QStringLiteral("json"), QStringLiteral("notify")},
                            error)) {
        return RunTrackerCommand(commandLine, out, err);
    }
    err << Program(argv) << ": " << error << "\n\n" << CommandLineUsage(Program(argv));
    return 2;
}

void StartCommandServer(TForm_Main_Form& main) {
    if (!dmTasks_Form || !dmTasks_Form->DirsObj()) return;
    auto* server = new TCommandServer(
        dmTasks_Form->DirsObj()->DataDir(),
        [&main](const TTrackerRequest& request) { return RunOnWindows(main, request); }, &main);
    QString error;
    // Without its socket the program runs as before: the commands then say that it does not
    // answer.
    if (!server->Listen(error))
        std::fprintf(stderr, "Tivrel: the command socket cannot be opened: %s\n",
                     qPrintable(error));
}
