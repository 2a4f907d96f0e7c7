// The setup driver: initialisation of the log and the working folder, and the dispatch of the
// install, uninstall and web-install procedures onto a worker thread.
#include "driver/QYPM.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "common/log/log4z.h"
#include "interface/Maker/SetupPkg.h"
#include "config/ProductConfigReader.h"
#include "interface/Parser/UpdateEngEx.h"
#include "config/ProductList.h"
#include "driver/ProductRegistration.h"
#include "system/ErrorLog.h"
#include "system/FileHelpers.h"
#include "system/FolderSecurity.h"
#include "system/Process.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"

namespace {

constexpr char kLogSource[] = "QYPM";

std::unique_ptr<QYPM> g_pQYPM;

void WriteSystemError(const char* format, va_list args) {
    log4z::WriteLogV(log4z::LOG_LEVEL_ERROR, kLogSource, __LINE__, format, args);
}

}  // namespace

QYPM* GetQYPM() {
    // The first use is always on the UI thread, before any worker exists.
    if (!g_pQYPM) g_pQYPM.reset(new QYPM);
    return g_pQYPM.get();
}

QYPM::QYPM() : m_com(COINIT_APARTMENTTHREADED), m_pEngine(&GetUpdateEngine()) {
    m_pEngine->m_Cancelled = [this] { return m_cancel.load(); };
    // The run's log is the driver's from now on, the system layer's failure lines included.
    SetLogWriter(this);
    sys::SetErrorLogSink(&WriteSystemError);
}

QYPM::~QYPM() {
    sys::SetErrorLogSink(nullptr);
    SetLogWriter(nullptr);
}

