// The driver's procedures, each over the run's shared state: the record is the calling window's
// copy. Each returns 0 or the failure codes its file lists.
#pragma once

#include "common/run/OpePARAMEx.h"

struct RunContext;

// The install: difference check, program package, the engine's steps in their fixed order,
// registration of the product. 0, -1 (folders, product file name), -2 (package, a file that could
// not be placed), kProcedureCancelled.
int InstallProcedure(RunContext& run, OpePARAMEx* record);
// The uninstall: survey, the engine's removal steps, the product's folder and keys. 0 or -1.
int UninstallProcedure(RunContext& run, OpePARAMEx* record);
// The web install: the newest package asked for, downloaded, checked and handed over. 0, -1 to -4,
// kProcedureCancelled.
int WebInstallProcedure(RunContext& run, OpePARAMEx* record);
// After an uninstall: the installer's own file (and the folder the install made) go through a
// command that runs once this process has ended. Does not return.
[[noreturn]] void DeleteInstaller(RunContext& run, OpePARAMEx* record);
// The uninstall survey's reasons from the update server, delivered to the window. 0 or -2.
int FetchTypeList(RunContext& run);
