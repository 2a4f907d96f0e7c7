// The uninstall procedure and the installer's deletion of itself afterwards.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "common/log/log4z.h"
#include "config/ProductConfig.h"
#include "driver/ProductPreparation.h"
#include "driver/ProductRegistration.h"
#include "driver/Procedures.h"
#include "driver/RunContext.h"
#include "interface/Parser/UpdateEngEx.h"
#include "net/UpdateProtocol.h"
#include "system/FileHelpers.h"
#include "system/SystemLibrary.h"
#include "system/Process.h"
#include "system/TrayArea.h"

namespace {

constexpr char kLogSource[] = "QYPM";
constexpr wchar_t kProductListName[] = L"productlist.ini";

// The uninstall's last file step: the whole folder when the install made it, otherwise only what
// is the installer's and the product folders left empty.
void RemoveInstallFolder(RunContext& run, const CProductConfig& product,
                         const std::vector<std::wstring>& keep) {
    // Asked before the uninstall removes the record; DelSelf asks again after it.
    run.folderCreated = InstallCreatedFolder(product.m_WorkDir);
    if (run.folderCreated) {
        sys::DeleteFolder(product.m_WorkDir, keep);
        return;
    }
    // A folder that was there before the install: the staging folder goes, the configuration files
    // the install copied into "package", and of the product's folders those it left empty; a
    // user's files and folders stay.
    QYLOG_INFO(
        "In_Uninstall, %S was not made by the install: only the product's files and folders are removed",
        product.m_WorkDir.c_str());
    sys::DeleteFolder(product.m_SetupDir, {});
    const std::wstring package = product.m_WorkDir + L"\\package\\";
    std::vector<std::wstring> configs = run.productList;  // as Init read it
    configs.push_back(kProductListName);
    configs.push_back(product.m_SetupConfig);
    for (const ComponentRef& component : product.m_Components) configs.push_back(component.config);
    for (const std::wstring& name : configs) {
        if (sys::StaysInside(name)) sys::DeleteOrSchedule(package + name);
    }
    ::RemoveDirectoryW(package.c_str());
    run.engine.RemoveEmptyProductFolders();
}

}  // namespace

int UninstallProcedure(RunContext& run, OpePARAMEx* record) {
    CommitInfo(record->m_CommitInfo);
    CUpdateEngEx& engine = run.engine;
    CProductConfig& product = engine.m_OldProduct;
    PrepareProductConfig(run, *record, product);
    engine.CheckProductDifference(2);
    InstallPlan plan = engine.MakePlan(PlanKind::kUninstall, record);
    plan.keep = {ProgramFileName()};
    QYLOG_INFO("In_Uninstall, plan: %s", DescribePlan(plan).c_str());
    for (const PlanStep step : plan.steps) {
        switch (step) {
            case PlanStep::kRefreshTray:
                sys::RefreshTrayArea();
                break;
            case PlanStep::kRemoveProduct:
                // The folder may be the current directory of this process; a folder in use is not removed.
                ::SetCurrentDirectoryW(sys::TempFolder().c_str());
                RemoveInstallFolder(run, product, plan.keep);
                for (const std::wstring& key : {UninstallKeyPath(), InstallKeyPath()}) {
                    if (DeleteRegInfo(key) != 0) {
                        QYLOG_ERROR("In_Uninstall, DeleteRegInfo fail, path %S, err: %d", key.c_str(),
                                    static_cast<int>(sys::LastErrorCode()));
                        return -1;
                    }
                }
                break;
            default:
                engine.ApplyStep(plan, step);
                break;
        }
    }
    run.Finished("");
    return 0;
}

void DeleteInstaller(RunContext& run, OpePARAMEx* record) {
    // Empty the install folder again, except for this running executable, when the install made it.
    if (run.folderCreated) sys::DeleteFolder(record->m_InstallPath, {ProgramFileName()});
    ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

    const std::wstring self = sys::ModuleFilePath();
    ::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, self.c_str(), nullptr);
    // cmd.exe by its full path, started in the system folder: by its bare name it would be looked
    // for in the current folder first. cmd expands "%" and splits at "&" and quotes even inside
    // quotes, so a path holding one gets no command at all.
    const std::wstring cmd = sys::SystemProgram(L"cmd.exe");
    std::wstring parameters = L"/c del /q \"" + self + L"\"";
    std::wstring paths = self;
    // A folder the install made goes too once it is empty (rmdir removes nothing else).
    if (run.folderCreated && !sys::IsProtectedFolder(record->m_InstallPath)) {
        parameters += L" & rmdir \"" + record->m_InstallPath + L"\"";
        paths += record->m_InstallPath;
    }
    if (paths.find_first_of(L"%\"&") != std::wstring::npos || cmd.empty()) {
        QYLOG_ERROR("DelSelf, refused to delete %S through cmd.exe (%S)", self.c_str(), cmd.c_str());
    } else {
        const std::wstring system = sys::SystemFolder();
        QYLOG_INFO("DelSelf, cmdline %S", parameters.c_str());
        QYLOG_INFO("DelSelf, program %S, folder %S", cmd.c_str(), system.c_str());
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = L"runas";
        info.lpFile = cmd.c_str();
        info.lpParameters = parameters.c_str();
        info.lpDirectory = system.c_str();
        info.nShow = SW_HIDE;
        ::ShellExecuteExW(&info);
    }

    // The process ends without running destructors; the last lines must reach the file first.
    log4z::ILog4zManager::getInstance()->Stop();
    ::ExitProcess(0);
}
