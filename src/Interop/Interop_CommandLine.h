#pragma once
// The command line's commands for other trackers and for the running tracker:
//   import-history FILE [--format timewarrior|hamster|ktimetracker|csv] [--dry-run]
//   export-history --from YYYY-MM-DD --to YYYY-MM-DD [--format csv|json|ical] --out FILE
//   start [CODE], stop, switch CODE, note TEXT, status [--json] (each with --notify)
// Each prints what it did, and exits 0 when done, 1 when it could not do it (the message says
// which file, line or value is at fault) and 2 for a command line it does not understand.

#include <QString>

struct TCommandLine;

// Whether the first word of the command line is one of these commands.
bool IsInteropCommand(const TCommandLine& commandLine);
// Runs it; the process's exit code.
int RunInteropCommand(const TCommandLine& commandLine, int argc, char** argv);

class TForm_Main_Form;
// Starts the running program's command socket on its data folder (owned by the main window).
void StartCommandServer(TForm_Main_Form& main);
