// Helpers of the configuration tests: a sink that keeps the reader's messages, files written
// into a test folder, paths in the program's "\" form, and a file system described in memory.
#pragma once

#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "TestFolder.h"
#include "system/FileProbe.h"
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

// Files by lower-case path (the check lower-cases what it resolves, as the file system ignores case).
class FakeDisk final : public sys::IFileProbe {
public:
    void Put(const std::wstring& path, int64_t timeMs, uint32_t size) { m_files[Key(path)] = {timeMs, size}; }
    bool Exists(const std::wstring& path) const override { return m_files.count(Key(path)) != 0; }
    bool Entry(const std::wstring& path, sys::DirectoryEntry& entry) const override {
        auto it = m_files.find(Key(path));
        if (it == m_files.end()) return false;
        entry = it->second;
        return true;
    }

private:
    static std::wstring Key(std::wstring path) {
        for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
        return path;
    }
    std::map<std::wstring, sys::DirectoryEntry> m_files;
};
