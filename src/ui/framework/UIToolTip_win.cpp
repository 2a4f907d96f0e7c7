// The tooltip window: a plain popup painted with GDI in the skin's default font.
#include "ui/framework/UIToolTip.h"

#include "ui/framework/UIProcess.h"

namespace DuiLib {

namespace {

const wchar_t kToolTipClass[] = L"QuillyToolTip";
constexpr COLORREF kBack = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kBorder = RGB(0xC8, 0xC8, 0xC8);
constexpr COLORREF kText = RGB(0x33, 0x33, 0x33);

bool RegisterToolTipClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = proc;
    wc.hInstance = CUIProcess::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kToolTipClass;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

}  // namespace

CToolTipWnd::~CToolTipWnd() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CToolTipWnd::Show(HWND owner, const std::wstring& text, POINT at, HFONT font, int padding) {
    if (text.empty()) return Hide();
    if (!m_hWnd) {
        if (!RegisterToolTipClass(WndProc)) return;
        // Owned, so it stays above the window it describes and goes with it.
        m_hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kToolTipClass, L"",
                                   WS_POPUP, 0, 0, 0, 0, owner, nullptr, CUIProcess::GetInstance(), this);
        if (!m_hWnd) return;
    }
    m_text = text;
    m_font = font;
    m_padding = padding;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, m_font ? m_font : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT measure = {0, 0, 0, 0};
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    const int width = measure.right + 2 * m_padding + 2;
    const int height = measure.bottom + m_padding + 2;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) {
        if (at.x + width > monitor.rcWork.right) at.x = monitor.rcWork.right - width;
        if (at.y + height > monitor.rcWork.bottom) at.y = monitor.rcWork.bottom - height;
    }
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, at.x, at.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CToolTipWnd::Hide() {
    if (m_hWnd && ::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_HIDE);
}

void CToolTipWnd::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HBRUSH back = ::CreateSolidBrush(kBack);
    HBRUSH border = ::CreateSolidBrush(kBorder);
    ::FillRect(dc, &client, back);
    ::FrameRect(dc, &client, border);
    ::DeleteObject(back);
    ::DeleteObject(border);
    HGDIOBJ old = ::SelectObject(dc, m_font ? m_font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kText);
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &client,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CALLBACK CToolTipWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCCREATE) {
        auto* create = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CToolTipWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (uMsg) {
        case WM_PAINT:
            if (self) {
                self->Paint();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // the pointer belongs to the window below
        case WM_NCDESTROY:
            if (self) self->m_hWnd = nullptr;
            break;
        default:
            break;
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

}  // namespace DuiLib
