// Process-level services of the skinned UI framework: the instance handle, the message loop and
// the release of global resources after it.
#pragma once

#include <windows.h>

namespace DuiLib {

class CPaintManagerUI {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    // Runs until WM_QUIT.
    static void MessageLoop();
    static void Term();
};

}  // namespace DuiLib
