// The window wrapper and the listener interfaces of the skinned framework (Win32).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "ui/framework/UIControl.h"

namespace DuiLib {

// Receives the notifications of a window's controls.
class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

// Sees every message of a window before its paint manager does.
class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

// Supplies texts for controls by name (for translated skins); null keeps the skin's text.
class IQueryControlText {
public:
    virtual const wchar_t* QueryControlText(const wchar_t* name, const wchar_t* className) = 0;

protected:
    ~IQueryControlText() = default;
};

// Routes notifications to handlers registered by type, and to named sub-pumps (parts of a window
// that handle their own controls).
class CNotifyPump {
public:
    using Handler = std::function<void(TNotifyUI&)>;
    virtual ~CNotifyPump() = default;
    void AddHandler(const std::wstring& type, Handler handler) { m_handlers[type] = std::move(handler); }
    bool AddVirtualWnd(const std::wstring& name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const std::wstring& name);
    // True when a handler took the notification.
    bool NotifyPump(TNotifyUI& msg);

private:
    std::map<std::wstring, Handler> m_handlers;
    std::map<std::wstring, CNotifyPump*> m_virtualWnds;
};

// A Win32 window with a virtual message handler.
class CWindowWnd {
public:
    CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU hMenu = nullptr);
    void CenterWindow();
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Shows the window, disables its owner until the window is destroyed, and returns the wParam of
    // the WM_CLOSE that closed it, or 0 when it went away otherwise.
    UINT ShowModal();
    // Posts WM_CLOSE with the result while the window exists; it is destroyed on its own thread.
    void Close(UINT nRet = IDOK);
    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    void ResizeClient(int cx = -1, int cy = -1);

    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const { return nullptr; }
    virtual UINT GetClassStyle() const { return CS_DBLCLKS; }
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd) { (void)hWnd; }
    // A message's handling threw (what: its text). A window whose WM_CREATE threw is not made:
    // creation fails, and the window gets its final message as usual.
    virtual void OnMessageException(UINT uMsg, const char* what) {
        (void)uMsg;
        ::OutputDebugStringA(what);
    }
    virtual ~CWindowWnd() = default;

protected:
    bool RegisterWindowClass();
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    // What the modal loop returns: the result of the WM_CLOSE that ended the window.
    bool m_closedByCloseMessage = false;
    UINT m_closeResult = 0;
};

}  // namespace DuiLib
