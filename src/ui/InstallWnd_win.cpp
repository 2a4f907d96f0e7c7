// The install wizard.
#include "ui/InstallWnd.h"

#include <shellapi.h>
#include <shlobj.h>

#include "driver/IQYPM.h"
#include "system/FileHelpers.h"
#include "ui/MsgWnd.h"
#include "ui/ProgressRules.h"
#include "ui/UserAgreement.h"

using namespace DuiLib;

std::wstring CInstallWnd::GetSkinFile() {
    std::wstring file;
    Guarded("GetSkinFile failed", [&] { file = L"install.xml"; });
    return file;
}

void CInstallWnd::Init() {
    Guarded("Init failed", [&] {
        m_BtnInstallClose = FindControlAs<CButtonUI>(L"BtnInstallClose");
        m_BtnInstall = FindControlAs<CButtonUI>(L"BtnInstall");
        m_BtnCustom = FindControlAs<CButtonUI>(L"BtnCustom");
        m_EditPath = FindControlAs<CEditUI>(L"EditPath");
        m_OptLicence = FindControlAs<COptionUI>(L"OptLicence");
        m_BtnLicence = FindControlAs<CButtonUI>(L"BtnLicence");
        m_ProInstall = FindControlAs<CProgressUI>(L"ProInstall");
        m_LabelTips = FindControlAs<CLabelUI>(L"LabelTips");
        m_BtnQuickStart = FindControlAs<CButtonUI>(L"BtnQuickStart");
        m_VerBeforInstall = FindControlAs<CVerticalLayoutUI>(L"VerBeforInstall");
        m_VerInstall = FindControlAs<CVerticalLayoutUI>(L"VerInstall");
        m_VerAfterInstall = FindControlAs<CVerticalLayoutUI>(L"VerAfterInstall");
        m_Pictures.Attach(m_pm.FindControl(L"CtrlGame"), m_pm.FindControl(L"CtrlWeGame"),
                          m_pm.FindControl(L"CtrlShopping"), m_pm.FindControl(L"CtrlSteam"));
        if (!m_BtnInstall || !m_EditPath || !m_OptLicence || !m_ProInstall || !m_LabelTips ||
            !m_BtnQuickStart || !m_VerBeforInstall || !m_VerInstall || !m_VerAfterInstall) {
            throw std::runtime_error("install.xml lacks a control");
        }

        m_Idle = true;
        m_EditPath->SetMouseEnabled(false);
        m_OptLicence->Selected(true);
        m_EditPath->SetText(m_Record.m_InstallPath);
        m_VerBeforInstall->SetVisible(true);
        m_VerInstall->SetVisible(false);
        m_VerAfterInstall->SetVisible(false);
        m_ProInstall->SetValue(0);

        if (m_Record.m_Mode == OpePARAMEx::CMD_SILENT) {
            // The install runs here, on the UI thread, inside this call.
            m_Record.m_Async = 0;
            Press(m_BtnInstall);
            if (!m_Finished) EndSilentRunFailed("the install failed");
        }
    });
}

void CInstallWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click" && msg.pSender) {
        CControlUI* sender = msg.pSender;
        if (sender == m_BtnInstall)
            StartInstall();
        else if (sender == m_BtnQuickStart)
            StartProduct();
        else if (sender == m_BtnLicence)
            OpenUserAgreement();
        else if (sender == m_BtnCustom)
            ChooseFolder();
        else if (sender == m_OptLicence)
            m_BtnInstall->SetVisible(!m_BtnInstall->IsVisible());
        else if (sender == m_BtnInstallClose)
            Close(1);
    }
    WindowImplBase::Notify(msg);
}

LRESULT CInstallWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL&) {
    if (uMsg == WM_TIMER && wParam == CFloatingPictures::kTimer) m_Pictures.Step();
    return 0;
}

void CInstallWnd::StartInstall() {
    m_Pictures.SaveRest();
    m_Idle = false;
    m_VerBeforInstall->SetVisible(false);
    m_VerInstall->SetVisible(true);
    m_VerAfterInstall->SetVisible(false);
    m_Record.m_InstallPath = m_EditPath->GetText();
    m_Driver.GetFileSizeInfo(m_FileSizeInfo, L"");
    m_Driver.SetPrompt(this);
    m_Driver.Install(&m_Record);
}

std::wstring CInstallWnd::TargetFolder(const std::wstring& chosen) {
    static const wchar_t kProductFolder[] = L"\\Morvane\\Tarnhold";
    std::wstring folder = chosen;
    if (folder.size() + wcslen(kProductFolder) < MAX_PATH) folder += kProductFolder;
    return folder;
}

void CInstallWnd::ChooseFolder() {
    BROWSEINFOW info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr;
    info.lpszTitle = L"请选择安装目录：";
    info.ulFlags = 0x53;  // file-system folders only, not below the domain, an edit box, new style
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    const bool got = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (got) m_EditPath->SetText(TargetFolder(path));
}

bool CInstallWnd::MayClose() {
    if (m_Idle || m_CloseConfirmed || !m_Run.IsRunning()) return true;
    // A second close while the question is open is the same question.
    if (m_Asking) return false;
    m_Asking = true;
    const bool confirmed = CMsgWnd::Ask(m_hWnd) == 1;
    m_Asking = false;
    if (!confirmed) return false;
    m_CloseConfirmed = true;
    m_Run.RequestCancel();
    return true;
}

void CInstallWnd::StartProduct() {
    m_Driver.RunRestartPhase(&m_Record);
    sys::DeleteFolder(m_Record.m_TempDir, {});
    Close(1);
}

void CInstallWnd::ShowProgress(int percent, int action, const std::wstring& detail) {
    m_ProInstall->SetValue(percent);
    m_ProInstall->SetText(PercentText(percent));
    m_LabelTips->SetText(L"总大小：" + m_FileSizeInfo.sizeText + L" " + GetActionText(action) + detail);
}

void CInstallWnd::OnStep(int action, int increment, std::wstring detail) {
    m_Percent = StepPercentage(m_Percent, action, increment);
    const int percent = m_Percent;
    OnUiThread([this, percent, action, detail] { ShowProgress(percent, action, detail); });
}

void CInstallWnd::OnStepProgress(int action, int position, int total, std::wstring detail, int share) {
    const int percent = ProgressPercentage(m_Percent, position, total, share);
    OnUiThread([this, percent, action, detail] { ShowProgress(percent, action, detail); });
}

void CInstallWnd::OnFinished(const char*, int) {
    m_Finished = true;
    OnUiThread([this] {
        if (m_Record.m_Mode == OpePARAMEx::CMD_SILENT) Press(m_BtnQuickStart);
    });
    OnStep(kActionComplete, 100, L"");
    OnUiThread([this] {
        m_Idle = true;
        m_VerBeforInstall->SetVisible(false);
        m_VerInstall->SetVisible(false);
        m_VerAfterInstall->SetVisible(true);
        m_pm.UpdateLayout();
        ::UpdateWindow(m_hWnd);
        if (m_Pictures.Complete())
            ::SetTimer(m_hWnd, CFloatingPictures::kTimer, CFloatingPictures::kPeriodMs, nullptr);
    });
}
