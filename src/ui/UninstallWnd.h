// The uninstall wizard: confirmation, the survey of reasons (from the update server, or the
// built-in ones), the uninstall, and the farewell page. In CMD_UNSILENT it uninstalls and closes
// without any user action.
#pragma once

#include <map>
#include <string>

#include "ui/WizardWnd.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIEdit.h"

class CUninstallWnd : public CWizardWnd {
public:
    CUninstallWnd(const OpePARAMEx* record, WizardDriver driver) : CWizardWnd(record, driver) {}

    const wchar_t* GetWindowClassName() const override { return L"UninstallWnd"; }
    std::wstring GetSkinFile() override;
    void Init() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    void OnStep(int action, int increment, std::wstring detail) override;
    void OnStepProgress(int action, int position, int total, std::wstring detail, int share) override;
    void OnFinished(const char* text, int value) override;
    // The server's reason list: one option per entry, six at most, on the survey page.
    void NotifyUpdateWnd(std::string text) override;

    // The survey answer for the chosen reason and the typed texts: compact JSON
    // {"content","mobile","type"}, or empty when nothing was chosen (type 9999).
    std::wstring SurveyAnswer();

protected:
    const char* ClassName() const override { return "CUninstallWnd"; }
    // The uninstall is not stopped half way: no close while it runs.
    bool MayClose() override;

private:
    struct Reason {
        int id = 0;
        std::wstring option;
        std::wstring text;
    };
    void ShowBuiltInReasons();
    void ShowPage(int page);

    std::map<int, Reason> m_Reasons;  // by running index 1, 2, ...
    bool m_Finished = false;

    DuiLib::CVerticalLayoutUI* m_VerUninstPage1 = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerUninstPage2 = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerUninstPage3 = nullptr;
    DuiLib::CButtonUI* m_BtnUninst = nullptr;
    DuiLib::CButtonUI* m_BtnUse = nullptr;
    DuiLib::CButtonUI* m_BtnMin = nullptr;
    DuiLib::CButtonUI* m_BtnClose = nullptr;
    DuiLib::COptionUI* m_BuiltIn[6] = {};
    DuiLib::COptionUI* m_OptOther = nullptr;
    DuiLib::CEditUI* m_EditOther = nullptr;
    DuiLib::CEditUI* m_EditNumber = nullptr;
    DuiLib::CButtonUI* m_BtnCommit = nullptr;
    DuiLib::CButtonUI* m_BtnNotUninst = nullptr;
    DuiLib::CButtonUI* m_BtnBye = nullptr;
};
