// Start-up of the real installer: modes, message boxes, exit codes and the run's log.
#include <gtest/gtest.h>

#include <windows.h>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

const std::wstring kParseError = L"参数解析异常";
const std::wstring kWindowError = L"构建窗口异常";
const std::wstring kErrorTitle = L"错误";

void RegisterInstallFolder(const std::wstring& folder) {
    sys::UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn", 0, nullptr, 0, KEY_WRITE,
                                nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key.get(), L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(InstallerPath().empty()) << "QY_PACKAGE_MANAGER_EXE not set";
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn");
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn"); }

    static void ExpectParseFailure(const std::wstring& arguments) {
        SCOPED_TRACE(sys::WideToUtf8(arguments));
        InstallerRun run = RunInstaller(arguments);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, -1);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].title, kErrorTitle);
        EXPECT_EQ(run.boxes[0].text, kParseError);
        EXPECT_TRUE(run.logFile.empty()) << "a rejected command line starts no log";
    }
};

}  // namespace

// The bare stub carries no setup package, so no skin either: the install window cannot be built,
// and the run ends with the framework's message and exit code 1.
TEST_F(StartupTest, NoArgumentsInstallsIntoTheDefaultFolder) {
    InstallerRun run = RunInstaller(L"");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].title, L"Duilib");
    EXPECT_EQ(run.boxes[0].text, L"加载资源文件失败：install.xml");
    ASSERT_FALSE(run.logFile.empty());
    // The run's first file opens with the writer thread's lines.
    const std::string firstLine = run.log.substr(0, run.log.find("\r\n"));
    EXPECT_NE(firstLine.find("LOG_ALARM -----------------  log4z thread started!"), std::string::npos)
        << firstLine;
    EXPECT_NE(run.log.find("logger id=0 key=Main name=Main path="), std::string::npos);
    const std::wstring work = sys::TempFolder() + L"~QYSetup";
    EXPECT_NE(run.log.find("Init, CreateTempInstallDir success, path " + sys::WideToUtf8(work)),
              std::string::npos);
    EXPECT_NE(run.log.find("wWinmain, init success"), std::string::npos);
    char modeLine[128];
    std::snprintf(modeLine, sizeof(modeLine),
                  "GeneralWindow, ********************Current Process ID: %lu, CmdLine: 0 ", run.processId);
    EXPECT_NE(run.log.find(modeLine), std::string::npos) << run.log;
    EXPECT_TRUE(FileExists(work));
    EXPECT_NE(run.logFile.find(L"PackageManager_Main_"), std::wstring::npos);
}

TEST_F(StartupTest, SilentNoRestartAndWebSilentRunTheirModes) {
    // The bare stub has no package to read: the silent install does not start and says so.
    InstallerRun silent = RunInstaller(L"/silent /norestart");
    EXPECT_EQ(silent.exitCode, 1603);
    EXPECT_NE(silent.log.find("CmdLine: 3 "), std::string::npos);
    EXPECT_NE(silent.log.find("GeneralWindow, Init failed, silent mode 3 does not run"), std::string::npos)
        << silent.log;
    EXPECT_EQ(silent.log.find("In_Install"), std::string::npos);

    // Without a setup package there is no skin for the web-install window either: the silent web
    // install runs without it (and fails: the bare stub's name names no package), with no box.
    InstallerRun web = RunInstaller(L"-websilent:D:\\Web");
    EXPECT_EQ(web.exitCode, 1603);
    EXPECT_NE(web.log.find("CmdLine: 6 "), std::string::npos);
    EXPECT_TRUE(web.boxes.empty());
    EXPECT_NE(web.log.find("the skin of CWebInstallWnd is not there, silent mode 6 runs without it"), std::string::npos)
        << web.log;
    EXPECT_NE(web.log.find("SilentRun, mode 6 ran without its window and did not complete"), std::string::npos);
}

TEST_F(StartupTest, MalformedCommandLinesShowTheParseMessage) {
    ExpectParseFailure(L"/installer");
    ExpectParseFailure(L"/repair");
    ExpectParseFailure(L"/install:");
    ExpectParseFailure(L"/webinstall");
    // A folder that is not absolute would be the current folder's, and the uninstall cleans it.
    ExpectParseFailure(L"/install:relative\\folder");
    // Unattended, the same failure shows no box: nobody is there to answer it.
    for (const wchar_t* arguments : {L"/silent:relative\\folder", L"/websilent:folder", L"/silentx"}) {
        SCOPED_TRACE(sys::WideToUtf8(arguments));
        const InstallerRun run = RunInstaller(arguments);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, -1);
        EXPECT_TRUE(run.boxes.empty());
    }
}

TEST_F(StartupTest, UninstallAndUpdateWithoutRegisteredFolderShowTheParseMessage) {
    ExpectParseFailure(L"/uninstall");
    ExpectParseFailure(L"/update");
}

TEST_F(StartupTest, UpdateWithRegisteredFolderShowsTheWindowMessageAfterInit) {
    RegisterInstallFolder(L"C:\\Quilly\\Tarnhold\\");
    InstallerRun run = RunInstaller(L"/update");
    EXPECT_EQ(run.exitCode, -2);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].title, kErrorTitle);
    EXPECT_EQ(run.boxes[0].text, kWindowError);
    EXPECT_NE(run.log.find("Init, GetProductConfigInfo failed"), std::string::npos);
    EXPECT_NE(run.log.find("GeneralWindow, Init failed err"), std::string::npos);
    EXPECT_NE(run.log.find("CmdLine: 2 "), std::string::npos);
}

// The uninstall window takes its skin from the registered folder's "Setup" folder: there is none.
TEST_F(StartupTest, UninstallUsesTheRegisteredFolder) {
    RegisterInstallFolder(L"C:\\Quilly\\Tarnhold");
    InstallerRun run = RunInstaller(L"/uninstall");
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, L"加载资源文件失败：uninstall.xml");
    EXPECT_NE(run.log.find("Init, OpePARAMEx::CMD_UNINSTALL GetProductConfigName success"),
              std::string::npos);
    EXPECT_NE(run.log.find("CmdLine: 1 "), std::string::npos);
}
