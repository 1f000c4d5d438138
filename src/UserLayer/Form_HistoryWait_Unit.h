#pragma once
// Waiting for the history without freezing the windows: the program reads the history after
// its first window is on screen, and a save that writes the history whole runs on another
// thread. An action that needs the history's rows waits here first; after a moment a small
// window says "Reading the history…" (or "Saving the history…" when the action changes the
// history while a save writes it) with a Cancel button, and the other windows go on working.

class QWidget;
class TdmTasks_Form;

enum class THistoryNeed {
    Read,   // the rows as they are
    Change, // rows to add or change: no save may be writing them
};

// True once the history is there for the need; false when the user cancelled the waiting.
bool AwaitHistory(TdmTasks_Form& dm, QWidget* parent, THistoryNeed need);
