#include "system/ComponentCall.h"

namespace sys {

namespace {

// Unloads on every way out, after the export returned.
class LoadedLibrary {
public:
    explicit LoadedLibrary(HMODULE module) : m_module(module) {}
    ~LoadedLibrary() {
        if (m_module) ::FreeLibrary(m_module);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    HMODULE get() const { return m_module; }

private:
    HMODULE m_module;
};

FARPROC Export(HMODULE module, const char* name) { return ::GetProcAddress(module, name); }

}  // namespace

HMODULE LoadProductLibrary(const std::wstring& path, bool defaultSearchToo, DWORD& error) {
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module && defaultSearchToo) module = ::LoadLibraryExW(path.c_str(), nullptr, 0);
    error = module ? 0 : ::GetLastError();
    if (!module && error == 0) error = ERROR_MOD_NOT_FOUND;  // a failure never reads as success
    return module;
}

int CallRegistrationExport(const std::wstring& path, const char* exportName) {
    DWORD error = 0;
    LoadedLibrary library(LoadProductLibrary(path, true, error));
    if (!library.get()) return static_cast<int>(error);
    using RegistrationFn = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<RegistrationFn>(reinterpret_cast<void*>(Export(library.get(), exportName)));
    if (!call) return kExportMissing;
    const HRESULT result = call();
    return result < 0 ? static_cast<int>(result) : 0;
}

int CallPlainExport(const std::wstring& path, const char* exportName, bool defaultSearchToo) {
    DWORD error = 0;
    LoadedLibrary library(LoadProductLibrary(path, defaultSearchToo, error));
    if (!library.get()) return static_cast<int>(error);
    using PlainFn = void(WINAPI*)();
    auto call = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(Export(library.get(), exportName)));
    if (!call) return kExportMissing;
    call();
    return 0;
}

}  // namespace sys
