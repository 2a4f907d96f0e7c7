// The taskbar removes the icon of an ended process only when the pointer passes over it, so a
// mouse move is sent across the whole notification toolbar.
#include "system/TrayArea.h"

#include <windows.h>

namespace sys {

void RefreshTrayArea() {
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    HWND notify = tray ? ::FindWindowExW(tray, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
    if (!notify) return;
    HWND pager = ::FindWindowExW(notify, nullptr, L"SysPager", nullptr);
    HWND toolbar = ::FindWindowExW(pager ? pager : notify, nullptr, L"ToolbarWindow32", nullptr);
    if (!toolbar) return;
    RECT rc = {};
    ::GetClientRect(toolbar, &rc);
    const int width = rc.right - rc.left;
    const int y = (rc.bottom - rc.top) / 2;
    for (int x = 1; x < width; ++x) ::SendMessageW(toolbar, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

}  // namespace sys
