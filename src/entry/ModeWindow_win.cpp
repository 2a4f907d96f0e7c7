// The window factory. The wizard windows are not part of this build yet: the silent modes run what
// their windows run, without a window; the others report the window they would open and return
// as if that window's loop had ended.
#include "entry/ModeWindow.h"

#include <windows.h>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "entry/SilentRun.h"

const char* ModeWindowClass(int mode) {
    switch (mode) {
        case OpePARAMEx::CMD_INSTALL:
        case OpePARAMEx::CMD_SILENT: return "CInstallWnd";
        case OpePARAMEx::CMD_UNINSTALL:
        case OpePARAMEx::CMD_UNSILENT: return "CUninstallWnd";
        case OpePARAMEx::CMD_WEBINSTALL:
        case OpePARAMEx::CMD_WEBSILENT: return "CWebInstallWnd";
        default: return nullptr;
    }
}

int CreateModeWindow(OpePARAMEx* record, bool initialized) {
    LogPrint(log4z::LOG_LEVEL_INFO, "GeneralWindow, ********************Current Process ID: %d, CmdLine: %d ",
             static_cast<int>(::GetCurrentProcessId()), record->m_Mode);
    if (record->m_Mode == OpePARAMEx::CMD_UPDATE) return -2;
    const char* windowClass = ModeWindowClass(record->m_Mode);
    if (!windowClass) return -1;
    const bool silent = record->m_Mode == OpePARAMEx::CMD_SILENT || record->m_Mode == OpePARAMEx::CMD_UNSILENT ||
                        record->m_Mode == OpePARAMEx::CMD_WEBSILENT;
    if (silent && !initialized) {
        LogPrint(log4z::LOG_LEVEL_ERROR, "GeneralWindow, Init failed, silent mode %d does not run", record->m_Mode);
        return kSilentRunIncomplete;
    }
    if (record->m_Mode == OpePARAMEx::CMD_SILENT) return RunSilentInstall(*record) ? 0 : kSilentRunIncomplete;
    if (record->m_Mode == OpePARAMEx::CMD_UNSILENT) return RunSilentUninstall(*record) ? 0 : kSilentRunIncomplete;
    if (record->m_Mode == OpePARAMEx::CMD_WEBSILENT) return RunSilentWebInstall(*record) ? 0 : kSilentRunIncomplete;
    LogPrint(log4z::LOG_LEVEL_INFO, "GeneralWindow, window %s for mode %d is not part of this build", windowClass,
             record->m_Mode);
    return 0;
}
