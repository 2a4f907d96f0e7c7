// qypack init DIR --name NAME: a product description for the files below a folder that packs and
// installs as it is, for a team to start from.
#pragma once

#include <string>
#include <vector>

int RunInitCommand(const std::vector<std::string>& args);
