// The system record as the running system reports it.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "system/SystemInfo.h"

TEST(SystemInfo, VersionFromTheKernel) {
    const sys::SystemInfo& info = sys::GetSystemInfo();
    EXPECT_GE(info.major, 6) << "every supported system is Windows 7 or later";
    EXPECT_EQ(info.versionText, std::to_wstring(info.major) + L"." + std::to_wstring(info.minor));
}

TEST(SystemInfo, NativeArchitecture) {
    // This test program is 64-bit; a 32-bit build on the same system would also say "x64".
    EXPECT_EQ(sys::GetSystemInfo().archText, L"x64");
}

TEST(SystemInfo, LanguageCodeOfTheSystemLocale) {
    const sys::SystemInfo& info = sys::GetSystemInfo();
    EXPECT_EQ(info.localeId, ::GetSystemDefaultLCID());
    EXPECT_EQ(info.languageCode, sys::LanguageCodeForLocale(info.localeId));
    EXPECT_EQ(sys::LanguageCodeForLocale(2052), L"0804");
    EXPECT_EQ(sys::LanguageCodeForLocale(1028), L"0404");
    EXPECT_EQ(sys::LanguageCodeForLocale(1033), L"0409");
    EXPECT_EQ(sys::LanguageCodeForLocale(2057), L"") << "English (United Kingdom) has no code";
}

TEST(SystemInfo, BuiltOnceForAllThreads) {
    std::vector<const sys::SystemInfo*> seen(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) threads.emplace_back([&, i] { seen[i] = &sys::GetSystemInfo(); });
    for (auto& t : threads) t.join();
    for (auto* p : seen) EXPECT_EQ(p, &sys::GetSystemInfo());
}

TEST(SystemInfo, DebugPrivilegeRequestSucceeds) { EXPECT_EQ(sys::EnableDebugPrivilege(), 0); }
