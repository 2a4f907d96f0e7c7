#include "driver/ProductRegistration.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "driver/ProductKeys.h"
#include "interface/Parser/RegEditor.h"
#include "system/TextRules.h"
#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"

namespace {}  // namespace

std::wstring InstallKeyPath() {
    return std::wstring(L"HKLM\\") + product_keys::kInstallKey;
}
std::wstring UninstallKeyPath() {
    return std::wstring(L"HKLM\\") + product_keys::kUninstallKey;
}

std::wstring UninstallCommand(const std::wstring& folder) {
    const std::wstring program = folder + L"\\PackageManager.exe";
    const bool blank = program.find(L' ') != std::wstring::npos;
    return (blank ? L"\"" + program + L"\"" : program) + L" /uninstall";
}

int CreateUninstallRegInfo(const std::wstring& folder, const std::wstring& version, uint64_t installedSize,
                           IInstallUIPromptEx* prompt) {
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    wchar_t date[16];
    std::swprintf(date, 16, L"%4d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const std::wstring key = UninstallKeyPath();
    if (prompt) prompt->OnStep(kActionUninstallInfo, 5, key);

    struct Value {
        const wchar_t* name;
        int type;
        std::wstring data;
    };
    const Value values[] = {
        {L"DisplayName", REG_SZ, L"Quilly"},
        {L"DisplayVersion", REG_SZ, version},
        {L"EstimatedSize", REG_DWORD, std::to_wstring(installedSize / 1024)},
        {L"InstallDate", REG_SZ, date},
        {L"Publisher", REG_SZ, L"Morvane"},
        {L"UninstallString", REG_SZ, UninstallCommand(folder)},
        {L"DisplayIcon", REG_SZ, folder + L"\\PackageManager.exe"},
    };
    for (const Value& value : values) {
        long error = 0;
        if (!RegWriteValue(key, value.name, value.type, value.data, &error))
            return error != 0 ? static_cast<int>(error) : -1;
    }
    return 0;
}

bool WriteInstallReg(const std::wstring& folder) {
    return RegWriteValue(InstallKeyPath(), product_keys::kInstallPathValue, REG_SZ, folder);
}

bool RecordCreatedFolder(const std::wstring& folder) {
    return RegWriteValue(InstallKeyPath(), product_keys::kCreatedFolderValue, REG_SZ, folder);
}

bool InstallCreatedFolder(const std::wstring& folder) {
    std::wstring recorded;
    if (!RegReadValue(InstallKeyPath(), product_keys::kCreatedFolderValue, recorded)) return false;
    const auto trimmed = [](std::wstring path) {
        while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
        return path;
    };
    return !folder.empty() && sys::EqualsNoCase(trimmed(recorded), trimmed(folder));
}

int GetRegInstallPath(std::wstring& path) {
    std::wstring read;
    if (RegReadValue(InstallKeyPath(), product_keys::kInstallPathValue, read)) path = read;
    return 0;
}

int DeleteRegInfo(const std::wstring& keyPath) {
    return CRegEditor::Clean(keyPath, L"") ? 0 : 1;
}
