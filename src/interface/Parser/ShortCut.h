// Shell shortcuts (".lnk" files written through the shell's link object) and the folders of the
// current user they go into.
#pragma once

#include <string>

// 0 written (a failed save is not noticed), -1 the link object has no file interface, -2 the link
// object could not be created. The working folder is the target's folder.
int CreateShortCut(const std::wstring& path, const std::wstring& target, const std::wstring& args);

std::wstring GetDesktopFolder();
std::wstring GetProgramsFolder();
std::wstring GetTaskbarPinFolder();
