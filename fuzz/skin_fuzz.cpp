// Fuzzes the skin builder: the input is a whole skin document. It is built into a control tree the
// way a window builds its skin (every attribute text parsed: sizes, colours, picture descriptions,
// fonts, styles), laid out at 96 and 144 DPI in the size it asks for (kept within a screen), looked
// through by name, and freed. Beyond the sanitizers, a failed build must give a reason.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/framework/UIContainer.h"
#include "ui/framework/UIDlgBuilder.h"
#include "ui/framework/UIEdit.h"
#include "SkinTestHost.h"

using namespace DuiLib;

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string document(reinterpret_cast<const char*>(data), size);
    for (int dpi : {96, 144}) {
        TestHost host(dpi);
        UiWindowSpec window;
        std::string error;
        std::unique_ptr<CControlUI> root(CDialogBuilder().Create(document, nullptr, &host, window, &error));
        if (!root) {
            if (error.empty()) std::abort();
            return 0;
        }
        const int width = host.Scale().Scale(Clamp(window.size.cx, 0, 4096));
        const int height = host.Scale().Scale(Clamp(window.size.cy, 0, 4096));
        root->SetPos({0, 0, width, height}, false);
        (void)root->FindControlByName(L"BtnInstall");
        (void)root->FindControlByName(L"");
    }
    return 0;
}
