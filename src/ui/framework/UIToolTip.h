// The small text box that names a control after the pointer has rested on it (Win32).
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CToolTipWnd {
public:
    CToolTipWnd() = default;
    ~CToolTipWnd();
    CToolTipWnd(const CToolTipWnd&) = delete;
    CToolTipWnd& operator=(const CToolTipWnd&) = delete;

    // Shows the text with its upper left corner at a screen point, kept on the point's monitor;
    // padding in window pixels. The font stays the caller's.
    void Show(HWND owner, const std::wstring& text, POINT at, HFONT font, int padding);
    void Hide();
    bool IsShown() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    HWND GetHWND() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND m_hWnd = nullptr;
    std::wstring m_text;
    HFONT m_font = nullptr;
    int m_padding = 0;
};

}  // namespace DuiLib
