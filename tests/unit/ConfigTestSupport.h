// Helpers of the configuration tests: a sink that keeps the reader's messages, files written
// into a test folder, and paths in the program's "\" form.
#pragma once

#include <string>
#include <vector>

#include "TestFolder.h"
#include "ui/IInstallUIPromptEx.h"

class MessageSink : public IInstallUIPromptEx {
public:
    void OnConfigError(std::string message) override { messages.push_back(std::move(message)); }
    std::vector<std::string> messages;
};

// Writes bytes to folder/relative (folders created) and returns the program's path of it.
std::wstring WriteConfigFile(const TestFolder& folder, const std::string& relative, const std::string& bytes);
// The program's form of a host path ("/" -> "\").
std::wstring ProgramPath(const std::string& hostPath);
// A host path as the program shows it in messages ("/" -> "\").
std::string Shown(std::string hostPath);
// The sample product's "package" folder in the source tree, as a program path ending in "\".
std::wstring SampleRoot();
