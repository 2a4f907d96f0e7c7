// What the install, uninstall and web-install windows share: the run's mode record (their own
// copy, whose address the driver gets), the running percentage, pressing their own buttons,
// carrying the driver's reports to the UI thread, and their end (the message loop ends with them).
#pragma once

#include <functional>
#include <string>

#include "common/run/OpePARAMEx.h"
#include "common/run/IInstallUIPromptEx.h"
#include "driver/IQYPM.h"
#include "ui/framework/WindowImplBase.h"

// The message loop's result when a silent run did not complete.
constexpr int kQuitSilentRunFailed = 1;

class CWizardWnd : public IInstallUIPromptEx, public DuiLib::WindowImplBase {
public:
    CWizardWnd(const OpePARAMEx* record, WizardDriver driver);
    void OnFinalMessage(HWND hWnd) override;
    // Unattended: no box waits for a person; the line is logged and the run ends with a failure.
    void OnSkinLoadFailed(const std::wstring& skinFile) override;
    // Logged with its text; a window whose start-up threw is not made (the caller deletes it).
    void OnMessageException(UINT uMsg, const char* what) override;
    // Every way of closing (its buttons, Esc, Alt+F4, the system menu) ends here: MayClose decides.
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

protected:
    // Whether the window may close now; a window whose procedure runs asks, refuses or stops it.
    virtual bool MayClose() { return true; }
    // The class name for the window's text exceptions ("CInstallWnd").
    virtual const char* ClassName() const = 0;
    // Runs fn; an exception becomes the text exception "<class>::<what>".
    void Guarded(const char* what, const std::function<void()>& fn);
    // Delivers a click of the control to the window's own Notify, as the silent modes do.
    void Press(DuiLib::CControlUI* control);
    // Runs fn on the UI thread, in the order of the calls (at once when already there).
    void OnUiThread(std::function<void()> fn);
    // A silent run that did not complete: the window closes and the process ends with a failure.
    void EndSilentRunFailed(const char* why);

    OpePARAMEx m_Record;
    IQYPM& m_Driver;
    IRunControl& m_Run;
    int m_Percent = 0;
    int m_QuitCode = 0;
    bool m_CreateFailed = false;
};
