// Reads HKLM\Software\QuillyTarn\InstallPath.
#include "entry/InstallPathQuery.h"

#include "driver/ProductKeys.h"
#include "driver/ProductRegistration.h"
#include "interface/Parser/RegEditor.h"

int QueryInstallPath(std::wstring& folder) {
    std::wstring text;
    if (!RegReadValue(InstallKeyPath(), product_keys::kInstallPathValue, text) ||
        text.empty()) {
        return 0;
    }
    // One trailing separator goes, except after a drive ("C:\" stays: "C:" names the current
    // folder of drive C, which an uninstall would then empty).
    if (!text.empty() && (text.back() == L'\\' || text.back() == L'/') && !(text.size() == 3 && text[1] == L':')) {
        text.pop_back();
    }
    folder = text;
    return 1;
}
