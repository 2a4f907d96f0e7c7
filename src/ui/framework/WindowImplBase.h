// The base of every skinned window: it builds its skin when the window is created, hands its
// controls' notifications to Notify, handles the default buttons ("closebtn", "minbtn", "maxbtn",
// "restorebtn"), the frameless caption and the keyboard's Esc, and passes other messages to the
// paint manager.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/PaintManagerUI.h"
#include "ui/framework/UIBase.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
public:
    WindowImplBase() = default;

    // Slots after the window wrapper's: the window's style, start-up, clicks and its skin.
    virtual LONG GetStyle();
    virtual void Init() {}
    virtual void OnClick(TNotifyUI& msg);
    virtual std::wstring GetSkinFolder() { return std::wstring(); }
    virtual std::wstring GetSkinFile() = 0;
    virtual const wchar_t* GetManagerName() { return nullptr; }
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
    // The window's skin could not be built: a box names the file and the process ends (code 1).
    virtual void OnSkinLoadFailed(const std::wstring& skinFile);
    // The window's own message switch.
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // Every message the switch above does not take, with bHandled cleared; while it stays
    // cleared the message goes on to the paint manager and then to the default procedure.
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnDpiChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    // INotifyUI: "click" goes to OnClick; the rest is for the sub-pumps.
    void Notify(TNotifyUI& msg) override;
    // IMessageFilterUI: Esc asks the window to close, as Alt+F4 does.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    // IDialogBuilderCallback: no classes of the window's own.
    CControlUI* CreateControl(const wchar_t* className) override;
    // IQueryControlText: the skin's texts stay.
    const wchar_t* QueryControlText(const wchar_t* name, const wchar_t* className) override;

    CPaintManagerUI& GetPaintManager() { return m_pm; }
    // The control of that name when it is of class T, else null.
    template <typename T>
    T* FindControlAs(const wchar_t* name) {
        return dynamic_cast<T*>(m_pm.FindControl(name));
    }

protected:
    CPaintManagerUI m_pm;
};

}  // namespace DuiLib
