// Creates the window that belongs to the run's mode and runs its message loop.
#pragma once

#include "common/run/OpePARAMEx.h"
#include "common/run/RunResults.h"
#include "driver/IQYPM.h"

// 0 after the window's loop has ended; -1 for a mode outside 0-6; -2 when the mode has no window
// or the window was not made; kSilentRunIncomplete when a silent install, uninstall or web install
// ended without completing (its window closed itself), or did not start because Init had failed
// (initialized false): with no configuration read it would install or remove nothing and report
// success.
int CreateModeWindow(OpePARAMEx* record, bool initialized, WizardDriver driver);

// The window class of a mode, or null when the mode has none.
const char* ModeWindowClass(int mode);
