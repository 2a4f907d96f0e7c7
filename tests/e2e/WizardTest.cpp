// The real wizards from their command lines under Wine and Xvfb, driven with real mouse clicks
// and keystrokes at the places the skins give their controls: the interactive install with a
// chosen folder and a close that is cancelled, the uninstall survey with the server's reasons and
// with the built-in ones, and the web install's download. Screenshots of every page go to
// QY_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "InstallerRun.h"
#include "NetStandIn.h"
#include "UiTestSupport.h"
#include "WinTestSupport.h"
#include "interface/Maker/Md5.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

const wchar_t kProductKey[] = L"Software\\QuillyTarn";

struct WizardRun {
    sys::UniqueHandle process;
    DWORD processId = 0;
    HWND window = nullptr;
    FILETIME started = {};
    WizardRun() = default;
    WizardRun(WizardRun&&) = default;
    // A test that stopped half way leaves no wizard behind.
    ~WizardRun() {
        if (process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT)
            ::TerminateProcess(process.get(), 99);
    }
};

// Starts an installer as the user does and waits for its wizard window.
WizardRun StartWizard(const std::wstring& exe, const std::wstring& arguments) {
    WizardRun wizard;
    ::GetSystemTimeAsFileTime(&wizard.started);
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        return wizard;
    }
    ::CloseHandle(pi.hThread);
    wizard.process.reset(pi.hProcess);
    wizard.processId = pi.dwProcessId;
    PumpUntil([&] { return (wizard.window = FindWizardWindow(wizard.processId)) != nullptr; }, 60000);
    PumpFor(1500);  // the first paint
    return wizard;
}

// The same with the update server at `update`.
WizardRun StartWizardAsking(const std::string& update, const std::wstring& exe, const std::wstring& arguments) {
    EnvironmentOverride server({L"QY_UPDATE_SERVER"}, sys::Utf8ToWide(update).c_str());
    return StartWizard(exe, arguments);
}

DWORD WaitForExit(WizardRun& wizard, int ms = 60000) {
    if (!PumpUntil([&] { return ::WaitForSingleObject(wizard.process.get(), 0) == WAIT_OBJECT_0; }, ms))
        return 99;
    DWORD code = 0;
    ::GetExitCodeProcess(wizard.process.get(), &code);
    return code;
}

// The wizard's run log, once it holds the text.
bool RunLogContains(const WizardRun& wizard, const std::string& text, int ms) {
    return PumpUntil(
        [&] {
            const std::wstring log = FindRunLog(wizard.processId, wizard.started);
            return !log.empty() && ReadTextFile(log).find(text) != std::string::npos;
        },
        ms);
}

bool Click(HWND window, const std::map<std::wstring, DuiLib::UiRect>& rects, const wchar_t* name) {
    auto it = rects.find(name);
    if (it == rects.end()) return false;
    return ClickAt(ScreenPoint(window, it->second));
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t text[128] = {};
    ::GetWindowTextW(child, text, 128);
    *reinterpret_cast<std::wstring*>(param) += std::wstring(text) + L"|";
    return TRUE;
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(UseSkinArchive()); }
};

}  // namespace

