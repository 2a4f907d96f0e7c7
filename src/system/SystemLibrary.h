// Loading DLLs of the system by name from the system folder only. The installer runs elevated
// from folders any user can write to (Downloads): neither its own folder nor the current folder
// may supply a system DLL.
#pragma once

#include <windows.h>

#include <string>

namespace sys {

// Restricts the search of every later LoadLibrary without a path to the system folder (where the
// system lacks SetDefaultDllDirectories, at least takes the current folder out of the search), and
// has delay-loaded DLLs loaded through LoadSystemLibrary. First thing the program does.
void RestrictDllSearchToSystem();

// A system DLL loaded from the system folder (LOAD_LIBRARY_SEARCH_SYSTEM32, or the folder's full
// path where that flag is missing); null when it cannot be loaded. The module stays loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The system folder (System32), without a trailing separator; empty when it cannot be read.
std::wstring SystemFolder();
// A program of the system by its full path in the system folder ("cmd.exe" → ...\System32\cmd.exe),
// never by the search order, which looks in the current folder first; empty when unknown.
std::wstring SystemProgram(const wchar_t* name);

template <typename Fn>
bool GetProc(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return fn != nullptr;
}

}  // namespace sys
