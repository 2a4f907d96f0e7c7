// The wizard windows' shared part.
#include "ui/WizardWnd.h"

#include <stdexcept>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "common/run/RunResults.h"
#include "driver/IQYPM.h"

using namespace DuiLib;

CWizardWnd::CWizardWnd(const OpePARAMEx* record, WizardDriver driver)
    : m_Record(*record), m_Driver(driver.operations), m_Run(driver.run) {}

void CWizardWnd::Guarded(const char* what, const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string(ClassName()) + "::" + what + " (" + e.what() + ")");
    } catch (...) {
        throw std::runtime_error(std::string(ClassName()) + "::" + what);
    }
}

void CWizardWnd::Press(CControlUI* control) {
    TNotifyUI msg;
    msg.sType = L"click";
    msg.pSender = control;
    Notify(msg);
}

void CWizardWnd::OnUiThread(std::function<void()> fn) {
    m_pm.RunOnUIThread(std::move(fn));
}

void CWizardWnd::OnSkinLoadFailed(const std::wstring& skinFile) {
    if (!m_Record.m_Unattended) {
        WindowImplBase::OnSkinLoadFailed(skinFile);
        return;
    }
    LogPrint(log4z::LOG_LEVEL_ERROR, "%s, the skin file %S cannot be loaded, silent mode %d ends",
             ClassName(), skinFile.c_str(), m_Record.m_Mode);
    // The process ends here, without destructors: the line must reach the file first.
    log4z::ILog4zManager::getInstance()->Stop();
    ::ExitProcess(kExitInstallFailed);
}

void CWizardWnd::EndSilentRunFailed(const char* why) {
    LogPrint(log4z::LOG_LEVEL_ERROR, "%s, silent mode %d did not complete: %s, the window closes",
             ClassName(), m_Record.m_Mode, why);
    m_QuitCode = kQuitSilentRunFailed;
    Close(1);
}

LRESULT CWizardWnd::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (!MayClose()) {
        bHandled = TRUE;  // the window stays
        return 0;
    }
    return WindowImplBase::OnClose(uMsg, wParam, lParam, bHandled);
}

void CWizardWnd::OnMessageException(UINT uMsg, const char* what) {
    LogPrint(log4z::LOG_LEVEL_ERROR, "%s, message 0x%x failed: %s", ClassName(), uMsg, what);
    if (uMsg == WM_CREATE) m_CreateFailed = true;
}

void CWizardWnd::OnFinalMessage(HWND hWnd) {
    const std::string what = std::string(ClassName()) + "::OnFinalMessage";
    try {
        WindowImplBase::OnFinalMessage(hWnd);
        m_Driver.SetPrompt(nullptr);
        // Creation failed: the caller still holds the object and no message loop runs for it.
        if (m_CreateFailed) return;
        ::PostQuitMessage(m_QuitCode);
        // A procedure still running on its worker (a download the user walked away from) may
        // report once more before the process ends: the object stays for it.
        if (m_Run.IsRunning()) return;
    } catch (...) {
        throw std::runtime_error(what);
    }
    delete this;
}
