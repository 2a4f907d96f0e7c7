// The install procedure: the extracted setup package and the program package become an
// installed product, in the engine's fixed order, and the product is recorded.
#include <windows.h>

#include <memory>

#include "common/log/log4z.h"
#include "common/run/ProgressActions.h"
#include "common/run/RunResults.h"
#include "config/ProductConfig.h"
#include "config/ProductList.h"
#include "driver/ProductPreparation.h"
#include "driver/ProductRegistration.h"
#include "driver/ProgramFileSupply.h"
#include "driver/Procedures.h"
#include "driver/RunContext.h"
#include "interface/Maker/SetupPkg.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/FolderSecurity.h"
#include "system/Process.h"

namespace {

constexpr char kLogSource[] = "QYPM";

int LastError() {
    return static_cast<int>(sys::LastErrorCode());
}

// Like the shell's recursive folder creation, an existing folder is reported (183) like a failure.
// A folder made outside Program Files gets the protection Program Files would give it.
int CreateInstallFolder(const std::wstring& folder) {
    if (sys::PathExists(folder)) return ERROR_ALREADY_EXISTS;
    const sys::FolderAccess access = sys::IsInsideProgramFiles(folder)
                                         ? sys::FolderAccess::kInherited
                                         : sys::FolderAccess::kAdministratorsUsersRead;
    const int created = sys::CreateFolderTreeWith(folder, access);
    if (created == 0 && !RecordCreatedFolder(folder)) {
        QYLOG_ERROR("Run, cannot record that %S was made by the install, err %d", folder.c_str(),
                    LastError());
    }
    return created;
}

// The install folder, and the staging folder below it where only administrators can change the
// program package before it is used. 0 or -1.
int PrepareFolders(const CProductConfig& product) {
    // A folder made here is protected like a Program Files one and recorded, so that the uninstall
    // removes it whole; a folder that was there before keeps what is not the product's.
    if (int created = CreateInstallFolder(product.m_WorkDir)) {
        QYLOG_ERROR("Run, SHCreateDirectoryEx failed path %S err %d", product.m_WorkDir.c_str(), created);
    }
    if (const sys::FolderVerdict staging = sys::PrepareAdministratorsFolder(product.m_SetupDir, false);
        staging != sys::FolderVerdict::kReady && staging != sys::FolderVerdict::kReplaced) {
        QYLOG_ERROR("Run, SHCreateDirectoryEx failed path %S err %d", product.m_SetupDir.c_str(),
                    LastError());
        return -1;
    }
    return 0;
}

// The program package: the add set's files wait in it for the copy, which writes them straight
// into place (supply); the staging folder gets the rest, among them the configuration files the
// install copies itself. 0 or -2.
int ExtractProgramPackage(RunContext& run, const CProductConfig& product,
                          std::unique_ptr<ProgramFileSupply>& supply) {
    std::vector<std::wstring> staged = {L"package\\" + run.productConfigPath};
    for (const ComponentRef& component : product.m_Components)
        staged.push_back(L"package\\" + component.config);
    const int extracted = PackageResult([&] {
        SetupPkg& package = run.package.Get();
        PackageReader::ExtractOptions options;
        if (!package.Reader().Packages().empty()) {
            supply = std::make_unique<ProgramFileSupply>(package.Reader().Packages()[0],
                                                         run.engine.m_AddSet.m_Files, staged);
            options.leaveOut = &supply->LeftOut();
        }
        return package.ExtractAllProgramFiles(product.m_SetupDir, options);
    });
    if (extracted != 0) {
        QYLOG_ERROR("Run, pPkgParser->ExtractAllProgramFiles failed, nRet: %d ", extracted);
        return -2;
    }
    // The package reader leaves the staging folder as the current directory. Leave it now: the
    // programs the run rules start inherit that folder's handle, and while one of them runs the
    // folder cannot be removed at the end.
    ::SetCurrentDirectoryW(product.m_WorkDir.c_str());
    return 0;
}

// The engine's copy, the supply's files first. False when a file could be placed neither now nor
// at the next restart.
bool CopyProductFiles(RunContext& run, const InstallPlan& plan, std::unique_ptr<ProgramFileSupply> supply) {
    if (supply) supply->Start(run.package.Get().Reader(), plan.stagingFolder);
    return run.engine.ApplyStep(plan, PlanStep::kCopyFiles, supply.get()) == 0;
}

// The product file, then every component file, from the staging folder's "package" folder into
// the install folder's.
void CopyAllConfigFiles(RunContext& run) {
    const CProductConfig& product = run.engine.m_NewProduct;
    const std::wstring folder = product.m_WorkDir + L"\\package\\";
    sys::CreateFolderTree(folder);
    auto copy = [&](const std::wstring& name, const char* operation) {
        const std::wstring src = product.m_SetupDir + L"\\package\\" + name;
        const std::wstring dst = folder + name;
        std::wstring pending;
        run.engine.UpdateFile(src, dst, pending);
        QYLOG_INFO("%s, UpdateFile FileSrc %S FileDst %S", operation, src.c_str(), dst.c_str());
    };
    copy(run.productConfigPath, "CopyProductConfigFiles");
    if (IInstallUIPromptEx* prompt = run.prompt) prompt->OnStep(kActionCopy, 1, run.productConfigPath);
    for (const ComponentRef& component : product.m_Components) {
        run.Step(kActionCopy, 1);
        copy(component.config, "CopyAllConfigFiles");
    }
}

// The uninstall entry and the install-path value; the working folders go.
void RegisterProduct(RunContext& run, const OpePARAMEx& record, const CProductConfig& product) {
    if (int written =
            CreateUninstallRegInfo(product.m_WorkDir, product.m_ProductVer, GetInstalledSize(), run.prompt)) {
        QYLOG_ERROR("Run, CreateUninstallRegInfo, nRet: %d", written);
    }
    QYLOG_INFO("In_Install, CreateUninstallRegInfo complete");
    sys::DeleteFolder(record.m_TempDir, {});
    sys::DeleteFolder(product.m_SetupDir, {});
    if (!WriteInstallReg(product.m_WorkDir)) QYLOG_ERROR("Run, WriteInstallReg fail, err: %d", LastError());
}

}  // namespace

