// The percentage arithmetic every wizard window shares.
#pragma once

#include <string>

#include "common/run/ProgressActions.h"

// The running percentage after OnStep: it only reaches 100 through action 26 (completion), which
// always gives 100; anything else stops at 99.
int StepPercentage(int running, int action, int increment);

// The percentage OnStepProgress shows for position of total inside a step worth share points on
// top of running; at most 99. A total or share of 0 shows running unchanged.
int ProgressPercentage(int running, int position, int total, int share);

// "37%".
std::wstring PercentText(int percent);
