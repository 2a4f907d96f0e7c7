// Ini access through GetPrivateProfileStringW and friends. The profile functions take UTF-16LE
// text without a byte-order mark (as "_setup.ini" ships) for ANSI text and find nothing in it, so
// such a file is read through a temporary copy that carries the mark.
#include "system/Profile.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "system/Win32Handles.h"

namespace sys {

namespace {

// ASCII text starts such a file ("[Product]", a comment or blank lines): low byte set, high byte 0.
bool IsUtf16WithoutBom(const std::string& bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) return false;
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) return false;
    return bytes[0] != '\0' && bytes[1] == '\0' && bytes[3] == '\0';
}

std::string ReadSmallFile(const std::wstring& path) {
    std::string bytes;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) return bytes;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
    return bytes;
}

// A copy of a BOM-less UTF-16 ini with its byte-order mark, removed again when the scope ends.
class MarkedCopy {
public:
    explicit MarkedCopy(const std::string& bytes) {
        wchar_t folder[MAX_PATH] = {}, name[MAX_PATH] = {};
        if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"qyi", 0, name)) return;
        m_path = name;
        UniqueHandle file(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        const std::string marked = "\xFF\xFE" + bytes;
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), marked.data(), static_cast<DWORD>(marked.size()), &written, nullptr)) {
            file.reset();
            ::DeleteFileW(m_path.c_str());
            m_path.clear();
        }
    }
    ~MarkedCopy() {
        if (!m_path.empty()) ::DeleteFileW(m_path.c_str());
    }
    MarkedCopy(const MarkedCopy&) = delete;
    MarkedCopy& operator=(const MarkedCopy&) = delete;
    const std::wstring& path() const { return m_path; }

private:
    std::wstring m_path;
};

// The file the profile functions should read: the file itself, or its marked copy.
class ReadableIni {
public:
    explicit ReadableIni(const std::wstring& file) : m_path(file) {
        const std::string bytes = ReadSmallFile(file);
        if (IsUtf16WithoutBom(bytes)) {
            m_copy = std::make_unique<MarkedCopy>(bytes);
            if (!m_copy->path().empty()) m_path = m_copy->path();
        }
    }
    const wchar_t* path() const { return m_path.c_str(); }

private:
    std::wstring m_path;
    std::unique_ptr<MarkedCopy> m_copy;
};

}  // namespace

unsigned ReadProfileInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        unsigned fallback) {
    ReadableIni ini(file);
    return ::GetPrivateProfileIntW(section.c_str(), key.c_str(), static_cast<INT>(fallback), ini.path());
}

std::vector<std::wstring> ReadProfileKeys(const std::wstring& file, const std::wstring& section) {
    ReadableIni ini(file);
    // The names come zero-separated; a full buffer means there may be more.
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD got = ::GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), ini.path());
        if (got + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
        buffer.assign(buffer.size() * 4, L'\0');
    }
    std::vector<std::wstring> keys;
    for (const wchar_t* key = buffer.data(); *key; key += wcslen(key) + 1) keys.push_back(key);
    return keys;
}

bool WriteProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) {
    return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback, size_t bufferChars) {
    ReadableIni ini(file);
    std::vector<wchar_t> buffer(bufferChars + 1, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                         static_cast<DWORD>(bufferChars), ini.path());
    return std::wstring(buffer.data(), n);
}

}  // namespace sys
