// The wizard windows' shared part.
#include "ui/WizardWnd.h"

#include <stdexcept>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "driver/QYPM.h"

using namespace DuiLib;

CWizardWnd::CWizardWnd(const OpePARAMEx* record) : m_Record(*record) {}

void CWizardWnd::Guarded(const char* what, const std::function<void()>& fn) {
    try {
        fn();
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

bool CWizardWnd::IsSilent() const {
    return m_Record.m_Mode == OpePARAMEx::CMD_SILENT || m_Record.m_Mode == OpePARAMEx::CMD_UNSILENT ||
           m_Record.m_Mode == OpePARAMEx::CMD_WEBSILENT;
}

void CWizardWnd::EndSilentRunFailed(const char* why) {
    LogPrint(log4z::LOG_LEVEL_ERROR, "%s, silent mode %d did not complete: %s, the window closes",
             ClassName(), m_Record.m_Mode, why);
    m_QuitCode = kQuitSilentRunFailed;
    Close(1);
}

void CWizardWnd::OnFinalMessage(HWND hWnd) {
    const std::string what = std::string(ClassName()) + "::OnFinalMessage";
    try {
        WindowImplBase::OnFinalMessage(hWnd);
        QYPM* driver = GetQYPM();
        driver->SetPrompt(nullptr);
        ::PostQuitMessage(m_QuitCode);
        // A procedure still running on its worker (a download the user walked away from) may
        // report once more before the process ends: the object stays for it.
        if (driver->IsRunning()) return;
    } catch (...) {
        throw std::runtime_error(what);
    }
    delete this;
}
