#include "interface/Parser/RegEditor.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "config/ConfigText.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "system/Win32Handles.h"

namespace {

struct RootRow {
    const wchar_t* name;
    HKEY key;
};
const RootRow kRegRootTable[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},  {L"HKCC", HKEY_CURRENT_CONFIG}, {L"HKCU", HKEY_CURRENT_USER},
    {L"HKLM", HKEY_LOCAL_MACHINE}, {L"HKUS", HKEY_USERS},
};

struct TypeRow {
    const wchar_t* name;
    int code;
};
const TypeRow kRegTypeTable[] = {
    {L"REG_SZ", 1},
    {L"DELETE", -1},
    {L"REG_BINARY", 3},
    {L"REG_DWORD", 4},
    {L"REG_QDWORD", 11},
    {L"REG_DWORD_LITTLE_ENDIAN", 4},
    {L"REG_QDWORD_LITTLE_ENDIAN", 11},
    {L"REG_DWORD_BIG_ENDIAN", 5},
    {L"REG_EXPAND_SZ", 2},
    {L"REG_LINK", 6},
    {L"REG_MULTI_SZ", 7},
    {L"REG_NONE", 0},
    {L"REG_RESOURCE_LIST", 8},
};

constexpr REGSAM kWriteAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// Root and subkey of a key path; false for an unknown root. The character after the root name is
// skipped whatever it is.
bool SplitKeyPath(const std::wstring& path, HKEY& root, std::wstring& subkey) {
    if (path.size() < 4) return false;
    for (const RootRow& row : kRegRootTable) {
        if (sys::EqualsNoCase(std::wstring_view(path).substr(0, 4), row.name)) {
            root = row.key;
            subkey = path.size() > 5 ? path.substr(5) : std::wstring();
            return true;
        }
    }
    return false;
}

bool CreateKey(const std::wstring& keyPath, sys::UniqueHKey& key, LONG& error) {
    HKEY root;
    std::wstring subkey;
    if (!SplitKeyPath(keyPath, root, subkey)) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    error = ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess,
                              nullptr, key.receive(), nullptr);
    return error == ERROR_SUCCESS;
}

LONG SetString(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) {
    return ::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG SetNumber(HKEY key, const std::wstring& name, const std::wstring& text) {
    const DWORD number = static_cast<DWORD>(config::ParseInt32(sys::WideToUtf8(text)));
    return ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof(number));
}

// Removes every subkey below key, depth first. A subkey that cannot be removed is passed over,
// so the walk ends after one pass over what remains; false then.
bool RemoveSubkeys(HKEY key) {
    bool complete = true;
    for (DWORD index = 0;;) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        sys::UniqueHKey child;
        bool removed = false;
        if (::RegOpenKeyExW(key, name, 0, kWriteAccess | DELETE, child.receive()) == ERROR_SUCCESS) {
            complete = RemoveSubkeys(child.get()) && complete;
            child.reset();
            removed = ::RegDeleteKeyW(key, name) == ERROR_SUCCESS;
        }
        if (!removed) {
            complete = false;
            ++index;  // leave it, go on with the next one
        }
    }
    return complete;
}

}  // namespace

bool RegTypeCode(const std::wstring& typeName, int& code) {
    for (const TypeRow& row : kRegTypeTable) {
        if (sys::EqualsNoCase(typeName, row.name)) {
            code = row.code;
            return true;
        }
    }
    return false;
}

bool UpdateRegistry(const std::wstring& keyPath, const std::wstring& name, const std::wstring& typeName,
                    const std::wstring& value) {
    if (keyPath.empty() || typeName.empty()) return false;
    sys::UniqueHKey key;
    LONG error = 0;
    if (!CreateKey(keyPath, key, error)) return false;
    int code = 0;
    if (!RegTypeCode(typeName, code)) return false;
    switch (code) {
        case -1:
            return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
        case 1:
            if (sys::EqualsNoCase(name, L"version")) {
                // The version already there is read first; it is not compared (the new one wins).
                std::vector<wchar_t> previous(260, L'\0');
                DWORD bytes = static_cast<DWORD>(previous.size() * sizeof(wchar_t));
                ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(previous.data()), &bytes);
            }
            SetString(key.get(), name, REG_SZ, value);
            return true;
        case 4:
            SetNumber(key.get(), name, value);
            return true;
        default:
            return true;  // accepted types that nothing writes
    }
}

bool CRegEditor::Clean(const std::wstring& keyPath, const std::wstring& name) {
    HKEY root;
    std::wstring subkey;
    if (!SplitKeyPath(keyPath, root, subkey)) return false;
    if (!name.empty()) {
        sys::UniqueHKey key;
        if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_WRITE, key.receive()) != ERROR_SUCCESS) return false;
        return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
    }
    sys::UniqueHKey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, kWriteAccess, key.receive()) != ERROR_SUCCESS) return false;
    const bool complete = RemoveSubkeys(key.get());
    key.reset();
    ::RegDeleteKeyW(root, subkey.c_str());
    return complete;
}

bool CRegEditor::DeleteDefaultValue(const std::wstring& keyPath) {
    HKEY root;
    std::wstring subkey;
    if (!SplitKeyPath(keyPath, root, subkey)) return false;
    sys::UniqueHKey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_SET_VALUE, key.receive()) != ERROR_SUCCESS) return false;
    return ::RegDeleteValueW(key.get(), L"") == ERROR_SUCCESS;
}

bool RegReadValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& text) {
    HKEY root;
    std::wstring subkey;
    if (!SplitKeyPath(keyPath, root, subkey)) return false;
    sys::UniqueHKey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return false;
    // Sized to the value (an install folder may be long); two more zero characters keep any text
    // terminated, also one stored without its terminator. A value growing between the two calls
    // is read again.
    std::vector<wchar_t> buffer;
    DWORD type = 0;
    DWORD bytes = 0;
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA; ++attempt) {
        if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
            return false;
        buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
        result = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    }
    if (result != ERROR_SUCCESS) return false;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        text = buffer.data();
        return true;
    }
    if (type == REG_DWORD && bytes == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, buffer.data(), sizeof(number));
        text = std::to_wstring(number);
        return true;
    }
    return false;
}

bool RegWriteValue(const std::wstring& keyPath, const std::wstring& name, int type, const std::wstring& data,
                   long* error) {
    LONG rc = ERROR_INVALID_PARAMETER;
    sys::UniqueHKey key;
    if (type == 1 || type == 3 || type == 4) {
        if (CreateKey(keyPath, key, rc)) {
            rc = type == 4 ? SetNumber(key.get(), name, data)
                           : SetString(key.get(), name, static_cast<DWORD>(type), data);
        }
    }
    if (error) *error = rc;
    return rc == ERROR_SUCCESS;
}
