// What the windows show of the driver's progress reports: the status text of an action code and
// the percentage arithmetic every wizard window shares.
#pragma once

#include <string>

// The status text of an action code; codes without a row give the text for other actions.
std::wstring GetActionText(int action);

// The running percentage after OnStep: it only reaches 100 through action 26 (completion), which
// always gives 100; anything else stops at 99.
int StepPercentage(int running, int action, int increment);

// The percentage OnStepProgress shows for position of total inside a step worth share points on
// top of running; at most 99. A total or share of 0 shows running unchanged.
int ProgressPercentage(int running, int position, int total, int share);

// The download's speed detail "，速度：2.00kB": in M above 1 MiB per second, in kB above 1 KiB,
// in B up to it.
std::wstring DownloadSpeedText(double bytesPerSecond);

// "37%".
std::wstring PercentText(int percent);

// The action code that marks the end of an operation.
constexpr int kActionComplete = 26;
// The web install's download, and its last step (starting the downloaded installer).
constexpr int kActionDownload = 8;
constexpr int kActionInstalling = 29;
