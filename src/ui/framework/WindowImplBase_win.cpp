// The skinned window base.
#include "ui/framework/WindowImplBase.h"

#include <windowsx.h>

#include "system/TextConv.h"

namespace DuiLib {

namespace {

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

}  // namespace

LONG WindowImplBase::GetStyle() {
    LONG style = static_cast<LONG>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    style &= ~WS_CAPTION;
    style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    return style;
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    const std::wstring& name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (name == L"closebtn")
        Close(1);
    else if (name == L"minbtn")
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn")
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn")
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (NotifyPump(msg)) return;
    if (msg.sType == L"click") OnClick(msg);
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    return FALSE;
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        bHandled = ResponseDefaultKeyEvent(wParam) != FALSE;
        return 0;
    }
    return 0;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) {
    return nullptr;
}

const wchar_t* WindowImplBase::QueryControlText(const wchar_t*, const wchar_t*) {
    return nullptr;
}

void WindowImplBase::OnFinalMessage(HWND) {
    m_pm.RemovePreMessageFilter(this);
    m_pm.RemoveNotifier(this);
    m_pm.AttachDialog(nullptr);
    m_pm.~CPaintManagerUI();
    new (&m_pm) CPaintManagerUI();
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    // No frame to redraw; an iconic window keeps the default so its button looks right.
    if (::IsIconic(m_hWnd)) {
        bHandled = FALSE;
        return 0;
    }
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL&) {
    // The skin paints the whole window: no system frame or caption.
    return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, BOOL&) {
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&) {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(m_hWnd, &pt);
    return m_pm.IsCaptionPoint(pt) ? HTCAPTION : HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    // Maximised, the window covers the work area, not the taskbar.
    info->ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left,
                           monitor.rcWork.top - monitor.rcMonitor.top};
    info->ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left,
                       monitor.rcWork.bottom - monitor.rcWork.top};
    const SIZE minimum = m_pm.GetMinInfo();
    if (minimum.cx > 0) info->ptMinTrackSize.x = minimum.cx;
    if (minimum.cy > 0) info->ptMinTrackSize.y = minimum.cy;
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::OnDpiChanged(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

void WindowImplBase::OnSkinLoadFailed(const std::wstring& skinFile) {
    ::MessageBoxW(nullptr, (L"\x52A0\x8F7D\x8D44\x6E90\x6587\x4EF6\x5931\x8D25\xFF1A" + skinFile).c_str(), L"Duilib",
                  MB_OK | MB_ICONERROR);
    ::ExitProcess(1);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle());
    m_pm.Init(m_hWnd, GetManagerName());
    m_pm.AddPreMessageFilter(this);
    const std::wstring skinFile = GetSkinFile();
    const std::wstring folder = GetSkinFolder();
    std::wstring path = skinFile;
    if (!folder.empty()) {
        path = folder;
        if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
        path += skinFile;
    }
    if (!m_pm.LoadSkin(path, this)) OnSkinLoadFailed(skinFile);
    // The skin's size applies; a window made 0 x 0 keeps its place until it is centred.
    const SIZE size = m_pm.GetInitSize();
    if (size.cx > 0 && size.cy > 0) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    m_pm.AddNotifier(this);
    Init();
    return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    BOOL handled = TRUE;
    switch (uMsg) {
        case WM_CREATE:
            result = OnCreate(uMsg, wParam, lParam, handled);
            break;
        case WM_CLOSE:
            result = OnClose(uMsg, wParam, lParam, handled);
            break;
        case WM_DESTROY:
            result = OnDestroy(uMsg, wParam, lParam, handled);
            break;
        case WM_NCACTIVATE:
            result = OnNcActivate(uMsg, wParam, lParam, handled);
            break;
        case WM_NCCALCSIZE:
            result = OnNcCalcSize(uMsg, wParam, lParam, handled);
            break;
        case WM_NCPAINT:
            result = OnNcPaint(uMsg, wParam, lParam, handled);
            break;
        case WM_NCHITTEST:
            result = OnNcHitTest(uMsg, wParam, lParam, handled);
            break;
        case WM_GETMINMAXINFO:
            result = OnGetMinMaxInfo(uMsg, wParam, lParam, handled);
            break;
        case WM_MOUSEWHEEL:
            result = OnMouseWheel(uMsg, wParam, lParam, handled);
            break;
        case WM_SIZE:
            result = OnSize(uMsg, wParam, lParam, handled);
            break;
        case WM_CHAR:
            result = OnChar(uMsg, wParam, lParam, handled);
            break;
        case WM_SYSCOMMAND:
            result = OnSysCommand(uMsg, wParam, lParam, handled);
            break;
        case WM_KEYDOWN:
            result = OnKeyDown(uMsg, wParam, lParam, handled);
            break;
        case WM_KILLFOCUS:
            result = OnKillFocus(uMsg, wParam, lParam, handled);
            break;
        case WM_SETFOCUS:
            result = OnSetFocus(uMsg, wParam, lParam, handled);
            break;
        case WM_LBUTTONUP:
            result = OnLButtonUp(uMsg, wParam, lParam, handled);
            break;
        case WM_LBUTTONDOWN:
            result = OnLButtonDown(uMsg, wParam, lParam, handled);
            break;
        case WM_MOUSEMOVE:
            result = OnMouseMove(uMsg, wParam, lParam, handled);
            break;
        case WM_MOUSEHOVER:
            result = OnMouseHover(uMsg, wParam, lParam, handled);
            break;
        case WM_DPICHANGED:
            result = OnDpiChanged(uMsg, wParam, lParam, handled);
            break;
        default:
            handled = FALSE;
            result = HandleCustomMessage(uMsg, wParam, lParam, handled);
            break;
    }
    if (handled) return result;
    LRESULT managed = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, managed)) return managed;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
