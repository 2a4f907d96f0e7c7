// The configuration on Windows: path macros against the real special folders, the ini formats
// through the profile functions, registry references.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "WinTestSupport.h"
#include "common/run/OpePARAMEx.h"
#include "config/ConfigDocument.h"
#include "config/ProductConfig.h"
#include "config/ProductList.h"
#include "system/TextConv.h"

namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) ? path : L"";
}

std::string Utf16NoBom(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

}  // namespace

TEST(ConfigExpandPath, MacrosLeadToTheCurrentUsersFolders) {
    WinTestFolder folder;
    CProductConfig product;
    ASSERT_EQ(product.SetInstallRoot(folder.path() + L"\\"), 0);

    const std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
    const std::wstring desktop = ShellFolder(CSIDL_DESKTOP);
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(desktop.empty());
    wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    ::GetWindowsDirectoryW(windows, MAX_PATH);

    // The Start-menu Programs folder, not Program Files, stands behind %ProgramFiles%.
    EXPECT_EQ(product.ExpandPath(L"%ProgramFiles%\\Quilly\\Tarn.lnk"), programs + L"\\quilly\\tarn.lnk");
    EXPECT_EQ(product.ExpandPath(L"$Desktop\\Tarn.url"), desktop + L"\\tarn.url");
    EXPECT_EQ(product.ExpandPath(L"$System32\\drv.sys"), std::wstring(system) + L"\\drv.sys");
    EXPECT_EQ(product.ExpandPath(L"$WINDIR\\Fonts\\A.ttf"), std::wstring(windows) + L"\\fonts\\a.ttf");
    EXPECT_EQ(product.ExpandPath(L"Setup\\A.dll"), folder.path() + L"\\setup\\a.dll");
}

TEST(ConfigSetupIni, TheShippedUtf16FileNamesTheProductFile) {
    WinTestFolder folder;
    std::wstring name = L"unchanged";
    EXPECT_EQ(GetProductConfigName(HostPathToWindows(QY_SAMPLES_DIR "/_setup.ini"), name), 0);
    EXPECT_EQ(name, L"Product.config");

    const std::wstring ini = folder.path() + L"\\_setup.ini";
    ASSERT_TRUE(WriteTextFile(ini, Utf16NoBom(L"[Product]\r\nProduct=产品 Tarn.config\r\n")));
    EXPECT_EQ(GetProductConfigName(ini, name), 0);
    EXPECT_EQ(name, L"产品 Tarn.config");

    EXPECT_EQ(GetProductConfigName(folder.path() + L"\\missing.ini", name), 0);
    EXPECT_EQ(name, L"Product.config") << "a missing file gives the default";

    ASSERT_TRUE(WriteTextFile(ini, Utf16NoBom(L"[Product]\r\nProduct=\r\n")));
    name = L"kept";
    EXPECT_EQ(GetProductConfigName(ini, name), -1);
    EXPECT_EQ(name, L"kept");
}

TEST(ConfigProductList, CountRulesAndTheFirstWrite) {
    WinTestFolder folder;
    const std::wstring ini = folder.path() + L"\\productlist.ini";
    std::vector<std::wstring> list;
    EXPECT_EQ(ReadProductList(ini, list), 0);
    EXPECT_TRUE(list.empty()) << "no file, no products";

    ASSERT_TRUE(
        WriteTextFile(ini, "[products]\r\ncount=2\r\nproduct2=Second.config\r\nproduct3=Beyond.config\r\n"));
    EXPECT_EQ(ReadProductList(ini, list), 0);
    EXPECT_EQ(list, std::vector<std::wstring>{L"Second.config"});

    // A damaged count must not keep the uninstall busy for billions of look-ups.
    ASSERT_TRUE(
        WriteTextFile(ini, "[products]\r\ncount=4000000000\r\nProduct1=A.config\r\nproduct7=B.config\r\n"));
    list.clear();
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(ReadProductList(ini, list), 0);
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_EQ(list, (std::vector<std::wstring>{L"A.config", L"B.config"}));

    // The install starts a list once; a second install or an update leaves it alone.
    OpePARAMEx record;
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    record.m_InstallPath = folder.path();
    ::CreateDirectoryW((folder.path() + L"\\package").c_str(), nullptr);
    const std::wstring written = folder.path() + L"\\package\\productlist.ini";
    record.m_Mode = OpePARAMEx::CMD_UPDATE;
    EXPECT_EQ(
        WriteProductList(record.m_InstallPath, record.m_Mode == OpePARAMEx::CMD_UPDATE, L"Product.config"),
        0);
    EXPECT_FALSE(FileExists(written));
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    EXPECT_EQ(WriteProductList(record.m_InstallPath, false, L"Product.config"), 0);
    EXPECT_EQ(WriteProductList(record.m_InstallPath, false, L"Other.config"), 0);
    list.clear();
    ReadProductList(written, list);
    EXPECT_EQ(list, std::vector<std::wstring>{L"Product.config"});
    const std::string text = ReadTextFile(written);
    EXPECT_NE(text.find("count=1"), std::string::npos) << text;
}

TEST(ConfigReferences, RegistryValuesOfTheLocalMachine) {
    const wchar_t* kKey = L"Software\\QuillyConfigTest";
    sys::UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.receive(), nullptr),
              ERROR_SUCCESS);
    const std::wstring text = L"C:\\Tarn & \"co\"", expand = L"%TEMP%\\x";
    ::RegSetValueExW(key.get(), L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * 2));
    ::RegSetValueExW(key.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.c_str()),
                     static_cast<DWORD>((expand.size() + 1) * 2));
    DWORD number = 7;
    ::RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    ::SetEnvironmentVariableW(L"QY_CONFIG_TEST", L"塔恩");

    TiXmlDocument doc;
    ASSERT_TRUE(
        config::ParseConfigBuffer("<R a=\"&!reg:Software\\QuillyConfigTest,Path;\" "
                                  "b=\"&!reg:Software\\QuillyConfigTest,Expand;\" "
                                  "c=\"[&!reg:Software\\QuillyConfigTest,Number;]\" "
                                  "d=\"[&!reg:Software\\QuillyConfigTest,Missing;]\" "
                                  "e=\"[&!reg:Software\\NoSuchKey,Path;]\" f=\"&!env:QY_CONFIG_TEST;\"/>",
                                  doc));
    const TiXmlElement* root = doc.RootElement();
    EXPECT_STREQ(root->Attribute("a"), "C:\\Tarn & \"co\"");
    EXPECT_STREQ(root->Attribute("b"), "%TEMP%\\x") << "not expanded";
    EXPECT_STREQ(root->Attribute("c"), "[]") << "not a string";
    EXPECT_STREQ(root->Attribute("d"), "[]");
    EXPECT_STREQ(root->Attribute("e"), "[]");
    EXPECT_EQ(sys::Utf8ToWide(root->Attribute("f")), L"塔恩");
    key.reset();
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
}
