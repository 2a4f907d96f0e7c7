// The configuration on Windows: path macros against the real special folders, the ini formats
// through the profile functions, registry references, and Init reading an installed product.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

#include "WinTestSupport.h"
#include "config/ConfigDocument.h"
#include "config/ProductConfig.h"
#include "interface/Parser/UpdateEngEx.h"
#include "config/ProductList.h"
#include "driver/QYPM.h"
#include "system/TextConv.h"
#include "ui/IInstallUIPromptEx.h"

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

class MessageSink : public IInstallUIPromptEx {
public:
    void OnConfigError(std::string message) override { messages.push_back(std::move(message)); }
    std::vector<std::string> messages;
};

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

    ASSERT_TRUE(WriteTextFile(ini, "[products]\r\ncount=2\r\nproduct2=Second.config\r\nproduct3=Beyond.config\r\n"));
    EXPECT_EQ(ReadProductList(ini, list), 0);
    EXPECT_EQ(list, std::vector<std::wstring>{L"Second.config"});

    // A damaged count must not keep the uninstall busy for billions of look-ups.
    ASSERT_TRUE(WriteTextFile(ini, "[products]\r\ncount=4000000000\r\nProduct1=A.config\r\nproduct7=B.config\r\n"));
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
    EXPECT_EQ(WriteProductList(record, L"Product.config"), 0);
    EXPECT_FALSE(FileExists(written));
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    EXPECT_EQ(WriteProductList(record, L"Product.config"), 0);
    EXPECT_EQ(WriteProductList(record, L"Other.config"), 0);
    list.clear();
    ReadProductList(written, list);
    EXPECT_EQ(list, std::vector<std::wstring>{L"Product.config"});
    const std::string text = ReadTextFile(written);
    EXPECT_NE(text.find("count=1"), std::string::npos) << text;
}

TEST(ConfigReferences, RegistryValuesOfTheLocalMachine) {
    const wchar_t* kKey = L"Software\\QuillyConfigTest";
    sys::UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    const std::wstring text = L"C:\\Tarn & \"co\"", expand = L"%TEMP%\\x";
    ::RegSetValueExW(key.get(), L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * 2));
    ::RegSetValueExW(key.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.c_str()),
                     static_cast<DWORD>((expand.size() + 1) * 2));
    DWORD number = 7;
    ::RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    ::SetEnvironmentVariableW(L"QY_CONFIG_TEST", L"塔恩");

    TiXmlDocument doc;
    ASSERT_TRUE(config::ParseConfigBuffer("<R a=\"&!reg:Software\\QuillyConfigTest,Path;\" "
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

// Init runs once per process, so each scenario runs in a child copy of this test program, which
// finds its scenario and folder in the environment.
namespace {

const char kScenarioVar[] = "QY_CONFIG_INIT_SCENARIO";

std::string RunInitScenario(const std::string& scenario, const std::wstring& folder) {
    ::SetEnvironmentVariableA(kScenarioVar, scenario.c_str());
    ::SetEnvironmentVariableW(L"QY_CONFIG_INIT_FOLDER", folder.c_str());
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string output = RunAndCapture(L"\"" + std::wstring(self) + L"\" --gtest_filter=ConfigInitChild.*");
    ::SetEnvironmentVariableA(kScenarioVar, nullptr);
    return output;
}

void WriteInstalledProduct(const std::wstring& folder, const char* type2) {
    ::CreateDirectoryW((folder + L"\\package").c_str(), nullptr);
    WriteTextFile(folder + L"\\package\\productlist.ini",
                  "[products]\r\ncount=2\r\nproduct1=Product.config\r\nproduct2=Addon.config\r\n");
    WriteTextFile(folder + L"\\package\\Product.config",
                  "<ProductRoot type=\"offline\"><ProductInfo><Common ProductID=\"1\" ProductVer=\"1.0\"/>"
                  "<Components><Component name=\"Tarn\" config=\"Tarn.config\"/></Components></ProductInfo>"
                  "</ProductRoot>");
    WriteTextFile(folder + L"\\package\\Addon.config",
                  std::string("<ProductRoot type=\"") + type2 +
                      "\"><ProductInfo><Common ProductID=\"4\" ProductVer=\"1.1\"/><Components>"
                      "<Component name=\"Addon\" config=\"Addon.config\"/></Components></ProductInfo></ProductRoot>");
    WriteTextFile(folder + L"\\package\\Tarn.config", "<ComponentRoot isDisplay=\"TRUE\"/>");
}

}  // namespace

TEST(ConfigInit, UninstallReadsEveryProductFileOfTheInstallation) {
    WinTestFolder folder;
    WriteInstalledProduct(folder.path(), "offline");
    std::string output = RunInitScenario("installed", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(ConfigInit, AWebProductTurnsTheRunIntoASilentWebInstall) {
    WinTestFolder folder;
    WriteInstalledProduct(folder.path(), "web");
    std::string output = RunInitScenario("web", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(ConfigInit, WithoutAProductListOrPackageThereIsNothingToRead) {
    WinTestFolder folder;
    std::string output = RunInitScenario("empty", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(ConfigInitChild, Scenario) {
    const char* scenario = std::getenv(kScenarioVar);
    if (!scenario) GTEST_SKIP() << "runs as a child of the ConfigInit tests";
    wchar_t folder[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"QY_CONFIG_INIT_FOLDER", folder, MAX_PATH);
    OpePARAMEx record;
    record.m_Mode = OpePARAMEx::CMD_UNSILENT;
    record.m_InstallPath = folder;
    const int result = GetQYPM()->Init(&record);
    CProductConfig& installed = GetUpdateEngine().m_OldProduct;

    if (std::string(scenario) == "empty") {
        EXPECT_EQ(result, -2);
        EXPECT_TRUE(installed.m_Components.empty());
        return;
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(record.m_SkinDir, std::wstring(folder) + L"\\Setup");
    EXPECT_TRUE(GetUpdateEngine().m_NewProduct.m_Components.empty());
    ASSERT_EQ(installed.m_Components.size(), 2u);
    EXPECT_EQ(installed.m_Components[1].name, L"Addon");
    EXPECT_EQ(installed.m_ProductID, 5);
    EXPECT_EQ(installed.m_ProductVer, L"1.1");
    if (std::string(scenario) == "web") {
        EXPECT_EQ(record.m_Mode, OpePARAMEx::CMD_WEBSILENT);
        return;
    }
    EXPECT_EQ(record.m_Mode, OpePARAMEx::CMD_UNSILENT);

    // The window given to the driver hears the reader's validation messages.
    MessageSink sink;
    GetQYPM()->SetPrompt(&sink);
    installed.m_InstallRoot = std::wstring(folder) + L"\\";
    EXPECT_EQ(installed.LoadComponentConfigs(L"Tarn.config,"), -1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Invalid Attribute Value [isDisplay=\"TRUE\"]"});
    GetQYPM()->SetPrompt(nullptr);
}
