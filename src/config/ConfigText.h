// Small text rules shared by the configuration code: case-insensitive comparison (ASCII, as the
// configuration vocabulary is ASCII), integers read the way C's atoi reads them, and the UTF-16
// code-unit order in which component file names are sorted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace config {

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsChar(std::string_view text, char c);

// Leading blanks, an optional sign, decimal digits up to the first other character; no digits
// give 0. Out-of-range values saturate instead of wrapping.
int32_t ParseInt32(std::string_view text);
int64_t ParseInt64(std::string_view text);

std::wstring LowerAscii(std::wstring text);

// <0, 0, >0 comparing the two texts as UTF-16 code units (wchar_t is UTF-32 on Linux).
int CompareUtf16(const std::wstring& a, const std::wstring& b);

}  // namespace config
