// Time from a window's creation to the end of its first paint, for the install wizard's skin and
// for an empty Win32 window of the same size; then the processor time the skinned window uses
// while it sits idle. One process measures one start:
//   first_paint_bench skin ARCHIVE_FOLDER      (folder holding PackageManager.zip)
//   first_paint_bench empty
// Prints "first-paint-ms X" and, for the skin, "idle-cpu-ms Y" over 2 s.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/framework/UIResource.h"
#include "ui/framework/WindowImplBase.h"

namespace {

LARGE_INTEGER g_start;
double g_firstPaintMs = -1;

double MsSince(const LARGE_INTEGER& from) {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void NoteFirstPaint() {
    if (g_firstPaintMs < 0) g_firstPaintMs = MsSince(g_start);
}

class SkinWnd : public DuiLib::WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"QyFirstPaintSkin"; }
    std::wstring GetSkinFile() override { return L"install.xml"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = WindowImplBase::HandleMessage(uMsg, wParam, lParam);
        if (uMsg == WM_PAINT) NoteFirstPaint();
        return result;
    }
};

LRESULT CALLBACK EmptyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hWnd, &ps);
        ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::EndPaint(hWnd, &ps);
        NoteFirstPaint();
        return 0;
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void PumpUntilPainted() {
    MSG msg;
    while (g_firstPaintMs < 0 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

void PumpIdle(DWORD ms) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < ms) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (::GetTickCount() - start), QS_ALLINPUT);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    ::SetProcessDPIAware();
    const std::wstring mode = argv[1];
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (mode == L"empty") {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = EmptyProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"QyFirstPaintEmpty";
        ::RegisterClassW(&wc);
        ::QueryPerformanceCounter(&g_start);
        HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Quilly", WS_POPUP, 0, 0, 900, 600, nullptr, nullptr,
                                      instance, nullptr);
        if (!hwnd) return 3;
        ::ShowWindow(hwnd, SW_SHOW);
        PumpUntilPainted();
        std::printf("first-paint-ms %.1f\n", g_firstPaintMs);
        ::DestroyWindow(hwnd);
        return 0;
    }
    if (mode != L"skin" || argc < 3) return 2;
    DuiLib::CUIProcess::SetInstance(instance);
    DuiLib::CUIProcess::SetResourceType(DuiLib::UILIB_ZIP);
    DuiLib::CUIProcess::SetResourcePath(argv[2]);
    DuiLib::CUIProcess::SetResourceZip(L"PackageManager.zip");
    SkinWnd window;
    ::QueryPerformanceCounter(&g_start);
    if (!window.Create(nullptr, L"Quilly", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, 0)) return 3;
    window.CenterWindow();
    window.ShowWindow();
    PumpUntilPainted();
    std::printf("first-paint-ms %.1f\n", g_firstPaintMs);
    PumpIdle(500);  // the first moments' paints and the input method settle
    const double before = ProcessCpuMs();
    PumpIdle(2000);
    std::printf("idle-cpu-ms %.1f\n", ProcessCpuMs() - before);
    ::DestroyWindow(window.GetHWND());
    DuiLib::CUIProcess::Term();
    return 0;
}
