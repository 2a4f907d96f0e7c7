// The results that cross the run's layers: what Init and a procedure return beyond their own
// small codes, and the process's exit codes.
#pragma once

// Init's result when another installer of the session runs; the process then ends with
// kExitAnotherInstallRunning, the code Windows installers use for "another installation is
// already in progress".
constexpr int kInitAnotherRun = -3;
constexpr int kExitAnotherInstallRunning = 1618;
// The exit code of a silent install or uninstall that did not complete, as Windows installers
// report a failed installation.
constexpr int kExitInstallFailed = 1603;
// A procedure's result when it ended with an exception, and when a user's close stopped it.
constexpr int kProcedureException = -9;
constexpr int kProcedureCancelled = -10;
// The exit code of a run the user ended before it completed, as Windows installers report it.
constexpr int kExitUserCancelled = 1602;
// The window factory's result for a silent run that did not complete (its window closed itself),
// or did not start because Init had failed.
constexpr int kSilentRunIncomplete = 1;
