// The confirmation window shown when the user closes the install window while the install runs:
// OK closes with 1, cancel and the close button with 2.
#pragma once

#include "ui/framework/UIButton.h"
#include "ui/framework/WindowImplBase.h"

class CMsgWnd : public DuiLib::WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"MsgWnd"; }
    std::wstring GetSkinFile() override;
    void Init() override;
    void Notify(DuiLib::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void OnFinalMessage(HWND hWnd) override;

    // Made as the caller's owned window, centred, shown modally: the result of the button pressed,
    // or 0 when the window went away otherwise.
    static UINT Ask(HWND owner);

private:
    DuiLib::CButtonUI* m_BtnMsgOK = nullptr;
    DuiLib::CButtonUI* m_BtnMsgCancel = nullptr;
    DuiLib::CButtonUI* m_BtnMsgClose = nullptr;
};
