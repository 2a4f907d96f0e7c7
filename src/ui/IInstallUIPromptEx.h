// The windows' progress interface; it is defined on the ground floor, below the driver and the
// engine that report through it.
#pragma once

#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"
