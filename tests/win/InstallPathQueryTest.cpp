// Reading the registered install folder back from HKLM\Software\QuillyTarn.
#include <gtest/gtest.h>

#include <windows.h>

#include "entry/InstallPathQuery.h"
#include "system/Win32Handles.h"

namespace {

class InstallPathQueryTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn"); }
    void Register(const std::wstring& value) {
        sys::UniqueHKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn", 0, nullptr, 0, KEY_WRITE, nullptr,
                                    key.receive(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

}  // namespace

TEST_F(InstallPathQueryTest, NothingRegistered) {
    std::wstring folder = L"unchanged";
    EXPECT_EQ(QueryInstallPath(folder), 0);
    EXPECT_EQ(folder, L"unchanged");
}

TEST_F(InstallPathQueryTest, RegisteredFolderLosesOneTrailingSeparator) {
    Register(L"D:\\Games\\Tarnhold\\");
    std::wstring folder;
    EXPECT_EQ(QueryInstallPath(folder), 1);
    EXPECT_EQ(folder, L"D:\\Games\\Tarnhold");
    Register(L"D:\\Games\\Tarnhold//");
    EXPECT_EQ(QueryInstallPath(folder), 1);
    EXPECT_EQ(folder, L"D:\\Games\\Tarnhold/");
    // "C:" would name the current folder of drive C, which an uninstall then empties.
    Register(L"C:\\");
    EXPECT_EQ(QueryInstallPath(folder), 1);
    EXPECT_EQ(folder, L"C:\\");
}

TEST_F(InstallPathQueryTest, AnEmptyValueCountsAsAbsentAndALongOneIsReadWhole) {
    std::wstring folder;
    Register(L"");
    EXPECT_EQ(QueryInstallPath(folder), 0);
    // A registered folder longer than 129 characters was cut by a 260-byte buffer: its uninstall
    // then failed at the command line.
    const std::wstring deep = L"C:\\" + std::wstring(140, L'x') + L"\\" + std::wstring(200, L'y');
    Register(deep);
    EXPECT_EQ(QueryInstallPath(folder), 1);
    EXPECT_EQ(folder, deep);
}
