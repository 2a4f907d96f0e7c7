// A silent run whose window cannot be shown (its skin is not there): the procedure runs on this
// thread without a window, as the window's silent mode would run it.
#pragma once

#include "entry/OpePARAMEx.h"

// 0 when the procedure completed, kSilentRunIncomplete (ModeWindow.h) otherwise.
int RunSilentWithoutWindow(OpePARAMEx* record);
