// Process-level part of the framework.
#include "ui/framework/PaintManagerUI.h"

namespace DuiLib {

namespace {
HINSTANCE g_instance = nullptr;
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE CPaintManagerUI::GetInstance() { return g_instance; }

void CPaintManagerUI::MessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CPaintManagerUI::Term() {}

}  // namespace DuiLib
