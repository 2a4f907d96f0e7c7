// Text conversions between wide strings (UTF-16 on Windows), UTF-8 and the system's ANSI code page.
// Every conversion of the program goes through here.
#pragma once

#include <string>

namespace sys {

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
// The ANSI code page of the system, with a composite check; on POSIX systems the "ANSI" page is UTF-8.
std::string WideToAnsi(const std::wstring& text);
std::string Utf8ToAnsi(const std::string& text);

}  // namespace sys
