// The web-install window: it starts the web install at once, shows the download's size, speed
// and progress, and ends on a page with the product's start button. Closing it never asks.
#pragma once

#include "driver/IQYPM.h"
#include "ui/FloatingPictures.h"
#include "ui/WizardWnd.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIProgress.h"

class CWebInstallWnd : public CWizardWnd {
public:
    CWebInstallWnd(const OpePARAMEx* record, WizardDriver driver) : CWizardWnd(record, driver) {}

    const wchar_t* GetWindowClassName() const override { return L"WebInstallWnd"; }
    std::wstring GetSkinFile() override;
    void Init() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    void OnStepProgress(int action, int position, int total, std::wstring detail, int share) override;
    void OnFinished(const char* text, int value) override;
    void OnError(std::wstring message) override;

    // "总大小：%.2fM，已下载：%.2fM" with the detail after it.
    static std::wstring SizeLine(int position, int total, const std::wstring& detail);

protected:
    const char* ClassName() const override { return "CWebInstallWnd"; }
    // Closing during the download stops it: nothing is started afterwards.
    bool MayClose() override;

private:
    FileSizeInfo m_FileSizeInfo;
    CFloatingPictures m_Pictures;

    DuiLib::CButtonUI* m_BtnWebInstallClose = nullptr;
    DuiLib::CButtonUI* m_BtnQuickStart = nullptr;
    DuiLib::CProgressUI* m_ProWebInstall = nullptr;
    DuiLib::CLabelUI* m_LabelTips = nullptr;
    DuiLib::CLabelUI* m_LabelAction = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerDownload = nullptr;
    DuiLib::CVerticalLayoutUI* m_VerAfterInstall = nullptr;
    // The procedure has told its end (finished or failed): a close then stops nothing.
    bool m_Reported = false;
};
