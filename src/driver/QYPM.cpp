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
#include "driver/ProductPreparation.h"
#include "driver/ProductRegistration.h"
#include "driver/Procedures.h"
#include "system/ErrorLog.h"
#include "system/FileHelpers.h"
#include "system/FolderSecurity.h"
#include "system/Process.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"

namespace {

constexpr char kLogSource[] = "QYPM";

void WriteSystemError(const char* format, va_list args) {
    log4z::WriteLogV(log4z::LOG_LEVEL_ERROR, kLogSource, __LINE__, format, args);
}

}  // namespace

QYPM::QYPM(CUpdateEngEx& engine, OwnSetupPkg& package)
    : m_com(COINIT_APARTMENTTHREADED), m_Run(engine, engine.m_pPrompt, package) {
    engine.m_Cancelled = [this] { return m_Run.cancel.load(); };
    // The run's log is the driver's from now on, the system layer's failure lines included.
    SetLogWriter(this);
    sys::SetErrorLogSink(&WriteSystemError);
}

QYPM::~QYPM() {
    sys::SetErrorLogSink(nullptr);
    SetLogWriter(nullptr);
}

int QYPM::StartRunLog() {
    // Named after the start time.
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

    return 0;
}

int QYPM::Init(OpePARAMEx* record) {
    // 1-2: the log of this run.
    if (int started = StartRunLog()) return started;

    // 3-5. The working folder is shared by every installer of the session: one run at a time.
    if (sys::EnableDebugPrivilege() != 0) QYLOG_ERROR("Init, EnableDebugPrivilege failed ");
    // A web install holds the lock only while it recreates the working folder: the silent install
    // it starts and waits for needs it. What an earlier Init of this process took stays held.
    const bool lockedBefore = m_Run.runLock.Held();
    if (!m_Run.runLock.Acquire()) {
        const bool shown = CRunLock::ShowHolder();
        QYLOG_ERROR("Init, another installation is already in progress, mode %d, its window %s",
                    record->m_Mode, shown ? "brought to the front" : "not found");
        return kInitAnotherRun;
    }
    std::wstring working;
    if (CreateTempInstallDir(L"~QYSetup", working) != 0) {
        QYLOG_ERROR("Init, CreateTempInstallDir failed %d", static_cast<int>(sys::LastErrorCode()));
        return -1;
    }
    QYLOG_INFO("Init, CreateTempInstallDir success, path %S", working.c_str());
    record->m_TempDir = working;

    // 6: the setup package into the working folder. The installed copy of the package manager
    // carries no package, so in the uninstall modes a failure is expected and not logged.
    const int extracted = PackageResult(
        [&] { return m_Run.package.Get().ExtractAllSetupFiles(record->m_TempDir, m_Run.productConfigPath); });
    if (extracted != 0 && ProcedureOf(record->m_Mode) != ModeProcedure::kUninstall) {
        QYLOG_ERROR("Init, Test ExtractAllSetupFiles fail, nret %d err %d", extracted,
                    static_cast<int>(sys::LastErrorCode()));
    }
    return ReadProduct(record, lockedBefore);
}

int QYPM::ReadProduct(OpePARAMEx* record, bool lockedBefore) {
    // 7: what the mode reads, and from where.
    CProductConfig* target = nullptr;
    std::wstring baseFolder;
    std::vector<std::wstring> productList;
    switch (ProcedureOf(record->m_Mode)) {
        case ModeProcedure::kInstall:
            record->m_SkinDir = ModeSkinFolder(*record);
            baseFolder = record->m_TempDir;
            target = &m_Run.engine.m_NewProduct;
            QYLOG_INFO("Init, OpePARAMEx::CMD_INSTALL ExtractAllSetupFiles success");
            break;
        case ModeProcedure::kUninstall:
            record->m_SkinDir = ModeSkinFolder(*record);
            baseFolder = record->m_InstallPath;
            ReadProductList(baseFolder + L"\\package\\productlist.ini", productList);
            m_Run.productList = productList;
            target = &m_Run.engine.m_OldProduct;
            QYLOG_INFO("Init, OpePARAMEx::CMD_UNINSTALL GetProductConfigName success");
            break;
        case ModeProcedure::kWebInstall:
            if (!lockedBefore) m_Run.runLock.Release();
            return 0;
        case ModeProcedure::kNone:
            QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
            return -2;
    }

    // 8-9: the product file; a web package turns the run into a silent web install.
    if (GetProductConfigInfo(m_Run.productConfigPath, *target, baseFolder, productList) != 0) {
        QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
        return -2;
    }
    if (target->m_PackageType == kPackageWeb) {
        record->m_Mode = OpePARAMEx::CMD_WEBSILENT;
        if (!lockedBefore) m_Run.runLock.Release();
        return 0;
    }
    // The component files too are read now, right after the extraction, and not again.
    ReadComponentConfigs(*record, *target);
    m_Run.componentsRead = target;
    return 0;
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
    m_Run.cancel = false;
    if (record->m_Async) {
        m_WorkerRecord = record;
        if (!sys::StartDetachedThread(&QYPM::InstallProc, this)) {
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
    m_Run.Error(L"安装失败");
    return kProcedureException;
}

unsigned QYPM::InstallProc(void* param) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // kept for the thread's life
    QYPM* driver = static_cast<QYPM*>(param);
    int code = driver->RunProcedureCatching(driver->m_WorkerRecord);
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
    if (record->m_AllowRestart) m_Run.engine.DoRunruleInAddList("OnRestartApp");
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
    CProductConfig& installed = m_Run.engine.m_OldProduct;
    if (GetProductConfigInfo(m_Run.productConfigPath, installed, record->m_InstallPath, productList) != 0) {
        QYLOG_ERROR("Init, GetProductConfigInfo failed %d", static_cast<int>(sys::LastErrorCode()));
        return -2;
    }
    PrepareProductConfig(m_Run, *record, installed);
    m_Run.engine.CheckProductDifference(2);
    const InstallPlan plan = m_Run.engine.MakePlan(PlanKind::kStartByOther, record);
    for (const PlanStep step : plan.steps) m_Run.engine.ApplyStep(plan, step);
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
    m_Run.prompt = prompt;  // the engine's
    // The configuration readers report their validation messages to the same window.
    m_Run.engine.m_OldProduct.m_ErrorSink = prompt;
    m_Run.engine.m_NewProduct.m_ErrorSink = prompt;
}

int QYPM::WriteLog(int level, const char* format, va_list args) {
    log4z::WriteLogV(level, kLogSource, __LINE__, format, args);
    return 0;
}

int QYPM::In_Install(OpePARAMEx* record) {
    return InstallProcedure(m_Run, record);
}

int QYPM::In_Uninstall(OpePARAMEx* record) {
    return UninstallProcedure(m_Run, record);
}

int QYPM::In_WebInstall(OpePARAMEx* record) {
    return WebInstallProcedure(m_Run, record);
}

int QYPM::GetTypeList(OpePARAMEx*) {
    return FetchTypeList(m_Run);
}

int QYPM::DelSelf(OpePARAMEx* record) {
    DeleteInstaller(m_Run, record);
}
