#include "XEP_CommandLine.h"

namespace {
// Toolkit options that QApplication takes itself; the first group takes a value.
const QStringList& ToolkitOptionsWithValue() {
    static const QStringList options = {
        QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"),    QStringLiteral("-session"),
        QStringLiteral("-style"),           QStringLiteral("-stylesheet"),
        QStringLiteral("-display"),         QStringLiteral("-geometry"),
        QStringLiteral("-qmljsdebugger")};
    return options;
}

const QStringList& ToolkitFlags() {
    static const QStringList flags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                      QStringLiteral("-nograb"), QStringLiteral("-dograb"),
                                      QStringLiteral("-sync")};
    return flags;
}

TCommandLine Failure(const QString& text) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Error;
    result.ErrorText = text;
    return result;
}
} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine result;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.Action = TCommandLine::TAction::Help;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            if (result.Action != TCommandLine::TAction::Help)
                result.Action = TCommandLine::TAction::Version;
        } else if (arg == QLatin1String("--data-dir")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return Failure(QStringLiteral("--data-dir needs a directory"));
            result.DataDir = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--data-dir="))) {
            result.DataDir = arg.mid(11);
            if (result.DataDir.isEmpty())
                return Failure(QStringLiteral("--data-dir needs a directory"));
        } else if (ToolkitOptionsWithValue().contains(arg)) {
            ++i;
        } else if (ToolkitFlags().contains(arg)) {
            continue;
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            return Failure(QStringLiteral("unknown option '%1'").arg(arg));
        } else {
            result.Commands.append(arg);
        }
    }
    return result;
}

QString CommandLineUsage(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [options]\n"
               "       %1 dump FILE\n"
               "       %1 [--data-dir DIR] export-time FILE.tim\n"
               "       %1 [--data-dir DIR] import-time FILE.tim\n"
               "\n"
               "Tivrel: timesheets and time tracking.\n"
               "\n"
               "Options:\n"
               "  -h, --help           show this help and exit\n"
               "  -v, --version        show the product name and version and exit\n"
               "  --data-dir DIR       keep the timesheet files in DIR (data and shared data)\n"
               "\n"
               "Commands:\n"
               "  dump FILE            print a store file as CSV on standard output\n"
               "  export-time FILE     write the clients, projects and task codes to a time file\n"
               "  import-time FILE     add the clients, projects and task codes of a time file\n")
        .arg(programName);
}
