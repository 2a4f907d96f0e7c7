// The soft shadow around a skinned window (Win32): a layered window just below it in the
// z-order that follows its place, size and visibility.
#pragma once

#include <windows.h>

#include <cstdint>

namespace DuiLib {

class CShadowWnd {
public:
    // Whether the desktop blends windows with per-pixel alpha (desktop composition). Without it a
    // shadow would be drawn opaque, so the window goes without.
    static bool CanBlend();

    // size and offset in window pixels; colour as AARRGGBB (its alpha is the darkest point).
    CShadowWnd(HWND host, int size, POINT offset, uint32_t argb, int cornerRadius);
    ~CShadowWnd();
    CShadowWnd(const CShadowWnd&) = delete;
    CShadowWnd& operator=(const CShadowWnd&) = delete;

    // Follows the host: called on its moves, size changes and visibility changes.
    void Update();
    void SetSize(int size, POINT offset, int cornerRadius);

private:
    void Render(int width, int height);

    HWND m_host;
    HWND m_hWnd = nullptr;
    int m_size;
    POINT m_offset;
    uint32_t m_argb;
    int m_radius;
    HBITMAP m_bitmap = nullptr;
    SIZE m_rendered = {0, 0};
};

}  // namespace DuiLib
