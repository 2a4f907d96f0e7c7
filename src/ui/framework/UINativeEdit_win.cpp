// The native editor of edit boxes.
#include "ui/framework/UINativeEdit.h"

#include "ui/framework/UIProcess.h"

namespace DuiLib {

CNativeEdit::CNativeEdit(INativeEditOwner& manager, HWND parent, RECT rect, const std::wstring& text,
                         HFONT font, int maxChar, bool password, COLORREF textColor, COLORREF backColor)
    : m_manager(manager), m_textColor(textColor), m_backColor(backColor) {
    DWORD style = WS_CHILD | ES_AUTOHSCROLL | ES_LEFT;
    if (password) style |= ES_PASSWORD;
    // A one-line edit shows its text at the top; centre it in the box as the painted text is.
    TEXTMETRICW metrics = {};
    HDC dc = ::GetDC(parent);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(parent, dc);
    const int lineHeight = metrics.tmHeight + 2;
    const int boxHeight = rect.bottom - rect.top;
    if (lineHeight < boxHeight) {
        rect.top += (boxHeight - lineHeight) / 2;
        rect.bottom = rect.top + lineHeight;
    }
    m_hWnd =
        ::CreateWindowExW(0, L"EDIT", text.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, nullptr, CUIProcess::GetInstance(), nullptr);
    if (!m_hWnd) return;
    m_brush = ::CreateSolidBrush(backColor);
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageW(m_hWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    if (maxChar > 0) ::SendMessageW(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(maxChar), 0);
    // The edit's own procedure keeps working behind ours (classic subclassing: no comctl32).
    ::SetPropW(m_hWnd, L"QuillyNativeEdit", this);
    m_original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CNativeEdit::SubclassProc)));
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetFocus(m_hWnd);
    ::SendMessageW(m_hWnd, EM_SETSEL, 0, -1);
}

CNativeEdit::~CNativeEdit() {
    if (m_hWnd) {
        if (m_original) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        ::RemovePropW(m_hWnd, L"QuillyNativeEdit");
        ::DestroyWindow(m_hWnd);
    }
    if (m_brush) ::DeleteObject(m_brush);
}

std::wstring CNativeEdit::GetText() const {
    if (!m_hWnd) return {};
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

HBRUSH CNativeEdit::Colours(HDC dc) const {
    ::SetTextColor(dc, m_textColor);
    ::SetBkColor(dc, m_backColor);
    return m_brush;
}

LRESULT CNativeEdit::CallOriginal(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_original, m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CNativeEdit::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CNativeEdit*>(::GetPropW(hWnd, L"QuillyNativeEdit"));
    if (!self || !self->m_original) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    switch (uMsg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | self->CallOriginal(uMsg, wParam, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                self->m_manager.MoveFocus(::GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                // The box gives the keyboard back; the window sees the key as if pressed on it.
                HWND parent = ::GetParent(hWnd);
                self->m_manager.OnEditorClosed();
                ::PostMessageW(parent, WM_KEYDOWN, wParam, lParam);
                return 0;
            }
            break;
        case WM_CHAR:
            // Tab, Enter and Esc were handled above: no beep, no character.
            if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) return 0;
            break;
        case WM_KILLFOCUS: {
            LRESULT result = self->CallOriginal(uMsg, wParam, lParam);
            self->m_manager.OnEditorClosed();
            return result;
        }
        default:
            break;
    }
    return self->CallOriginal(uMsg, wParam, lParam);
}

}  // namespace DuiLib
