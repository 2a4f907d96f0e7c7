// Calling the exports of a product's DLL: the self-registration functions of a COM server and
// the plain functions run rules name. Shared by the engine and the 64-bit registration helper,
// so it needs nothing but the system.
#pragma once

#include <windows.h>

#include <string>

namespace sys {

// Result when the DLL lacks the export.
constexpr int kExportMissing = -2;

// A DLL of the product by its full path, its own folder searched for its dependencies; when that
// fails and defaultSearchToo is set, once more with the default search. Null on failure, error
// then holds the system's last error.
HMODULE LoadProductLibrary(const std::wstring& path, bool defaultSearchToo, DWORD& error);

// Calls DllRegisterServer or DllUnregisterServer (named by exportName) and unloads the DLL:
// 0 done, kExportMissing, the negative HRESULT the export returned, or the positive system error
// when the DLL could not be loaded (with and without its own folder in the search).
int CallRegistrationExport(const std::wstring& path, const char* exportName);

// Calls an exported function without arguments (its result is ignored) and unloads the DLL:
// 0 done, kExportMissing, or the positive system error when the DLL could not be loaded.
int CallPlainExport(const std::wstring& path, const char* exportName, bool defaultSearchToo);

}  // namespace sys
