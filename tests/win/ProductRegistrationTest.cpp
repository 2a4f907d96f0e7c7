// The product's two registry records, read back with reg.exe, and the start by another program
// without them.
#include <gtest/gtest.h>

#include <windows.h>

#include "WinTestSupport.h"
#include "driver/ProductRegistration.h"
#include "driver/QYPM.h"
#include "entry/OpePARAMEx.h"
#include "interface/Parser/RegEditor.h"

namespace {

std::string Shown(const std::wstring& key) {
    DWORD code = 0;
    const std::string shown = RunAndCapture(L"reg.exe query \"" + key + L"\"", &code);
    return code == 0 ? shown : std::string();
}

}  // namespace

TEST(ProductRegistration, UninstallEntryAndInstallPathAsTheSystemListShowsThem) {
    StartRunLog();
    ASSERT_EQ(CreateUninstallRegInfo(L"D:\\Games\\X", L"16.2.181222", 1048576, nullptr), 0);
    std::string entry = Shown(UninstallKeyPath());
    EXPECT_NE(entry.find("UninstallString    REG_SZ    D:\\Games\\X\\PackageManager.exe /uninstall\r\n"), std::string::npos)
        << "no blank, no quotes: " << entry;
    EXPECT_NE(entry.find("DisplayIcon    REG_SZ    D:\\Games\\X\\PackageManager.exe\r\n"), std::string::npos);
    EXPECT_NE(entry.find("EstimatedSize    REG_DWORD    0x400"), std::string::npos) << "1 MiB is 1024 KiB";
    ASSERT_EQ(CreateUninstallRegInfo(L"C:\\Program Files (x86)\\Morvane\\Tarnhold", L"1", 1023, nullptr), 0);
    entry = Shown(UninstallKeyPath());
    EXPECT_NE(entry.find("EstimatedSize    REG_DWORD    0x0"), std::string::npos);
    EXPECT_NE(entry.find("UninstallString    REG_SZ    \"C:\\Program Files (x86)\\Morvane\\Tarnhold\\PackageManager.exe\" /uninstall"),
              std::string::npos)
        << "a path with a blank is quoted, so the system never tries C:\\Program.exe: " << entry;
    // The entry with a subkey someone added goes whole.
    ASSERT_TRUE(RegWriteValue(UninstallKeyPath() + L"\\Extra", L"x", 1, L"y"));
    EXPECT_EQ(DeleteRegInfo(UninstallKeyPath()), 0);
    EXPECT_EQ(Shown(UninstallKeyPath()), "");
    EXPECT_EQ(DeleteRegInfo(UninstallKeyPath()), 1) << "already gone";

    // Without InstallPath the product cannot be started by another program.
    ASSERT_TRUE(WriteInstallReg(L"D:\\Games\\X"));
    std::wstring path;
    EXPECT_EQ(GetRegInstallPath(path), 0);
    EXPECT_EQ(path, L"D:\\Games\\X");
    EXPECT_EQ(DeleteRegInfo(InstallKeyPath()), 0);
    OpePARAMEx record;
    record.m_InstallPath.clear();
    EXPECT_EQ(TestDriver()->StartByOther(&record), -1);
    EXPECT_TRUE(LogContains("StartByOther, GetRegInstallPath fail"));
}
