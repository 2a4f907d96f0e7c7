// The framework's process-wide part: the instance handle its windows are registered with, the
// skin source every window reads from, the message loop and the release of global resources. A
// window's own part is its CPaintManagerUI.
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CUIProcess {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static void SetResourcePath(const wchar_t* folder);
    static std::wstring GetResourcePath();
    // An archive file in the resource folder, read once (the file is closed again at once).
    static bool SetResourceZip(const wchar_t* archiveName, bool cached = true,
                               const wchar_t* password = nullptr);
    // An archive held in memory.
    static bool SetResourceZip(const void* data, unsigned size);
    static void SetResourceType(int kind);
    static int GetResourceType();
    // The optional resource list ("res.xml") from the current source; false when there is none.
    static bool LoadResourceList(const wchar_t* name);
    // Runs until WM_QUIT; its exit code.
    static int MessageLoop();
    // Releases the pictures, fonts and GDI+ after the loop.
    static void Term();
};

}  // namespace DuiLib
