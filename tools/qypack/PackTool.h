// The packing tool's whole run, independent of how the platform passes arguments.
#pragma once

#include <string>
#include <vector>

enum PackToolExit {
    kExitOk = 0,
    kExitUsage = 1,
    kExitInput = 2,
    kExitBuild = 3,
    kExitOutput = 4,
};

int RunPackTool(const std::vector<std::string>& args);
