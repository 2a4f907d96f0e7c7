// The window factory: the wizard of the run's mode, its message loop, and what the loop's end
// says about a silent run.
#include "entry/ModeWindow.h"

#include <windows.h>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "entry/SilentRun.h"
#include "ui/InstallWnd.h"
#include "ui/SkinSource.h"
#include "ui/UninstallWnd.h"
#include "ui/WebInstallWnd.h"
#include "ui/framework/PaintManagerUI.h"

const char* ModeWindowClass(int mode) {
    switch (ProcedureOf(mode)) {
        case ModeProcedure::kInstall:
            return "CInstallWnd";
        case ModeProcedure::kUninstall:
            return "CUninstallWnd";
        case ModeProcedure::kWebInstall:
            return "CWebInstallWnd";
        case ModeProcedure::kNone:
            break;
    }
    return nullptr;
}

namespace {

CWizardWnd* MakeWindow(OpePARAMEx* record, WizardDriver driver) {
    switch (ProcedureOf(record->m_Mode)) {
        case ModeProcedure::kInstall:
            return new CInstallWnd(record, driver);
        case ModeProcedure::kUninstall:
            return new CUninstallWnd(record, driver);
        case ModeProcedure::kWebInstall:
            return new CWebInstallWnd(record, driver);
        case ModeProcedure::kNone:
            break;
    }
    return nullptr;
}

}  // namespace

int CreateModeWindow(OpePARAMEx* record, bool initialized, WizardDriver driver) {
    LogPrint(log4z::LOG_LEVEL_INFO, "GeneralWindow, ********************Current Process ID: %d, CmdLine: %d ",
             static_cast<int>(::GetCurrentProcessId()), record->m_Mode);
    if (record->m_Mode == OpePARAMEx::CMD_UPDATE) return -2;
    if (!ModeWindowClass(record->m_Mode)) return -1;
    const bool silent = record->m_Unattended;
    if (silent && !initialized) {
        LogPrint(log4z::LOG_LEVEL_ERROR, "GeneralWindow, Init failed, silent mode %d does not run",
                 record->m_Mode);
        return kSilentRunIncomplete;
    }
    CWizardWnd* window = MakeWindow(record, driver);
    if (!window) return -2;
    // Nobody would read the box of a missing skin: the procedure does not need the window.
    if (silent && !SkinHolds(static_cast<DuiLib::WindowImplBase*>(window)->GetSkinFile())) {
        LogPrint(log4z::LOG_LEVEL_ERROR,
                 "GeneralWindow, the skin of %s is not there, silent mode %d runs without it",
                 ModeWindowClass(record->m_Mode), record->m_Mode);
        delete window;
        return RunSilentWithoutWindow(record, driver.operations);
    }
    // The window deletes itself when it goes; a silent run may end inside Create already. A
    // silent run's window is never shown: nobody watches it, and showing a window only to close
    // it again costs the run its mapping and unmapping.
    const DWORD style = silent ? WS_OVERLAPPEDWINDOW : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    if (!window->Create(nullptr, L"Quilly", style, 0, 0, 0, 900, 600)) {
        delete window;
        if (!silent) return -2;
        LogPrint(log4z::LOG_LEVEL_ERROR, "GeneralWindow, the window of silent mode %d cannot be made",
                 record->m_Mode);
        return kSilentRunIncomplete;
    }
    if (!silent) {
        window->CenterWindow();
        window->ShowWindow();
    }
    const int quit = DuiLib::CUIProcess::MessageLoop();
    DuiLib::CUIProcess::Term();
    return quit == kQuitSilentRunFailed ? kSilentRunIncomplete : 0;
}