int QYPM::Init(OpePARAMEx* record) {
    // 1-2: the log of this run, named after the start time, inside %TEMP%\MVInstallLog.
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    const std::wstring temp = sys::TempFolder();
    std::wstring logFolder = temp + L"MVInstallLog\\";
    // The logs of earlier runs stay, unless others could change the folder: an elevated run
    // must not write into a folder (or through a link) an unelevated program prepared.
    const sys::FolderVerdict logVerdict =
        temp.empty() ? sys::FolderVerdict::kNotMade : sys::PrepareAdministratorsFolder(logFolder, true);
    const bool logFolderUsable =
        logVerdict == sys::FolderVerdict::kReady || logVerdict == sys::FolderVerdict::kReplaced;
    char logName[1024];
    std::snprintf(logName, sizeof(logName), "%sMVInstall_%4d%02d%02d_%02d%02d%02d.log",
                  sys::WideToUtf8(logFolder).c_str(), local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    log4z::ILog4zManager* logger = log4z::ILog4zManager::getInstance();
    logger->SetPath(log4z::kMainLogger, logName);
    // Without a temporary folder the lines go to the debugger only, never into a log folder
    // relative to wherever the process was started.
    if (!logFolderUsable) logger->SetOutFile(log4z::kMainLogger, false);
    logger->Start();
    logger->SetLevel(log4z::kMainLogger, log4z::LOG_LEVEL_TRACE);
    if (!temp.empty() && !logFolderUsable) {
        QYLOG_ERROR(
            "Init, the log folder %S is not only administrators' to change and cannot be made again, err %d",
            logFolder.c_str(), static_cast<int>(sys::LastErrorCode()));
        return -1;
    }
    if (logVerdict == sys::FolderVerdict::kReplaced) {
        QYLOG_WARN("Init, the log folder %S could be changed by others: made again", logFolder.c_str());
    }

    // 3-5. The working folder is shared by every installer of the session: one run at a time.
    if (sys::EnableDebugPrivilege() != 0) QYLOG_ERROR("Init, EnableDebugPrivilege failed ");
    // A web install holds the lock only while it recreates the working folder: the silent install
    // it starts and waits for needs it. What an earlier Init of this process took stays held.
    const bool lockedBefore = m_runLock.Held();
    if (!m_runLock.Acquire()) {
        const bool shown = CRunLock::ShowHolder();
        QYLOG_ERROR("Init, another installation is already in progress, mode %d, its window %s",
                    record->m_Mode, shown ? "brought to the front" : "not found");
        return kInitAnotherRun;
    }
    if (CreateTempInstallDir(L"~QYSetup") != 0) {
        QYLOG_ERROR("Init, CreateTempInstallDir failed %d", static_cast<int>(sys::LastErrorCode()));
        return -1;
    }
    QYLOG_INFO("Init, CreateTempInstallDir success, path %S", m_TempDir.c_str());
    record->m_TempDir = m_TempDir;

    // 6: the setup package into the working folder. The installed copy of the package manager
    // carries no package, so in the uninstall modes a failure is expected and not logged.
    const int extracted = PackageResult(
        [&] { return SetupPkg::Instance().ExtractAllSetupFiles(m_TempDir, m_ProductConfigPath); });
    const ModeProcedure procedure = ProcedureOf(record->m_Mode);
    if (extracted != 0 && procedure != ModeProcedure::kUninstall) {
        QYLOG_ERROR("Init, Test ExtractAllSetupFiles fail, nret %d err %d", extracted,
                    static_cast<int>(sys::LastErrorCode()));
    }

    // 7: what the mode reads, and from where.
    CProductConfig* target = nullptr;
    std::wstring baseFolder;
    std::vector<std::wstring> productList;
    switch (procedure) {
        case ModeProcedure::kInstall:
            record->m_SkinDir = ModeSkinFolder(*record);
            baseFolder = record->m_TempDir;
            target = &m_pEngine->m_NewProduct;
            QYLOG_INFO("Init, OpePARAMEx::CMD_INSTALL ExtractAllSetupFiles success");
            break;
        case ModeProcedure::kUninstall:
            record->m_SkinDir = ModeSkinFolder(*record);
            baseFolder = record->m_InstallPath;
            ReadProductList(baseFolder + L"\\package\\productlist.ini", productList);
            m_ProductList = productList;
            target = &m_pEngine->m_OldProduct;
            QYLOG_INFO("Init, OpePARAMEx::CMD_UNINSTALL GetProductConfigName success");
            break;
        case ModeProcedure::kWebInstall:
            if (!lockedBefore) m_runLock.Release();
            return 0;
        case ModeProcedure::kNone:
            QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
            return -2;
    }

    // 8-9: the product file; a web package turns the run into a silent web install.
    if (GetProductConfigInfo(*target, baseFolder, productList) != 0) {
        QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
        return -2;
    }
    if (target->m_PackageType == kPackageWeb) {
        record->m_Mode = OpePARAMEx::CMD_WEBSILENT;
        if (!lockedBefore) m_runLock.Release();
        return 0;
    }
    // The component files too are read now, right after the extraction, and not again.
    ReadComponentConfigs(record, *target);
    m_ComponentsRead = target;
    return 0;
}

int QYPM::GetProductConfigInfo(CProductConfig& target, const std::wstring& baseFolder,
                               const std::vector<std::wstring>& productList) {
    if (productList.empty()) {
        if (!sys::StaysInside(m_ProductConfigPath) ||
            !ParseProductConfig(baseFolder + L"\\package\\" + m_ProductConfigPath, target)) {
            QYLOG_ERROR("GetProductConfigInfo, ParseProductConfig fail, m_ProductConfigPath %S",
                        m_ProductConfigPath.c_str());
            return -1;
        }
        QYLOG_INFO("GetProductConfigInfo, ParseProductConfig complete, m_ProductConfigPath %S",
                   m_ProductConfigPath.c_str());
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

void QYPM::DropNamesOutsidePackage(CProductConfig& product) {
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

int QYPM::CreateTempInstallDir(const std::wstring& folderName) {
    const std::wstring temp = sys::TempFolder();
    if (temp.empty()) return -1;  // never a folder relative to wherever the process started
    m_TempDir = temp + folderName;
    // Always made anew, only administrators' to change. A link, a file or a folder others can
    // change that stays under the fixed name is refused: the setup files would otherwise go where
    // an unelevated program can reach them.
    const sys::FolderVerdict verdict = sys::PrepareAdministratorsFolder(m_TempDir, false);
    return verdict == sys::FolderVerdict::kReady || verdict == sys::FolderVerdict::kReplaced ? 0 : -1;
}

void QYPM::WaitForProcedure() const {
    while (m_busy) ::Sleep(20);
}

int QYPM::Install(OpePARAMEx* record) {
    return Dispatch(ModeProcedure::kInstall, record);
}
int QYPM::Uninstall(OpePARAMEx* record) {
    return Dispatch(ModeProcedure::kUninstall, record);
}
int QYPM::WebInstall(OpePARAMEx* record) {
    return Dispatch(ModeProcedure::kWebInstall, record);
}

int QYPM::Dispatch(ModeProcedure operation, OpePARAMEx* record) {
    const char* name = operation == ModeProcedure::kInstall     ? "Install"
                       : operation == ModeProcedure::kUninstall ? "Uninstall"
                                                                : "WebInstall";
    // One procedure at a time: a second start while one runs would share the engine's sets.
    if (m_busy.exchange(true)) {
        QYLOG_ERROR("%s, refused: a procedure is already running, mode %d", name, record->m_Mode);
        return -1;
    }
    m_cancel = false;
    if (record->m_Async) {
        if (!sys::StartDetachedThread(&QYPM::InstallProc, record)) {
            m_busy = false;
            QYLOG_ERROR("%s, worker thread start failed %d", name, static_cast<int>(sys::LastErrorCode()));
            return -1;
        }
        return 0;
    }
    int code = RunProcedureCatching(record);
    m_lastResult = code;
    m_busy = false;
    if (code == 0) return 0;
    switch (operation) {
        case ModeProcedure::kInstall:
            QYLOG_ERROR("install failed, error code is %d", code);
            return code;
        case ModeProcedure::kUninstall:
            QYLOG_ERROR("Unintall failed, error code is %d", code);
            return 0;
        case ModeProcedure::kWebInstall:
            QYLOG_ERROR("WebInstall failed, error code is %d", code);
            return 0;
        case ModeProcedure::kNone:
            break;
    }
    return code;
}

int QYPM::RunProcedure(OpePARAMEx* record) {
    switch (ProcedureOf(record->m_Mode)) {
        case ModeProcedure::kInstall:
            return In_Install(record);
        case ModeProcedure::kUninstall:
            return In_Uninstall(record);
        case ModeProcedure::kWebInstall:
            return In_WebInstall(record);
        case ModeProcedure::kNone:
            break;
    }
    return 0;
}

int QYPM::RunProcedureCatching(OpePARAMEx* record) {
    std::string what;  // copied: the exception object goes with its handler
    try {
        return RunProcedure(record);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an exception that is not a std::exception";
    }
    // The procedure ended half way: a failure, which the window hears of (a silent one ends with
    // its failure code), and which a second run repairs as it repairs any cut-short install.
    QYLOG_ERROR("InstallProc, the procedure of mode %d ended with an exception: %s", record->m_Mode,
                what.c_str());
    if (IInstallUIPromptEx* prompt = m_pPrompt) prompt->OnError(L"安装失败");
    return kProcedureException;
}

unsigned QYPM::InstallProc(void* param) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // kept for the thread's life
    QYPM* driver = GetQYPM();
    int code = driver->RunProcedureCatching(static_cast<OpePARAMEx*>(param));
    if (code == 0) {
        QYLOG_INFO("InstallProc, Run success");
    } else {
        QYLOG_ERROR("InstallProc, Run fail, nret %d, err %d", code, static_cast<int>(sys::LastErrorCode()));
    }
    driver->m_lastResult = code;
    driver->m_busy = false;
    return static_cast<unsigned>(code);
}

int QYPM::RunRestartPhase(OpePARAMEx* record) {
    if (record->m_AllowRestart) m_pEngine->DoRunruleInAddList("OnRestartApp");
    return 0;
}

int QYPM::StartByOther(OpePARAMEx* record) {
    GetRegInstallPath(record->m_InstallPath);
    if (record->m_InstallPath.empty()) {
        QYLOG_ERROR("StartByOther, GetRegInstallPath fail");
        return -1;
    }
    std::vector<std::wstring> productList;
    ReadProductList(record->m_InstallPath + L"\\package\\productlist.ini", productList);
    CProductConfig& installed = m_pEngine->m_OldProduct;
    if (GetProductConfigInfo(installed, record->m_InstallPath, productList) != 0) {
        QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
        return -2;
    }
    PrepareProductConfig(record, installed);
    m_pEngine->CheckProductDifference(2);
    m_pEngine->DoRunruleInDeleteList("OnRestartApp");
    return 0;
}

int QYPM::GetFileSizeInfo(FileSizeInfo& info, std::wstring path) {
    if (path.empty()) path = sys::ModuleFilePath();
    if (!sys::PathExists(path)) return -1;
    uint32_t size = 0;
    if (!sys::FindFileSizeLow(path, size)) size = 0xFFFFFFFFu;
    const float megabytes = static_cast<float>(size) / 1000 / 1000;
    wchar_t text[64];
    std::swprintf(text, 64, L"%.2fM", static_cast<double>(megabytes));
    info.path = path;
    info.size = size;
    info.sizeText = text;
    return 0;
}

void QYPM::SetPrompt(IInstallUIPromptEx* prompt) {
    m_pPrompt = prompt;
    m_pEngine->m_pPrompt = prompt;
    // The configuration readers report their validation messages to the same window.
    m_pEngine->m_OldProduct.m_ErrorSink = prompt;
    m_pEngine->m_NewProduct.m_ErrorSink = prompt;
}

int QYPM::WriteLog(int level, const char* format, va_list args) {
    log4z::WriteLogV(level, kLogSource, __LINE__, format, args);
    return 0;
}

std::wstring QYPM::GetSelfName() {
    if (m_SelfName.empty()) {
        std::wstring path = sys::ProgramPath();
        size_t slash = path.rfind(L'\\');
        m_SelfName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    }
    return m_SelfName;
}
