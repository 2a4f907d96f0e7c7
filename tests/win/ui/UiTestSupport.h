// What the window tests need beyond Win32: X tools run from inside Wine (real mouse and keyboard
// input with xdotool, screenshots with xwd), and a message pump that keeps windows alive while a
// test waits.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/framework/UIControl.h"

namespace DuiLib {
class CPaintManagerUI;
}

// Runs a shell command of the host and waits for it (Wine gives no waitable handle for a host
// process, so its end is seen through a marker file), pumping this thread's messages meanwhile.
// Returns the command's exit code, or -1 when it did not end within timeoutMs.
int RunHostCommand(const std::string& command, int timeoutMs = 20000);
// Starts a host command and returns at once.
void StartHostCommand(const std::string& command);

// Pumps messages for ms milliseconds, or until done returns true; returns done's last answer.
bool PumpUntil(const std::function<bool()>& done, int ms);
void PumpFor(int ms);

// The centre of a control in screen pixels.
POINT ScreenCentre(HWND window, const DuiLib::CControlUI* control);
// Real input through the X server.
bool ClickAt(POINT screen);
bool TypeText(const std::string& text);
bool PressKeys(const std::string& keys);  // xdotool key names, e.g. "Tab", "shift+Tab", "Return"

// Writes a PNG of the screen into the screenshot folder (QY_SCREENSHOT_DIR), cut to the window
// and a margin around it when one is given; the path, or empty when it failed.
// A window shown over another (`over`, found by its title) is laid over the screen image from its
// own X image: Wine without a window manager leaves a second top-level window black on the root
// image (a plain Win32 window with a white class brush does the same), while its own X image
// holds what it painted, as a compositing desktop would show it.
std::string Screenshot(const std::string& name, HWND window = nullptr, HWND over = nullptr);
// The colour (0xRRGGBB) of a pixel of a PNG (a host path, as Screenshot returns it).
bool ImagePixel(const std::string& png, POINT pixel, unsigned& rgb);

// The host path of an environment variable's file (the test's CMake passes host paths).
std::wstring EnvPath(const char* name);

// The skin archive (QY_SKIN_ARCHIVE) as this process's skin source.
bool UseSkinArchive();
// Where the named controls of a skin lie in a window of the skin's size, in client pixels at this
// process's DPI: the framework itself builds and lays out the skin in a hidden window. Controls
// the skin lacks are left out.
std::map<std::wstring, DuiLib::UiRect> SkinControlRects(const std::wstring& skin,
                                                        const std::vector<std::wstring>& names);
// The centre of a rectangle of a window's client area, in screen pixels.
POINT ScreenPoint(HWND window, const DuiLib::UiRect& rect);
