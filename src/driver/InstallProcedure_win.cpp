// The install procedure: the extracted setup package and the program package become an
// installed product, in the engine's fixed order, and the product is recorded.
#include <windows.h>

#include <memory>

#include "common/log/log4z.h"
#include "config/ProductConfig.h"
#include "config/ProductList.h"
#include "driver/ProductRegistration.h"
#include "driver/ProgramFileSupply.h"
#include "driver/QYPM.h"
#include "common/run/OpePARAMEx.h"
#include "interface/Maker/SetupPkg.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/FolderSecurity.h"
#include "system/Process.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"

namespace {

constexpr char kLogSource[] = "QYPM";
constexpr wchar_t kStagingName[] = L"~QYSetup";

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

}  // namespace

void QYPM::Step(int action, int increment) {
    if (IInstallUIPromptEx* prompt = m_pPrompt) prompt->OnStep(action, increment, L"");
}

void QYPM::ReadComponentConfigs(OpePARAMEx* record, CProductConfig& config) {
    std::wstring components;
    for (const ComponentRef& component : config.m_Components) components += component.config + L",";
    // A new product's component files are in the working folder, an installed one's in its folder.
    switch (ProcedureOf(record->m_Mode)) {
        case ModeProcedure::kInstall:
            config.SetInstallRoot(record->m_TempDir + L"\\");
            break;
        case ModeProcedure::kUninstall:
        case ModeProcedure::kWebInstall:
            config.SetInstallRoot(record->m_InstallPath + L"\\");
            break;
        case ModeProcedure::kNone:
            break;
    }
    config.LoadComponentConfigs(components);
}

void QYPM::PrepareProductConfig(OpePARAMEx* record, CProductConfig& config) {
    config.m_WorkDir = record->m_InstallPath;
    config.m_SetupDir = config.m_WorkDir + L"\\" + kStagingName;
    Step(kActionParse, 5);
    // Read once: what Init read stays what the procedure uses, whatever is on disk by now.
    if (m_ComponentsRead != &config) ReadComponentConfigs(record, config);
    m_ComponentsRead = nullptr;
    const sys::SystemInfo& system = sys::GetSystemInfo();
    config.ApplyConditions(sys::WideToUtf8(system.versionText), sys::WideToUtf8(system.archText));
}

int QYPM::CopyProductConfigFiles() {
    const CProductConfig& product = m_pEngine->m_NewProduct;
    const std::wstring src = product.m_SetupDir + L"\\package\\" + m_ProductConfigPath;
    const std::wstring folder = product.m_WorkDir + L"\\package\\";
    sys::CreateFolderTree(folder);
    const std::wstring dst = folder + m_ProductConfigPath;
    std::wstring pending;
    m_pEngine->UpdateFile(src, dst, pending);
    QYLOG_INFO("CopyProductConfigFiles, UpdateFile FileSrc %S FileDst %S", src.c_str(), dst.c_str());
    if (IInstallUIPromptEx* prompt = m_pPrompt) prompt->OnStep(kActionCopy, 1, m_ProductConfigPath);
    return 0;
}

int QYPM::CopyAllConfigFiles() {
    if (int copied = CopyProductConfigFiles()) return copied;
    const CProductConfig& product = m_pEngine->m_NewProduct;
    for (const ComponentRef& component : product.m_Components) {
        const std::wstring src = product.m_SetupDir + L"\\package\\" + component.config;
        const std::wstring folder = product.m_WorkDir + L"\\package\\";
        sys::CreateFolderTree(folder);
        const std::wstring dst = folder + component.config;
        Step(kActionCopy, 1);
        std::wstring pending;
        m_pEngine->UpdateFile(src, dst, pending);
        QYLOG_INFO("CopyAllConfigFiles, UpdateFile FileSrc %S FileDst %S", src.c_str(), dst.c_str());
    }
    return 0;
}

