// Registry values addressed by a textual key path: four letters naming the root ("HKCR", "HKCC",
// "HKCU", "HKLM", "HKUS", without regard to case), one separator, the subkey. Keys are opened in
// the process's default registry view, so what is written is what is read back.
#pragma once

#include <string>

// The registry value type of a type name ("REG_SZ", ...; -1 for "DELETE"); false when the name is
// not in the table.
bool RegTypeCode(const std::wstring& typeName, int& code);

// Writes (REG_SZ, REG_DWORD) or deletes ("DELETE") one value, creating the key; other types of
// the table are accepted and write nothing. True when done.
bool UpdateRegistry(const std::wstring& keyPath, const std::wstring& name, const std::wstring& typeName,
                    const std::wstring& value);

class CRegEditor {
public:
    // Deletes one value, or with an empty name the key with everything below it (depth first; a
    // subkey that cannot be deleted is passed over once, and the result is false). False when
    // nothing could be opened or the value was not there.
    static bool Clean(const std::wstring& keyPath, const std::wstring& name);
    // Deletes the key's default value, and nothing else; false when the key or the value is missing.
    static bool DeleteDefaultValue(const std::wstring& keyPath);
};

// A string value's text (whatever its length) or a 32-bit number's decimal text; false otherwise.
bool RegReadValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& text);
// Creates the key and sets the value: types 1 (string) and 3 (binary: the UTF-16 text with its
// terminator) and 4 (the text's decimal value). False for other types; error receives the code
// of the registry call that failed.
bool RegWriteValue(const std::wstring& keyPath, const std::wstring& name, int type, const std::wstring& data,
                   long* error = nullptr);