// Start page: the agreement box unticked hides the install button and ticked shows it again; a
// folder is chosen in the folder dialog; the install starts; closing during the install asks and
// cancel keeps it going; the final page starts the product.
TEST_F(WizardTest, AnInteractiveInstallDrivenByMouseAndKeyboard) {
    const auto rects = SkinControlRects(L"install.xml", {L"OptLicence", L"BtnCustom", L"BtnInstall",
                                                         L"BtnInstallClose", L"BtnQuickStart", L"EditPath"});
    const auto msg = SkinControlRects(L"msg.xml", {L"BtnMsgCancel"});
    ASSERT_EQ(rects.size(), 6u);
    // The product is there already, so the interactive install is an update: its rule before the
    // copy runs the installed updater, made to take long enough for the progress page and a close
    // to be seen.
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    const std::wstring folder = std::wstring(desktop) + L"\\Morvane\\Tarnhold";
    const InstallerRun first =
        RunInstaller(L"/silent:" + folder, 120000, ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE"));
    ASSERT_EQ(first.exitCode, 0) << first.log;
    WizardRun wizard = [] {
        EnvironmentOverride slowUpdater({L"QY_PROBE_WAIT_MS"}, L"12000");
        return StartWizard(ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE"), L"");
    }();
    ASSERT_NE(wizard.window, nullptr);
    // What Init read is what the install uses: a component file changed in the working folder
    // afterwards changes nothing (Wine keeps no ACLs, so the test can still write there).
    const std::wstring component = sys::TempFolder() + L"~QYSetup\\package\\Tarn.config";
    ASSERT_TRUE(FileExists(component));
    ASSERT_TRUE(WriteTextFile(component, "<Component broken"));
    EXPECT_FALSE(Screenshot("wizard-install-start", wizard.window).empty());
    ASSERT_TRUE(Click(wizard.window, rects, L"OptLicence"));
    PumpFor(500);
    EXPECT_FALSE(Screenshot("wizard-install-unticked", wizard.window).empty());
    ASSERT_TRUE(Click(wizard.window, rects, L"OptLicence"));
    // The folder changes only through "自定义": Tab never opens the folder field's editor.
    ::SetForegroundWindow(wizard.window);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(PressKeys("Tab"));
    PumpFor(500);
    EXPECT_EQ(::FindWindowExW(wizard.window, nullptr, L"EDIT", nullptr), nullptr) << "Tab reached the folder";

    // The folder dialog, confirmed with the folder it opens on (the desktop). Wine's dialog takes
    // the tree's selection and not what its edit box holds, so the test does not type a folder.
    ASSERT_TRUE(Click(wizard.window, rects, L"BtnCustom"));
    HWND dialog = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (dialog = FindTopWindow(wizard.processId, {L"#32770"})) != nullptr; }, 10000));
    PumpFor(800);
    EXPECT_FALSE(Screenshot("wizard-install-folder-dialog", dialog).empty());
    std::wstring texts;
    ::EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&texts));
    EXPECT_NE(texts.find(L"请选择安装目录："), std::wstring::npos) << sys::WideToUtf8(texts);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(dialog); }, 5000));
    PumpFor(500);
    EXPECT_FALSE(Screenshot("wizard-install-custom-folder", wizard.window).empty());

    ASSERT_TRUE(Click(wizard.window, rects, L"BtnInstall"));
    PumpFor(1500);
    EXPECT_FALSE(Screenshot("wizard-install-progress", wizard.window).empty());
    // Every way of closing asks while the install runs (its button, Esc, Alt+F4); cancel keeps it.
    for (const char* way : {"BtnInstallClose", "Escape", "alt+F4"}) {
        SCOPED_TRACE(way);
        if (std::string(way) == "BtnInstallClose") {
            ASSERT_TRUE(Click(wizard.window, rects, L"BtnInstallClose"));
        } else {
            ::SetForegroundWindow(wizard.window);
            PumpFor(300);
            ASSERT_TRUE(PressKeys(way));
        }
        HWND box = nullptr;
        const bool asked =
            PumpUntil([&] { return (box = FindTopWindow(wizard.processId, {L"MsgWnd"})) != nullptr; }, 5000);
        EXPECT_TRUE(asked) << "closing during the install asks";
        if (!asked) continue;
        PumpFor(500);
        if (std::string(way) == "Escape") {
            EXPECT_FALSE(Screenshot("wizard-install-confirm-close", wizard.window, box).empty());
        }
        ASSERT_TRUE(Click(box, msg, L"BtnMsgCancel"));
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(box); }, 5000));
        EXPECT_TRUE(::IsWindow(wizard.window));
    }
    ASSERT_TRUE(RunLogContains(wizard, "In_Install, Install complete", 120000));
    EXPECT_TRUE(::IsWindow(wizard.window)) << "cancel kept the window and the install";
    PumpFor(1500);
    EXPECT_FALSE(Screenshot("wizard-install-final", wizard.window).empty());
    EXPECT_EQ(RegText(kProductKey, L"InstallPath"), folder);

    ASSERT_TRUE(Click(wizard.window, rects, L"BtnQuickStart"));
    EXPECT_EQ(WaitForExit(wizard), 0u);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return ReadTextFile(folder + L"\\probe.log").find("start|Tarn.exe|/welcome") != std::string::npos;
        },
        10000))
        << ReadTextFile(folder + L"\\probe.log");
}

