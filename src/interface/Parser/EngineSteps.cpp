// The engine's steps: files, run rules, components, registry values and shortcuts, decided from
// the plan and carried out through the effects. Their lines carry the engine's name.
#include "interface/Parser/EngineSteps.h"

#include <algorithm>
#include <set>

#include "common/log/log4z.h"
#include "common/run/ProgressActions.h"
#include "config/ConfigText.h"
#include "interface/Parser/ItemAttributes.h"
#include "interface/Parser/StepProgress.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/SharedRegistryKeys.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

constexpr char kLogSource[] = "interface/Parser/UpdateEngEx";
constexpr int kFolderExists = 183;  // ERROR_ALREADY_EXISTS

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// One file into place: straight from the supply when it can make dst new, else through the
// staging folder and the replacement of what is in the way. stamped: the file has its record's
// time already.
int PlaceFile(const StepServices& services, size_t index, const std::wstring& src, const std::wstring& dst,
              std::wstring& pending, bool& stamped) {
    stamped = false;
    if (IFileSupply* supply = services.supply) {
        const int direct = supply->WriteFile(index, dst);
        if (direct == 0) {
            pending.clear();
            stamped = true;
            return 0;
        }
        // The installed copy (in use, perhaps, or a link) is in the way: the new file goes to the
        // staging folder and replaces it as a staged file would.
        if (direct != IFileSupply::kNotSupplied) {
            // Its folders in the staging folder were left out with it.
            services.effects.CreateFolder(src.substr(0, src.rfind(L'\\')));
            stamped = supply->WriteFile(index, src) == 0;
        }
    }
    return services.effects.PlaceFile(src, dst, pending);
}

// The add side reads cmd without regard to case, the delete side exactly as written.
RuleCommand CommandOf(const std::wstring& cmd, bool exact) {
    const std::pair<const wchar_t*, RuleCommand> commands[] = {
        {L"EXEC", RuleCommand::Exec}, {L"DLLCALL", RuleCommand::DllCall}, {L"KILL", RuleCommand::Kill}};
    for (const auto& command : commands) {
        if (exact ? cmd == command.first : sys::EqualsNoCase(cmd, command.first)) return command.second;
    }
    return RuleCommand::None;
}

