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

const QStringList& CommandOptionNames() {
    static const QStringList names = {QStringLiteral("from"),    QStringLiteral("to"),
                                      QStringLiteral("project"), QStringLiteral("client"),
                                      QStringLiteral("user"),    QStringLiteral("out")};
    return names;
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine result;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        const QString name = arg.startsWith(QLatin1String("--"))
                                 ? arg.mid(2).section(QLatin1Char('='), 0, 0)
                                 : QString();
        if (CommandOptionNames().contains(name)) {
            QString value;
            if (arg.contains(QLatin1Char('=')))
                value = arg.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments.at(++i);
            if (value.isEmpty()) return Failure(QStringLiteral("--%1 needs a value").arg(name));
            result.CommandOptions.insert(name, value);
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
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
               "       %1 [--data-dir DIR] report N --from YYYY-MM-DD --to YYYY-MM-DD\n"
               "             [--project N | --client N | --user N] --out FILE.pdf|FILE.csv\n"
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
               "  import-time FILE     add the clients, projects and task codes of a time file\n"
               "  report N             write report N (1 task duration, 2 project summary,\n"
               "                       3 client activity, 4 user activity) over the dates given\n"
               "                       as a PDF, or as CSV (its rows, totals and decimal\n"
               "                       hours); --project, --client or --user restricts\n"
               "                       reports 2, 3 and 4 to one of them; report --help says\n"
               "                       which columns each report writes\n")
        .arg(programName);
}
