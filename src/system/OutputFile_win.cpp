#include "system/OutputFile.h"

#include <windows.h>

namespace sys {

namespace {

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpoch = 116444736000000000ull;

FILETIME ToFileTime(uint64_t intervals) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(intervals);
    time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
    return time;
}

}  // namespace

OutputFile::~OutputFile() {
    if (m_handle) ::CloseHandle(m_handle);
}

int OutputFile::Create(const std::wstring& path, bool replace) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? kExists : static_cast<int>(error);
    }
    m_handle = file;
    return 0;
}

bool OutputFile::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(m_handle, bytes, chunk, &written, nullptr) || written != chunk) return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

bool OutputFile::SetTimes(int64_t lastWriteMs) {
    const int64_t seconds = lastWriteMs / 1000;
    if (seconds < 0) return false;
    const FILETIME access = ToFileTime(kUnixEpoch);
    const FILETIME write = ToFileTime(kUnixEpoch + static_cast<uint64_t>(seconds) * 10000000ull);
    return ::SetFileTime(m_handle, nullptr, &access, &write) != 0;
}

bool OutputFile::Close() {
    HANDLE file = m_handle;
    m_handle = nullptr;
    return file && ::CloseHandle(file) != 0;
}

}  // namespace sys
