#include "system/ComponentCall.h"

#include "system/Win32Handles.h"

namespace sys {

namespace {

// The export of a library loaded for the call (unloaded on every way out), cast to Fn; null
// when the library did not load (error set) or lacks the export.
template <typename Fn>
Fn LoadExport(const std::wstring& path, bool defaultSearchToo, const char* name, UniqueHModule& library, DWORD& error) {
    library.reset(LoadProductLibrary(path, defaultSearchToo, error));
    if (!library) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), name)));
}

}  // namespace

HMODULE LoadProductLibrary(const std::wstring& path, bool defaultSearchToo, DWORD& error) {
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module && defaultSearchToo) module = ::LoadLibraryExW(path.c_str(), nullptr, 0);
    error = module ? 0 : ::GetLastError();
    if (!module && error == 0) error = ERROR_MOD_NOT_FOUND;  // a failure never reads as success
    return module;
}

int CallRegistrationExport(const std::wstring& path, const char* exportName) {
    using RegistrationFn = HRESULT(STDAPICALLTYPE*)();
    UniqueHModule library;
    DWORD error = 0;
    const RegistrationFn call = LoadExport<RegistrationFn>(path, true, exportName, library, error);
    if (!library) return static_cast<int>(error);
    if (!call) return kExportMissing;
    const HRESULT result = call();
    return result < 0 ? static_cast<int>(result) : 0;
}

int CallPlainExport(const std::wstring& path, const char* exportName, bool defaultSearchToo) {
    using PlainFn = void(WINAPI*)();
    UniqueHModule library;
    DWORD error = 0;
    const PlainFn call = LoadExport<PlainFn>(path, defaultSearchToo, exportName, library, error);
    if (!library) return static_cast<int>(error);
    if (!call) return kExportMissing;
    call();
    return 0;
}

}  // namespace sys
