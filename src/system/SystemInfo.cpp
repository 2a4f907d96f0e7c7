// The system-independent parts of the system record: the fixed text tables.
#include "system/SystemInfo.h"

namespace sys {

std::wstring LanguageCodeForLocale(unsigned localeId) {
    switch (localeId) {
        case 2052: return L"0804";
        case 1028: return L"0404";
        case 1033: return L"0409";
        default: return L"";
    }
}

std::wstring ArchTextForProcessor(unsigned architecture) {
    switch (architecture) {
        case 0: return L"x86";
        case 6: return L"ia64";
        case 9: return L"x64";
        default: return L"unknown";
    }
}

}  // namespace sys
