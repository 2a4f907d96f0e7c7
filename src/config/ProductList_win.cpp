#include "config/ProductList.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "entry/OpePARAMEx.h"
#include "system/Win32Handles.h"

namespace {

// The key names of a section (the profile functions list them zero-separated).
std::vector<std::wstring> SectionKeys(const std::wstring& iniPath, const wchar_t* section) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD got = ::GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), iniPath.c_str());
        if (got + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
        buffer.assign(buffer.size() * 4, L'\0');
    }
    std::vector<std::wstring> keys;
    for (const wchar_t* key = buffer.data(); *key; key += wcslen(key) + 1) keys.push_back(key);
    return keys;
}

// N for a key "product<N>" (no sign, no leading zero), else 0. Key names are case-insensitive.
unsigned ProductKeyNumber(const std::wstring& key) {
    if (key.size() < 8 || key.size() > 17 || ::_wcsnicmp(key.c_str(), L"product", 7) != 0 || key[7] == L'0') {
        return 0;
    }
    unsigned long long n = 0;
    for (size_t i = 7; i < key.size(); ++i) {
        if (key[i] < L'0' || key[i] > L'9') return 0;
        n = n * 10 + static_cast<unsigned>(key[i] - L'0');
    }
    return n > 0xFFFFFFFFull ? 0 : static_cast<unsigned>(n);
}

}  // namespace

int ReadProductList(const std::wstring& iniPath, std::vector<std::wstring>& list) {
    const UINT count = ::GetPrivateProfileIntW(L"products", L"count", 0, iniPath.c_str());
    // Only keys that exist can yield a name, so walk those rather than every number up to a
    // count that a damaged file may set to billions.
    std::set<unsigned> numbers;
    for (const std::wstring& key : SectionKeys(iniPath, L"products")) {
        unsigned n = ProductKeyNumber(key);
        if (n >= 1 && n <= count) numbers.insert(n);
    }
    for (unsigned n : numbers) {
        const std::wstring key = L"product" + std::to_wstring(n);
        wchar_t value[128] = {};
        ::GetPrivateProfileStringW(L"products", key.c_str(), L"", value, 128, iniPath.c_str());
        if (value[0] != L'\0') list.push_back(value);
    }
    return 0;
}

namespace {

// True for UTF-16LE text without a byte-order mark: the profile functions take such a file for
// ANSI text and find nothing in it, so every name but the default would be lost.
bool IsUtf16WithoutBom(const std::string& bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) return false;
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) return false;
    // ASCII text starts the file ("[Product]", a comment or blank lines): low byte set, high byte 0.
    return bytes[0] != '\0' && bytes[1] == '\0' && bytes[3] == '\0';
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string bytes;
    sys::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
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
        sys::UniqueHandle file(
            ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        const std::string marked = "\xFF\xFE" + bytes;
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), marked.data(), static_cast<DWORD>(marked.size()), &written, nullptr)) {
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

}  // namespace

int GetProductConfigName(const std::wstring& iniPath, std::wstring& productConfigPath) {
    // "_setup.ini" ships as UTF-16LE without a byte-order mark; the profile functions read it
    // through a marked copy.
    std::wstring source = iniPath;
    std::unique_ptr<MarkedCopy> copy;
    const std::string bytes = ReadWholeFile(iniPath);
    if (IsUtf16WithoutBom(bytes)) {
        copy = std::make_unique<MarkedCopy>(bytes);
        if (!copy->path().empty()) source = copy->path();
    }
    wchar_t value[MAX_PATH] = {};
    ::GetPrivateProfileStringW(L"Product", L"Product", L"Product.config", value, MAX_PATH, source.c_str());
    if (value[0] == L'\0') return -1;
    productConfigPath = value;
    return 0;
}

int WriteProductList(const OpePARAMEx& record, const std::wstring& productConfigPath) {
    if (record.m_Mode == OpePARAMEx::CMD_UPDATE) return 0;
    const std::wstring path = record.m_InstallPath + L"\\package\\productlist.ini";
    if (::GetPrivateProfileIntW(L"products", L"count", 0, path.c_str()) != 0) return 0;
    // Failed writes are not noticed: the list only helps a later uninstall find the product file.
    ::WritePrivateProfileStringW(L"products", L"count", L"1", path.c_str());
    ::WritePrivateProfileStringW(L"products", L"product1", productConfigPath.c_str(), path.c_str());
    return 0;
}