// A rule's executable is a path below the install folder: one that leaves it (..\..\x.exe, a drive,
// a share) would run whatever lies there, elevated.
bool ExecutableStaysInside(const RunRuleItem& rule, const char* step) {
    const std::wstring executable = GetAttr(rule.attrs, "executable");
    if (sys::StaysInside(executable)) return true;
    QYLOG_ERROR("%s, refused a rule whose executable leaves the install folder, ExecPath: %S | ", step,
                executable.c_str());
    return false;
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

// The name for the system language, else the English one.
std::wstring LanguageName(const AttrMap& attrs) {
    std::wstring name = GetAttr(attrs, LanguageAttrName("name"));
    return name.empty() ? GetAttr(attrs, "name_0409") : name;
}

// The folder a shortcut goes into: the kind's base, for the start menu with its folder.
std::wstring ShortcutFolder(IEngineEffects& effects, const ShortcutItem& item,
                            std::wstring& startMenuFolder) {
    startMenuFolder.clear();
    switch (item.kind) {
        case SK_DESKTOP:
        case SK_QUICKLAUNCH:
            return effects.ShortcutFolder(item.kind);
        case SK_STARTMENU: {
            const std::wstring programs = effects.ShortcutFolder(SK_STARTMENU);
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
        default:
            return {};
    }
}

}  // namespace

int ApplyPlanStep(const InstallPlan& plan, PlanStep step, const StepServices& services) {
    if (IsDriverStep(step)) return 0;
    switch (step) {
        case PlanStep::kRunBeforeCopy:
            engine::RunAddRules(plan, services, "BeforeCopy");
            break;
        case PlanStep::kDeleteFiles:
            engine::DeleteProductFiles(plan, services, plan.keep);
            break;
        case PlanStep::kCopyFiles:
            return engine::AddProductFiles(plan, services);
        case PlanStep::kRunAfterCopy:
            engine::RunAddRules(plan, services, "AfterCopy");
            break;
        case PlanStep::kRunOnRegister:
            engine::RunAddRules(plan, services, "OnRegister");
            break;
        case PlanStep::kRegisterComponents:
            engine::InstallDlls(plan, services);
            break;
        case PlanStep::kWriteRegistry:
            engine::InstallRegs(plan, services, plan.writeRunKey);
            break;
        case PlanStep::kCreateShortcuts:
            engine::InstallShortcuts(plan, services, plan.desktopShortcut);
            break;
        case PlanStep::kRunBeforeUpdate:
            engine::RunDeleteRules(plan, services, "BeforeUpdate");
            break;
        case PlanStep::kRunOnStopApp:
            engine::RunDeleteRules(plan, services, "OnStopApp");
            break;
        case PlanStep::kUnregisterComponents:
            engine::UninstallDlls(plan, services);
            break;
        case PlanStep::kRemoveRegistry:
            engine::UninstallRegs(plan, services);
            break;
        case PlanStep::kRemoveShortcuts:
            engine::UninstallShortcuts(plan, services);
            break;
        case PlanStep::kRunOnUnregister:
            engine::RunDeleteRules(plan, services, "OnUnregister");
            break;
        case PlanStep::kRunOnRestartApp:
            engine::RunDeleteRules(plan, services, "OnRestartApp");
            break;
        default:  // the driver's
            break;
    }
    return 0;
}

namespace engine {

void DeleteProductFiles(const InstallPlan& plan, const StepServices& services,
                        const std::vector<std::wstring>& keep) {
    for (const FileItem& item : plan.deleteSet.m_Files) {
        if (item.skip) continue;
        const std::wstring rel = GetItemPath(item);
        bool kept = false;
        for (const std::wstring& prefix : keep) kept = kept || StartsWith(rel, prefix);
        if (kept) continue;
        if (!sys::StaysInside(rel) || services.effects.PassesThroughLink(plan.oldRoot, rel)) {
            QYLOG_ERROR("DeleteProductFile, skipped a path outside the installation %S", rel.c_str());
            continue;
        }
        const std::wstring full = plan.oldRoot + L"\\" + rel;
        services.effects.RemoveFile(full);  // a file in use is moved aside or left to the restart
        QYLOG_INFO("DeleteProductFile, DeleteFile %S", full.c_str());
    }
}

void RemoveEmptyProductFolders(const InstallPlan& plan, const StepServices& services) {
    std::set<std::wstring> folders;
    for (const FileItem& item : plan.deleteSet.m_Files) {
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
        const std::wstring full = plan.oldRoot + L"\\" + folder;
        if (services.effects.RemoveEmptyFolder(full))
            QYLOG_INFO("DeleteProductFile, RemoveDirectory %S", full.c_str());
    }
}

int AddProductFiles(const InstallPlan& plan, const StepServices& services) {
    const std::vector<FileItem>& files = plan.addSet.m_Files;
    StepProgress progress(services.prompt, kActionCopy, files.size(), 50);
    int result = 0;
    // Thousands of files share a few folders; each is made (or found) once.
    std::set<std::wstring> madeFolders;
    std::set<std::wstring> plainFolders;
    for (size_t index = 0; index < files.size(); ++index) {
        const FileItem& item = files[index];
        if (item.skip) {
            // Already in place as its record states it, or excluded by its condition.
            QYLOG_INFO("AddProductFile, skip FileDst %S", GetItemPath(item).c_str());
            continue;
        }
        if (services.cancelled && services.cancelled()) {
            QYLOG_ERROR("AddProductFile, cancelled after %d of %d files", progress.Reported(),
                        progress.Total());
            result = -3;
            break;
        }
        const std::wstring path = GetAttr(item.attrs, "path");
        const std::string time(AttrValue(item.attrs, "time"));
        const std::wstring target = GetItemPath(item);
        if (!sys::StaysInside(path) || !sys::StaysInside(target)) {
            QYLOG_ERROR("AddProductFile, skipped a path outside its folder %S -> %S", path.c_str(),
                        target.c_str());
            continue;
        }
        const size_t slash = target.rfind(L'\\');
        const std::wstring targetDir = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash);
        const std::wstring src = plan.stagingFolder + L"\\" + path;
        const std::wstring dstDir = plan.newRoot + L"\\" + targetDir;
        const int created = madeFolders.count(dstDir) ? 0 : services.effects.CreateFolder(dstDir);
        if (created == 0) madeFolders.insert(dstDir);
        if (created != 0 && created != kFolderExists) {
            QYLOG_ERROR("AddProductFile, SHCreateDirectoryEx fail FileDstDir %S err %d", dstDir.c_str(),
                        created);
            result = -1;
            break;
        }
        const std::wstring dst = plan.newRoot + L"\\" + target;
        progress.Reached(target);
        // Never through a link: a folder of the product that points elsewhere would carry the
        // file, written elevated, wherever it points. Each folder is asked once.
        if (!plainFolders.count(dstDir)) {
            if (services.effects.PassesThroughLink(plan.newRoot, target)) {
                QYLOG_ERROR("AddProductFile, refused to write through a link below %S: %S",
                            plan.newRoot.c_str(), target.c_str());
                result = -2;
                break;
            }
            plainFolders.insert(dstDir);
        }
        std::wstring pending;
        bool stamped = false;
        const int placed = PlaceFile(services, index, src, dst, pending, stamped);
        if (placed < 0) {
            QYLOG_ERROR("AddProductFile, UpdateFile fail FileSrc %S FileDst %S iUpdateRet %d err %d",
                        src.c_str(), dst.c_str(), placed, static_cast<int>(sys::LastErrorCode()));
            result = -2;
            break;
        }
        QYLOG_INFO("AddProductFile, UpdateFile FileSrc %S FileDst %S", src.c_str(), dst.c_str());
        if (!time.empty() && !stamped)
            services.effects.SetFileTime(placed == 1 ? pending : dst, config::ParseInt64(time));
    }
    progress.Finish(kActionOther);
    return result;
}

void RunAddRules(const InstallPlan& plan, const StepServices& services, const char* phase) {
    QYLOG_INFO("DoRunruleInAddList, When %s", phase);
    for (const RunRuleItem& rule : plan.addSet.m_RunRules) {
        if (AttrValue(rule.attrs, "when") != phase) continue;
        if (!ExecutableStaysInside(rule, "DoRunruleInAddList")) continue;
        RuleRun run;
        run.executable = plan.newRoot + L"\\" + GetAttr(rule.attrs, "executable");
        if (!services.effects.Exists(run.executable)) continue;
        run.phase = phase;
        run.command = CommandOf(GetAttr(rule.attrs, "cmd"), false);
        run.arguments = GetAttr(rule.attrs, "args");
        run.asUser = GetAttr(rule.attrs, "runMode") == L"asUser";
        run.wait = sys::EqualsNoCase(GetAttr(rule.attrs, "bwaitend"), L"true");
        run.root = plan.newRoot;
        services.effects.RunRule(run);
    }
}

void RunDeleteRules(const InstallPlan& plan, const StepServices& services, const char* phase) {
    const auto& rules = plan.deleteSet.m_RunRules;
    for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
        const RunRuleItem& rule = *it;
        if (AttrValue(rule.attrs, "when") != phase) continue;
        if (!ExecutableStaysInside(rule, "DoRunruleInDeleteList")) continue;
        const std::wstring executable = GetAttr(rule.attrs, "executable");
        RuleRun run;
        run.executable = plan.oldRoot + L"\\" + executable;
        if (!services.effects.Exists(run.executable)) {
            QYLOG_ERROR("----------Not exist: DoRunruleInDeleteList, When: %s, ExecPath: %S | ", phase,
                        executable.c_str());
            continue;
        }
        // Absent attributes mean: wait, "EXEC", as the installer.
        run.phase = phase;
        run.wait = !HasAttr(rule.attrs, "bwaitend") || GetAttr(rule.attrs, "bwaitend") == L"true";
        run.command = CommandOf(HasAttr(rule.attrs, "cmd") ? GetAttr(rule.attrs, "cmd") : L"EXEC", true);
        run.arguments = GetAttr(rule.attrs, "args");
        run.asUser = GetAttr(rule.attrs, "runMode") == L"asUser";
        run.deleteSide = true;
        run.root = plan.oldRoot;
        services.effects.RunRule(run);
    }
}

