#include "interface/Parser/UpdateEngEx.h"

#include <windows.h>
#include <sys/utime.h>

#include <algorithm>
#include <set>

#include "common/log/log4z.h"
#include "config/ConfigText.h"
#include "common/run/OpePARAMEx.h"
#include "interface/Parser/RegEditor.h"
#include "interface/Parser/ShortCut.h"
#include "interface/Parser/StepProgress.h"
#include "system/FileHelpers.h"
#include "system/SharedRegistryKeys.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"

namespace {

constexpr char kLogSource[] = "interface/Parser/UpdateEngEx";

// Sets last-access 1970-01-01 00:00:00 UTC and last-write seconds since then; failures ignored.
void SetFileTimes(const std::wstring& path, const std::wstring& time) {
    const int64_t milliseconds = config::ParseInt64(sys::WideToUtf8(time));
    struct __utimbuf64 times = {};
    times.actime = 0;
    times.modtime = milliseconds / 1000;
    ::_wutime64(path.c_str(), &times);
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::wstring GetAttr(const AttrMap& attrs, std::string_view name) {
    return sys::Utf8ToWide(std::string(AttrValue(attrs, name)));
}

std::wstring GetItemPath(const FileItem& item) {
    return FileTargetPath(item.attrs);
}

std::wstring RegistrationHelper(const std::wstring& root) {
    return root + L"\\Setup\\DllRegX64.exe";
}

std::string LanguageAttrName(std::string_view base) {
    return std::string(base) + "_" + sys::WideToUtf8(sys::GetSystemInfo().languageCode);
}

CUpdateEngEx& GetUpdateEngine() {
    static CUpdateEngEx engine;
    return engine;
}

CUpdateEngEx::CUpdateEngEx(const sys::IFileProbe* disk)
    : CCheckDiff(disk), m_SystemArch(sys::GetSystemInfo().archText) {}

CUpdateEngEx::~CUpdateEngEx() = default;

int CUpdateEngEx::CheckProductDifference(int mode) {
    m_InstallRoot = mode == 2 ? OldRoot() : NewRoot();
    while (!m_InstallRoot.empty() && (m_InstallRoot.back() == L'\\' || m_InstallRoot.back() == L'/')) {
        m_InstallRoot.pop_back();
    }
    return CheckProductDifference(m_DeleteSet, m_AddSet, mode);
}

int CUpdateEngEx::UpdateFiles() {
    DeleteProductFile({});
    m_AddResult = AddProductFile();
    return 0;
}

int CUpdateEngEx::DeleteProductFile(std::vector<std::wstring> keep) {
    for (const FileItem& item : m_DeleteSet.m_Files) {
        if (item.skip) continue;
        const std::wstring rel = GetItemPath(item);
        bool kept = false;
        for (const std::wstring& prefix : keep) kept = kept || StartsWith(rel, prefix);
        if (kept) continue;
        if (!sys::StaysInside(rel) || sys::PassesThroughLink(OldRoot(), rel)) {
            QYLOG_ERROR("DeleteProductFile, skipped a path outside the installation %S", rel.c_str());
            continue;
        }
        const std::wstring full = OldRoot() + L"\\" + rel;
        sys::DeleteOrSchedule(full);  // a file in use is moved aside or left to the restart
        QYLOG_INFO("DeleteProductFile, DeleteFile %S", full.c_str());
    }
    return 0;
}

void CUpdateEngEx::RemoveEmptyProductFolders() {
    std::set<std::wstring> folders;
    for (const FileItem& item : m_DeleteSet.m_Files) {
        const std::wstring rel = GetItemPath(item);
        if (item.skip || !sys::StaysInside(rel)) continue;
        for (size_t slash = rel.find_last_of(L"\\/"); slash != std::wstring::npos && slash > 0;
             slash = rel.find_last_of(L"\\/", slash - 1)) {
            folders.insert(rel.substr(0, slash));
        }
    }
    std::vector<std::wstring> deepestFirst(folders.begin(), folders.end());
    const auto depth = [](const std::wstring& path) {
        return std::count_if(path.begin(), path.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; });
    };
    std::stable_sort(deepestFirst.begin(), deepestFirst.end(),
                     [&](const std::wstring& a, const std::wstring& b) { return depth(a) > depth(b); });
    for (const std::wstring& folder : deepestFirst) {
        const std::wstring full = OldRoot() + L"\\" + folder;
        if (sys::IsPlainFolder(full) && ::RemoveDirectoryW(full.c_str())) {
            QYLOG_INFO("DeleteProductFile, RemoveDirectory %S", full.c_str());
        }
    }
}

int CUpdateEngEx::AddProductFile() {
    StepProgress progress(m_pPrompt, kActionCopy, m_AddSet.m_Files.size(), 50);
    int result = 0;
    // Thousands of files share a few folders; each is made (or found) once.
    std::set<std::wstring> madeFolders;
    std::set<std::wstring> plainFolders;
    for (size_t index = 0; index < m_AddSet.m_Files.size(); ++index) {
        const FileItem& item = m_AddSet.m_Files[index];
        if (item.skip) continue;
        if (m_Cancelled && m_Cancelled()) {
            QYLOG_ERROR("AddProductFile, cancelled after %d of %d files", progress.Reported(),
                        progress.Total());
            result = -3;
            break;
        }
        const std::wstring path = GetAttr(item.attrs, "path");
        const std::wstring time = GetAttr(item.attrs, "time");
        const std::wstring target = GetItemPath(item);
        if (!sys::StaysInside(path) || !sys::StaysInside(target)) {
            QYLOG_ERROR("AddProductFile, skipped a path outside its folder %S -> %S", path.c_str(),
                        target.c_str());
            continue;
        }
        const size_t slash = target.rfind(L'\\');
        const std::wstring targetDir = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash);
        const std::wstring src = StagingFolder() + L"\\" + path;
        const std::wstring dstDir = NewRoot() + L"\\" + targetDir;
        const int created = madeFolders.count(dstDir) ? 0 : sys::CreateFolderTree(dstDir);
        if (created == 0) madeFolders.insert(dstDir);
        if (created != 0 && created != ERROR_ALREADY_EXISTS) {
            QYLOG_ERROR("AddProductFile, SHCreateDirectoryEx fail FileDstDir %S err %d", dstDir.c_str(),
                        created);
            result = -1;
            break;
        }
        const std::wstring dst = NewRoot() + L"\\" + target;
        progress.Reached(target);
        // Never through a link: a folder of the product that points elsewhere would carry the
        // file, written elevated, wherever it points. Each folder is asked once.
        if (!plainFolders.count(dstDir)) {
            if (sys::PassesThroughLink(NewRoot(), target)) {
                QYLOG_ERROR("AddProductFile, refused to write through a link below %S: %S", NewRoot().c_str(),
                            target.c_str());
                result = -2;
                break;
            }
            plainFolders.insert(dstDir);
        }
        std::wstring pending;
        bool stamped = false;
        const int placed = PlaceFile(index, src, dst, pending, stamped);
        if (placed < 0) {
            QYLOG_ERROR("AddProductFile, UpdateFile fail FileSrc %S FileDst %S iUpdateRet %d err %d",
                        src.c_str(), dst.c_str(), placed, static_cast<int>(::GetLastError()));
            result = -2;
            break;
        }
        QYLOG_INFO("AddProductFile, UpdateFile FileSrc %S FileDst %S", src.c_str(), dst.c_str());
        if (!time.empty() && !stamped) SetFileTimes(placed == 1 ? pending : dst, time);
    }
    progress.Finish(kActionOther);
    return result;
}

