// Window shadow drawn as a layered window with per-pixel alpha.
#include "ui/framework/UIShadow.h"

#include <algorithm>
#include <cmath>

#include "system/SystemLibrary.h"
#include "ui/framework/UIProcess.h"
#include "ui/framework/UIRender.h"

namespace DuiLib {

namespace {

const wchar_t kShadowClass[] = L"QuillyWindowShadow";

void RegisterShadowClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = CUIProcess::GetInstance();
    wc.lpszClassName = kShadowClass;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Distance from a point outside a rounded rectangle to its edge.
double OutsideDistance(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    const double d = std::hypot(x - cx, y - cy) - radius;
    return d;
}

}  // namespace

bool CShadowWnd::CanBlend() {
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    static const bool blends = [] {
        IsCompositionEnabledFn isEnabled = nullptr;
        HMODULE dwm = sys::LoadSystemLibrary(L"dwmapi.dll");
        BOOL enabled = FALSE;
        return dwm && sys::GetProc(dwm, "DwmIsCompositionEnabled", isEnabled) &&
               SUCCEEDED(isEnabled(&enabled)) && enabled;
    }();
    return blends;
}

CShadowWnd::CShadowWnd(HWND host, int size, POINT offset, uint32_t argb, int cornerRadius)
    : m_host(host), m_size(size), m_offset(offset), m_argb(argb), m_radius(cornerRadius) {
    RegisterShadowClass();
    // Owned by the host's owner, not by the host: an owned window always lies above its owner.
    m_hWnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                               kShadowClass, L"", WS_POPUP, 0, 0, 0, 0, ::GetWindow(host, GW_OWNER), nullptr,
                               CUIProcess::GetInstance(), nullptr);
}

CShadowWnd::~CShadowWnd() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    if (m_bitmap) ::DeleteObject(m_bitmap);
}

void CShadowWnd::SetSize(int size, POINT offset, int cornerRadius) {
    m_size = size;
    m_offset = offset;
    m_radius = cornerRadius;
    m_rendered = {0, 0};
    Update();
}

void CShadowWnd::Render(int width, int height) {
    if (m_bitmap) ::DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    void* bits = nullptr;
    m_bitmap = CreateBitmap32(nullptr, width, height, &bits);
    if (!m_bitmap || !bits) return;
    auto* pixels = static_cast<uint32_t*>(bits);
    const double maxAlpha = static_cast<double>(m_argb >> 24);
    const uint32_t r = (m_argb >> 16) & 0xFF, g = (m_argb >> 8) & 0xFF, b = m_argb & 0xFF;
    const double left = m_size, top = m_size, right = width - m_size, bottom = height - m_size;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = OutsideDistance(x + 0.5, y + 0.5, left, top, right, bottom, m_radius);
            double a = 0;
            if (d <= 0)
                a = maxAlpha;
            else if (d < m_size)
                a = maxAlpha * std::pow(1.0 - d / m_size, 2.0);
            const uint32_t alpha = static_cast<uint32_t>(a + 0.5);
            // Premultiplied, as UpdateLayeredWindow expects.
            pixels[y * width + x] =
                alpha << 24 | (r * alpha / 255) << 16 | (g * alpha / 255) << 8 | (b * alpha / 255);
        }
    }
    m_rendered = {width, height};
}

void CShadowWnd::Update() {
    if (!m_hWnd) return;
    if (!::IsWindowVisible(m_host) || ::IsIconic(m_host) || ::IsZoomed(m_host) || m_size <= 0) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        return;
    }
    RECT host;
    ::GetWindowRect(m_host, &host);
    const int width = host.right - host.left + 2 * m_size;
    const int height = host.bottom - host.top + 2 * m_size;
    if (m_rendered.cx != width || m_rendered.cy != height) {
        Render(width, height);
        // The shadow never covers the window, wherever the system puts it in the z-order (without
        // a window manager, X servers stack it as they like): the window's own area is cut out.
        HRGN ring = ::CreateRectRgn(0, 0, width, height);
        const int left = m_size - m_offset.x, top = m_size - m_offset.y;
        HRGN inner = ::CreateRoundRectRgn(left, top, left + host.right - host.left + 1,
                                          top + host.bottom - host.top + 1, m_radius * 2, m_radius * 2);
        ::CombineRgn(ring, ring, inner, RGN_DIFF);
        ::DeleteObject(inner);
        if (!::SetWindowRgn(m_hWnd, ring, FALSE)) ::DeleteObject(ring);
    }
    if (!m_bitmap) return;
    POINT position = {host.left - m_size + m_offset.x, host.top - m_size + m_offset.y};
    SIZE size = {width, height};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, m_bitmap);
    ::UpdateLayeredWindow(m_hWnd, screen, &position, &size, memory, &origin, 0, &blend, ULW_ALPHA);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    ::SetWindowPos(m_hWnd, m_host, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

}  // namespace DuiLib
