#pragma once
// The program's windows from start to end on an application object that already exists: the
// data module, the main, review and reports windows, the message loop, and the save that
// every way of ending the program makes (closing, a termination signal, the end of the
// desktop session, std::exit and with it the loss of the display connection).

#include "data_Tasks_Unit.h"

#include <functional>

class TForm_Main_Form;

// Runs the program on the data module options given (the data folder of --data-dir, or the
// install's own); returns the program's exit code. windowsCreated, when given, is called once
// the review window is on screen, or a second after the message loop began should the first
// run's setup come first (the program's command socket starts there).
int RunProgramWindows(const TDataModuleOptions& options,
                      const std::function<void(TForm_Main_Form&)>& windowsCreated = {});
