// Run rules through the engine's runners, with a probe program that records how it was started.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdlib>

#include "WinTestSupport.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

RunRuleItem Rule(const char* when, const char* executable, const char* args,
                 std::initializer_list<std::pair<const char*, const char*>> more = {{"cmd", "EXEC"}}) {
    RunRuleItem rule;
    rule.attrs.Set("when", when);
    rule.attrs.Set("executable", executable);
    rule.attrs.Set("args", args);
    for (const auto& pair : more) rule.attrs.Set(pair.first, pair.second);
    return rule;
}

std::vector<std::string> Lines(const std::wstring& file) {
    std::vector<std::string> lines;
    const std::string text = ReadTextFile(file);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

bool ShellRunning() {
    sys::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"explorer.exe") == 0) return true;
    }
    return false;
}

class RunRuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartRunLog(); }
    void SetUp() override {
        const char* probe = std::getenv("QY_PROBE_EXE");
        ASSERT_TRUE(probe) << "QY_PROBE_EXE not set";
        m_probe = HostPathToWindows(probe);
        m_root = folder.path() + L"\\Program Files\\Tarn";
        ASSERT_EQ(sys::CreateFolderTree(m_root), 0);
        ASSERT_TRUE(::CopyFileW(m_probe.c_str(), (m_root + L"\\probe.exe").c_str(), FALSE));
        engine.m_NewProduct.m_WorkDir = m_root;
        engine.m_OldProduct.m_WorkDir = m_root;
    }
    std::wstring Log() const { return m_root + L"\\probe.log"; }

    WinTestFolder folder;
    std::wstring m_probe, m_root;
    CUpdateEngEx engine;
};

}  // namespace

TEST_F(RunRuleTest, PhasesRunInOrderOnTheAddSideAndInReverseOnTheDeleteSide) {
    const std::initializer_list<std::pair<const char*, const char*>> waited = {{"cmd", "exec"}, {"bwaitend", "TRUE"}};
    engine.m_AddSet.m_RunRules = {Rule("BeforeCopy", "probe.exe", "one", waited), Rule("beforecopy", "probe.exe", "never", waited),
                                  Rule("BeforeCopy", "probe.exe", "five", waited), Rule("AfterCopy", "probe.exe", "later", waited),
                                  Rule("BeforeCopy", "missing.exe", "x", waited), Rule("BeforeCopy", "probe.exe", "nine", waited)};
    engine.DoRunruleInAddList("BeforeCopy");
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"start|probe.exe|one", "start|probe.exe|five", "start|probe.exe|nine"}));

    ::DeleteFileW(Log().c_str());
    // The delete side waits when bwaitend is absent, runs "EXEC" as written only, and logs a
    // missing program.
    engine.m_DeleteSet.m_RunRules = {Rule("OnStopApp", "probe.exe", "one", {}), Rule("OnStopApp", "probe.exe", "lower", {{"cmd", "exec"}}),
                                     Rule("OnStopApp", "probe.exe", "five", {}), Rule("OnStopApp", "gone.exe", "x", {}),
                                     Rule("OnStopApp", "probe.exe", "nine", {})};
    engine.DoRunruleInDeleteList("OnStopApp");
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"start|probe.exe|nine", "start|probe.exe|five", "start|probe.exe|one"}));
}

TEST_F(RunRuleTest, APathWithBlanksIsQuotedAndNeverStartsAPlantedProgram) {
    // "C:\...\Program Files\Tarn\probe.exe" unquoted would first try "C:\...\Program.exe".
    ASSERT_TRUE(::CopyFileW(m_probe.c_str(), (folder.path() + L"\\Program.exe").c_str(), FALSE));
    engine.m_AddSet.m_RunRules = {Rule("AfterCopy", "probe.exe", "first \"two words\"", {{"cmd", "EXEC"}, {"bwaitend", "true"}})};
    engine.DoRunruleInAddList("AfterCopy");
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"start|probe.exe|first|two words"}));
    EXPECT_FALSE(FileExists(folder.path() + L"\\probe.log")) << "the planted Program.exe ran";
    EXPECT_EQ(CProgram::CommandLine(L"C:\\Tarn\\probe.exe", L""), L"C:\\Tarn\\probe.exe ") << "no blank, no quotes";
}

// A rule's executable is below the install folder: one that climbs out never runs, on either side.
TEST_F(RunRuleTest, AnExecutableOutsideTheInstallFolderNeverRuns) {
    const std::wstring outside = folder.path() + L"\\Program Files";
    ASSERT_TRUE(::CopyFileW(m_probe.c_str(), (outside + L"\\probe.exe").c_str(), FALSE));
    engine.m_AddSet.m_RunRules = {
        Rule("AfterCopy", "..\\probe.exe", "add", {{"cmd", "EXEC"}, {"bwaitend", "true"}})};
    engine.m_DeleteSet.m_RunRules = {Rule("OnStopApp", "..\\probe.exe", "delete", {})};
    engine.DoRunruleInAddList("AfterCopy");
    engine.DoRunruleInDeleteList("OnStopApp");
    EXPECT_FALSE(FileExists(outside + L"\\probe.log")) << ReadTextFile(outside + L"\\probe.log");
}