int QYPM::In_Install(OpePARAMEx* record) {
    CProductConfig& product = m_pEngine->m_NewProduct;
    PrepareProductConfig(record, product);
    Step(kActionCheck, 5);
    m_pEngine->CheckProductDifference(record->m_Mode == OpePARAMEx::CMD_UPDATE ? 1 : 0);
    QYLOG_INFO("In_Install, CheckProductDifference complete, DeletefileSize %d, AddfileSize %d",
               static_cast<int>(m_pEngine->m_DeleteSet.m_Files.size()),
               static_cast<int>(m_pEngine->m_AddSet.m_Files.size()));
    Step(kActionInitialize, 5);

    // A folder made here is protected like a Program Files one and recorded, so that the uninstall
    // removes it whole; a folder that was there before keeps what is not the product's.
    if (int created = CreateInstallFolder(product.m_WorkDir)) {
        QYLOG_ERROR("Run, SHCreateDirectoryEx failed path %S err %d", product.m_WorkDir.c_str(), created);
    }
    // The program package is unpacked where only administrators can change it before it is used.
    if (const sys::FolderVerdict staging = sys::PrepareAdministratorsFolder(product.m_SetupDir, false);
        staging != sys::FolderVerdict::kReady && staging != sys::FolderVerdict::kReplaced) {
        QYLOG_ERROR("Run, SHCreateDirectoryEx failed path %S err %d", product.m_SetupDir.c_str(),
                    LastError());
        return -1;
    }
    Step(kActionUnpack, 5);

    // The add set's files go straight from the package into place when the copy comes; the staging
    // folder gets the rest, among them the configuration files the install copies itself.
    std::vector<std::wstring> staged = {L"package\\" + m_ProductConfigPath};
    for (const ComponentRef& component : product.m_Components)
        staged.push_back(L"package\\" + component.config);
    std::unique_ptr<ProgramFileSupply> supply;
    const int extracted = PackageResult([&] {
        SetupPkg& package = SetupPkg::Instance();
        PackageReader::ExtractOptions options;
        if (!package.Reader().Packages().empty()) {
            supply = std::make_unique<ProgramFileSupply>(package.Reader().Packages()[0],
                                                         m_pEngine->m_AddSet.m_Files, staged);
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

    m_pEngine->DoRunruleInAddList("BeforeCopy");
    if (m_cancel) {
        QYLOG_ERROR("In_Install, cancelled by the user before the copy");
        return kProcedureCancelled;
    }
    if (supply) supply->Start(SetupPkg::Instance().Reader(), product.m_SetupDir);
    {
        struct SupplyInUse {
            CUpdateEngEx* engine;
            ~SupplyInUse() { engine->m_FileSupply = nullptr; }
        } inUse{m_pEngine};
        m_pEngine->m_FileSupply = supply.get();
        m_pEngine->UpdateFiles();
    }
    supply.reset();
    // Stopped between two files: the product stays as a second run repairs it (nothing registered).
    if (m_cancel) {
        QYLOG_ERROR("In_Install, cancelled by the user during the copy");
        return kProcedureCancelled;
    }
    // A file that could be placed neither now nor at the next restart leaves the product broken:
    // the rest of the install still runs, but it is not reported as done.
    const bool allPlaced = m_pEngine->m_AddResult == 0;

    // The product file's name as Init read it from "_setup.ini".
    if (m_ProductConfigPath.empty()) {
        const std::wstring ini = record->m_TempDir + L"\\_setup.ini";
        QYLOG_ERROR("Run, GetProductConfigName fail, path %S, err %d", ini.c_str(), LastError());
        return -1;
    }
    CopyAllConfigFiles();
    WriteProductList(record->m_InstallPath, record->m_Mode == OpePARAMEx::CMD_UPDATE, m_ProductConfigPath);
    Step(kActionExecuteAfterCopy, 5);
    m_pEngine->DoRunruleInAddList("AfterCopy");
    Step(kActionExecuteRegister, 5);
    m_pEngine->DoRunruleInAddList("OnRegister");
    m_pEngine->InstallRegistrations(record);

    if (int written =
            CreateUninstallRegInfo(product.m_WorkDir, product.m_ProductVer, GetInstalledSize(), m_pPrompt)) {
        QYLOG_ERROR("Run, CreateUninstallRegInfo, nRet: %d", written);
    }
    QYLOG_INFO("In_Install, CreateUninstallRegInfo complete");

    sys::DeleteFolder(m_TempDir, {});
    sys::DeleteFolder(product.m_SetupDir, {});
    if (!WriteInstallReg(product.m_WorkDir)) QYLOG_ERROR("Run, WriteInstallReg fail, err: %d", LastError());

    if (!allPlaced) {
        QYLOG_ERROR("In_Install, not every product file could be placed, the install is not complete");
        return -2;
    }
    QYLOG_INFO("In_Install, Install complete");
    if (IInstallUIPromptEx* prompt = m_pPrompt) prompt->OnFinished("", 0);
    return 0;
}
