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
                                      QStringLiteral("user"),    QStringLiteral("out"),
                                      QStringLiteral("format")};
    return names;
}

const QStringList& CommandFlagNames() {
    static const QStringList names = {QStringLiteral("dry-run"), QStringLiteral("json"),
                                      QStringLiteral("notify")};
    return names;
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine result;
    bool optionsEnded = false; // after "--" every word is a word of the command
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded) {
            result.Commands.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
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
        } else if (CommandFlagNames().contains(name) && !arg.contains(QLatin1Char('='))) {
            if (!result.CommandFlags.contains(name)) result.CommandFlags.append(name);
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
               "       %1 [--data-dir DIR] import-history FILE\n"
               "             [--format timewarrior|hamster|ktimetracker|csv] [--dry-run]\n"
               "       %1 [--data-dir DIR] export-history --from YYYY-MM-DD --to YYYY-MM-DD\n"
               "             [--format csv|json|ical] --out FILE\n"
               "       %1 [--data-dir DIR] start [CODE] | stop | switch CODE | note TEXT |\n"
               "             status [--json] [--notify]\n"
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
               "                       which columns each report writes\n"
               "  import-history FILE  add the time of another tracker's file to the history:\n"
               "                       Timewarrior's export, Hamster's export or database,\n"
               "                       KTimeTracker's .ics, a CSV (Toggl, Clockify, or date,\n"
               "                       start, end or duration, project, client, task, note);\n"
               "                       --dry-run shows what it would add and writes nothing\n"
               "  export-history       write the history rows of the dates given as CSV, JSON\n"
               "                       or iCalendar\n"
               "  start [CODE]         track the task (start alone: track the active task again)\n"
               "  stop                 pause tracking\n"
               "  switch CODE          track another task, paused or not as before\n"
               "  note TEXT            put a note on the entry being tracked\n"
               "  status               say what is tracked and its time today (--json: as JSON)\n"
               "                       These act on the Tivrel that has the data folder open, or\n"
               "                       on the data folder when none has; --notify also shows\n"
               "                       the answer as a desktop notification\n")
        .arg(programName);
}
