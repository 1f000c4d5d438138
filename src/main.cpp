// Program entry: the command line, then the start-up order of the program: the application
// object and its title, the data module, the windows, the message loop.

#include "BaseUnits/Application_Details_Unit.h"
#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_CommandLine.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Help.h"
#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_ResourceStr.h"
#include "Interop/Interop_CommandLine.h"
#include "Reports/Reporting_Command_Unit.h"
#include "UserLayer/Form_Program_Unit.h"
#include "UserLayer/Form_Submit_TimeFile.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/RecordSet/TRecordSetDump.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QTimer>
#include <memory>

namespace {
QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// "export-time FILE" and "import-time FILE" on the data directory, as the review window's
// Export and Import do; an import saves the store afterwards. The data folder's lock is taken
// as the program takes it.
int RunTimeFileCommand(const TCommandLine& commandLine, int argc, char** argv, QTextStream& out,
                       QTextStream& err) {
    QCoreApplication core(argc, argv);
    SetApplicationTitle(QStringLiteral("Tivrel"));
    SetInformationMessageHandler([&err](const QString& text) { err << text << '\n'; });
    try {
        TDataModuleOptions options;
        options.DataDir = commandLine.DataDir;
        TdmTasks_Form dm(nullptr, options);
        const QString& fileName = commandLine.Commands.at(1);
        if (commandLine.Commands.first() == QLatin1String("export-time")) {
            ExportTimeFile(dm, fileName);
            return 0;
        }
        const TTimeFileImport added = ImportTimeFile(dm, fileName);
        dm.SetSetupRequired(false);
        dm.SaveData();
        out << added.Summary() << '\n';
        return 0;
    } catch (const Exception& e) {
        err << e.Message() << '\n';
        return 1;
    }
}

// "report N …": a PDF needs fonts and a paint device, so the windowing system's application
// object is made, on the offscreen platform when there is no display to use.
int RunReportCommand(const TCommandLine& commandLine, int argc, char** argv, QTextStream& err) {
    TReportRequest request;
    QString error;
    if (!ParseReportRequest(commandLine, request, error)) {
        err << QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() << ": " << error << '\n';
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    SetApplicationTitle(QStringLiteral("Tivrel"));
    TDataModuleOptions options;
    options.DataDir = commandLine.DataDir;
    return RunReportRequest(request, options, err);
}

// Answers --help, --version and a bad command line without starting the windowing system.
int AnswerCommandLine(const TCommandLine& commandLine, int argc, char** argv) {
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (commandLine.Action) {
    case TCommandLine::TAction::Help: {
        QCoreApplication core(argc, argv);
        if (!commandLine.Commands.isEmpty() &&
            commandLine.Commands.first() == QLatin1String("report")) {
            out << ReportCommandUsage(program);
            return 0;
        }
        out << CommandLineUsage(program) << '\n'
            << HelpFileReport(QString(), QCoreApplication::applicationDirPath()) << '\n';
        return 0;
    }
    case TCommandLine::TAction::Version: {
        QCoreApplication core(argc, argv);
        out << ProductNameAndVersion() << '\n';
        return 0;
    }
    case TCommandLine::TAction::Error:
        err << program << ": " << commandLine.ErrorText << "\n\n" << CommandLineUsage(program);
        return 2;
    case TCommandLine::TAction::Run:
        break;
    }
    const QStringList& commands = commandLine.Commands;
    if (!commands.isEmpty() && commands.first() == QLatin1String("report"))
        return RunReportCommand(commandLine, argc, argv, err);
    if (IsInteropCommand(commandLine)) return RunInteropCommand(commandLine, argc, argv);
    if (!commandLine.CommandFlags.isEmpty()) {
        err << program << ": --" << commandLine.CommandFlags.first()
            << " is an option of another command\n\n"
            << CommandLineUsage(program);
        return 2;
    }
    if (!commandLine.CommandOptions.isEmpty()) {
        err << program << ": --" << commandLine.CommandOptions.firstKey()
            << " is an option of the report command\n\n"
            << CommandLineUsage(program);
        return 2;
    }
    if (!commands.isEmpty() && commands.first() == QLatin1String("dump")) {
        if (commands.size() != 2) {
            err << program << ": dump needs one file\n\n" << CommandLineUsage(program);
            return 2;
        }
        QCoreApplication core(argc, argv);
        return DumpRecordSetFile(commands.at(1), out, err);
    }
    if (!commands.isEmpty() && (commands.first() == QLatin1String("export-time") ||
                                commands.first() == QLatin1String("import-time"))) {
        if (commands.size() != 2) {
            err << program << ": " << commands.first() << " needs one file\n\n"
                << CommandLineUsage(program);
            return 2;
        }
        return RunTimeFileCommand(commandLine, argc, argv, out, err);
    }
    if (!commands.isEmpty()) {
        err << program << ": unknown command '" << commandLine.Commands.first() << "'\n\n"
            << CommandLineUsage(program);
        return 2;
    }
    return -1;
}

int RunProgram(int argc, char** argv, const TCommandLine& commandLine) {
    PrepareProgramStart();
    TApplication application(argc, argv); // 1. the application object
    TDataModuleOptions options;
    options.DataDir = commandLine.DataDir;
    return RunProgramWindows(options, StartCommandServer);
}
} // namespace

int main(int argc, char** argv) {
    const TCommandLine commandLine = ParseCommandLine(RawArguments(argc, argv));
    const int answered = AnswerCommandLine(commandLine, argc, argv);
    if (answered >= 0) return answered;
    return RunProgram(argc, argv, commandLine);
}
