// qypack stamp CONFIG... --base DIR: component files kept under version control get their file
// records from the real files, rewritten in place.
#pragma once

#include <string>
#include <vector>

int RunStampCommand(const std::vector<std::string>& args);
