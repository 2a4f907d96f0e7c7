// Entry point of PackageManager.exe, where the run is put together: the logger, the packages of
// this file, the engine and the driver are made here and handed down; then the command line, the
// driver's initialisation, the mode's window, and the process exit code.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "driver/QYPM.h"
#include "interface/Maker/SetupPkg.h"
#include "interface/Parser/UpdateEngEx.h"
#include "entry/CommandLine.h"
#include "entry/InstallPathQuery.h"
#include "entry/ModeWindow.h"
#include "system/Process.h"
#include "system/SystemLibrary.h"
#include "ui/SkinSource.h"
#include "ui/framework/PaintManagerUI.h"

namespace {

// The run's last lines reach the log file on every way out of wWinMain.
struct LogFlushAtExit {
    ~LogFlushAtExit() { log4z::ILog4zManager::getInstance()->Stop(); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // Before anything loads a DLL by name: never from the installer's own or the current folder.
    sys::RestrictDllSearchToSystem();
    LogFlushAtExit flushLog;
    if (FAILED(::CoInitialize(nullptr))) return 0;
    DuiLib::CUIProcess::SetInstance(instance);

    OpePARAMEx record;
    std::wstring line = commandLine ? commandLine : L"";
    if (ParseCommandLine(&line[0], record, &QueryInstallPath) < 0) {
        // A silent run has nobody to read the box (and no log yet): the exit code says it.
        if (!record.m_Unattended) ::MessageBoxW(nullptr, L"参数解析异常", L"错误", MB_OK);
        return -1;
    }

    OwnSetupPkg package;
    CUpdateEngEx engine;
    QYPM driver(engine, package);
    const int initialized = driver.Init(&record);
    if (initialized == kInitAnotherRun) return kExitAnotherInstallRunning;
    if (initialized != 0) {
        LogPrint(log4z::LOG_LEVEL_ERROR, "GeneralWindow, Init failed err %d ",
                 static_cast<int>(sys::LastErrorCode()));
    }
    LogPrint(log4z::LOG_LEVEL_INFO, "wWinmain, init success");
    LoadSkin(record);

    const int shown = CreateModeWindow(&record, initialized == 0, WizardDriver{driver, driver});
    // The driver, the engine and the log go when this returns: never under a running worker.
    driver.WaitForProcedure();
    if (shown < 0) {
        if (!record.m_Unattended) ::MessageBoxW(nullptr, L"构建窗口异常", L"错误", MB_OK);
        return -2;
    }
    ::CoUninitialize();
    // A run the user closed before it completed says so.
    if (driver.CancelRequested() && driver.LastResult() != 0) {
        LogPrint(log4z::LOG_LEVEL_ERROR, "wWinmain, the run was closed before it completed, code %d",
                 driver.LastResult());
        return kExitUserCancelled;
    }

    std::wstring registered;
    if (ProcedureOf(record.m_Mode) == ModeProcedure::kUninstall && !QueryInstallPath(registered)) {
        driver.DelSelf(&record);
    }
    // A silent run leaves no window behind to show a failure: its exit code says it.
    return shown == kSilentRunIncomplete ? kExitInstallFailed : 0;
}
