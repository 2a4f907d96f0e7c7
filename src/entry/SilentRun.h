// The silent modes without their windows: what the install window does in CMD_SILENT and the
// uninstall window in CMD_UNSILENT, on this thread and without showing anything. The windows
// take this over once they are part of the build.
#pragma once

#include "entry/OpePARAMEx.h"

// The install on this thread; on completion the product's "OnRestartApp" rules run and the
// working folder goes. True when the install reported completion.
bool RunSilentInstall(OpePARAMEx& record);
// The uninstall on this thread, with no survey answer. True when it reported completion.
bool RunSilentUninstall(OpePARAMEx& record);
// The web install of CMD_WEBSILENT on this thread: the newest package is downloaded and run
// silently. True when it reported completion.
bool RunSilentWebInstall(OpePARAMEx& record);
