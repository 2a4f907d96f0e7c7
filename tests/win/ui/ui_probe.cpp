// Opens one skinned window from a skin source and reports what it became, for the window tests
// that need a process of its own (a skin that ends the process, another DPI):
//   ui_probe KIND SOURCE SKIN [SCREENSHOT]
// KIND 1: SOURCE is a skin folder; KIND 2: SOURCE is a folder holding PackageManager.zip;
// KIND 3: the probe's own resources, file by file; KIND 4: the archive in the probe's resources,
// held in memory (SOURCE is not read for 3 and 4).
// Prints "size W H dpi D" and, with SCREENSHOT, writes that screenshot of the window.
//   ui_probe rects SOURCE SKIN NAME...
// Prints "NAME LEFT TOP RIGHT BOTTOM" for each named control of the skin in PackageManager.zip
// (client pixels at this DPI), for scripts that click a wizard like a user.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "system/TextConv.h"
#include "ui/framework/UIResource.h"
#include "ui/framework/WindowImplBase.h"

namespace {

class ProbeWnd : public DuiLib::WindowImplBase {
public:
    explicit ProbeWnd(std::wstring skin) : m_skin(std::move(skin)) {}
    const wchar_t* GetWindowClassName() const override { return L"QyUiProbe"; }
    std::wstring GetSkinFile() override { return m_skin; }

private:
    std::wstring m_skin;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    ::SetProcessDPIAware();
    DuiLib::CUIProcess::SetInstance(::GetModuleHandleW(nullptr));
    if (std::wstring(argv[1]) == L"rects") {
        DuiLib::CUIProcess::SetResourceType(DuiLib::UILIB_ZIP);
        DuiLib::CUIProcess::SetResourcePath(argv[2]);
        if (!DuiLib::CUIProcess::SetResourceZip(L"PackageManager.zip")) return 3;
        const auto rects = SkinControlRects(argv[3], std::vector<std::wstring>(argv + 4, argv + argc));
        for (const auto& [name, r] : rects)
            std::printf("%s %d %d %d %d\n", sys::WideToUtf8(name).c_str(), r.left, r.top, r.right, r.bottom);
        std::fflush(stdout);
        DuiLib::CUIProcess::Term();
        return rects.size() == static_cast<size_t>(argc - 4) ? 0 : 4;
    }
    const int kind = _wtoi(argv[1]);
    DuiLib::CUIProcess::SetResourceType(kind);
    DuiLib::CUIProcess::SetResourcePath(argv[2]);
    if (kind == DuiLib::UILIB_ZIP) DuiLib::CUIProcess::SetResourceZip(L"PackageManager.zip");
    if (kind == DuiLib::UILIB_ZIPRESOURCE) {
        std::string archive;
        if (!DuiLib::CSkinResources::Instance().ReadProgramResource(L"IDR_ZIPRES", L"ZIPRES", archive) ||
            !DuiLib::CUIProcess::SetResourceZip(archive.data(), static_cast<unsigned>(archive.size())))
            return 3;
    }
    ProbeWnd window(argv[3]);
    if (!window.Create(nullptr, L"Quilly", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 900, 600)) return 3;
    window.CenterWindow();
    window.ShowWindow();
    PumpFor(1500);
    RECT r;
    ::GetWindowRect(window.GetHWND(), &r);
    std::printf("size %ld %ld dpi %d\n", r.right - r.left, r.bottom - r.top,
                window.GetPaintManager().GetDpi());
    std::fflush(stdout);
    if (argc > 4) Screenshot(sys::WideToUtf8(argv[4]), window.GetHWND());
    ::DestroyWindow(window.GetHWND());
    DuiLib::CUIProcess::Term();
    return 0;
}
