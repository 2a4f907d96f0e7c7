// Ini files through the Windows profile functions (the POSIX build reads the same files, in
// UTF-16LE or UTF-8, so the portable core and its tools can use them natively).
#pragma once

#include <string>

namespace sys {

// The value of key in section, or fallback; at most bufferChars - 1 characters (as the profile
// functions fill a buffer of that size).
std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback, size_t bufferChars);

}  // namespace sys
