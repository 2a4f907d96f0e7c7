// The engine's effects through Win32: what the steps decided, done to the machine.
#include "interface/Parser/Win32EngineEffects.h"

#include <windows.h>
#include <sys/utime.h>

#include "common/log/log4z.h"
#include "config/ConfigItems.h"
#include "interface/Parser/ItemAttributes.h"
#include "interface/Parser/Program.h"
#include "interface/Parser/RegEditor.h"
#include "interface/Parser/ShortCut.h"
#include "system/ComponentCall.h"
#include "system/FileHelpers.h"
#include "system/SystemInfo.h"
#include "system/TextRules.h"

namespace {

constexpr char kLogSource[] = "interface/Parser/UpdateEngEx";

std::wstring ImageName(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Starts an EXEC rule's program with its log lines (the delete side's failure lines end in " | ");
// the process handle, or none when the start failed.
sys::UniqueHandle StartRuleProgram(const RuleRun& rule) {
    const std::wstring& exe = rule.executable;
    const std::wstring& args = rule.arguments;
    sys::UniqueHandle process;
    if (rule.asUser) {
        QYLOG_INFO("RunProgramAsUser, When: %s, ExecPath: %S, ExecArgs: %S | ", rule.phase, exe.c_str(),
                   args.c_str());
        const int r = CProgram::RunProgramAsUser(exe, args, &process);
        if (r != 0) {
            QYLOG_ERROR("RunProgramAsUser failed, iRet:%d, ExecPath:%S, ExecArgs:%S %s", r, exe.c_str(),
                        args.c_str(), rule.deleteSide ? "| " : "");
        }
    } else {
        QYLOG_INFO("RunProgram, When: %s, ExecPath: %S, ExecArgs: %S", rule.phase, exe.c_str(), args.c_str());
        const int r = CProgram::RunProgram(exe, args, &process);
        if (r != 0) {
            QYLOG_ERROR("RunProgram failed, iRet:%d, ExecPath:%S, ExecArgs:%S%s", r, exe.c_str(),
                        args.c_str(), rule.deleteSide ? " | " : "");
        }
    }
    return process;
}

struct Verbs {
    const wchar_t* serverSwitch;  // for executables
    const wchar_t* helperSwitch;  // for the 64-bit helper
    const char* exportName;       // for DLLs loaded here
};
constexpr Verbs kRegister = {L"/regserver", L"/r", "DllRegisterServer"};
constexpr Verbs kUnregister = {L"/unregserver", L"/u", "DllUnregisterServer"};

}  // namespace

bool Win32EngineEffects::Exists(const std::wstring& path) {
    return sys::PathExists(path);
}

bool Win32EngineEffects::PassesThroughLink(const std::wstring& root, const std::wstring& relative) {
    return sys::PassesThroughLink(root, relative);
}

int Win32EngineEffects::CreateFolder(const std::wstring& path) {
    return sys::CreateFolderTree(path);
}

void Win32EngineEffects::RemoveFile(const std::wstring& path) {
    sys::DeleteOrSchedule(path);
}

bool Win32EngineEffects::RemoveEmptyFolder(const std::wstring& path) {
    return sys::IsPlainFolder(path) && ::RemoveDirectoryW(path.c_str());
}

void Win32EngineEffects::DeleteFolder(const std::wstring& path) {
    sys::DeleteFolder(path, {});
}

int Win32EngineEffects::PlaceFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending) {
    pending.clear();
    if (::MoveFileW(src.c_str(), dst.c_str())) return 0;
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
        QYLOG_ERROR("UpdateFile, error: 2, cannot find file: %S", src.c_str());
        return -1;
    }
    auto onReboot = [&] {
        PlaceAtRestart(src, dst, pending);
        if (!sys::PathExists(pending)) {
            // Neither now nor at the restart: a failure, never reported as placed.
            QYLOG_ERROR("UpdateFile, cannot place %S, not even at the next restart, err %d", dst.c_str(),
                        static_cast<int>(::GetLastError()));
            pending.clear();
            return -1;
        }
        QYLOG_INFO("Reboot flag set on cover file, FileSrcPath: %S, FileDstPath: %S", src.c_str(),
                   dst.c_str());
        return 1;
    };
    if (sys::GetSystemInfo().major >= 6) {
        // A destination in use is moved aside (and removed at the next restart).
        if (sys::DeleteOrSchedule(dst) == -1) return onReboot();
    } else if (!::DeleteFileW(dst.c_str())) {
        // Before Vista a file in use cannot be moved aside either: the old one stays until the
        // restart swaps the new one in, so the product is never without the file.
        return onReboot();
    }
    if (::MoveFileW(src.c_str(), dst.c_str())) return 0;
    if (::CopyFileW(src.c_str(), dst.c_str(), TRUE)) return 0;
    // Placed neither now nor by a copy: it arrives at the next restart instead.
    return onReboot();
}

