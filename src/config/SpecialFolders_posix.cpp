#include "config/SpecialFolders.h"

namespace config {

std::wstring UserProgramsFolder() { return {}; }
std::wstring UserDesktopFolder() { return {}; }
std::wstring UserAppDataFolder() { return {}; }
std::wstring SystemFolder() { return {}; }
std::wstring WindowsFolder() { return {}; }

}  // namespace config
