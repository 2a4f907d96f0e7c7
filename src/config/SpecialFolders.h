// The folders behind the path macros of a configuration. Empty when the system cannot say (and
// always outside Windows, which has none of them).
#pragma once

#include <string>

namespace config {

std::wstring UserProgramsFolder();  // the current user's Start-menu "Programs" folder
std::wstring UserDesktopFolder();
std::wstring UserAppDataFolder();  // the current user's roaming application data
std::wstring SystemFolder();
std::wstring WindowsFolder();

}  // namespace config
