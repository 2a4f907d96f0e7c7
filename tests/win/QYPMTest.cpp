// The driver: initialisation of log and working folder (also reading an installed product),
// dispatch and worker thread, file sizes.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "config/ProductConfig.h"
#include "driver/ProductPreparation.h"
#include "driver/QYPM.h"
#include "interface/Parser/UpdateEngEx.h"
#include "ui/IInstallUIPromptEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

// Init runs once per process, so each scenario runs in a child copy of this test program, which
// finds its scenario and folder in the environment. They come first: the QYPMTest suite below
// runs Init in this process, whose run lock would then keep the children's Init out.
namespace {

class MessageSink : public IInstallUIPromptEx {
public:
    void OnConfigError(std::string message) override { messages.push_back(std::move(message)); }
    std::vector<std::string> messages;
};

const char kScenarioVar[] = "QY_QYPM_INIT_SCENARIO";

std::string RunInitScenario(const std::string& scenario, const std::wstring& folder) {
    ::SetEnvironmentVariableA(kScenarioVar, scenario.c_str());
    ::SetEnvironmentVariableW(L"QY_QYPM_INIT_FOLDER", folder.c_str());
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string output = RunAndCapture(L"\"" + std::wstring(self) + L"\" --gtest_filter=QYPMInitChild.*");
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
    WriteTextFile(
        folder + L"\\package\\Addon.config",
        std::string("<ProductRoot type=\"") + type2 +
            "\"><ProductInfo><Common ProductID=\"4\" ProductVer=\"1.1\"/><Components>"
            "<Component name=\"Addon\" config=\"Addon.config\"/></Components></ProductInfo></ProductRoot>");
    WriteTextFile(folder + L"\\package\\Tarn.config", "<ComponentRoot isDisplay=\"TRUE\"/>");
}

}  // namespace

