// The installer as a hostile or unlucky machine starts it: a second run while one runs, a
// working folder planted as a link, and what the executable says about itself (manifest,
// version) to the system that starts it.
#include <gtest/gtest.h>

#include <windows.h>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "driver/RunLock.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

// Sets TMP and TEMP of this process (and so of the installers it starts) for one scope.
// Lets the window be shown before the second start looks for it.
void PumpMessages(int milliseconds = 300) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

}  // namespace

TEST(OneRunAtATime, ASecondStartTouchesNothingShowsTheFirstAndEnds1618) {
    // This process plays the running installer: it holds the lock and shows a window.
    CRunLock first;
    ASSERT_TRUE(first.Acquire());
    HWND running = ::CreateWindowExW(0, L"STATIC", L"running installer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                     300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(running);
    PumpMessages();
    const std::wstring work = sys::TempFolder() + L"~QYSetup";
    ASSERT_EQ(sys::CreateFolderTree(work), 0);
    ASSERT_TRUE(WriteTextFile(work + L"\\in-use.txt", "the first run's file"));

    for (const wchar_t* arguments : {L"/silent", L"", L"/webinstall:C:\\QuillyWeb"}) {
        SCOPED_TRACE(sys::WideToUtf8(arguments));
        InstallerRun second = RunInstaller(arguments);
        ASSERT_TRUE(second.started);
        EXPECT_EQ(second.exitCode, 1618);
        EXPECT_TRUE(second.boxes.empty());
        EXPECT_TRUE(FileExists(work + L"\\in-use.txt")) << "the working folder was recreated";
        // Found by its process and activated. Wine 8 reports the activation as done but keeps the
        // foreground where it was once the second process has ended (Windows moves it), so the
        // line is what is checked here.
        EXPECT_NE(second.log.find("Init, another installation is already in progress, mode "), std::string::npos)
            << second.log;
        EXPECT_NE(second.log.find(", its window brought to the front"), std::string::npos) << second.log;
        EXPECT_EQ(second.log.find("CreateTempInstallDir"), std::string::npos);
    }
    first.Release();
    InstallerRun after = RunInstaller(L"/silent");
    EXPECT_NE(after.exitCode, 1618);
    EXPECT_FALSE(FileExists(work + L"\\in-use.txt")) << "once the first run ends, the next one proceeds";
    ::DestroyWindow(running);
}

TEST(PlantedWorkingFolder, ALinkUnderTheFixedNameIsRefused) {
    // plant_links.sh made C:\qylinks\temp\~QYSetup a link to C:\qylinks\target.
    ASSERT_TRUE(sys::IsLink(L"C:\\qylinks\\temp\\~QYSetup")) << "links not planted";
    const std::wstring installer = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    ASSERT_FALSE(installer.empty());
    TempFolderOverride temp(L"C:\\qylinks\\temp");
    InstallerRun run = RunInstaller(L"/silent", 60000, installer);
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.log.find("Init, CreateTempInstallDir failed 183"), std::string::npos) << run.log;
    EXPECT_EQ(ReadTextFile(L"C:\\qylinks\\target\\canary.txt"), "canary\n");
    EXPECT_FALSE(FileExists(L"C:\\qylinks\\target\\_setup.ini")) << "setup files went through the link";
}

TEST(ExecutableIdentity, ManifestAndVersionAsTheSystemReadsThem) {
    const std::wstring exe = InstallerPath();
    ASSERT_FALSE(exe.empty());
    DWORD ignored = 0;
    std::vector<BYTE> version(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!::VerQueryValueW(version.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Quilly");
    EXPECT_EQ(text(L"CompanyName"), L"Morvane");
    EXPECT_EQ(text(L"FileDescription"), L"Quilly Setup");
    EXPECT_EQ(text(L"FileVersion"), text(L"ProductVersion"));
    EXPECT_FALSE(text(L"FileVersion").empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    HMODULE image = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(image);
    EXPECT_TRUE(::FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON)) << "no icon";
    HRSRC found = ::FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_TRUE(found);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(image, found)));
    const std::string manifest(bytes, ::SizeofResource(image, found));
    ::FreeLibrary(image);
    for (const char* expected :
         {"level=\"requireAdministrator\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "PerMonitorV2", "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true"}) {
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
    }
}

TEST(PlantedDll, ADllBesideTheInstallerIsNeverLoaded) {
    const std::wstring installer = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::wstring planted = ExecutableFromEnvironment("QY_PLANTED_DLL");
    ASSERT_FALSE(installer.empty());
    ASSERT_FALSE(planted.empty());
    WinTestFolder downloads;
    const std::wstring copy = downloads.path() + L"\\QuillySetup.exe";
    ASSERT_TRUE(::CopyFileW(installer.c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(planted.c_str(), (downloads.path() + L"\\bcrypt.dll").c_str(), FALSE));
    // Windows resolves a DLL that is not a known DLL from the program's folder first; the e2e run
    // makes Wine do the same for bcrypt.dll (see CMakeLists.txt), and there an installer that
    // imported bcrypt.dll loads the planted one.
    InstallerRun run = RunInstaller(L"", 60000, copy);  // Init verifies the packages in every mode
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(FileExists(downloads.path() + L"\\planted-dll-loaded.txt")) << "the planted DLL was loaded";
    // The packages were verified with the system's MD5.
    EXPECT_EQ(run.log.find("Md5,"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("Pkg Tail verify failed"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("Init, OpePARAMEx::CMD_INSTALL ExtractAllSetupFiles success"), std::string::npos) << run.log;
}
