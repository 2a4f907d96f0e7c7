// Host tools from inside Wine, and message pumping.
#include "UiTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "WinTestSupport.h"
#include "system/TextConv.h"
#include "ui/framework/UIResource.h"
#include "ui/framework/WindowImplBase.h"

namespace {

std::string HostTemp() {
    const char* dir = std::getenv("QY_HOST_TMP");
    return dir && *dir ? dir : "/tmp";
}

std::wstring WindowsPathOfHost(const std::string& hostPath) {
    return HostPathToWindows(hostPath);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// One argument as Windows programs split command lines (Wine hands the host program these).
std::wstring WindowsArgument(const std::string& text) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : sys::Utf8ToWide(text)) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

bool SpawnShell(const std::string& script) {
    std::wstring command = L"/bin/sh -c " + WindowsArgument(script);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(L"/bin/sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (static_cast<int>(::GetTickCount() - start) >= ms) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void StartHostCommand(const std::string& command) {
    SpawnShell(command);
}

int RunHostCommand(const std::string& command, int timeoutMs) {
    static int counter = 0;
    const std::string marker = HostTemp() + "/qy-ui-" + std::to_string(::GetCurrentProcessId()) + "-" +
                               std::to_string(++counter) + ".rc";
    std::remove(sys::WideToUtf8(WindowsPathOfHost(marker)).c_str());
    if (!SpawnShell("(" + command + ") >/dev/null 2>&1; echo $? > " + Quote(marker) + ".tmp; mv " +
                    Quote(marker) + ".tmp " + Quote(marker))) {
        return -1;
    }
    const std::wstring markerPath = WindowsPathOfHost(marker);
    if (!PumpUntil([&] { return FileExists(markerPath); }, timeoutMs)) return -1;
    const std::string text = ReadTextFile(markerPath);
    ::DeleteFileW(markerPath.c_str());
    return std::atoi(text.c_str());
}

POINT ScreenCentre(HWND window, const DuiLib::CControlUI* control) {
    return ScreenPoint(window, control->GetPos());
}

bool ClickAt(POINT screen) {
    const std::string move = "xdotool mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y);
    // A short rest lets the window see the pointer arrive before the button goes down.
    return RunHostCommand(move + " && sleep 0.15 && xdotool click 1") == 0;
}

bool TypeText(const std::string& text) {
    return RunHostCommand("xdotool type --delay 30 " + Quote(text)) == 0;
}

bool PressKeys(const std::string& keys) {
    return RunHostCommand("xdotool key --delay 60 " + keys) == 0;
}

std::string Screenshot(const std::string& name, HWND window, HWND over) {
    const char* dir = std::getenv("QY_SCREENSHOT_DIR");
    if (!dir || !*dir) return {};
    const std::string png = std::string(dir) + "/" + name + ".png";
    PumpFor(400);  // let the last paints reach the X server
    std::string crop;
    RECT r;
    if (window && ::GetWindowRect(window, &r)) {
        constexpr int kMargin = 24;  // the shadow
        const LONG left = (std::max)(0L, r.left - kMargin), top = (std::max)(0L, r.top - kMargin);
        crop = " -crop " + std::to_string(r.right + kMargin - left) + "x" +
               std::to_string(r.bottom + kMargin - top) + "+" + std::to_string(left) + "+" +
               std::to_string(top) + " +repage";
    }
    std::string layer, cleanUp;
    RECT o;
    wchar_t title[256] = {};
    if (over && ::GetWindowRect(over, &o) && ::GetWindowTextW(over, title, 256) > 0) {
        layer = " \\( xwd:\"$over\" \\) -geometry +" + std::to_string(o.left) + "+" + std::to_string(o.top) +
                " -composite";
        layer = "over=$(mktemp) && xwd -name " + Quote(sys::WideToUtf8(title)) + " -silent > \"$over\" && " +
                "xwd -root -silent | convert xwd:-" + layer;
        cleanUp = " && rm -f \"$over\"";
    } else {
        layer = "xwd -root -silent | convert xwd:-";
    }
    if (RunHostCommand("mkdir -p " + Quote(dir) + " && " + layer + crop + " " + Quote(png) + cleanUp) != 0)
        return {};
    return png;
}

bool ImagePixel(const std::string& png, POINT screen, unsigned& rgb) {
    const std::string out = HostTemp() + "/qy-ui-pixel-" + std::to_string(::GetCurrentProcessId()) + ".txt";
    const std::string crop = std::to_string(screen.x) + "," + std::to_string(screen.y);
    if (RunHostCommand("convert " + Quote(png) + " -format '%[hex:p{" + crop + "}]' info: > " + Quote(out)) !=
        0) {
        return false;
    }
    const std::string hex = ReadTextFile(WindowsPathOfHost(out));
    ::DeleteFileW(WindowsPathOfHost(out).c_str());
    if (hex.size() < 6) return false;
    rgb = static_cast<unsigned>(std::strtoul(hex.substr(0, 6).c_str(), nullptr, 16));
    return true;
}

std::wstring EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value ? WindowsPathOfHost(value) : std::wstring();
}

bool UseSkinArchive() {
    const std::wstring archive = EnvPath("QY_SKIN_ARCHIVE");
    const size_t slash = archive.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    DuiLib::CUIProcess::SetResourceType(DuiLib::UILIB_ZIP);
    DuiLib::CUIProcess::SetResourcePath(archive.substr(0, slash).c_str());
    return DuiLib::CUIProcess::SetResourceZip(archive.substr(slash + 1).c_str());
}

namespace {

class HiddenSkinWnd : public DuiLib::WindowImplBase {
public:
    explicit HiddenSkinWnd(std::wstring skin) : m_skin(std::move(skin)) {}
    const wchar_t* GetWindowClassName() const override { return L"QyHiddenSkin"; }
    std::wstring GetSkinFile() override { return m_skin; }

private:
    std::wstring m_skin;
};

}  // namespace

std::map<std::wstring, DuiLib::UiRect> SkinControlRects(const std::wstring& skin,
                                                        const std::vector<std::wstring>& names) {
    std::map<std::wstring, DuiLib::UiRect> rects;
    HiddenSkinWnd window(skin);
    if (!window.Create(nullptr, L"", WS_POPUP, 0, 0, 0, 0, 0)) return rects;
    window.GetPaintManager().UpdateLayout();
    for (const std::wstring& name : names) {
        if (DuiLib::CControlUI* control = window.GetPaintManager().FindControl(name.c_str()))
            rects[name] = control->GetPos();
    }
    ::DestroyWindow(window.GetHWND());
    return rects;
}

POINT ScreenPoint(HWND window, const DuiLib::UiRect& rect) {
    POINT p = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(window, &p);
    return p;
}
