// The system record as the running system reports it.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

#include "system/SystemInfo.h"

TEST(SystemInfo, VersionFromTheKernel) {
    const sys::SystemInfo& info = sys::GetSystemInfo();
    EXPECT_GE(info.major, 6) << "every supported system is Windows 7 or later";
    // What the configuration's OS conditions are matched against: "major.minor", digits only.
    EXPECT_TRUE(std::regex_match(info.versionText, std::wregex(L"[0-9]+\\.[0-9]+"))) << info.versionText;
}

TEST(SystemInfo, NativeArchitecture) {
    // This test program is 64-bit; a 32-bit build on the same system would also say "x64".
    EXPECT_EQ(sys::GetSystemInfo().archText, L"x64");
}

TEST(SystemInfo, LanguageCodeOfALocale) {
    EXPECT_EQ(sys::LanguageCodeForLocale(2052), L"0804");
    EXPECT_EQ(sys::LanguageCodeForLocale(1028), L"0404");
    EXPECT_EQ(sys::LanguageCodeForLocale(1033), L"0409");
    EXPECT_EQ(sys::LanguageCodeForLocale(2057), L"") << "English (United Kingdom) has no code";
}

TEST(SystemInfo, DebugPrivilegeRequestSucceeds) {
    EXPECT_EQ(sys::EnableDebugPrivilege(), 0);
}