int InstallProcedure(RunContext& run, OpePARAMEx* record) {
    CUpdateEngEx& engine = run.engine;
    CProductConfig& product = engine.m_NewProduct;
    PrepareProductConfig(run, *record, product);
    run.Step(kActionCheck, 5);
    const bool update = record->m_Mode == OpePARAMEx::CMD_UPDATE;
    engine.CheckProductDifference(update ? 1 : 0);
    QYLOG_INFO("In_Install, CheckProductDifference complete, DeletefileSize %d, AddfileSize %d",
               static_cast<int>(engine.m_DeleteSet.m_Files.size()),
               static_cast<int>(engine.m_AddSet.m_Files.size()));
    const InstallPlan plan = engine.MakePlan(update ? PlanKind::kUpdate : PlanKind::kInstall, record);
    QYLOG_INFO("In_Install, plan: %s", DescribePlan(plan).c_str());
    run.Step(kActionInitialize, 5);

    std::unique_ptr<ProgramFileSupply> supply;
    // A file that could be placed neither now nor at the next restart leaves the product broken:
    // the rest of the install still runs, but it is not reported as done.
    bool allPlaced = true;
    for (const PlanStep step : plan.steps) {
        switch (step) {
            case PlanStep::kPrepareFolders:
                if (int prepared = PrepareFolders(product)) return prepared;
                run.Step(kActionUnpack, 5);
                if (int extracted = ExtractProgramPackage(run, product, supply)) return extracted;
                break;
            case PlanStep::kRunBeforeCopy:
                engine.ApplyStep(plan, step);
                if (run.cancel) {
                    QYLOG_ERROR("In_Install, cancelled by the user before the copy");
                    return kProcedureCancelled;
                }
                break;
            case PlanStep::kCopyFiles:
                allPlaced = CopyProductFiles(run, plan, std::move(supply));
                // Stopped between two files: the product stays as a second run repairs it.
                if (run.cancel) {
                    QYLOG_ERROR("In_Install, cancelled by the user during the copy");
                    return kProcedureCancelled;
                }
                break;
            case PlanStep::kCopyConfigFiles:
                // The product file's name as Init read it from "_setup.ini".
                if (run.productConfigPath.empty()) {
                    const std::wstring ini = record->m_TempDir + L"\\_setup.ini";
                    QYLOG_ERROR("Run, GetProductConfigName fail, path %S, err %d", ini.c_str(), LastError());
                    return -1;
                }
                CopyAllConfigFiles(run);
                WriteProductList(record->m_InstallPath, update, run.productConfigPath);
                break;
            case PlanStep::kRunAfterCopy:
                run.Step(kActionExecuteAfterCopy, 5);
                engine.ApplyStep(plan, step);
                break;
            case PlanStep::kRunOnRegister:
                run.Step(kActionExecuteRegister, 5);
                engine.ApplyStep(plan, step);
                break;
            case PlanStep::kRegisterProduct:
                RegisterProduct(run, *record, product);
                break;
            default:
                engine.ApplyStep(plan, step);
                break;
        }
    }
    if (!allPlaced) {
        QYLOG_ERROR("In_Install, not every product file could be placed, the install is not complete");
        return -2;
    }
    QYLOG_INFO("In_Install, Install complete");
    run.Finished("");
    return 0;
}