int CUpdateEngEx::PlaceFile(size_t index, const std::wstring& src, const std::wstring& dst,
                            std::wstring& pending, bool& stamped) {
    stamped = false;
    if (m_FileSupply) {
        const int direct = m_FileSupply->WriteFile(index, dst);
        if (direct == 0) {
            pending.clear();
            stamped = true;
            return 0;
        }
        // The installed copy (in use, perhaps, or a link) is in the way: the new file goes to the
        // staging folder and replaces it as a staged file would.
        if (direct != IFileSupply::kNotSupplied) {
            // Its folders in the staging folder were left out with it.
            sys::CreateFolderTree(src.substr(0, src.rfind(L'\\')));
            stamped = m_FileSupply->WriteFile(index, src) == 0;
        }
    }
    return UpdateFile(src, dst, pending);
}

int CUpdateEngEx::UpdateFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending) {
    pending.clear();
    if (::MoveFileW(src.c_str(), dst.c_str())) return 0;
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
        QYLOG_ERROR("UpdateFile, error: 2, cannot find file: %S", src.c_str());
        return -1;
    }
    auto onReboot = [&] {
        UpdateFileOnReboot(src, dst, pending);
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

int CUpdateEngEx::UpdateFileOnReboot(const std::wstring& src, const std::wstring& dst,
                                     std::wstring& pending) {
    std::wstring suffix = L".new";
    for (int n = 1; sys::PathExists(dst + suffix); ++n) suffix += std::to_wstring(n);
    pending = dst + suffix;
    // A source that cannot be moved (held open by another program) is copied instead.
    if (!::MoveFileW(src.c_str(), pending.c_str())) ::CopyFileW(src.c_str(), pending.c_str(), TRUE);
    ::MoveFileExW(pending.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

namespace {

std::wstring ImageName(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Starts an EXEC rule's program with its log lines (the delete side's failure lines end in " | ");
// the process handle, or none when the start failed.
sys::UniqueHandle StartRuleProgram(const char* phase, const std::wstring& exe, const std::wstring& args,
                                   bool asUser, bool deleteSide) {
    sys::UniqueHandle process;
    if (asUser) {
        QYLOG_INFO("RunProgramAsUser, When: %s, ExecPath: %S, ExecArgs: %S | ", phase, exe.c_str(),
                   args.c_str());
        const int r = CProgram::RunProgramAsUser(exe, args, &process);
        if (r != 0) {
            QYLOG_ERROR("RunProgramAsUser failed, iRet:%d, ExecPath:%S, ExecArgs:%S %s", r, exe.c_str(),
                        args.c_str(), deleteSide ? "| " : "");
        }
    } else {
        QYLOG_INFO("RunProgram, When: %s, ExecPath: %S, ExecArgs: %S", phase, exe.c_str(), args.c_str());
        const int r = CProgram::RunProgram(exe, args, &process);
        if (r != 0) {
            QYLOG_ERROR("RunProgram failed, iRet:%d, ExecPath:%S, ExecArgs:%S%s", r, exe.c_str(),
                        args.c_str(), deleteSide ? " | " : "");
        }
    }
    return process;
}

enum class RuleCommand { None, Exec, DllCall, Kill };

// The add side reads cmd without regard to case, the delete side exactly as written.
RuleCommand CommandOf(const std::wstring& cmd, bool exact) {
    const std::pair<const wchar_t*, RuleCommand> commands[] = {
        {L"EXEC", RuleCommand::Exec}, {L"DLLCALL", RuleCommand::DllCall}, {L"KILL", RuleCommand::Kill}};
    for (const auto& command : commands) {
        if (exact ? cmd == command.first : sys::EqualsNoCase(cmd, command.first)) return command.second;
    }
    return RuleCommand::None;
}

// Carries out one rule below root. The sides differ in their waits: the add side waits up to
// 15 s and goes on; the delete side waits up to 10 s and then ends the program by its image name.
void RunRule(const char* phase, RuleCommand command, const std::wstring& exe, const std::wstring& args,
             bool asUser, bool wait, bool deleteSide, const std::wstring& root) {
    switch (command) {
        case RuleCommand::Exec: {
            const sys::UniqueHandle process = StartRuleProgram(phase, exe, args, asUser, deleteSide);
            if (wait && process) {
                const bool ended = CProgram::WaitFor(process, deleteSide ? 10000 : 15000);
                if (!ended && deleteSide) CProgram::KillProcessByName(ImageName(exe));
            }
            break;
        }
        case RuleCommand::DllCall:
            QYLOG_INFO("DLLCALL, When: %s, ExecPath:%S, ExecArgs:%S ", phase, exe.c_str(), args.c_str());
            CProgram::DllCall(RegistrationHelper(root), exe, args);
            break;
        case RuleCommand::Kill:
            CProgram::KillProcessByName(ImageName(exe));
            break;
        case RuleCommand::None:
            break;
    }
}

}  // namespace

namespace {

// A rule's executable is a path below the install folder: one that leaves it (..\..\x.exe, a drive,
// a share) would run whatever lies there, elevated.
bool ExecutableStaysInside(const RunRuleItem& rule, const char* step) {
    const std::wstring executable = GetAttr(rule.attrs, "executable");
    if (sys::StaysInside(executable)) return true;
    QYLOG_ERROR("%s, refused a rule whose executable leaves the install folder, ExecPath: %S | ", step,
                executable.c_str());
    return false;
}

}  // namespace

void CUpdateEngEx::DoRunruleInAddList(const char* phase) {
    QYLOG_INFO("DoRunruleInAddList, When %s", phase);
    for (const RunRuleItem& rule : m_AddSet.m_RunRules) {
        if (AttrValue(rule.attrs, "when") != phase) continue;
        if (!ExecutableStaysInside(rule, "DoRunruleInAddList")) continue;
        const std::wstring exe = NewRoot() + L"\\" + GetAttr(rule.attrs, "executable");
        if (!sys::PathExists(exe)) continue;
        RunRule(phase, CommandOf(GetAttr(rule.attrs, "cmd"), false), exe, GetAttr(rule.attrs, "args"),
                GetAttr(rule.attrs, "runMode") == L"asUser",
                sys::EqualsNoCase(GetAttr(rule.attrs, "bwaitend"), L"true"), false, NewRoot());
    }
}

void CUpdateEngEx::DoRunruleInDeleteList(const char* phase) {
    const auto& rules = m_DeleteSet.m_RunRules;
    for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
        const RunRuleItem& rule = *it;
        if (AttrValue(rule.attrs, "when") != phase) continue;
        if (!ExecutableStaysInside(rule, "DoRunruleInDeleteList")) continue;
        const std::wstring executable = GetAttr(rule.attrs, "executable");
        const std::wstring exe = OldRoot() + L"\\" + executable;
        if (!sys::PathExists(exe)) {
            QYLOG_ERROR("----------Not exist: DoRunruleInDeleteList, When: %s, ExecPath: %S | ", phase,
                        executable.c_str());
            continue;
        }
        // Absent attributes mean: wait, "EXEC", as the installer.
        const bool wait = !HasAttr(rule.attrs, "bwaitend") || GetAttr(rule.attrs, "bwaitend") == L"true";
        const std::wstring cmd = HasAttr(rule.attrs, "cmd") ? GetAttr(rule.attrs, "cmd") : L"EXEC";
        RunRule(phase, CommandOf(cmd, true), exe, GetAttr(rule.attrs, "args"),
                GetAttr(rule.attrs, "runMode") == L"asUser", wait, true, OldRoot());
    }
}

int CUpdateEngEx::InstallRegistrations(const OpePARAMEx* record) {
    InstallDlls();
    InstallRegs(record ? record->m_RegFlag != 0 : false);
    return InstallShortcuts(record ? record->m_DesktopShortcut != 0 : true);
}

namespace {

struct RegValue {
    std::wstring key, name, type, value;
};

// The item's values; false (and one line) for an item without key or type, which has no meaning
// for the registry. An empty name names the key's default value.
bool ReadRegItem(const RegItem& item, const char* step, RegValue& out) {
    out.key = GetAttr(item.attrs, "key");
    out.name = GetAttr(item.attrs, "name");
    out.type = GetAttr(item.attrs, "type");
    out.value = GetAttr(item.attrs, "value");
    if (out.value.empty()) out.value = GetAttr(item.attrs, LanguageAttrName("value"));
    if (!out.key.empty() && !out.type.empty()) return true;
    QYLOG_ERROR("%s, skipped a registry item without key or type, KeyPath:%S, KeyName:%S, KeyType:%S | ",
                step, out.key.c_str(), out.name.c_str(), out.type.c_str());
    return false;
}

constexpr wchar_t kRunKey[] = L"HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN";

}  // namespace

int CUpdateEngEx::InstallRegs(bool runKey) {
    StepProgress progress(m_pPrompt, kActionRegister, m_AddSet.m_Regs.size(), 5);
    for (const RegItem& item : m_AddSet.m_Regs) {
        RegValue reg;
        if (!ReadRegItem(item, "InstallRegs", reg)) continue;
        if (!runKey && sys::EqualsNoCase(reg.key, kRunKey)) continue;
        QYLOG_INFO("InstallRegs, UpdateRegistry, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                   reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        progress.Reached(reg.key);
        if (!UpdateRegistry(reg.key, reg.name, reg.type, reg.value)) {
            QYLOG_ERROR(
                "InstallRegs, UpdateRegistry failed, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        }
    }
    progress.Finish(kActionRegister);
    return 0;
}

namespace {

// The name for the system language, else the English one.
std::wstring LanguageName(const AttrMap& attrs) {
    std::wstring name = GetAttr(attrs, LanguageAttrName("name"));
    return name.empty() ? GetAttr(attrs, "name_0409") : name;
}

// The folder a shortcut goes into: the kind's base, for the start menu with its folder.
std::wstring ShortcutFolder(const ShortcutItem& item, std::wstring& startMenuFolder) {
    startMenuFolder.clear();
    switch (item.kind) {
        case SK_DESKTOP:
            return GetDesktopFolder();
        case SK_STARTMENU: {
            const std::wstring programs = GetProgramsFolder();
            if (programs.empty()) return {};
            const std::wstring folder = LanguageName(item.folderAttrs);
            // One name below the Programs folder: the uninstall removes this folder whole.
            if (!folder.empty() && !sys::IsPlainName(folder)) {
                QYLOG_ERROR("Shortcuts, refused the start-menu folder %S: not a single name | ",
                            folder.c_str());
                return {};
            }
            if (!folder.empty()) startMenuFolder = programs + L"\\" + folder;
            return programs + L"\\" + folder;
        }
        case SK_QUICKLAUNCH:
            return GetTaskbarPinFolder();
        default:
            return {};
    }
}

}  // namespace

int CUpdateEngEx::InstallShortcuts(bool desktop) {
    StepProgress progress(m_pPrompt, kActionShortcut, m_AddSet.m_Shortcuts.size(), 5);
    for (const ShortcutItem& item : m_AddSet.m_Shortcuts) {
        if (item.disabled) continue;
        if (item.kind == SK_DESKTOP && !desktop) continue;
        const std::wstring name = LanguageName(item.itemAttrs);
        const std::wstring link = GetAttr(item.itemAttrs, "link");
        std::wstring startMenuFolder;
        const std::wstring base = ShortcutFolder(item, startMenuFolder);
        // Without a name, a target or a folder there is nothing sensible to write (an empty
        // folder would put the shortcut into the root of the drive).
        if (name.empty() || link.empty() || base.empty()) {
            QYLOG_ERROR(
                "InstallShortcuts, skipped a shortcut without name, link or folder, Name:%S, Link:%S, "
                "Kind:%d | ",
                name.c_str(), link.c_str(), item.kind);
            continue;
        }
        // The name is one file in its folder, the target a file below the install folder.
        if (!sys::IsPlainName(name) || !sys::StaysInside(link)) {
            QYLOG_ERROR(
                "InstallShortcuts, refused a shortcut whose name or link leaves its folder, Name:%S, Link:%S "
                "| ",
                name.c_str(), link.c_str());
            continue;
        }
        if (!startMenuFolder.empty()) sys::CreateFolderTree(startMenuFolder);
        std::wstring path = base + L"\\" + name;
        const std::wstring target = NewRoot() + L"\\" + link;
        const std::wstring args = GetAttr(item.itemAttrs, "argv");
        progress.Reached(path);
        path = WithLinkSuffix(path);
        QYLOG_INFO("InstallShortcuts, CreateShortCut, ShortcutPath:%S, ShortcutLink:%S, ShortcutArg:%S | ",
                   path.c_str(), target.c_str(), args.c_str());
        const int created = CreateShortCut(path, target, args);
        if (created != 0) {
            QYLOG_ERROR(
                "InstallShortcuts, CreateShortCut failed, iRet:%d, ShortcutPath:%S, ShortcutLink:%S, "
                "ShortcutArg:%S | ",
                created, path.c_str(), target.c_str(), args.c_str());
        }
    }
    progress.Finish(kActionOther);
    return 0;
}

int CUpdateEngEx::UninstallRegs() {
    for (const RegItem& item : m_DeleteSet.m_Regs) {
        RegValue reg;
        if (!ReadRegItem(item, "UninstallRegs", reg)) continue;
        QYLOG_INFO("UninstallRegs, UpdateRegistry, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                   reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        // An empty name removes the product's key whole, never a key the system and other
        // programs share: there only the default value the item names goes.
        if (reg.name.empty() && sys::IsSharedRegistryKey(reg.key)) {
            QYLOG_ERROR("UninstallRegs, kept the shared key %S, removed its default value only | ",
                        reg.key.c_str());
            CRegEditor::DeleteDefaultValue(reg.key);
            continue;
        }
        if (!CRegEditor::Clean(reg.key, reg.name)) {
            QYLOG_ERROR("UninstallRegs, CRegEditor::Clean failed, KeyPath:%S, KeyName:%S | ", reg.key.c_str(),
                        reg.name.c_str());
        }
    }
    return 0;
}
int CUpdateEngEx::UninstallShortcuts() {
    std::set<std::wstring> folders;  // removed whole, in ascending order
    for (const ShortcutItem& item : m_DeleteSet.m_Shortcuts) {
        std::wstring startMenuFolder;
        const std::wstring base = ShortcutFolder(item, startMenuFolder);
        const std::wstring name = LanguageName(item.itemAttrs);
        if (!startMenuFolder.empty()) folders.insert(startMenuFolder);
        if (base.empty() || name.empty()) continue;
        if (!sys::IsPlainName(name)) {
            QYLOG_ERROR("UninstallShortcuts, refused a shortcut name that leaves its folder, Name:%S | ",
                        name.c_str());
            continue;
        }
        const std::wstring path = WithLinkSuffix(base + L"\\" + name);
        sys::DeleteOrSchedule(path);
    }
    for (const std::wstring& folder : folders) sys::DeleteFolder(folder, {});
    return 0;
}
