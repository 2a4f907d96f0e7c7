// The install wizard: the start page (target folder, agreement, install button), the progress
// page and the final page with the product's start button. In CMD_SILENT it installs and starts
// the product without any user action.
#pragma once

#include "driver/IQYPM.h"
#include "ui/FloatingPictures.h"
#include "ui/WizardWnd.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIEdit.h"
#include "ui/framework/UIProgress.h"

class CInstallWnd : public CWizardWnd {
public:
    CInstallWnd(const OpePARAMEx* record, WizardDriver driver) : CWizardWnd(record, driver) {}

    const wchar_t* GetWindowClassName() const override { return L"InstallWnd"; }
    std::wstring GetSkinFile() override;
    void Init() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    void OnStep(int action, int increment, std::wstring detail) override;
    void OnStepProgress(int action, int position, int total, std::wstring detail, int share) override;
    void OnFinished(const char* text, int value) override;

    // The folder the dialog's choice becomes: the chosen folder with "\Morvane\Tarnhold" after it,
    // within 260 characters (a longer result keeps the chosen folder alone).
    static std::wstring TargetFolder(const std::wstring& chosen);

protected:
    const char* ClassName() const override { return "CInstallWnd"; }
    // While the install runs, a close asks; a confirmed one stops the install.
    bool MayClose() override;

private:
    void StartInstall();
    void ChooseFolder();
    void StartProduct();
    void ShowProgress(int percent, int action, const std::wstring& detail);

    FileSizeInfo m_FileSizeInfo;
    bool m_Idle = true;
    bool m_Asking = false;
    bool m_CloseConfirmed = false;
    bool m_Finished = false;
    CFloatingPictures m_Pictures;

    DuiLib::CButtonUI* m_BtnInstallClose = nullptr;
    DuiLib::CButtonUI* m_BtnInstall = nullptr;
    DuiLib::CButtonUI* m_BtnCustom = nullptr;
    DuiLib::CEditUI* m_EditPath = nullptr;
    DuiLib::COptionUI* m_OptLicence = nullptr;
    DuiLib::CButtonUI* m_BtnLicence = nullptr;
    DuiLib::CProgressUI* m_ProInstall = nullptr;
    DuiLib::CLabelUI* m_LabelTips = nullptr;
    DuiLib::CButtonUI* m_BtnQuickStart = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerBeforInstall = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerInstall = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerAfterInstall = nullptr;
};
