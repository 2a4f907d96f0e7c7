// The driver: initialisation of log and working folder, dispatch and worker thread, file sizes.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "WinTestSupport.h"
#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "config/ProductConfig.h"
#include "driver/QYPM.h"
#include "ui/IInstallUIPromptEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

class QYPMTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Leftovers of an earlier run must not survive Init.
        std::wstring work = sys::TempFolder() + L"~QYSetup";
        sys::CreateFolderTree(work + L"\\old");
        WriteTextFile(work + L"\\old\\stale.txt", "stale");
        s_record.m_Mode = OpePARAMEx::CMD_UPDATE;
        s_initResult = GetQYPM()->Init(&s_record);
    }
    static OpePARAMEx s_record;
    static int s_initResult;
};
OpePARAMEx QYPMTest::s_record;
int QYPMTest::s_initResult = 0;

}  // namespace

TEST_F(QYPMTest, InitInUpdateModeFailsAfterTheWorkingFolderAndTheLog) {
    EXPECT_EQ(s_initResult, -2);
    const std::wstring work = sys::TempFolder() + L"~QYSetup";
    EXPECT_EQ(s_record.m_TempDir, work);
    EXPECT_TRUE(FileExists(work));
    EXPECT_FALSE(FileExists(work + L"\\old")) << "the working folder is made afresh";
    EXPECT_TRUE(s_record.m_SkinDir.empty());

    ASSERT_TRUE(LogContains("Init, GetProductConfigInfo failed"));
    std::string log = ReadTextFile(FindOwnLogFile());
    EXPECT_NE(log.find("LOG_INFO  Init, CreateTempInstallDir success, path " + sys::WideToUtf8(work) + " QYPM:"),
              std::string::npos)
        << log;
    // The first lines of the run's first file come from the writer thread itself (the log may have
    // been started by an earlier test's Init; a later Init moves it to a file of its own).
    log = ReadTextFile(FindRunLog(::GetCurrentProcessId(), FILETIME{}, true));
    EXPECT_NE(log.find("log4z thread started!"), std::string::npos);
    EXPECT_LT(log.find("log4z thread started!"), log.find("logger id=0 key=Main name=Main path="));
    EXPECT_LT(log.find("logger id=0"), log.find("Init, CreateTempInstallDir"));
    // The log folder is named after the start time: ...\MVInstallLog\MVInstall_YYYYMMDD_hhmmss.log\.
    std::wstring file = FindOwnLogFile();
    EXPECT_NE(file.find(L"\\MVInstallLog\\MVInstall_"), std::wstring::npos);
    EXPECT_NE(file.find(L".log\\win_tests_Main_"), std::wstring::npos) << sys::WideToUtf8(file);
}

TEST_F(QYPMTest, InitInWebModesReadsNoConfiguration) {
    OpePARAMEx record;
    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    EXPECT_EQ(GetQYPM()->Init(&record), 0);
    EXPECT_EQ(record.m_Mode, OpePARAMEx::CMD_WEBSILENT);
    EXPECT_FALSE(record.m_TempDir.empty());
    EXPECT_TRUE(record.m_SkinDir.empty());
}

TEST_F(QYPMTest, FileSizeInfoInMegabytes) {
    WinTestFolder folder;
    const std::wstring file = folder.path() + L"\\sized.bin";
    ASSERT_TRUE(WriteTextFile(file, std::string(12345678, '\0')));
    FileSizeInfo info;
    EXPECT_EQ(GetQYPM()->GetFileSizeInfo(info, file), 0);
    EXPECT_EQ(info.path, file);
    EXPECT_EQ(info.size, 12345678u);
    EXPECT_EQ(info.sizeText, L"12.35M");

    FileSizeInfo untouched;
    untouched.sizeText = L"before";
    EXPECT_EQ(GetQYPM()->GetFileSizeInfo(untouched, folder.path() + L"\\missing.bin"), -1);
    EXPECT_EQ(untouched.sizeText, L"before");
    EXPECT_TRUE(untouched.path.empty());

    FileSizeInfo self;
    EXPECT_EQ(GetQYPM()->GetFileSizeInfo(self, L""), 0);
    EXPECT_NE(self.path.find(L"win_tests.exe"), std::wstring::npos);
    EXPECT_GT(self.size, 0u);
}

