// The packed sample installer: during start-up it verifies its packages and unpacks the setup
// package into the working folder, signed or not.
#include <gtest/gtest.h>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

void ExpectSetupPackageExtracted(const InstallerRun& run) {
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.wizards, std::vector<std::wstring>{L"InstallWnd"});  // shown, then closed by the user
    const std::wstring work = sys::TempFolder() + L"~QYSetup\\";
    for (const wchar_t* file :
         {L"_setup.ini", L"package\\Product.config", L"package\\Tarn.config", L"package\\setup.config",
          L"PackageManager.exe", L"Setup\\DllRegX64.exe", L"Setup\\PackageManager.zip"}) {
        EXPECT_TRUE(FileExists(work + file)) << sys::WideToUtf8(file);
    }
    EXPECT_EQ(run.log.find("Init, Test ExtractAllSetupFiles fail"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("Init, OpePARAMEx::CMD_INSTALL ExtractAllSetupFiles success"), std::string::npos);
    EXPECT_NE(
        run.log.find("GetProductConfigInfo, ParseProductConfig complete, m_ProductConfigPath Product.config"),
        std::string::npos)
        << run.log;
}

}  // namespace

TEST(PackagedStartup, TheSampleInstallerUnpacksItsSetupPackage) {
    const std::wstring installer = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    ASSERT_FALSE(installer.empty()) << "QY_SAMPLE_INSTALLER_EXE not set";
    InstallerRun run = RunInstaller(L"", 60000, installer, Wizard::Close);
    ExpectSetupPackageExtracted(run);
    EXPECT_EQ(run.log.find("Pkg Head verify failed"), std::string::npos)
        << "nothing follows the last package";
}

TEST(PackagedStartup, ASignedInstallerStillUnpacksAndStopsAtTheCertificate) {
    const std::wstring installer = ExecutableFromEnvironment("QY_SIGNED_INSTALLER_EXE");
    ASSERT_FALSE(installer.empty()) << "QY_SIGNED_INSTALLER_EXE not set";
    InstallerRun run = RunInstaller(L"", 60000, installer, Wizard::Close);
    ExpectSetupPackageExtracted(run);
    EXPECT_NE(run.log.find("Pkg Head verify failed | nret 255 SetupPkg:"), std::string::npos) << run.log;
}

TEST(PackagedStartup, TheBareStubReportsTheMissingSetupPackage) {
    InstallerRun run = RunInstaller(L"/silent");
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_NE(run.log.find("Init, Test ExtractAllSetupFiles fail, nret -1"), std::string::npos) << run.log;
}
