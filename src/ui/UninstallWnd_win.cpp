// The uninstall wizard.
#include "ui/UninstallWnd.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "driver/IQYPM.h"
#include "net/UpdateAnswers.h"
#include "system/TextConv.h"
#include "ui/ProgressRules.h"

using namespace DuiLib;

namespace {

constexpr int kNoReason = 9999;
constexpr size_t kMostServerReasons = 6;

}  // namespace

std::wstring CUninstallWnd::GetSkinFile() {
    std::wstring file;
    Guarded("GetSkinFile failed", [&] { file = L"uninstall.xml"; });
    return file;
}

void CUninstallWnd::Init() {
    Guarded("Init failed", [&] {
        m_VerUninstPage1 = FindControlAs<CVerticalLayoutUI>(L"VerUninstPage1");
        m_VerUninstPage2 = FindControlAs<CVerticalLayoutUI>(L"VerUninstPage2");
        m_VerUninstPage3 = FindControlAs<CVerticalLayoutUI>(L"VerUninstPage3");
        m_BtnUninst = FindControlAs<CButtonUI>(L"BtnUninst");
        m_BtnUse = FindControlAs<CButtonUI>(L"BtnUse");
        m_BtnMin = FindControlAs<CButtonUI>(L"BtnMin");
        m_BtnClose = FindControlAs<CButtonUI>(L"BtnClose");
        const wchar_t* const builtIn[6] = {L"OptQuestion", L"OptMuch",       L"OptUgly",
                                           L"OptFlow",     L"OptUninstSelf", L"OptSale"};
        for (int i = 0; i < 6; ++i) m_BuiltIn[i] = FindControlAs<COptionUI>(builtIn[i]);
        m_OptOther = FindControlAs<COptionUI>(L"OptOther");
        m_EditOther = FindControlAs<CEditUI>(L"EditOther");
        m_EditNumber = FindControlAs<CEditUI>(L"EditNumber");
        m_BtnCommit = FindControlAs<CButtonUI>(L"BtnCommit");
        m_BtnNotUninst = FindControlAs<CButtonUI>(L"BtnNotUninst");
        m_BtnBye = FindControlAs<CButtonUI>(L"BtnBye");
        if (!m_VerUninstPage1 || !m_VerUninstPage2 || !m_VerUninstPage3 || !m_OptOther || !m_EditOther ||
            !m_EditNumber || !m_BtnCommit || !m_BtnBye) {
            throw std::runtime_error("uninstall.xml lacks a control");
        }

        for (COptionUI* option : m_BuiltIn) {
            if (option) option->SetVisible(false);
        }
        m_EditOther->SetEnabled(false);
        ShowPage(1);

        if (m_Record.m_Mode == OpePARAMEx::CMD_UNSILENT) {
            // The uninstall runs here, on the UI thread, inside this call, with no reason chosen.
            m_Record.m_Async = 0;
            Press(m_BtnCommit);
            if (!m_Finished) EndSilentRunFailed("the uninstall failed");
        }
    });
}

bool CUninstallWnd::MayClose() {
    return !m_Run.IsRunning();
}

void CUninstallWnd::ShowPage(int page) {
    m_VerUninstPage1->SetVisible(page == 1);
    m_VerUninstPage2->SetVisible(page == 2);
    m_VerUninstPage3->SetVisible(page == 3);
}

void CUninstallWnd::ShowBuiltInReasons() {
    for (COptionUI* option : m_BuiltIn) {
        if (option) option->SetVisible(true);
    }
}

void CUninstallWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click" && msg.pSender) {
        CControlUI* sender = msg.pSender;
        if (sender == m_BtnUninst) {
            m_Driver.SetPrompt(this);
            if (m_Driver.GetTypeList(&m_Record) != 0) ShowBuiltInReasons();
            ShowPage(2);
        } else if (sender == m_BtnUse || sender == m_BtnClose || sender == m_BtnNotUninst ||
                   sender == m_BtnBye) {
            Close(1);
        } else if (sender == m_BtnMin) {
            SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        } else if (sender == m_BtnCommit && !m_Run.IsRunning()) {
            // A second click while the uninstall runs would rewrite the answer the worker reads.
            m_Driver.SetPrompt(this);
            const std::wstring answer = SurveyAnswer();
            if (!answer.empty()) m_Record.m_CommitInfo = answer;
            m_Driver.Uninstall(&m_Record);
        } else if (sender == m_OptOther) {
            // The click comes before the option changes its state.
            if (!m_OptOther->IsSelected()) m_EditOther->SetEnabled(true);
        } else if (auto* option = dynamic_cast<COptionUI*>(sender);
                   option && option->GetGroup() == L"OptReason") {
            m_EditOther->SetEnabled(false);
        }
    }
    WindowImplBase::Notify(msg);
}

