// The engine's effects on Windows: files moved into place with the restart as the last resort,
// run-rule programs, registry values, shell shortcuts and COM registration.
#pragma once

#include <string>

#include "interface/Parser/EngineEffects.h"

class Win32EngineEffects final : public IEngineEffects {
public:
    // systemArch: the system's architecture text ("x64", ...), which 64-bit DLLs need the helper.
    explicit Win32EngineEffects(const std::wstring& systemArch) : m_systemArch(systemArch) {}

    bool Exists(const std::wstring& path) override;
    bool PassesThroughLink(const std::wstring& root, const std::wstring& relative) override;
    int CreateFolder(const std::wstring& path) override;
    void RemoveFile(const std::wstring& path) override;
    bool RemoveEmptyFolder(const std::wstring& path) override;
    void DeleteFolder(const std::wstring& path) override;
    int PlaceFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending) override;
    void SetFileTime(const std::wstring& path, int64_t milliseconds) override;
    void RunRule(const RuleRun& rule) override;
    bool WriteRegistryValue(const std::wstring& key, const std::wstring& name, const std::wstring& type,
                            const std::wstring& value) override;
    bool RemoveRegistryValue(const std::wstring& key, const std::wstring& name) override;
    bool RemoveRegistryDefault(const std::wstring& key) override;
    std::wstring ShortcutFolder(int kind) override;
    int CreateShortcut(const std::wstring& path, const std::wstring& target,
                       const std::wstring& args) override;
    int RegisterComponent(const std::wstring& path, const std::wstring& helper, bool registering) override;

    // Leaves src beside dst under the first free name dst.new, dst.new1, dst.new12, ... and
    // registers it to replace dst at the next restart. 0.
    static int PlaceAtRestart(const std::wstring& src, const std::wstring& dst, std::wstring& pending);

private:
    const std::wstring& m_systemArch;
};
