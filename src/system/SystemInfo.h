// What the installer knows about the running system: kernel version, locale language, architecture.
#pragma once

#include <string>

namespace sys {

struct SystemInfo {
    std::wstring versionText;   // "6.1", "10.0"
    int major = 0;
    int minor = 0;
    unsigned localeId = 0;      // system default locale identifier
    std::wstring languageCode;  // "0804", "0404", "0409" or empty
    std::wstring archText;      // "x86", "x64", "ia64" or "unknown"
};

// Built once per process on first use (thread-safe).
const SystemInfo& GetSystemInfo();

// "0804" for 2052 (Chinese, PRC), "0404" for 1028 (Chinese, Taiwan), "0409" for 1033 (English, US).
std::wstring LanguageCodeForLocale(unsigned localeId);
// Windows processor architecture number (0, 6, 9, ...) to its text.
std::wstring ArchTextForProcessor(unsigned architecture);

// Enables SeDebugPrivilege on the process token: 0, -1 (token), -2 (lookup), -3 (adjust).
int EnableDebugPrivilege();

}  // namespace sys
