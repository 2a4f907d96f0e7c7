// --list and --extract: an installer as the installer's own package reader sees it.
#pragma once

#include <string>

// Lists the packages and entries of installer, or, with extractTo, extracts package n into
// extractTo/n. An exit code.
int InspectInstaller(const std::string& installer, const std::string* extractTo);
