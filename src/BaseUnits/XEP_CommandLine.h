#pragma once
// The program's command line: options for people who script their timesheets.

#include <QString>
#include <QStringList>

struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction Action = TAction::Run;
    QString DataDir;      // --data-dir DIR: data and shared data directory
    QStringList Commands; // positional words, e.g. a command and its file
    QString ErrorText;    // what was wrong, for an Error
};

// Reads the arguments after the program name. Options of the windowing toolkit
// (-platform NAME, -style NAME …) pass through untouched.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The usage text printed by --help and after an error.
QString CommandLineUsage(const QString& programName);