void InstallDlls(const InstallPlan& plan, const StepServices& services) {
    StepProgress progress(services.prompt, kActionRunComponent, plan.addSet.m_Modules.size(), 5);
    for (const ModuleItem& module : plan.addSet.m_Modules) {
        if (module.disabled) continue;
        const std::wstring dll = ModulePath(module, plan.newRoot, "InstallDlls");
        if (dll.empty()) continue;
        QYLOG_INFO("InstallDlls, RegComponent, DllPath: %S | ", dll.c_str());
        progress.Reached(dll);
        const int r = services.effects.RegisterComponent(dll, RegistrationHelper(plan.newRoot), true);
        if (r == IEngineEffects::kExportMissing) {
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
}

void UninstallDlls(const InstallPlan& plan, const StepServices& services) {
    for (const ModuleItem& module : plan.deleteSet.m_Modules) {
        if (module.disabled) continue;
        const std::wstring dll = ModulePath(module, plan.oldRoot, "UninstallDlls");
        if (dll.empty()) continue;
        const int r = services.effects.RegisterComponent(dll, RegistrationHelper(plan.oldRoot), false);
        if (r != 0)
            QYLOG_FATAL("UninstallDlls, UnregComponent failed, iRet: %d, DllPath: %S | ", r, dll.c_str());
    }
}

void InstallRegs(const InstallPlan& plan, const StepServices& services, bool runKey) {
    StepProgress progress(services.prompt, kActionRegister, plan.addSet.m_Regs.size(), 5);
    for (const RegItem& item : plan.addSet.m_Regs) {
        RegValue reg;
        if (!ReadRegItem(item, "InstallRegs", reg)) continue;
        if (!runKey && sys::EqualsNoCase(reg.key, kRunKey)) continue;
        QYLOG_INFO("InstallRegs, UpdateRegistry, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                   reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        progress.Reached(reg.key);
        if (!services.effects.WriteRegistryValue(reg.key, reg.name, reg.type, reg.value)) {
            QYLOG_ERROR(
                "InstallRegs, UpdateRegistry failed, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        }
    }
    progress.Finish(kActionRegister);
}

void UninstallRegs(const InstallPlan& plan, const StepServices& services) {
    for (const RegItem& item : plan.deleteSet.m_Regs) {
        RegValue reg;
        if (!ReadRegItem(item, "UninstallRegs", reg)) continue;
        QYLOG_INFO("UninstallRegs, UpdateRegistry, KeyPath:%S, KeyName:%S, KeyType:%S, KeyValue:%S | ",
                   reg.key.c_str(), reg.name.c_str(), reg.type.c_str(), reg.value.c_str());
        // An empty name removes the product's key whole, never a key the system and other
        // programs share: there only the default value the item names goes.
        if (reg.name.empty() && sys::IsSharedRegistryKey(reg.key)) {
            QYLOG_ERROR("UninstallRegs, kept the shared key %S, removed its default value only | ",
                        reg.key.c_str());
            services.effects.RemoveRegistryDefault(reg.key);
            continue;
        }
        if (!services.effects.RemoveRegistryValue(reg.key, reg.name)) {
            QYLOG_ERROR("UninstallRegs, CRegEditor::Clean failed, KeyPath:%S, KeyName:%S | ", reg.key.c_str(),
                        reg.name.c_str());
        }
    }
}

void InstallShortcuts(const InstallPlan& plan, const StepServices& services, bool desktop) {
    StepProgress progress(services.prompt, kActionShortcut, plan.addSet.m_Shortcuts.size(), 5);
    for (const ShortcutItem& item : plan.addSet.m_Shortcuts) {
        if (item.disabled) continue;
        if (item.kind == SK_DESKTOP && !desktop) continue;
        const std::wstring name = LanguageName(item.itemAttrs);
        const std::wstring link = GetAttr(item.itemAttrs, "link");
        std::wstring startMenuFolder;
        const std::wstring base = ShortcutFolder(services.effects, item, startMenuFolder);
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
        if (!startMenuFolder.empty()) services.effects.CreateFolder(startMenuFolder);
        std::wstring path = base + L"\\" + name;
        const std::wstring target = plan.newRoot + L"\\" + link;
        const std::wstring args = GetAttr(item.itemAttrs, "argv");
        progress.Reached(path);
        path = WithLinkSuffix(path);
        QYLOG_INFO("InstallShortcuts, CreateShortCut, ShortcutPath:%S, ShortcutLink:%S, ShortcutArg:%S | ",
                   path.c_str(), target.c_str(), args.c_str());
        const int created = services.effects.CreateShortcut(path, target, args);
        if (created != 0) {
            QYLOG_ERROR(
                "InstallShortcuts, CreateShortCut failed, iRet:%d, ShortcutPath:%S, ShortcutLink:%S, "
                "ShortcutArg:%S | ",
                created, path.c_str(), target.c_str(), args.c_str());
        }
    }
    progress.Finish(kActionOther);
}

void UninstallShortcuts(const InstallPlan& plan, const StepServices& services) {
    std::set<std::wstring> folders;  // removed whole, in ascending order
    for (const ShortcutItem& item : plan.deleteSet.m_Shortcuts) {
        std::wstring startMenuFolder;
        const std::wstring base = ShortcutFolder(services.effects, item, startMenuFolder);
        const std::wstring name = LanguageName(item.itemAttrs);
        if (!startMenuFolder.empty()) folders.insert(startMenuFolder);
        if (base.empty() || name.empty()) continue;
        if (!sys::IsPlainName(name)) {
            QYLOG_ERROR("UninstallShortcuts, refused a shortcut name that leaves its folder, Name:%S | ",
                        name.c_str());
            continue;
        }
        services.effects.RemoveFile(WithLinkSuffix(base + L"\\" + name));
    }
    for (const std::wstring& folder : folders) services.effects.DeleteFolder(folder);
}

}  // namespace engine
