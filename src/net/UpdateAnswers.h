// The update server's three JSON answers, read without the network: the newest package, the
// uninstall survey's reasons and the survey's confirmation. Each reader logs its failure with the
// line of the operation that asked and returns that operation's code, so the answers can be
// tested and fuzzed as plain text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The newest package as the server announces it.
struct PackageInfo {
    std::string url;
    std::string fileName;
    std::string md5;
    int32_t size = 0;
};

// One reason of the uninstall survey.
struct SurveyReason {
    int id = 0;
    std::string name;  // UTF-8
};

// The search answer for the request at address: 0, -3 (JSON null), -4 (code not 0, or not the
// expected JSON), -6 (no full package of the newest version).
int ParseSearchAnswer(const std::string& body, const std::string& address, PackageInfo& package);
// The reasons list: true with the reasons in display order; false with the JSON library's message.
bool ParseTypeList(const std::string& body, std::vector<SurveyReason>& reasons, std::string& error);
// The survey's confirmation from address: 0 when its code is 0, -1 otherwise (logged).
int ParseConfirmAnswer(const std::string& body, const std::string& address);