LRESULT CUninstallWnd::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL&) {
    return 0;
}

void CUninstallWnd::NotifyUpdateWnd(std::string text) {
    std::vector<SurveyReason> reasons;
    std::string error;
    if (!ParseTypeList(text, reasons, error)) {
        ShowBuiltInReasons();
        LogPrint(log4z::LOG_LEVEL_ERROR, "NotifyUpdateWnd: json exception, errmsg %s", error.c_str());
        return;
    }
    // Places are written for a page of 350 skin pixels; the page's height is read in window
    // pixels and taken back to skin pixels, so the options land right at any DPI.
    const int pageHeight = m_pm.Scale().Unscale(m_VerUninstPage1->GetPos().Height());
    size_t made = 0;
    for (const SurveyReason& reason : reasons) {
        if (made >= kMostServerReasons) break;
        const int id = reason.id;
        const std::wstring name = sys::Utf8ToWide(reason.name);
        auto* option = new COptionUI;
        m_VerUninstPage2->Add(option);
        const int k = static_cast<int>(made);
        wchar_t pos[64];
        std::swprintf(pos, 64, L"%d, %d, %d, %d", k % 2 == 0 ? 89 : 376,
                      (k / 2) * 36 + 63 + (pageHeight - 350), 0, 0);
        const std::wstring optionName = L"Opt" + std::to_wstring(id);
        option->SetAttribute(L"name", optionName);
        option->SetAttribute(L"text", name);
        option->SetAttribute(L"float", L"true");
        option->SetAttribute(L"pos", pos);
        option->SetAttribute(L"textpadding", L"26,0,0,0");
        option->SetAttribute(L"align", L"left");
        option->SetAttribute(L"normalimage", L"res = 'opt.png' dest='0,0,14,14' source = '24,0,38,14'");
        option->SetAttribute(L"selectedimage", L"res='opt.png' dest='0,0,14,14' source='0,0,14,14'");
        option->SetAttribute(L"height", L"14");
        option->SetAttribute(L"width", L"200");
        option->SetAttribute(L"group", L"OptReason");
        option->SetAttribute(L"textcolor", L"0xFF666666");
        option->SetAttribute(L"font", L"0");
        option->SetAttribute(L"cursor", L"hand");
        option->SetTag(id);
        m_Reasons[k + 1] = Reason{id, optionName, name};
        ++made;
    }
}

std::wstring CUninstallWnd::SurveyAnswer() {
    int type = kNoReason;
    std::string content;
    for (const auto& [index, reason] : m_Reasons) {
        auto* option = dynamic_cast<COptionUI*>(m_pm.FindControl(reason.option.c_str()));
        if (option && option->IsSelected()) {
            type = static_cast<int>(option->GetTag());
            break;
        }
    }
    if (type == kNoReason && m_OptOther->IsSelected()) {
        type = 0;
        content = sys::WideToUtf8(m_EditOther->GetText());
    }
    if (type == kNoReason) return std::wstring();
    const std::wstring number = m_EditNumber->GetText();
    nlohmann::json answer = {
        {"content", content}, {"mobile", number.empty() ? "" : sys::WideToUtf8(number)}, {"type", type}};
    return sys::Utf8ToWide(answer.dump());
}

void CUninstallWnd::OnStep(int action, int increment, std::wstring) {
    m_Percent = StepPercentage(m_Percent, action, increment);
}

void CUninstallWnd::OnStepProgress(int, int position, int total, std::wstring, int share) {
    (void)ProgressPercentage(m_Percent, position, total, share);  // computed as everywhere, shown nowhere
}

void CUninstallWnd::OnFinished(const char*, int) {
    m_Finished = true;
    OnUiThread([this] {
        if (m_Record.m_Mode == OpePARAMEx::CMD_UNSILENT) Press(m_BtnBye);
    });
    OnStep(kActionComplete, 100, L"");
    OnUiThread([this] {
        ShowPage(3);
        m_pm.UpdateLayout();
        ::UpdateWindow(m_hWnd);
    });
}
