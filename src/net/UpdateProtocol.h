// The three questions the installer asks its update server: the newest package for this
// installer, the uninstall survey's reasons, and the survey answer.
#pragma once

#include <cstdint>
#include <string>

#include "net/UpdateAnswers.h"

class IInstallUIPromptEx;

// What the installer reads from its own file name "product#channel#type...".
struct InstallerNameInfo {
    std::string product;
    std::string channel;
    int32_t ver = 0;
    int32_t type = 0;
};

// From the program's full path: 0, -2 (no first token), -3 (no second token).
int ParseFileName(const std::wstring& programPath, InstallerNameInfo& info);
// The search request and its answer: 0, -1 (file name), -2 (no answer), -3 (JSON null), -4
// (code not 0, or not the expected JSON), -6 (no full package of the newest version).
int GetDownloadUrl(const std::wstring& programPath, PackageInfo& package);
// The reasons list, handed unchanged to prompt (may be null): 0, or -2 when nothing came.
int GetTypeList(IInstallUIPromptEx* prompt);
// Posts the survey answer (JSON text) when there is one; failures are logged.
void CommitInfo(const std::wstring& answer);
// The query string of the search request for the file name's values (values percent-encoded).
std::string SearchAddress(const InstallerNameInfo& info);
