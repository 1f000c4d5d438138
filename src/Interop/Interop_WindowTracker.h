#pragma once
// The tracker commands on the running program's windows: each goes the way the user's own
// click goes (the Active box of a row, the Pause and Start action), on the windows' thread.
// While a dialog of the program is open, or a new task is being typed in, only status is
// answered: the others say so and change nothing.

#include "Interop_Tracker.h"

class TForm_Main_Form;

TTrackerReply RunOnWindows(TForm_Main_Form& main, const TTrackerRequest& request);