TEST_F(QYPMTest, SynchronousDispatchLogsTheFailureOfEachOperation) {
    OpePARAMEx record;
    record.m_Async = 0;
    record.m_InstallPath = sys::TempFolder() + L"qy-dispatch";  // the test program carries no package
    record.m_Mode = OpePARAMEx::CMD_SILENT;
    int code = GetQYPM()->Install(&record);
    EXPECT_EQ(code, -2) << "without a program package the install must not report success";
    EXPECT_TRUE(LogContains("install failed, error code is " + std::to_string(code)));

    record.m_Mode = OpePARAMEx::CMD_UNSILENT;
    EXPECT_EQ(GetQYPM()->Uninstall(&record), 0);
    EXPECT_TRUE(LogContains("Unintall failed, error code is "));

    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    EXPECT_EQ(GetQYPM()->WebInstall(&record), 0);
    EXPECT_TRUE(LogContains("WebInstall failed, error code is "));

    record.m_Mode = OpePARAMEx::CMD_UPDATE;
    EXPECT_EQ(GetQYPM()->Install(&record), 0) << "a mode without procedure counts as success";
}

TEST_F(QYPMTest, AsynchronousDispatchRunsTheProcedureOnAWorker) {
    static OpePARAMEx record;  // outlives the worker
    record.m_Async = 1;
    record.m_InstallPath = sys::TempFolder() + L"qy-dispatch";
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    EXPECT_EQ(GetQYPM()->Install(&record), 0);
    EXPECT_TRUE(LogContains("InstallProc, Run fail, nret -2, err "));
    // While a worker runs a second start is refused with its line; once the worker has ended, the
    // next start is accepted again and runs a worker of its own.
    int accepted = -1;
    for (int i = 0; i < 100 && (accepted = GetQYPM()->Install(&record)) != 0; ++i) {
        EXPECT_EQ(accepted, -1);
        EXPECT_TRUE(LogContains("Install, refused: a procedure is already running, mode 0"));
        ::Sleep(20);
    }
    EXPECT_EQ(accepted, 0) << "a start after the worker ended must be accepted";
    for (int waited = 0; waited < 5000; waited += 50) {
        const std::string log = ReadTextFile(FindOwnLogFile());
        size_t first = log.find("InstallProc, Run fail, nret -2, err ");
        if (first != std::string::npos && log.find("InstallProc, Run fail, nret -2, err ", first + 1) != std::string::npos) break;
        ::Sleep(50);
    }
    const std::string log = ReadTextFile(FindOwnLogFile());
    const size_t first = log.find("InstallProc, Run fail, nret -2, err ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("InstallProc, Run fail, nret -2, err ", first + 1), std::string::npos) << "the second worker ran";
}

TEST_F(QYPMTest, WriteLogDropsLevelsOutsideTheTable) {
    LogPrint(7, "level seven must not appear");
    LogPrint(-1, "level minus one must not appear");
    LogPrint(log4z::LOG_LEVEL_FATAL, "fatal marker %S", L"\u4e2d");
    ASSERT_TRUE(LogContains("LOG_FATAL fatal marker \xe4\xb8\xad QYPM:"));
    std::string log = ReadTextFile(FindOwnLogFile());
    EXPECT_EQ(log.find("must not appear"), std::string::npos);
}

TEST_F(QYPMTest, AWebInstallWithoutAPackageNameShowsTheDownloadFailure) {
    // The test program's name holds no "product#channel": no package can be asked for.
    struct Errors final : IInstallUIPromptEx {
        void OnError(std::wstring message) override { shown.push_back(message); }
        std::vector<std::wstring> shown;
    } window;
    OpePARAMEx record;
    record.m_Async = 0;
    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    GetQYPM()->SetPrompt(&window);
    EXPECT_EQ(GetQYPM()->Install(&record), -1);
    GetQYPM()->SetPrompt(nullptr);
    EXPECT_EQ(window.shown, std::vector<std::wstring>{L"下载失败"});
    EXPECT_TRUE(LogContains("In_WebInstall, GetDownloadUrl fail, nret -1"));
}

// Component files are read from and copied into the package folder by the product file's names:
// one that leaves it is dropped with a line, the others stay.
TEST_F(QYPMTest, ComponentNamesThatLeaveThePackageFolderAreDropped) {
    CProductConfig product;
    for (const wchar_t* name : {L"Tarn.config", L"..\\..\\evil.config", L"C:\\evil.config"}) {
        ComponentRef ref;
        ref.config = name;
        product.m_Components.push_back(ref);
    }
    product.m_SetupConfig = L"..\\setup.config";
    QYPM::DropNamesOutsidePackage(product);
    ASSERT_EQ(product.m_Components.size(), 1u);
    EXPECT_EQ(product.m_Components[0].config, L"Tarn.config");
    EXPECT_TRUE(product.m_SetupConfig.empty());
    EXPECT_TRUE(LogContains("GetProductConfigInfo, refused the component file name ..\\..\\evil.config"));
    EXPECT_TRUE(LogContains("GetProductConfigInfo, refused the setup component file name ..\\setup.config"));
}
