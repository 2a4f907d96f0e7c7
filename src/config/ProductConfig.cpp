// The product model: paths of its items and the filtering of its components for the running system.
#include "config/ProductConfig.h"

#include <algorithm>
#include <cwchar>

#include "config/ConfigText.h"
#include "config/OsCondition.h"
#include "config/SpecialFolders.h"
#include "system/FileHelpers.h"

using config::EqualsNoCase;

CProductConfig::CProductConfig() = default;
CProductConfig::~CProductConfig() = default;

int CProductConfig::SetInstallRoot(const std::wstring& path) {
    if (!sys::PathExists(path)) return -1;
    m_InstallRoot = path;
    return 0;
}

std::wstring CProductConfig::ExpandPath(const std::wstring& path) const { return ExpandPath(path, m_InstallRoot); }

std::wstring CProductConfig::ExpandPath(const std::wstring& path, const std::wstring& root) {
    // The macro stands at the start; what follows it is kept. An unavailable folder gives an
    // empty path, which later tests as a missing file.
    const std::wstring text = config::LowerAscii(path);
    struct Macro {
        const wchar_t* name;
        std::wstring (*folder)();
    };
    static const Macro kMacros[] = {
        {L"%programfiles%", config::UserProgramsFolder},
        {L"$desktop", config::UserDesktopFolder},
        {L"$system32", config::SystemFolder},
        {L"$windir", config::WindowsFolder},
    };
    for (const Macro& macro : kMacros) {
        if (text.find(macro.name) == std::wstring::npos) continue;
        const std::wstring folder = macro.folder();
        if (folder.empty()) return {};
        return folder + text.substr(std::wcslen(macro.name));
    }
    return root + text;
}

int CProductConfig::ApplyConditions(const std::string& version, const std::string& architecture) {
    std::stable_sort(m_ComponentConfigs.begin(), m_ComponentConfigs.end(),
                     [](const std::unique_ptr<CComponentConfig>& a, const std::unique_ptr<CComponentConfig>& b) {
                         return config::CompareUtf16(a->m_FileName, b->m_FileName) < 0;
                     });
    m_ComponentConfigs.erase(
        std::unique(m_ComponentConfigs.begin(), m_ComponentConfigs.end(),
                    [](const std::unique_ptr<CComponentConfig>& a, const std::unique_ptr<CComponentConfig>& b) {
                        return a->m_FileName == b->m_FileName;
                    }),
        m_ComponentConfigs.end());

    for (const auto& component : m_ComponentConfigs) {
        if (!version.empty()) {
            if (config::ContainsChar(version, '+') || !IsInTable(component->m_KnownOsVersions, version)) return -1;
        }
        if (!architecture.empty() && !IsInTable(component->m_Platforms, architecture)) return -1;
        for (FileItem& file : component->m_Files) {
            if (!version.empty()) {
                std::string_view os = AttrValue(file.attrs, "os");
                if (!os.empty() && !MatchOsCondition(os, version)) {
                    file.skip = true;
                    continue;
                }
            }
            std::string_view platform = AttrValue(file.attrs, "platform");
            if (!architecture.empty() && !platform.empty() && !EqualsNoCase(platform, architecture)) file.skip = true;
        }
    }
    DisableOrphanItems();
    return 0;
}

namespace {

// True when a file of the list whose path or newpath names the value is installed (not skipped).
// Every match counts: a product ships one file per architecture under the same name, and the
// one the system skips must not switch off the item the other one serves.
bool InstalledFileNamed(const std::vector<FileItem>& files, std::string_view value) {
    for (const FileItem& file : files) {
        if (file.skip) continue;
        if (EqualsNoCase(AttrValue(file.attrs, "path"), value) || EqualsNoCase(AttrValue(file.attrs, "newpath"), value)) {
            return true;
        }
    }
    return false;
}

// Applies installed(value) to every item of the component that refers to a file.
template <typename Installed>
void MarkOrphans(CComponentConfig& component, Installed installed) {
    for (ModuleItem& item : component.m_Modules) {
        if (!installed(AttrValue(item.attrs, "path"))) item.disabled = true;
    }
    for (DriverItem& item : component.m_Drivers) {
        if (!installed(AttrValue(item.attrs, "path"))) item.disabled = true;
    }
    for (RunRuleItem& item : component.m_RunRules) {
        if (!installed(AttrValue(item.attrs, "executable"))) item.disabled = true;
    }
    for (ShortcutItem& item : component.m_Shortcuts) {
        if (!installed(AttrValue(item.itemAttrs, "link"))) item.disabled = true;
    }
}

}  // namespace

int CProductConfig::DisableOrphanItems() {
    auto installed = [this](std::string_view value) {
        for (const auto& component : m_ComponentConfigs) {
            if (InstalledFileNamed(component->m_Files, value)) return true;
        }
        return false;
    };
    for (const auto& component : m_ComponentConfigs) MarkOrphans(*component, installed);
    return 0;
}

int DisableOrphanItems(CComponentConfig& set) {
    auto installed = [&set](std::string_view value) { return InstalledFileNamed(set.m_Files, value); };
    MarkOrphans(set, installed);
    return 0;
}