// The uninstall survey: with the server down the built-in reasons show; with the server's list
// of eight, six options, and the chosen one with the typed contact is what the server receives.
TEST_F(WizardTest, TheUninstallSurveyPostsTheChosenReason) {
    const std::wstring folder = RegText(kProductKey, L"InstallPath");
    ASSERT_FALSE(folder.empty()) << "needs the interactive install before it";
    const auto net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE")) << "servers not started";
    const std::string update = net.at("QY_NET_UPDATE");
    const auto page = SkinControlRects(L"uninstall.xml", {L"BtnUninst", L"BtnNotUninst", L"BtnCommit",
                                                          L"BtnBye", L"EditNumber", L"VerUninstPage1"});
    ASSERT_EQ(page.size(), 6u);

    // Nobody answers on port 9: the built-in reasons.
    WizardRun offline = StartWizardAsking("http://127.0.0.1:9", folder + L"\\PackageManager.exe", L"/uninstall");
    ASSERT_NE(offline.window, nullptr);
    EXPECT_FALSE(Screenshot("wizard-uninstall-confirm", offline.window).empty());
    ASSERT_TRUE(Click(offline.window, page, L"BtnUninst"));
    PumpFor(2500);
    EXPECT_FALSE(Screenshot("wizard-uninstall-builtin-reasons", offline.window).empty());
    ASSERT_TRUE(Click(offline.window, page, L"BtnNotUninst"));
    EXPECT_EQ(WaitForExit(offline), 0u);
    EXPECT_EQ(RegText(kProductKey, L"InstallPath"), folder) << "not uninstalled";

    ResetStandIn(update);
    nlohmann::json reasons = nlohmann::json::array();
    const char* names[] = {"不好用",   "太占内存", "界面不好看", "流量太大",
                           "自己卸载", "广告太多", "其它软件",   "暂时不用"};
    for (int id = 1; id <= 8; ++id) reasons.push_back({{"id", id}, {"name", names[id - 1]}});
    QueueAnswer(update, "/soft/uninstall/getTypeList",
                {{"code", 0}, {"msg", ""}, {"data", {{"type_list", reasons}}}});
    WizardRun survey = [&] {
        EnvironmentOverride slowStop({L"QY_PROBE_WAIT_MS"}, L"4000");
        return StartWizardAsking(update, folder + L"\\PackageManager.exe", L"/uninstall");
    }();
    ASSERT_NE(survey.window, nullptr);
    ASSERT_TRUE(Click(survey.window, page, L"BtnUninst"));
    PumpFor(1500);
    EXPECT_FALSE(Screenshot("wizard-uninstall-survey", survey.window).empty());
    // The third reason (id 3) lies in the left column's second row of the page.
    const DuiLib::UiRect& first = page.at(L"VerUninstPage1");
    const DuiLib::UiRect third = {first.left + 89, first.top + 99, first.left + 100, first.top + 113};
    ASSERT_TRUE(ClickAt(ScreenPoint(survey.window, third)));
    ASSERT_TRUE(Click(survey.window, page, L"EditNumber"));
    PumpFor(300);
    ASSERT_TRUE(TypeText("12345"));
    PumpFor(300);
    EXPECT_FALSE(Screenshot("wizard-uninstall-survey-answered", survey.window).empty());
    ASSERT_TRUE(Click(survey.window, page, L"BtnCommit"));
    // The uninstall is not stopped half way: Alt+F4 during it (its rules wait) does nothing.
    ASSERT_TRUE(RunLogContains(survey, "When: OnStopApp", 20000));
    ::SetForegroundWindow(survey.window);
    ASSERT_TRUE(PressKeys("alt+F4"));
    PumpFor(1500);
    EXPECT_TRUE(::IsWindow(survey.window)) << "closed while the uninstall ran";
    ASSERT_TRUE(RunLogContains(survey, "InstallProc, Run success", 120000));
    ASSERT_TRUE(PumpUntil([&] { return RegText(kProductKey, L"InstallPath").empty(); }, 120000));
    PumpFor(1500);
    EXPECT_FALSE(Screenshot("wizard-uninstall-farewell", survey.window).empty());
    ASSERT_TRUE(Click(survey.window, page, L"BtnBye"));
    EXPECT_EQ(WaitForExit(survey), 0u);

    std::string body;
    for (const auto& request : RecordedRequests(update)) {
        if (request.value("path", "") == "/soft/uninstall/confirmForm") body = request.value("body", "");
    }
    EXPECT_NE(body.find("{\"content\":\"\",\"mobile\":\"12345\",\"type\":3}"), std::string::npos) << body;
}