TEST_F(RunRuleTest, TheAddSideWaitsFifteenSecondsTheDeleteSideTenThenEndsTheProgram) {
    const auto secondsOf = [](auto run) {
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    engine.m_AddSet.m_RunRules = {Rule("AfterCopy", "probe.exe", "--wait=60000", {{"cmd", "EXEC"}, {"bwaitend", "true"}})};
    double seconds = secondsOf([&] { engine.DoRunruleInAddList("AfterCopy"); });
    EXPECT_GE(seconds, 14.9);
    EXPECT_LT(seconds, 25.0);
    EXPECT_EQ(CProgram::KillProcessByName(L"probe.exe"), 0) << "the add side leaves it running";
    ::DeleteFileW(Log().c_str());

    engine.m_DeleteSet.m_RunRules = {Rule("OnStopApp", "probe.exe", "--wait=60000", {})};
    seconds = secondsOf([&] { engine.DoRunruleInDeleteList("OnStopApp"); });
    EXPECT_GE(seconds, 9.9);
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"start|probe.exe|--wait=60000"})) << "ended before its end line";
    EXPECT_EQ(CProgram::KillProcessByName(L"probe.exe"), -4) << "the delete side ended it";
}

TEST_F(RunRuleTest, KillEndsOnlyTheFirstProcessOfThatName) {
    const std::wstring image = m_root + L"\\qykill.exe";
    ASSERT_TRUE(::CopyFileW(m_probe.c_str(), image.c_str(), FALSE));
    sys::UniqueHandle first = StartProcess(image, L"--wait=60000");
    sys::UniqueHandle second = StartProcess(image, L"--wait=60000");
    ASSERT_TRUE(first && second);
    ::Sleep(500);
    engine.m_AddSet.m_RunRules = {Rule("OnRegister", "qykill.exe", "", {{"cmd", "KILL"}})};
    engine.DoRunruleInAddList("OnRegister");
    const bool firstEnded = ::WaitForSingleObject(first.get(), 2000) == WAIT_OBJECT_0;
    const bool secondEnded = ::WaitForSingleObject(second.get(), 0) == WAIT_OBJECT_0;
    EXPECT_NE(firstEnded, secondEnded) << "exactly one of the two ends";
    ::TerminateProcess(first.get(), 0);
    ::TerminateProcess(second.get(), 0);
    ::WaitForSingleObject(first.get(), 5000);
    ::WaitForSingleObject(second.get(), 5000);
    EXPECT_EQ(CProgram::KillProcessByName(L"no-such-program.exe"), -4);
}

TEST_F(RunRuleTest, AsUserTakesTheDesktopShellsTokenAndNeedsIt) {
    engine.m_AddSet.m_RunRules = {Rule("OnRestartApp", "probe.exe", "user", {{"cmd", "EXEC"}, {"runMode", "asUser"}, {"bwaitend", "TRUE"}})};
    // No desktop shell: no user token, no start. (Wine runs its explorer.exe as the desktop
    // window's owner; ended here, it comes back when a program needs the desktop again.)
    while (ShellRunning()) ASSERT_EQ(CProgram::KillProcessByName(L"explorer.exe"), 0);
    engine.DoRunruleInAddList("OnRestartApp");
    EXPECT_FALSE(FileExists(Log()));
    EXPECT_TRUE(LogContains("RunProgramAsUser failed, iRet:-1, ExecPath:" + sys::WideToUtf8(m_root) + "\\probe.exe, ExecArgs:user"));

    // A desktop shell as Windows runs one per logged-on user (a stand-in where Wine has none).
    const std::wstring shell = folder.path() + L"\\shell";
    ASSERT_EQ(sys::CreateFolderTree(shell), 0);
    ASSERT_TRUE(::CopyFileW(m_probe.c_str(), (shell + L"\\explorer.exe").c_str(), FALSE));
    sys::UniqueHandle standIn = StartProcess(shell + L"\\explorer.exe", L"--wait=60000");
    ASSERT_TRUE(standIn && WaitUntilHeld(shell + L"\\explorer.exe"));
    engine.DoRunruleInAddList("OnRestartApp");
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"start|probe.exe|user"}));
    ::TerminateProcess(standIn.get(), 0);
    ::WaitForSingleObject(standIn.get(), 5000);
}
