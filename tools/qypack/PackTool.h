// The packing tool's whole run, independent of how the platform passes arguments.
#pragma once

#include <string>
#include <vector>

#include "ToolOutput.h"

int RunPackTool(const std::vector<std::string>& args);
