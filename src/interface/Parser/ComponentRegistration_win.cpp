// Component registration: the COM servers of the RegModules lists, registered after the files
// are in place and unregistered before they go.
#include <string>

#include "common/log/log4z.h"
#include "interface/Parser/StepProgress.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/ComponentCall.h"
#include "system/FileHelpers.h"
#include "system/TextRules.h"
#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"

namespace {

// Component registration is one of the engine's steps: its lines carry the engine's name.
constexpr char kLogSource[] = "interface/Parser/UpdateEngEx";

struct Verbs {
    const wchar_t* serverSwitch;  // for executables
    const wchar_t* helperSwitch;  // for the 64-bit helper
    const char* exportName;       // for DLLs loaded here
};
constexpr Verbs kRegister = {L"/regserver", L"/r", "DllRegisterServer"};
constexpr Verbs kUnregister = {L"/unregserver", L"/u", "DllUnregisterServer"};

int ApplyToComponent(const std::wstring& path, const std::wstring& helper, const Verbs& verbs,
                     const std::wstring& arch) {
    // A path too short for a suffix is a DLL.
    if (path.size() >= 3 && sys::EqualsNoCase(std::wstring_view(path).substr(path.size() - 3), L"exe")) {
        CProgram::RunToEnd(path, verbs.serverSwitch);  // a failed start goes unnoticed
        return 0;
    }
    if (CProgram::IsX64Image(path) && arch == L"x64") {
        CProgram::RunToEnd(helper, std::wstring(L" ") + verbs.helperSwitch + L" \"" + path + L"\"");
        return 0;
    }
    return sys::CallRegistrationExport(path, verbs.exportName);
}

// The module's path below root, or empty (with a line) when the item has none.
std::wstring ModulePath(const ModuleItem& module, const std::wstring& root, const char* step) {
    const std::wstring path = GetAttr(module.attrs, "path");
    if (path.empty()) {
        QYLOG_ERROR("%s, module without path skipped | ", step);
        return path;
    }
    // Only the product's own modules, below its folder, are registered or unregistered.
    if (!sys::StaysInside(path)) {
        QYLOG_ERROR("%s, refused a module whose path leaves the install folder, Path:%S | ", step,
                    path.c_str());
        return {};
    }
    return root + L"\\" + path;
}

}  // namespace

int CUpdateEngEx::RegComponent(const std::wstring& path, const std::wstring& helper) {
    return ApplyToComponent(path, helper, kRegister, m_SystemArch);
}

int CUpdateEngEx::UnregComponent(const std::wstring& path, const std::wstring& helper) {
    return ApplyToComponent(path, helper, kUnregister, m_SystemArch);
}

int CUpdateEngEx::InstallDlls() {
    StepProgress progress(m_pPrompt, kActionRunComponent, m_AddSet.m_Modules.size(), 5);
    for (const ModuleItem& module : m_AddSet.m_Modules) {
        if (module.disabled) continue;
        const std::wstring dll = ModulePath(module, NewRoot(), "InstallDlls");
        if (dll.empty()) continue;
        QYLOG_INFO("InstallDlls, RegComponent, DllPath: %S | ", dll.c_str());
        progress.Reached(dll);
        const int r = RegComponent(dll, RegistrationHelper(NewRoot()));
        if (r == sys::kExportMissing) {
            QYLOG_INFO("InstallDlls, RegComponent failed, GetProcAddress failed, DllPath: %S | ",
                       dll.c_str());
        } else if (r < 0) {
            QYLOG_INFO("InstallDlls, RegComponent failed, DllRegisterServer ret: %x, DllPath: %S | ",
                       static_cast<unsigned>(r), dll.c_str());
        } else if (r > 0) {
            QYLOG_INFO("InstallDlls, RegComponent failed, LoadLibraryEx err: %x, DllPath: %S | ",
                       static_cast<unsigned>(r), dll.c_str());
        }
    }
    progress.Finish(kActionRunComponent);
    return 0;
}

int CUpdateEngEx::UninstallDlls() {
    for (const ModuleItem& module : m_DeleteSet.m_Modules) {
        if (module.disabled) continue;
        const std::wstring dll = ModulePath(module, OldRoot(), "UninstallDlls");
        if (dll.empty()) continue;
        const int r = UnregComponent(dll, RegistrationHelper(OldRoot()));
        if (r != 0)
            QYLOG_FATAL("UninstallDlls, UnregComponent failed, iRet: %d, DllPath: %S | ", r, dll.c_str());
    }
    return 0;
}