// The interactive web install: the download's progress, size and speed on screen while nginx
// serves the announced installer slowly, then the downloaded installer's own wizard opened by the
// shell, which installs the product; the web window stays on its download page until it is closed.
TEST_F(WizardTest, AWebInstallShowsItsDownloadThenTheDownloadedWizardInstalls) {
    const auto net = NetEnv();
    ASSERT_TRUE(net.count("QY_NET_UPDATE") && net.count("QY_NET_HTTPS")) << "servers not started";
    const std::wstring sample = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::string bytes = ReadTextFile(sample);
    ASSERT_TRUE(::CopyFileW(sample.c_str(),
                            HostPathToWindows(net.at("QY_NET_FILES") + "/QuillySetup.exe").c_str(), FALSE));
    ResetStandIn(net.at("QY_NET_UPDATE"));
    QueueAnswer(net.at("QY_NET_UPDATE"), "/soft/update/search",
                {{"code", 0},
                 {"data",
                  {{"version", "16.2"},
                   {"blockurl",
                    {{{"ver_range", "16.2-16.2"},
                      {"url", net.at("QY_NET_HTTPS") + "/crawl/QuillySetup.exe"},
                      {"md5", Md5::Hex(*Md5::Of(bytes.data(), bytes.size()))},
                      {"size", bytes.size()},
                      {"fileName", "QuillySetup.exe"}}}}}}});
    WinTestFolder downloads;
    const std::wstring web = downloads.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(sample.c_str(), web.c_str(), FALSE));
    const auto rects = SkinControlRects(L"webinstall.xml", {L"BtnWebInstallClose"});
    const auto install = SkinControlRects(L"install.xml", {L"BtnInstall", L"BtnInstallClose"});
    ASSERT_EQ(rects.size() + install.size(), 3u);

    // (A bare "/webinstall" names no folder and is refused.)
    WizardRun wizard =
        StartWizardAsking(net.at("QY_NET_UPDATE"), web, L"/webinstall:" + downloads.path() + L"\\Tarnhold");
    ASSERT_NE(wizard.window, nullptr);
    // At a megabyte a second the six megabytes take some seconds: the page shows them coming.
    ASSERT_TRUE(RunLogContains(wizard, "GetDownloadUrl", 20000));
    PumpFor(2500);
    EXPECT_FALSE(Screenshot("wizard-webinstall-download", wizard.window).empty());

    HWND opened = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (opened = FindTopWindow(0, {L"InstallWnd"})) != nullptr; }, 60000))
        << "the shell opened the downloaded installer";
    EXPECT_TRUE(ReadTextFile(sys::TempFolder() + L"~QYDownload\\QuillySetup.exe") == bytes);
    PumpFor(1500);
    EXPECT_FALSE(Screenshot("wizard-webinstall-handed-over", opened).empty());
    EXPECT_TRUE(::IsWindow(wizard.window)) << "the web window stays on its download page";

    // The user installs with the downloaded wizard and closes the web window.
    ASSERT_TRUE(Click(opened, install, L"BtnInstall"));
    const std::wstring folder = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
    EXPECT_TRUE(PumpUntil([&] { return RegText(kProductKey, L"InstallPath") == folder; }, 120000))
        << "the downloaded wizard installed the product";
    PumpFor(2000);
    EXPECT_FALSE(Screenshot("wizard-webinstall-installed", opened).empty());
    ASSERT_TRUE(Click(opened, install, L"BtnInstallClose"));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(opened); }, 10000));
    // Started in the download folder, not inside the working folder both installers use, the
    // downloaded installer removes that folder when it ends.
    EXPECT_TRUE(PumpUntil([&] { return !sys::PathExists(sys::TempFolder() + L"~QYSetup"); }, 10000))
        << "the working folder stayed";
    ASSERT_TRUE(Click(wizard.window, rects, L"BtnWebInstallClose"));
    EXPECT_EQ(WaitForExit(wizard), 0u);
    const InstallerRun uninstall = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.log;
}

