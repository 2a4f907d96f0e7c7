// The preparation every procedure shares: working folders, product files and component files.
#include "driver/ProductPreparation.h"

#include "common/log/log4z.h"
#include "common/run/ProgressActions.h"
#include "config/ProductConfig.h"
#include "config/ProductConfigReader.h"
#include "driver/RunContext.h"
#include "system/FileHelpers.h"
#include "system/FolderSecurity.h"
#include "system/Process.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"

namespace {

constexpr char kLogSource[] = "QYPM";
constexpr wchar_t kStagingName[] = L"~QYSetup";

}  // namespace

int CreateTempInstallDir(const std::wstring& name, std::wstring& folder) {
    const std::wstring temp = sys::TempFolder();
    if (temp.empty()) return -1;  // never a folder relative to wherever the process started
    folder = temp + name;
    // Always made anew, only administrators' to change. A link, a file or a folder others can
    // change that stays under the fixed name is refused: the setup files would otherwise go where
    // an unelevated program can reach them.
    const sys::FolderVerdict verdict = sys::PrepareAdministratorsFolder(folder, false);
    return verdict == sys::FolderVerdict::kReady || verdict == sys::FolderVerdict::kReplaced ? 0 : -1;
}

int GetProductConfigInfo(const std::wstring& productConfigPath, CProductConfig& target,
                         const std::wstring& baseFolder, const std::vector<std::wstring>& productList) {
    if (productList.empty()) {
        if (!sys::StaysInside(productConfigPath) ||
            !ParseProductConfig(baseFolder + L"\\package\\" + productConfigPath, target)) {
            QYLOG_ERROR("GetProductConfigInfo, ParseProductConfig fail, m_ProductConfigPath %S",
                        productConfigPath.c_str());
            return -1;
        }
        QYLOG_INFO("GetProductConfigInfo, ParseProductConfig complete, m_ProductConfigPath %S",
                   productConfigPath.c_str());
        DropNamesOutsidePackage(target);
        return 0;
    }
    // Every listed product file goes into the same model: components accumulate.
    for (const std::wstring& name : productList) {
        if (!sys::StaysInside(name)) {
            QYLOG_ERROR(
                "GetProductConfigInfo, refused the product file name %S: it leaves the package folder",
                name.c_str());
            continue;
        }
        const std::wstring path = baseFolder + L"\\package\\" + name;
        if (!ParseProductConfig(path, target)) {
            QYLOG_ERROR("GetProductConfigInfo, ParseProductConfig fail, ProductConfigPath %S", path.c_str());
            return -1;
        }
        QYLOG_INFO("GetProductConfigInfo, ParseProductConfig complete, ProductConfigPath %S", path.c_str());
    }
    DropNamesOutsidePackage(target);
    return 0;
}

void DropNamesOutsidePackage(CProductConfig& product) {
    // Component files are read from, and copied into, the package folder by these names.
    auto& components = product.m_Components;
    for (auto it = components.begin(); it != components.end();) {
        if (sys::StaysInside(it->config)) {
            ++it;
            continue;
        }
        QYLOG_ERROR("GetProductConfigInfo, refused the component file name %S: it leaves the package folder",
                    it->config.c_str());
        it = components.erase(it);
    }
    if (!product.m_SetupConfig.empty() && !sys::StaysInside(product.m_SetupConfig)) {
        QYLOG_ERROR(
            "GetProductConfigInfo, refused the setup component file name %S: it leaves the package folder",
            product.m_SetupConfig.c_str());
        product.m_SetupConfig.clear();
    }
}

void ReadComponentConfigs(const OpePARAMEx& record, CProductConfig& config) {
    std::wstring components;
    for (const ComponentRef& component : config.m_Components) components += component.config + L",";
    // A new product's component files are in the working folder, an installed one's in its folder.
    switch (ProcedureOf(record.m_Mode)) {
        case ModeProcedure::kInstall:
            config.SetInstallRoot(record.m_TempDir + L"\\");
            break;
        case ModeProcedure::kUninstall:
        case ModeProcedure::kWebInstall:
            config.SetInstallRoot(record.m_InstallPath + L"\\");
            break;
        case ModeProcedure::kNone:
            break;
    }
    config.LoadComponentConfigs(components);
}

void PrepareProductConfig(RunContext& run, const OpePARAMEx& record, CProductConfig& config) {
    config.m_WorkDir = record.m_InstallPath;
    config.m_SetupDir = config.m_WorkDir + L"\\" + kStagingName;
    run.Step(kActionParse, 5);
    // Read once: what Init read stays what the procedure uses, whatever is on disk by now.
    if (run.componentsRead != &config) ReadComponentConfigs(record, config);
    run.componentsRead = nullptr;
    const sys::SystemInfo& system = sys::GetSystemInfo();
    config.ApplyConditions(sys::WideToUtf8(system.versionText), sys::WideToUtf8(system.archText));
}

std::wstring ProgramFileName() {
    const std::wstring path = sys::ProgramPath();
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