TEST(QYPMInit, UninstallReadsEveryProductFileOfTheInstallation) {
    WinTestFolder folder;
    WriteInstalledProduct(folder.path(), "offline");
    std::string output = RunInitScenario("installed", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(QYPMInit, AWebProductTurnsTheRunIntoASilentWebInstall) {
    WinTestFolder folder;
    WriteInstalledProduct(folder.path(), "web");
    std::string output = RunInitScenario("web", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(QYPMInit, WithoutAProductListOrPackageThereIsNothingToRead) {
    WinTestFolder folder;
    std::string output = RunInitScenario("empty", folder.path());
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(QYPMInitChild, Scenario) {
    const char* scenario = std::getenv(kScenarioVar);
    if (!scenario) GTEST_SKIP() << "runs as a child of the QYPMInit tests";
    wchar_t folder[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"QY_QYPM_INIT_FOLDER", folder, MAX_PATH);
    OpePARAMEx record;
    record.m_Mode = OpePARAMEx::CMD_UNSILENT;
    record.m_InstallPath = folder;
    const int result = TestDriver()->Init(&record);
    CProductConfig& installed = TestEngine().m_OldProduct;

    if (std::string(scenario) == "empty") {
        EXPECT_EQ(result, -2);
        EXPECT_TRUE(installed.m_Components.empty());
        return;
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(record.m_SkinDir, std::wstring(folder) + L"\\Setup");
    EXPECT_TRUE(TestEngine().m_NewProduct.m_Components.empty());
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
    TestDriver()->SetPrompt(&sink);
    installed.m_InstallRoot = std::wstring(folder) + L"\\";
    EXPECT_EQ(installed.LoadComponentConfigs(L"Tarn.config,"), -1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Invalid Attribute Value [isDisplay=\"TRUE\"]"});
    TestDriver()->SetPrompt(nullptr);
}

namespace {

class QYPMTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Leftovers of an earlier run must not survive Init.
        std::wstring work = sys::TempFolder() + L"~QYSetup";
        sys::CreateFolderTree(work + L"\\old");
        WriteTextFile(work + L"\\old\\stale.txt", "stale");
        s_record.m_Mode = OpePARAMEx::CMD_UPDATE;
        s_initResult = TestDriver()->Init(&s_record);
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
    EXPECT_NE(
        log.find("LOG_INFO  Init, CreateTempInstallDir success, path " + sys::WideToUtf8(work) + " QYPM:"),
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
    EXPECT_EQ(TestDriver()->Init(&record), 0);
    EXPECT_EQ(record.m_Mode, OpePARAMEx::CMD_WEBSILENT);
    EXPECT_FALSE(record.m_TempDir.empty());
    EXPECT_TRUE(record.m_SkinDir.empty());
}

TEST_F(QYPMTest, FileSizeInfoInMegabytes) {
    WinTestFolder folder;
    const std::wstring file = folder.path() + L"\\sized.bin";
    ASSERT_TRUE(WriteTextFile(file, std::string(12345678, '\0')));
    FileSizeInfo info;
    EXPECT_EQ(TestDriver()->GetFileSizeInfo(info, file), 0);
    EXPECT_EQ(info.path, file);
    EXPECT_EQ(info.size, 12345678u);
    EXPECT_EQ(info.sizeText, L"12.35M");

    FileSizeInfo untouched;
    untouched.sizeText = L"before";
    EXPECT_EQ(TestDriver()->GetFileSizeInfo(untouched, folder.path() + L"\\missing.bin"), -1);
    EXPECT_EQ(untouched.sizeText, L"before");
    EXPECT_TRUE(untouched.path.empty());

    FileSizeInfo self;
    EXPECT_EQ(TestDriver()->GetFileSizeInfo(self, L""), 0);
    EXPECT_NE(self.path.find(L"win_tests.exe"), std::wstring::npos);
    EXPECT_GT(self.size, 0u);
}

TEST_F(QYPMTest, SynchronousDispatchLogsTheFailureOfEachOperation) {
    OpePARAMEx record;
    record.m_Async = 0;
    record.m_InstallPath = sys::TempFolder() + L"qy-dispatch";  // the test program carries no package
    record.m_Mode = OpePARAMEx::CMD_SILENT;
    int code = TestDriver()->Install(&record);
    EXPECT_EQ(code, -2) << "without a program package the install must not report success";
    EXPECT_TRUE(LogContains("install failed, error code is " + std::to_string(code)));

    record.m_Mode = OpePARAMEx::CMD_UNSILENT;
    EXPECT_EQ(TestDriver()->Uninstall(&record), 0);
    EXPECT_TRUE(LogContains("Unintall failed, error code is "));

    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    EXPECT_EQ(TestDriver()->WebInstall(&record), 0);
    EXPECT_TRUE(LogContains("WebInstall failed, error code is "));

    record.m_Mode = OpePARAMEx::CMD_UPDATE;
    EXPECT_EQ(TestDriver()->Install(&record), 0) << "a mode without procedure counts as success";
}

TEST_F(QYPMTest, AsynchronousDispatchRunsTheProcedureOnAWorker) {
    static OpePARAMEx record;  // outlives the worker
    record.m_Async = 1;
    record.m_InstallPath = sys::TempFolder() + L"qy-dispatch";
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    EXPECT_EQ(TestDriver()->Install(&record), 0);
    EXPECT_TRUE(LogContains("InstallProc, Run fail, nret -2, err "));
    // While a worker runs a second start is refused with its line; once the worker has ended, the
    // next start is accepted again and runs a worker of its own.
    int accepted = -1;
    for (int i = 0; i < 100 && (accepted = TestDriver()->Install(&record)) != 0; ++i) {
        EXPECT_EQ(accepted, -1);
        EXPECT_TRUE(LogContains("Install, refused: a procedure is already running, mode 0"));
        ::Sleep(20);
    }
    EXPECT_EQ(accepted, 0) << "a start after the worker ended must be accepted";
    for (int waited = 0; waited < 5000; waited += 50) {
        const std::string log = ReadTextFile(FindOwnLogFile());
        size_t first = log.find("InstallProc, Run fail, nret -2, err ");
        if (first != std::string::npos &&
            log.find("InstallProc, Run fail, nret -2, err ", first + 1) != std::string::npos)
            break;
        ::Sleep(50);
    }
    const std::string log = ReadTextFile(FindOwnLogFile());
    const size_t first = log.find("InstallProc, Run fail, nret -2, err ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("InstallProc, Run fail, nret -2, err ", first + 1), std::string::npos)
        << "the second worker ran";
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
    TestDriver()->SetPrompt(&window);
    EXPECT_EQ(TestDriver()->Install(&record), -1);
    TestDriver()->SetPrompt(nullptr);
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
    DropNamesOutsidePackage(product);
    ASSERT_EQ(product.m_Components.size(), 1u);
    EXPECT_EQ(product.m_Components[0].config, L"Tarn.config");
    EXPECT_TRUE(product.m_SetupConfig.empty());
    EXPECT_TRUE(LogContains("GetProductConfigInfo, refused the component file name ..\\..\\evil.config"));
    EXPECT_TRUE(LogContains("GetProductConfigInfo, refused the setup component file name ..\\setup.config"));
}

// Wine keeps no ACLs: the recorder stands for the system's folder security (WinTestSupport.h).
TEST_F(QYPMTest, WorkingFoldersAreOnlyAdministratorsToChange) {
    const std::wstring administratorsOnly = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    WinTestFolder foreign, kept;
    for (const WinTestFolder* temp : {&foreign, &kept}) {
        ASSERT_EQ(sys::CreateFolderTree(temp->path() + L"\\MVInstallLog"), 0);
        ASSERT_TRUE(WriteTextFile(temp->path() + L"\\MVInstallLog\\earlier.log", "an earlier run"));
    }
    sys::UniqueHandle held;
    {
        TempFolderOverride temp(foreign.path());
        FolderSecurityRecorder recorder;
        recorder.reported[foreign.path() + L"\\MVInstallLog"] = L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)";
        OpePARAMEx record;
        record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
        EXPECT_EQ(TestDriver()->Init(&record), 0);
        EXPECT_FALSE(FileExists(foreign.path() + L"\\MVInstallLog\\earlier.log"))
            << "a log folder Everyone can write";
        EXPECT_EQ(recorder.made[foreign.path() + L"\\MVInstallLog"], administratorsOnly);
        EXPECT_EQ(recorder.made[foreign.path() + L"\\~QYSetup"], administratorsOnly);
        EXPECT_TRUE(LogContains("could be changed by others: made again"));
    }
    {
        TempFolderOverride temp(kept.path());
        FolderSecurityRecorder recorder;
        // Another owner's working folder that cannot be removed (a file in it is held open) is not
        // used: Init ends before anything is extracted.
        const std::wstring work = kept.path() + L"\\~QYSetup";
        ASSERT_EQ(sys::CreateFolderTree(work), 0);
        ASSERT_TRUE(WriteTextFile(work + L"\\planted.dll", "planted"));
        held.reset(::CreateFileW((work + L"\\planted.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        recorder.reported[work] = L"O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;BA)";
        OpePARAMEx record;
        record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
        EXPECT_EQ(TestDriver()->Init(&record), -1);
        EXPECT_TRUE(record.m_TempDir.empty());
        EXPECT_TRUE(FileExists(kept.path() + L"\\MVInstallLog\\earlier.log"))
            << "an administrators' log folder";
        EXPECT_TRUE(LogContains("Init, CreateTempInstallDir failed "));
    }
    held.reset();
    OpePARAMEx back;
    back.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    TestDriver()->Init(&back);  // the log goes back to the real temporary folder
}

TEST_F(QYPMTest, AFolderTheInstallMakesIsRecordedAndProtectedOutsideProgramFiles) {
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles)));
    const std::wstring outside = L"C:\\users\\Public\\Quilly Test";
    const std::wstring inside = std::wstring(programFiles) + L"\\Quilly Test";
    FolderSecurityRecorder recorder;
    for (const std::wstring& folder : {outside, inside}) {
        sys::DeleteFolder(folder, {});
        OpePARAMEx record;
        record.m_Async = 0;
        record.m_Mode = OpePARAMEx::CMD_SILENT;
        record.m_InstallPath = folder;
        EXPECT_EQ(TestDriver()->Install(&record), -2);  // the test program carries no package
        EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"CreatedFolder"), folder);
        sys::DeleteFolder(folder, {});
    }
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\QuillyTarn", L"CreatedFolder");
    EXPECT_EQ(recorder.made[outside], L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    ASSERT_EQ(recorder.made.count(inside), 1u);
    EXPECT_EQ(recorder.made[inside], L"") << "inside Program Files the folder keeps what it inherits";
    EXPECT_EQ(recorder.made[inside + L"\\~QYSetup"], L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)")
        << "the staging folder";
}

// The worker is the one place that catches what a procedure throws: one line, a failure the window
// hears of, and the driver free for the next procedure.
TEST_F(QYPMTest, AnExceptionInTheWorkerEndsTheProcedureAsAFailure) {
    struct Throwing final : IInstallUIPromptEx {
        void OnStep(int, int, std::wstring) override { throw std::runtime_error("a window that broke"); }
        void OnError(std::wstring message) override { shown.push_back(message); }
        std::vector<std::wstring> shown;
    } window;
    static OpePARAMEx record;  // outlives the worker
    record.m_Async = 1;
    record.m_Mode = OpePARAMEx::CMD_INSTALL;
    record.m_InstallPath = sys::TempFolder() + L"qy-dispatch";
    TestDriver()->SetPrompt(&window);
    ASSERT_EQ(TestDriver()->Install(&record), 0);
    EXPECT_TRUE(
        LogContains("InstallProc, the procedure of mode 0 ended with an exception: a window that broke"));
    EXPECT_TRUE(LogContains("InstallProc, Run fail, nret -9"));
    for (int waited = 0; waited < 5000 && TestDriver()->IsRunning(); waited += 20) ::Sleep(20);
    TestDriver()->SetPrompt(nullptr);
    EXPECT_FALSE(TestDriver()->IsRunning());
    EXPECT_EQ(window.shown, std::vector<std::wstring>{L"安装失败"});
}
