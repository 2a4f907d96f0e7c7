// A silent run whose window cannot be shown (its skin is not there): the procedure runs on this
// thread without a window, as the window's silent mode would run it.
#pragma once

#include "common/run/OpePARAMEx.h"
#include "driver/IQYPM.h"

// 0 when the procedure completed, kSilentRunIncomplete otherwise.
int RunSilentWithoutWindow(OpePARAMEx* record, IQYPM& driver);
