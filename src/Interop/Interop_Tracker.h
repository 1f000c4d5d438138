#pragma once
// The commands that drive the tracker from outside its windows: start, stop (pause), switch,
// note and status. They act on the program that holds the data folder (through its command
// socket, on its windows' own paths) or, when none does, on the store itself under its lock,
// with the same rules: a task is tracked by making its row the active one (the one-task-active
// rule switches the others off), a row is added for a code the list lacks where the options
// allow a new task, and time is counted by the journal from the moment of the command.
//
// start CODE   the task's row becomes the active one and tracking runs (start alone: tracking
//              of the active task runs again)
// switch CODE  the task's row becomes the active one; a pause stays a pause
// stop         tracking pauses
// note TEXT    the entry being tracked (or, when paused, today's last entry) gets the note
// status       the task tracked, its time today, paused or not (as text, or JSON with --json)

#include <QJsonObject>
#include <QString>

class TdmTasks_Form;
struct TJournalTask;

struct TTrackerRequest {
    QString Command;  // start, stop, switch, note or status
    QString Argument; // the task code of start and switch, the text of note
    bool Json = false;
};

struct TTrackerReply {
    int ExitCode = 0;
    QString Text;       // what was done, or why it could not be done
    QJsonObject Status; // status as JSON, for --json

    static TTrackerReply Failure(const QString& text) { return {1, text, {}}; }
};

// The commands that take a task code, and those that take none.
bool TrackerCommandTakesCode(const QString& command);
const QStringList& TrackerCommandNames();

// The status of the tracker on a data module: the task tracked (the running one, else the
// active row), its time today, paused or not; held: the time runs with no program (a command
// started it). As JSON and as the text status prints.
QJsonObject TrackerStatus(TdmTasks_Form& dm, bool paused, bool program);
QString StatusText(const QJsonObject& status);

// Moves the task table to the row of a code, adding one where the options allow a new task.
// Raises Exception with the reason when there is no such row and none may be added, or the row
// is completed. Returns true when a row was added.
bool GoToTaskOfCode(TdmTasks_Form& dm, const QString& code);

// The entry a note goes on: the running entry of the task tracked or, with none running,
// today's entry that ended last. nullptr when there is none.
const struct TTimeEntry* EntryForNote(TdmTasks_Form& dm);

// The commands on the store of a data module that holds the data folder's lock (no program
// runs on it): time started here runs on after the command ends, until a stop or until a
// program takes it over. Saves what changed.
TTrackerReply RunOnStore(TdmTasks_Form& dm, const TTrackerRequest& request);