// A web installer the user started without switches (its product file says "web", so Init makes
// the run a web install): its failure page stays until the user closes the window.
TEST_F(WizardTest, AWebInstallerAUserStartedStaysOnItsFailurePage) {
    WinTestFolder dir;
    const std::wstring packed = PackSampleVariant(dir.path(), ExecutableFromEnvironment("QY_SKIN_ARCHIVE"), [](const std::wstring& setup) {
        const std::wstring product = setup + L"\\package\\Product.config";
        std::string text = ReadTextFile(product);
        const size_t type = text.find("type=\"offline\"");
        if (type != std::string::npos) text.replace(type, 14, "type=\"web\"");
        WriteTextFile(product, text);
    });
    ASSERT_FALSE(packed.empty());
    const std::wstring web = dir.path() + L"\\Quilly#web#2.exe";
    ASSERT_TRUE(::CopyFileW(packed.c_str(), web.c_str(), FALSE));
    const auto rects = SkinControlRects(L"webinstall.xml", {L"BtnWebInstallClose"});
    ASSERT_EQ(rects.size(), 1u);
    // Nothing listens on the discard port: the search fails at once.
    WizardRun wizard = StartWizardAsking("http://localhost:9", web, L"");
    ASSERT_NE(wizard.window, nullptr);
    ASSERT_TRUE(RunLogContains(wizard, "In_WebInstall, GetDownloadUrl fail", 30000));
    PumpFor(2000);
    EXPECT_TRUE(::IsWindow(wizard.window)) << "the window a user opened stays on its failure";
    EXPECT_FALSE(Screenshot("wizard-webinstall-failed", wizard.window).empty());
    ASSERT_TRUE(Click(wizard.window, rects, L"BtnWebInstallClose"));
    EXPECT_EQ(WaitForExit(wizard), 0u);
}

// A confirmed close during the install stops it: the process waits for its worker, ends with
// 1602, and a second run completes the product.
TEST_F(WizardTest, AConfirmedCloseStopsTheInstallAndASecondRunRepairsIt) {
    const auto rects = SkinControlRects(L"install.xml", {L"BtnInstall"});
    const auto msg = SkinControlRects(L"msg.xml", {L"BtnMsgOK"});
    ASSERT_EQ(rects.size() + msg.size(), 2u);
    const std::wstring installer = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::wstring folder = L"C:\\QuillyClosed";
    ASSERT_EQ(RunInstaller(L"/silent:" + folder, 120000, installer).exitCode, 0);
    WizardRun wizard = [&] {
        EnvironmentOverride slowUpdater({L"QY_PROBE_WAIT_MS"}, L"8000");
        return StartWizard(installer, L"/install:" + folder);
    }();
    ASSERT_NE(wizard.window, nullptr);
    ASSERT_TRUE(Click(wizard.window, rects, L"BtnInstall"));
    ASSERT_TRUE(RunLogContains(wizard, "When: BeforeCopy", 20000));
    ::SetForegroundWindow(wizard.window);
    ASSERT_TRUE(PressKeys("Escape"));
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindTopWindow(wizard.processId, {L"MsgWnd"})) != nullptr; }, 5000));
    PumpFor(500);
    ASSERT_TRUE(Click(box, msg, L"BtnMsgOK"));
    EXPECT_EQ(WaitForExit(wizard), 1602u);
    const std::string log = ReadTextFile(FindRunLog(wizard.processId, wizard.started));
    EXPECT_NE(log.find("In_Install, cancelled by the user"), std::string::npos) << log;
    EXPECT_LT(log.find("InstallProc, Run fail, nret -10"), log.find("wWinmain, the run was closed before it completed"))
        << "the process waited for its worker";
    const InstallerRun repair = RunInstaller(L"/silent:" + folder, 120000, installer);
    EXPECT_EQ(repair.exitCode, 0) << repair.log;
    EXPECT_EQ(RegText(kProductKey, L"InstallPath"), folder);
    EXPECT_EQ(RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe").exitCode, 0);
}

// The folder given on the command line reaches the install whole, however long the field: a
// 300-character one is refused by the extraction (too long for the package reader) by its full name.
TEST_F(WizardTest, ALongCommandLineFolderArrivesWhole) {
    std::wstring folder = L"C:\\QuillyLong";
    while (folder.size() < 300) folder += L"\\" + std::wstring(40, L'x');
    const auto rects = SkinControlRects(L"install.xml", {L"BtnInstall"});
    ASSERT_EQ(rects.size(), 1u);
    WizardRun wizard = StartWizard(ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE"), L"/install:" + folder);
    ASSERT_NE(wizard.window, nullptr);
    ASSERT_TRUE(Click(wizard.window, rects, L"BtnInstall"));
    EXPECT_TRUE(RunLogContains(wizard, "target folder too long " + sys::WideToUtf8(folder) + "\\~QYSetup", 30000));
    ::PostMessageW(wizard.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(wizard), 0u);
    sys::DeleteFolder(L"C:\\QuillyLong", {});
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);  // only the record of the folder it made
}
