// How the packing tool talks: results on standard output, errors on standard error, each error
// with its exit code.
#pragma once

#include <cstdio>
#include <string>

enum PackToolExit {
    kExitOk = 0,
    kExitUsage = 1,
    kExitInput = 2,
    kExitBuild = 3,
    kExitOutput = 4,
    kExitCheck = 5,
};

// Prints "qypack: error: message" on standard error and returns code.
int Fail(int code, const std::string& message);
// A line about one place in a file ("file:line: error: message"), on standard error.
void ReportAt(const std::string& place, const std::string& message);
// A path as the user's system writes it.
std::string ShownPath(const std::wstring& path);
// Whether stream is a terminal, where a progress line may be rewritten in place.
bool IsTerminal(FILE* stream);
