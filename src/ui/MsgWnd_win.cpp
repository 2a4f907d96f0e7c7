// The message window.
#include "ui/MsgWnd.h"

#include <stdexcept>

#include "ui/framework/UIButton.h"

using namespace DuiLib;

std::wstring CMsgWnd::GetSkinFile() {
    try {
        return L"msg.xml";
    } catch (...) {
        throw std::runtime_error("CMsgWnd::GetSkinFile failed");
    }
}

void CMsgWnd::Init() {
    try {
        m_BtnMsgOK = FindControlAs<CButtonUI>(L"BtnMsgOK");
        m_BtnMsgCancel = FindControlAs<CButtonUI>(L"BtnMsgCancel");
        m_BtnMsgClose = FindControlAs<CButtonUI>(L"BtnMsgClose");
    } catch (...) {
        throw std::runtime_error("CMsgWnd::Init failed");
    }
}

void CMsgWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click") {
        if (msg.pSender && msg.pSender == m_BtnMsgOK)
            Close(1);
        else if (msg.pSender && (msg.pSender == m_BtnMsgCancel || msg.pSender == m_BtnMsgClose))
            Close(2);
    }
    WindowImplBase::Notify(msg);
}

LRESULT CMsgWnd::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL&) {
    return 0;
}

void CMsgWnd::OnFinalMessage(HWND hWnd) {
    try {
        WindowImplBase::OnFinalMessage(hWnd);
    } catch (...) {
        delete this;
        throw std::runtime_error("CMsgWnd::OnFinalMessage");
    }
    delete this;
}

UINT CMsgWnd::Ask(HWND owner) {
    auto* window = new CMsgWnd;
    if (!window->Create(owner, L"MsgWnd", 0x80B, 0x60000, 0, 0, 0, 0)) {
        delete window;
        return 0;
    }
    window->CenterWindow();
    return window->ShowModal();
}
