// POSIX only: the program writes paths with "\" as on Windows; the POSIX layer translates them.
#pragma once

#include <string>

#include "system/TextConv.h"

namespace sys {

inline std::string NativePath(const std::wstring& path) {
    std::string out = WideToUtf8(path);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

inline std::wstring WidePath(const std::string& native) {
    std::wstring out = Utf8ToWide(native);
    for (wchar_t& c : out) {
        if (c == L'/') c = L'\\';
    }
    return out;
}

}  // namespace sys
