// Small text rules of the configuration code (comparison without regard to case is
// sys::EqualsNoCase, shared with the rest of the program): integers read the way C's atoi reads them, and the UTF-16
// code-unit order in which component file names are sorted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "system/TextRules.h"

namespace config {

using sys::EqualsNoCase;
bool ContainsChar(std::string_view text, char c);

// Leading blanks, an optional sign, decimal digits up to the first other character; no digits
// give 0. Out-of-range values saturate instead of wrapping.
int32_t ParseInt32(std::string_view text);
int64_t ParseInt64(std::string_view text);

std::wstring LowerAscii(std::wstring text);

// <0, 0, >0 comparing the two texts as UTF-16 code units (wchar_t is UTF-32 on Linux).
int CompareUtf16(const std::wstring& a, const std::wstring& b);

}  // namespace config