int Win32EngineEffects::PlaceAtRestart(const std::wstring& src, const std::wstring& dst,
                                       std::wstring& pending) {
    std::wstring suffix = L".new";
    for (int n = 1; sys::PathExists(dst + suffix); ++n) suffix += std::to_wstring(n);
    pending = dst + suffix;
    // A source that cannot be moved (held open by another program) is copied instead.
    if (!::MoveFileW(src.c_str(), pending.c_str())) ::CopyFileW(src.c_str(), pending.c_str(), TRUE);
    ::MoveFileExW(pending.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

void Win32EngineEffects::SetFileTime(const std::wstring& path, int64_t milliseconds) {
    struct __utimbuf64 times = {};
    times.actime = 0;
    times.modtime = milliseconds / 1000;
    ::_wutime64(path.c_str(), &times);
}

void Win32EngineEffects::RunRule(const RuleRun& rule) {
    switch (rule.command) {
        case RuleCommand::Exec: {
            const sys::UniqueHandle process = StartRuleProgram(rule);
            if (rule.wait && process) {
                const bool ended = CProgram::WaitFor(process, rule.deleteSide ? 10000 : 15000);
                if (!ended && rule.deleteSide) CProgram::KillProcessByName(ImageName(rule.executable));
            }
            break;
        }
        case RuleCommand::DllCall:
            QYLOG_INFO("DLLCALL, When: %s, ExecPath:%S, ExecArgs:%S ", rule.phase, rule.executable.c_str(),
                       rule.arguments.c_str());
            CProgram::DllCall(RegistrationHelper(rule.root), rule.executable, rule.arguments);
            break;
        case RuleCommand::Kill:
            CProgram::KillProcessByName(ImageName(rule.executable));
            break;
        case RuleCommand::None:
            break;
    }
}

bool Win32EngineEffects::WriteRegistryValue(const std::wstring& key, const std::wstring& name,
                                            const std::wstring& type, const std::wstring& value) {
    return UpdateRegistry(key, name, type, value);
}

bool Win32EngineEffects::RemoveRegistryValue(const std::wstring& key, const std::wstring& name) {
    return CRegEditor::Clean(key, name);
}

bool Win32EngineEffects::RemoveRegistryDefault(const std::wstring& key) {
    return CRegEditor::DeleteDefaultValue(key);
}

std::wstring Win32EngineEffects::ShortcutFolder(int kind) {
    switch (kind) {
        case SK_DESKTOP:
            return GetDesktopFolder();
        case SK_STARTMENU:
            return GetProgramsFolder();
        case SK_QUICKLAUNCH:
            return GetTaskbarPinFolder();
        default:
            return {};
    }
}

int Win32EngineEffects::CreateShortcut(const std::wstring& path, const std::wstring& target,
                                       const std::wstring& args) {
    return CreateShortCut(path, target, args);
}

int Win32EngineEffects::RegisterComponent(const std::wstring& path, const std::wstring& helper,
                                          bool registering) {
    const Verbs& verbs = registering ? kRegister : kUnregister;
    // A path too short for a suffix is a DLL.
    if (path.size() >= 3 && sys::EqualsNoCase(std::wstring_view(path).substr(path.size() - 3), L"exe")) {
        CProgram::RunToEnd(path, verbs.serverSwitch);  // a failed start goes unnoticed
        return 0;
    }
    if (CProgram::IsX64Image(path) && m_systemArch == L"x64") {
        CProgram::RunToEnd(helper, std::wstring(L" ") + verbs.helperSwitch + L" \"" + path + L"\"");
        return 0;
    }
    return sys::CallRegistrationExport(path, verbs.exportName);
}
