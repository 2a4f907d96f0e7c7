// Window wrapper: class registration, the window procedure, modal showing, closing with a result.
#include "ui/framework/UIBase.h"

#include <algorithm>
#include <exception>

#include "ui/framework/UIProcess.h"

namespace DuiLib {

bool CNotifyPump::AddVirtualWnd(const std::wstring& name, CNotifyPump* pump) {
    if (!pump || m_virtualWnds.count(name)) return false;
    m_virtualWnds[name] = pump;
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const std::wstring& name) {
    return m_virtualWnds.erase(name) > 0;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.sVirtualWnd.empty()) {
        auto sub = m_virtualWnds.find(msg.sVirtualWnd);
        if (sub != m_virtualWnds.end()) return sub->second->NotifyPump(msg);
    }
    auto handler = m_handlers.find(msg.sType);
    if (handler == m_handlers.end()) return false;
    handler->second(msg);
    return true;
}

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = GetClassStyle();
    wc.lpfnWndProc = WndProc;
    wc.hInstance = CUIProcess::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(CUIProcess::GetInstance(), MAKEINTRESOURCEW(1));
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassExW(&wc)) return true;
    return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x,
                        int y, int cx, int cy, HMENU hMenu) {
    if (!RegisterWindowClass()) return nullptr;
    m_hWnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName, dwStyle, x, y, cx, cy, hwndParent,
                               hMenu, CUIProcess::GetInstance(), this);
    return m_hWnd;
}

void CWindowWnd::CenterWindow() {
    if (!::IsWindow(m_hWnd)) return;
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT area;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        area = monitor.rcWork;
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    int left = (area.left + area.right - w) / 2;
    int top = (area.top + area.bottom - h) / 2;
    // Stay on the work area.
    left = (std::max)(static_cast<int>(monitor.rcWork.left),
                      (std::min)(left, static_cast<int>(monitor.rcWork.right) - w));
    top = (std::max)(static_cast<int>(monitor.rcWork.top),
                     (std::min)(top, static_cast<int>(monitor.rcWork.bottom) - h));
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (!::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

namespace {

// What the window procedure records for a modal loop running on the window.
struct ModalState {
    HWND window;
    HWND owner;
    UINT result;
};
thread_local ModalState* t_modal = nullptr;

}  // namespace

UINT CWindowWnd::ShowModal() {
    if (!::IsWindow(m_hWnd)) return 0;
    HWND self = m_hWnd;
    HWND owner = ::GetWindow(self, GW_OWNER);
    ModalState state{self, owner, 0};
    ModalState* outer = t_modal;
    t_modal = &state;
    ::ShowWindow(self, SW_SHOWNORMAL);
    ::UpdateWindow(self);  // painted before the loop waits for input
    if (owner) ::EnableWindow(owner, FALSE);
    MSG msg = {};
    bool quit = false;
    // The object may delete itself when its window goes: only locals are used from here on.
    while (::IsWindow(self)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (owner && !::IsWindowEnabled(owner)) ::EnableWindow(owner, TRUE);
    if (owner && ::IsWindow(owner)) ::SetFocus(owner);
    t_modal = outer;
    if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
    return state.result;
}

void CWindowWnd::Close(UINT nRet) {
    if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, static_cast<WPARAM>(nRet), 0);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT rc;
    if (!::GetClientRect(m_hWnd, &rc)) return;
    if (cx != -1) rc.right = cx;
    if (cy != -1) rc.bottom = cy;
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        auto* create = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (uMsg == WM_CLOSE) {
        for (ModalState* modal = t_modal; modal; modal = nullptr) {
            if (modal->window != hWnd) break;
            modal->result = static_cast<UINT>(wParam);
            // The owner takes the activation back when the modal window goes.
            if (modal->owner) ::EnableWindow(modal->owner, TRUE);
        }
    }
    if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    // The one catch point of the framework's calls into a window: an exception must not unwind
    // through the system's window procedure.
    try {
        if (uMsg == WM_NCDESTROY) {
            LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hWnd);
            return result;
        }
        return self->HandleMessage(uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        // After its final message the object may be gone.
        if (uMsg == WM_NCDESTROY) ::OutputDebugStringA(e.what()); else self->OnMessageException(uMsg, e.what());
    } catch (...) {
        if (uMsg == WM_NCDESTROY) ::OutputDebugStringA("window message failed");
        else self->OnMessageException(uMsg, "window message failed");
    }
    // A window whose start-up failed half way is not left half built.
    return uMsg == WM_CREATE ? -1 : 0;
}

}  // namespace DuiLib
