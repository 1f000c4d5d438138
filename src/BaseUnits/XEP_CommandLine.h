#pragma once
// The program's command line: options for people who script their timesheets.

#include <QMap>
#include <QString>
#include <QStringList>

struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction Action = TAction::Run;
    QString DataDir;      // --data-dir DIR: data and shared data directory
    QStringList Commands; // positional words, e.g. a command and its file
    QString ErrorText;    // what was wrong, for an Error
    // Options of a command, by name without the dashes: from, to, project, client, user, out,
    // format.
    QMap<QString, QString> CommandOptions;
    // Options of a command that take no value, by name without the dashes: dry-run, json,
    // notify.
    QStringList CommandFlags;
};

// The options that commands take, each with a value ("--from 2026-01-01" or "--from=…").
const QStringList& CommandOptionNames();
// The options that commands take without a value.
const QStringList& CommandFlagNames();

// Reads the arguments after the program name. Options of the windowing toolkit
// (-platform NAME, -style NAME …) pass through untouched.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The usage text printed by --help and after an error.
QString CommandLineUsage(const QString& programName);
