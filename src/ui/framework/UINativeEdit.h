// The native edit control put over an edit box while it has the keyboard (Win32): typing, paste,
// selection and input methods come from the system. Tab, Enter and Esc go back to the manager.
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

// Where the editor's keys go: the window's paint manager.
class INativeEditOwner {
public:
    // The editor lost the keyboard (Enter, Esc, focus elsewhere).
    virtual void OnEditorClosed() = 0;
    // Tab or Shift+Tab.
    virtual void MoveFocus(bool backwards) = 0;

protected:
    ~INativeEditOwner() = default;
};

class CNativeEdit {
public:
    // A child of the window over rect (window pixels), with the text, font and limit of the box.
    CNativeEdit(INativeEditOwner& manager, HWND parent, RECT rect, const std::wstring& text, HFONT font,
                int maxChar, bool password, COLORREF textColor, COLORREF backColor);
    ~CNativeEdit();
    CNativeEdit(const CNativeEdit&) = delete;
    CNativeEdit& operator=(const CNativeEdit&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    std::wstring GetText() const;
    // WM_CTLCOLOREDIT of the parent: the box's colours.
    HBRUSH Colours(HDC dc) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(UINT uMsg, WPARAM wParam, LPARAM lParam);

    INativeEditOwner& m_manager;
    HWND m_hWnd = nullptr;
    WNDPROC m_original = nullptr;
    HBRUSH m_brush = nullptr;
    COLORREF m_textColor;
    COLORREF m_backColor;
};

}  // namespace DuiLib
