// The web-install window.
#include "ui/WebInstallWnd.h"

#include <cstdio>

#include "driver/IQYPM.h"
#include "ui/ProgressRules.h"

using namespace DuiLib;

std::wstring CWebInstallWnd::GetSkinFile() {
    std::wstring file;
    Guarded("GetSkinFile failed", [&] { file = L"webinstall.xml"; });
    return file;
}

void CWebInstallWnd::Init() {
    Guarded("Init failed", [&] {
        m_BtnWebInstallClose = FindControlAs<CButtonUI>(L"BtnWebInstallClose");
        m_BtnQuickStart = FindControlAs<CButtonUI>(L"BtnQuickStart");
        m_ProWebInstall = FindControlAs<CProgressUI>(L"ProWebInstall");
        m_LabelTips = FindControlAs<CLabelUI>(L"LabelTips");
        m_LabelAction = FindControlAs<CLabelUI>(L"LabelAction");
        m_VerDownload = FindControlAs<CVerticalLayoutUI>(L"VerDownload");
        m_VerAfterInstall = FindControlAs<CVerticalLayoutUI>(L"VerAfterInstall");
        m_Pictures.Attach(m_pm.FindControl(L"CtrlGame"), m_pm.FindControl(L"CtrlWeGame"),
                          m_pm.FindControl(L"CtrlShopping"), m_pm.FindControl(L"CtrlSteam"));
        if (!m_ProWebInstall || !m_LabelTips || !m_LabelAction || !m_VerDownload || !m_VerAfterInstall) {
            throw std::runtime_error("webinstall.xml lacks a control");
        }
        m_VerDownload->SetVisible(true);
        m_VerAfterInstall->SetVisible(false);

        m_Driver.GetFileSizeInfo(m_FileSizeInfo, L"");
        m_Driver.SetPrompt(this);
        // With m_Async set the web install runs on the driver's worker and this returns at once.
        m_Driver.Install(&m_Record);
    });
}

bool CWebInstallWnd::MayClose() {
    if (m_Run.IsRunning() && !m_Reported) m_Run.RequestCancel();
    return true;
}

void CWebInstallWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click" && msg.pSender) {
        if (msg.pSender == m_BtnWebInstallClose) {
            Close(1);
        } else if (msg.pSender == m_BtnQuickStart) {
            m_Driver.StartByOther(&m_Record);
            Close(1);
        }
    }
    WindowImplBase::Notify(msg);
}

LRESULT CWebInstallWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL&) {
    if (uMsg == WM_TIMER && wParam == CFloatingPictures::kTimer) m_Pictures.Step();
    return 0;
}

std::wstring CWebInstallWnd::SizeLine(int position, int total, const std::wstring& detail) {
    wchar_t text[128];
    const float totalMb = static_cast<float>(total) / 1000 / 1000;
    const float receivedMb = static_cast<float>(position) / 1000 / 1000;
    std::swprintf(text, 128, L"总大小：%.2fM，已下载：%.2fM", static_cast<double>(totalMb),
                  static_cast<double>(receivedMb));
    return text + detail;
}

void CWebInstallWnd::OnStepProgress(int action, int position, int total, std::wstring detail, int share) {
    if (action == kActionInstalling) {
        OnUiThread([this] { m_LabelAction->SetText(GetActionText(kActionInstalling)); });
        return;
    }
    const int percent = ProgressPercentage(m_Percent, position, total, share);
    const std::wstring line = SizeLine(position, total, detail);
    OnUiThread([this, percent, line] {
        m_ProWebInstall->SetText(PercentText(percent));
        m_ProWebInstall->SetValue(percent);
        m_LabelTips->SetText(line);
    });
}

void CWebInstallWnd::OnFinished(const char*, int) {
    OnUiThread([this] {
        m_Reported = true;
        m_ProWebInstall->SetText(L"100%");
        m_ProWebInstall->SetValue(100);
        m_Pictures.SaveRest();
        m_VerDownload->SetVisible(false);
        m_VerAfterInstall->SetVisible(true);
        m_pm.UpdateLayout();
        ::UpdateWindow(m_hWnd);
        if (m_Pictures.Complete())
            ::SetTimer(m_hWnd, CFloatingPictures::kTimer, CFloatingPictures::kPeriodMs, nullptr);
        // Nobody is there to press a button after a silent web install; a user who started the
        // web installer sees the final page.
        if (m_Record.m_Unattended) Close(1);
    });
}

void CWebInstallWnd::OnError(std::wstring message) {
    OnUiThread([this, message] {
        m_Reported = true;
        m_LabelTips->SetText(L"");
        m_LabelAction->SetText(message);
        if (m_Record.m_Unattended) EndSilentRunFailed("the web install failed");
    });
}
