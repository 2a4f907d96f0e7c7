// Which names and keys a configuration may make the installer touch: paths that stay below
// their folder, single names, and registry keys shared with the system that are never removed whole.
#include <gtest/gtest.h>

#include "system/FileHelpers.h"
#include "system/SharedRegistryKeys.h"
#include "system/TextConv.h"

TEST(SharedPlaces, SharedKeysTheirAncestorsAndRootsAreNeverTheProducts) {
    for (const wchar_t* key :
         {L"HKLM", L"HKLM\\", L"HKLM\\Software", L"hkcu\\SOFTWARE\\", L"HKLM\\Software\\Microsoft",
          L"HKLM\\Software\\Microsoft\\Windows", L"HKCU\\Software\\Microsoft\\Windows NT",
          L"HKLM\\Software\\Classes", L"HKCR\\CLSID", L"HKLM\\Software\\Wow6432Node",
          L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"HKUS\\S-1-5-21-1\\Software", L"HKUS",
          L"HKXX\\Software\\QuillyTarn", L"HKLM\\System\\CurrentControlSet"}) {
        EXPECT_TRUE(sys::IsSharedRegistryKey(key)) << sys::WideToUtf8(key);
    }
    for (const wchar_t* key : {L"HKLM\\Software\\QuillyTarn", L"HKCU\\Software\\QuillyTarn\\Sub",
                               L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilly",
                               L"HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}",
                               L"HKCR\\Quilly.Document", L"HKUS\\S-1-5-21-1\\Software\\QuillyTarn"}) {
        EXPECT_FALSE(sys::IsSharedRegistryKey(key)) << sys::WideToUtf8(key);
    }
}

TEST(SharedPlaces, PlainNamesHaveNoFolderPart) {
    for (const wchar_t* name : {L"Quilly Tarn", L"Tarn.lnk", L"塔恩"}) EXPECT_TRUE(sys::IsPlainName(name));
    for (const wchar_t* name : {L"", L"..", L".", L"..\\..\\Documents", L"a\\b", L"a/b", L"C:x", L"\\x"}) {
        EXPECT_FALSE(sys::IsPlainName(name)) << sys::WideToUtf8(name);
    }
}
