// Ini files through the Windows profile functions (the POSIX build reads the same files, in
// UTF-16LE or UTF-8, so the portable core and its tools can use them natively).
#pragma once

#include <string>
#include <vector>

namespace sys {

// The value of key in section, or fallback; at most bufferChars - 1 characters (as the profile
// functions fill a buffer of that size).
std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback, size_t bufferChars);

#if defined(_WIN32)
// The value of key as an unsigned number (GetPrivateProfileInt's reading), or fallback.
unsigned ReadProfileInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        unsigned fallback);
// The key names of a section, in file order.
std::vector<std::wstring> ReadProfileKeys(const std::wstring& file, const std::wstring& section);
// Writes key=value into section, creating file and section as needed; false when it failed.
bool WriteProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value);
#endif

}  // namespace sys
