// Component registration through the engine with the sample product's real COM servers: the
// classes appear in the registry and work, and go again; the 64-bit helper; the failure lines.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "TarnShell.h"
#include "WinTestSupport.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

const wchar_t kShellClass[] = L"HKLM\\Software\\Classes\\CLSID\\{73FB7454-0B7D-4845-B3EB-02355A6E48B7}";
const wchar_t kAgentClass[] = L"HKLM\\Software\\Classes\\CLSID\\{1629E7BB-ADEC-405C-BD7C-3F35AB09B3BD}";

// What an administrator sees: the key with its values, lower-cased; empty when there is none.
std::string Registered(const std::wstring& key) {
    DWORD code = 0;
    std::string shown = RunAndCapture(L"reg.exe query \"" + key + L"\" /s", &code);
    if (code != 0) return std::string();
    std::transform(shown.begin(), shown.end(), shown.begin(), [](unsigned char c) { return std::tolower(c); });
    return shown;
}

std::string Lower(const std::wstring& text) {
    std::string out = sys::WideToUtf8(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

ModuleItem Module(const char* path, bool disabled = false) {
    ModuleItem module;
    if (*path) module.attrs.Set("path", path);
    module.disabled = disabled;
    return module;
}

RunRuleItem DllCallRule(const char* when, const char* function) {
    RunRuleItem rule;
    rule.attrs.Set("when", when);
    rule.attrs.Set("executable", "TarnCore.dll");
    rule.attrs.Set("args", function);
    rule.attrs.Set("cmd", "DLLCALL");
    return rule;
}

class ComponentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartRunLog(); }
    void SetUp() override {
        const char* program = std::getenv("QY_SAMPLE_PROGRAM_DIR");
        const char* helper = std::getenv("QY_DLLREGX64_EXE");
        const char* failing = std::getenv("QY_FAILING_SERVER_DLL");
        ASSERT_TRUE(program && helper && failing) << "QY_SAMPLE_PROGRAM_DIR, QY_DLLREGX64_EXE, QY_FAILING_SERVER_DLL";
        const std::wstring sample = HostPathToWindows(program);
        // A root with a blank, as "C:\Program Files (x86)\..." has one.
        m_root = folder.path() + L"\\Program Files\\Tarn";
        ASSERT_EQ(sys::CreateFolderTree(m_root + L"\\Setup"), 0);
        const std::pair<std::wstring, std::wstring> files[] = {
            {sample + L"\\bin\\TarnShell64.dll", L"TarnShell.dll"}, {sample + L"\\bin\\TarnShell32.dll", L"TarnShell32.dll"},
            {sample + L"\\TarnAgent.exe", L"TarnAgent.exe"},       {sample + L"\\TarnCore.dll", L"TarnCore.dll"},
            {HostPathToWindows(failing), L"Failing.dll"},          {HostPathToWindows(helper), L"Setup\\DllRegX64.exe"}};
        for (const auto& file : files) ASSERT_TRUE(::CopyFileW(file.first.c_str(), (m_root + L"\\" + file.second).c_str(), FALSE));
        engine.m_NewProduct.m_WorkDir = m_root;
        engine.m_OldProduct.m_WorkDir = m_root;
        ASSERT_EQ(engine.m_SystemArch, L"x64");
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kShellClass + 5);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAgentClass + 5);
    }
    std::string Path(const wchar_t* name) const { return sys::WideToUtf8(m_root + L"\\" + name); }
    std::wstring Helper() const { return RegistrationHelper(m_root); }

    WinTestFolder folder;
    std::wstring m_root;
    CUpdateEngEx engine;
};

}  // namespace

TEST_F(ComponentTest, SampleServersAreRegisteredThenUnregisteredForReal) {
    // The 64-bit DLL goes through the helper, the executable (suffix in capitals) runs with
    // /regserver; a disabled module is left alone.
    engine.m_AddSet.m_Modules = {Module("TarnShell.dll"), Module("TarnAgent.EXE", true)};
    EXPECT_EQ(engine.InstallDlls(), 0);
    const std::string shell = Registered(kShellClass);
    EXPECT_NE(shell.find("inprocserver32"), std::string::npos) << shell;
    EXPECT_NE(shell.find(Lower(m_root + L"\\TarnShell.dll")), std::string::npos) << shell;
    EXPECT_NE(shell.find("apartment"), std::string::npos) << shell;
    EXPECT_EQ(Registered(kAgentClass), "") << "a disabled module is not registered";

    // The class the helper registered works: COM loads the server from the installed file.
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ITarnShell* object = nullptr;
    ASSERT_EQ(::CoCreateInstance(CLSID_TarnShell, nullptr, CLSCTX_INPROC_SERVER, IID_ITarnShell, reinterpret_cast<void**>(&object)),
              S_OK);
    int bits = 0;
    EXPECT_EQ(object->Bits(&bits), S_OK);
    EXPECT_EQ(bits, 64);
    object->Release();
    ::CoUninitialize();

    engine.m_AddSet.m_Modules = {Module("TarnAgent.EXE")};
    EXPECT_EQ(engine.InstallDlls(), 0);
    const std::string agent = Registered(kAgentClass);
    EXPECT_NE(agent.find("localserver32"), std::string::npos) << agent;
    EXPECT_NE(agent.find(Lower(m_root + L"\\TarnAgent")), std::string::npos) << agent;

    engine.m_DeleteSet.m_Modules = {Module("TarnShell.dll"), Module("TarnAgent.exe")};
    EXPECT_EQ(engine.UninstallDlls(), 0);
    EXPECT_EQ(Registered(kShellClass), "");
    EXPECT_EQ(Registered(kAgentClass), "");
}

