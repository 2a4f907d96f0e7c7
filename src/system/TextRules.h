// Text rules every part of the program shares: comparison without regard to case and trimming.
// The installer's vocabulary (element and attribute names, command words, ini keys, file
// extensions) is ASCII, so only ASCII letters fold; other characters compare as they are.
#pragma once

#include <string>
#include <string_view>

namespace sys {

bool EqualsNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Without leading and trailing blanks (space, tab, CR, LF, vertical tab, form feed).
std::string_view Trim(std::string_view text);
std::wstring_view Trim(std::wstring_view text);

}  // namespace sys