TEST_F(ComponentTest, FailuresAreLoggedAndTheNextComponentIsStillRegistered) {
    // As on 32-bit Windows, where no DLL goes to the helper: each DLL is loaded here.
    engine.m_SystemArch = L"x86";
    engine.m_AddSet.m_Modules = {Module("TarnShell32.dll"),       Module("TarnCore.dll"),
                                 Module("Failing.dll"),           Module(""),
                                 Module("..\\Tarn\\Failing.dll"), Module("TarnShell.dll")};
    EXPECT_EQ(engine.InstallDlls(), 0);
    // A 32-bit DLL cannot be loaded into this 64-bit process: ERROR_BAD_EXE_FORMAT (193).
    EXPECT_TRUE(LogContains("InstallDlls, RegComponent failed, LoadLibraryEx err: c1, DllPath: " + Path(L"TarnShell32.dll") + " | "));
    EXPECT_TRUE(LogContains("InstallDlls, RegComponent failed, GetProcAddress failed, DllPath: " + Path(L"TarnCore.dll") + " | "));
    EXPECT_TRUE(LogContains("InstallDlls, RegComponent failed, DllRegisterServer ret: 80004005, DllPath: " + Path(L"Failing.dll") + " | "));
    EXPECT_TRUE(LogContains("InstallDlls, module without path skipped | "));
    EXPECT_TRUE(LogContains(
        "InstallDlls, refused a module whose path leaves the install folder, Path:..\\Tarn\\Failing.dll | "));
    EXPECT_FALSE(LogContains("DllPath: " + Path(L"..\\Tarn\\Failing.dll"))) << "the module was registered";
    EXPECT_NE(Registered(kShellClass).find(Lower(m_root + L"\\TarnShell.dll")), std::string::npos) << "registered in this process";

    engine.m_DeleteSet.m_Modules = {Module("Failing.dll"), Module("TarnShell32.dll"), Module("TarnShell.dll")};
    EXPECT_EQ(engine.UninstallDlls(), 0);
    EXPECT_TRUE(LogContains("LOG_FATAL UninstallDlls, UnregComponent failed, iRet: -2147467259, DllPath: " + Path(L"Failing.dll") + " | "));
    EXPECT_TRUE(LogContains("LOG_FATAL UninstallDlls, UnregComponent failed, iRet: 193, DllPath: " + Path(L"TarnShell32.dll") + " | "));
    EXPECT_EQ(Registered(kShellClass), "");

    // On x64 a missing helper fails to start, silently.
    engine.m_SystemArch = L"x64";
    ASSERT_TRUE(::DeleteFileW(Helper().c_str()));
    EXPECT_EQ(engine.RegComponent(m_root + L"\\TarnShell.dll", Helper()), 0);
    EXPECT_EQ(Registered(kShellClass), "");
}

TEST_F(ComponentTest, TheHelperAnswersWithItsExitCodeAndOneLine) {
    const std::wstring helper = L"\"" + Helper() + L"\" ";
    DWORD code = 0;
    EXPECT_NE(RunAndCapture(helper + L"/r", &code).find("usage"), std::string::npos);
    EXPECT_EQ(code, 1u);
    const std::pair<std::wstring, std::pair<DWORD, std::string>> cases[] = {
        {L"/r \"" + m_root + L"\\TarnCore.dll\"", {3, "has no export DllRegisterServer"}},
        {L"/u \"" + m_root + L"\\Failing.dll\"", {4, "unregistration of \"" + Path(L"Failing.dll") + "\" failed: 0x80004005"}},
        {L"/r \"" + m_root + L"\\TarnShell32.dll\"", {2, "error 193"}},
        {L"/c \"" + m_root + L"\\TarnCore.dll\" NoSuchFunction", {3, "has no export NoSuchFunction"}},
        {L"/r \"" + m_root + L"\\TarnShell.dll\"", {0, ""}}};
    for (const auto& each : cases) {
        const std::string shown = RunAndCapture(helper + each.first, &code);
        EXPECT_EQ(code, each.second.first) << sys::WideToUtf8(each.first);
        EXPECT_NE(shown.find(each.second.second), std::string::npos) << shown;
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), each.second.first ? 1 : 0) << shown;
    }
    EXPECT_NE(Registered(kShellClass), "");
}

TEST_F(ComponentTest, DllCallRulesReachThe64BitDllThroughTheHelper) {
    const auto coreValue = [] {
        DWORD code = 0;
        const std::string shown = RunAndCapture(L"reg.exe query \"HKCU\\Software\\QuillyTarn\" /v CoreRegistered", &code);
        return code == 0 ? shown : std::string();
    };
    engine.m_AddSet.m_RunRules = {DllCallRule("OnRegister", "TarnRegister")};
    engine.DoRunruleInAddList("OnRegister");
    EXPECT_NE(Lower(sys::Utf8ToWide(coreValue())).find(Lower(m_root + L"\\TarnCore.dll")), std::string::npos);
    EXPECT_TRUE(LogContains("DLLCALL, When: OnRegister, ExecPath:" + Path(L"TarnCore.dll") + ", ExecArgs:TarnRegister "));

    engine.m_DeleteSet.m_RunRules = {DllCallRule("OnUnregister", "TarnUnregister")};
    engine.DoRunruleInDeleteList("OnUnregister");
    EXPECT_EQ(coreValue(), "");

    // Without the helper nothing happens.
    ASSERT_TRUE(::DeleteFileW(Helper().c_str()));
    engine.DoRunruleInAddList("OnRegister");
    EXPECT_EQ(coreValue(), "");
}
