// The sample product installed and uninstalled by the real installer from its command line, and
// checked as a user or an administrator would: files, the registry read by reg.exe, shortcuts,
// COM classes, the run rules' traces, the log, and what is left afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "interface/Maker/ZipMemory.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

const wchar_t kDefaultFolder[] = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
const wchar_t kUninstallKey[] = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilly";
const wchar_t kProductKey[] = L"HKLM\\Software\\QuillyTarn";
const wchar_t kShellClass[] = L"HKLM\\Software\\Classes\\CLSID\\{73FB7454-0B7D-4845-B3EB-02355A6E48B7}";
const wchar_t kAgentClass[] = L"HKLM\\Software\\Classes\\CLSID\\{1629E7BB-ADEC-405C-BD7C-3F35AB09B3BD}";

// reg.exe's view of a key (with /v, of one value); empty when it reports none.
std::string Query(const std::wstring& key, const std::wstring& value = L"") {
    DWORD code = 0;
    std::string shown =
        RunAndCapture(L"reg.exe query \"" + key + L"\"" + (value.empty() ? L" /s" : L" /v " + value), &code);
    return code == 0 ? shown : std::string();
}

// The data reg.exe shows for one value.
std::string ValueOf(const std::wstring& key, const std::wstring& value) {
    const std::string shown = Query(key, value);
    for (const char* type : {"REG_SZ", "REG_DWORD"}) {
        const size_t at = shown.find(type);
        if (at == std::string::npos) continue;
        size_t start = shown.find_first_not_of(' ', at + std::string(type).size());
        size_t end = shown.find_first_of("\r\n", start);
        return shown.substr(start, end - start);
    }
    return std::string();
}

std::wstring Programs() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, path);
    return path;
}
std::wstring Desktop() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
    return path;
}

std::wstring SampleInstaller() {
    return ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
}

// Files as the sample's component files place them.
const std::vector<std::wstring>& InstalledFiles() {
    static const std::vector<std::wstring> files = {L"Tarn.exe",
                                                    L"TarnUpdate.exe",
                                                    L"TarnAgent.exe",
                                                    L"TarnCore.dll",
                                                    L"TarnShell.dll",
                                                    L"TarnModern.dll",
                                                    L"Tarn.ini",
                                                    L"Tarn.url",
                                                    L"drivers\\tarnflt.sys",
                                                    L"PackageManager.exe",
                                                    L"Setup\\DllRegX64.exe",
                                                    L"Setup\\PackageManager.zip",
                                                    L"package\\Product.config",
                                                    L"package\\Tarn.config",
                                                    L"package\\setup.config",
                                                    L"package\\productlist.ini"};
    return files;
}

// Waits (bounded) until the file is gone: the self-deletion runs after the process has ended.
bool GoneWithin(const std::wstring& path, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (!FileExists(path)) return true;
        ::Sleep(100);
    }
    return !FileExists(path);
}

// The silent uninstall by the copy installed in folder, waited for until that copy is gone.
void Uninstall(const std::wstring& folder) {
    InstallerRun run = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_TRUE(GoneWithin(folder + L"\\PackageManager.exe", 20000));
    // Nothing the uninstall started still holds the Setup folder (only the running package
    // manager keeps the install folder until it has deleted itself).
    EXPECT_EQ(run.log.find("\\Setup now, err"), std::string::npos) << run.log;
}

// The folder the sample's program files were built into.
std::wstring SampleProgramFolder() {
    const std::wstring setup = ExecutableFromEnvironment("QY_SAMPLE_SETUP_DIR");
    return setup.substr(0, setup.rfind(L'\\')) + L"\\program";
}

int64_t WriteTimeMs(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                 data.ftLastWriteTime.dwLowDateTime) / 10000);
}

size_t Count(const std::string& log, const std::string& text) {
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

size_t Position(const std::string& log, const std::string& text) {
    return log.find(text);
}

void ExpectInstalled(const std::wstring& folder) {
    for (const std::wstring& file : InstalledFiles())
        EXPECT_TRUE(FileExists(folder + L"\\" + file)) << sys::WideToUtf8(file);
    EXPECT_FALSE(FileExists(folder + L"\\TarnLegacy.dll"))
        << "the legacy renderer is for Windows up to Vista";
    EXPECT_FALSE(FileExists(folder + L"\\~QYSetup")) << "the staging folder is removed";
    EXPECT_FALSE(FileExists(sys::TempFolder() + L"~QYSetup")) << "the working folder is removed";
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), folder);
}

}  // namespace

TEST(SampleInstall, SilentInstallUpdateAndUninstallAsAUserSeesThem) {
    ASSERT_FALSE(SampleInstaller().empty()) << "QY_SAMPLE_INSTALLER_EXE not set";
    ASSERT_EQ(Query(kProductKey), "") << "the prefix starts without the product";
    const std::wstring folder = kDefaultFolder;

    // A fresh install.
    const std::string pendingBefore = QueryPendingFileOperations();
    InstallerRun run = RunInstaller(L"/silent", 120000, SampleInstaller());
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_TRUE(run.boxes.empty());
    ExpectInstalled(folder);
    // The time the record states, stamped from the built file, on the file as placed.
    // (Whole seconds: the install sets the time through the C library's seconds.)
    EXPECT_EQ(WriteTimeMs(folder + L"\\Tarn.exe"), WriteTimeMs(SampleProgramFolder() + L"\\Tarn.exe") / 1000 * 1000);
    EXPECT_NE(ReadTextFile(folder + L"\\package\\productlist.ini").find("Product.config"), std::string::npos);
    EXPECT_EQ(QueryPendingFileOperations(), pendingBefore) << "nothing left for a restart";

    // The uninstall entry and the product's values.
    EXPECT_EQ(ValueOf(kUninstallKey, L"DisplayName"), "Quilly");
    EXPECT_EQ(ValueOf(kUninstallKey, L"DisplayVersion"), "16.2.181222");
    EXPECT_EQ(ValueOf(kUninstallKey, L"Publisher"), "Morvane");
    EXPECT_EQ(ValueOf(kUninstallKey, L"UninstallString"),
              "\"" + sys::WideToUtf8(folder) + "\\PackageManager.exe\" /uninstall");
    EXPECT_EQ(ValueOf(kUninstallKey, L"DisplayIcon"), sys::WideToUtf8(folder) + "\\PackageManager.exe");
    EXPECT_EQ(ValueOf(kUninstallKey, L"InstallDate").size(), 8u);
    EXPECT_EQ(ValueOf(kProductKey, L"Channel"), "Release");
    EXPECT_EQ(ValueOf(kProductKey, L"AutoUpdate"), "0x1");
    EXPECT_EQ(ValueOf(L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"TarnTray"), "")
        << "Run key only with its flag";
    EXPECT_EQ(ValueOf(L"HKCU\\Software\\QuillyTarn", L"FirstRun"), "0x1");

    // Shortcuts, COM classes and the run rules' traces.
    EXPECT_TRUE(FileExists(Desktop() + L"\\Quilly Tarn.lnk"));
    EXPECT_TRUE(FileExists(Programs() + L"\\Quilly Tarn\\Quilly Tarn.lnk"));
    EXPECT_TRUE(FileExists(Programs() + L"\\Quilly Tarn\\Uninstall Quilly Tarn.lnk"));
    // Kept for the e2e.shortcuts step, which reads them with lnkinfo.
    sys::CreateFolderTree(L"C:\\qy-e2e-links");
    for (const wchar_t* name : {L"Quilly Tarn.lnk", L"Uninstall Quilly Tarn.lnk"}) {
        ::CopyFileW((Programs() + L"\\Quilly Tarn\\" + name).c_str(),
                    (std::wstring(L"C:\\qy-e2e-links\\") + name).c_str(), FALSE);
    }
    ::CopyFileW((Desktop() + L"\\Quilly Tarn.lnk").c_str(), L"C:\\qy-e2e-links\\Desktop Quilly Tarn.lnk",
                FALSE);
    EXPECT_NE(Query(kShellClass).find(sys::WideToUtf8(folder) + "\\TarnShell.dll"), std::string::npos)
        << Query(kShellClass);
    EXPECT_NE(Query(kAgentClass).find("LocalServer32"), std::string::npos);
    EXPECT_NE(ValueOf(L"HKCU\\Software\\QuillyTarn", L"CoreRegistered").find("TarnCore.dll"),
              std::string::npos);
    EXPECT_NE(ReadTextFile(folder + L"\\probe.log").find("start|TarnUpdate.exe|/migrate"), std::string::npos);
    const std::string& log = run.log;
    for (const char* line : {"In_Install, CheckProductDifference complete, DeletefileSize 0",
                             "DoRunruleInAddList, When BeforeCopy", "CopyAllConfigFiles, UpdateFile",
                             "DoRunruleInAddList, When AfterCopy", "DoRunruleInAddList, When OnRegister",
                             "InstallDlls, RegComponent", "In_Install, CreateUninstallRegInfo complete",
                             "In_Install, Install complete", "DoRunruleInAddList, When OnRestartApp"}) {
        EXPECT_NE(Position(log, line), std::string::npos) << line;
    }
    EXPECT_LT(Position(log, "When BeforeCopy"), Position(log, "When AfterCopy"));
    EXPECT_LT(Position(log, "When OnRegister"), Position(log, "InstallDlls, RegComponent"));
    EXPECT_LT(Position(log, "CreateUninstallRegInfo complete"), Position(log, "Install complete"));

    // Installed again over it: a removed and an altered file are repaired, the list is kept.
    const std::string list = ReadTextFile(folder + L"\\package\\productlist.ini");
    const std::string modern = ReadTextFile(folder + L"\\TarnModern.dll");
    ASSERT_TRUE(::DeleteFileW((folder + L"\\TarnCore.dll").c_str()));
    ASSERT_TRUE(WriteTextFile(folder + L"\\TarnModern.dll", "damaged"));
    run = RunInstaller(L"/silent", 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_NE(run.log.find("Run, SHCreateDirectoryEx failed path " + sys::WideToUtf8(folder) + " err 183"),
              std::string::npos);
    EXPECT_TRUE(FileExists(folder + L"\\TarnCore.dll"));
    EXPECT_EQ(ReadTextFile(folder + L"\\TarnModern.dll"), modern);
    EXPECT_EQ(ReadTextFile(folder + L"\\package\\productlist.ini"), list);

    // The entry in the list of installed programs starts the installed package manager.
    const std::wstring uninstallString = sys::Utf8ToWide(ValueOf(kUninstallKey, L"UninstallString"));
    run = RunCommandLine(uninstallString, 60000, L"", Wizard::Close);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.wizards, std::vector<std::wstring>{L"UninstallWnd"});
    EXPECT_NE(run.log.find("CmdLine: 1"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("Init, OpePARAMEx::CMD_UNINSTALL GetProductConfigName success"),
              std::string::npos);

    // The silent uninstall by the installed copy, with a cmd.exe planted in its current folder.
    // (Wine does not look for a bare name in the current folder, as Windows does: what the
    // uninstall asks for is checked in its log, besides the planted program's marker.)
    const std::wstring planted = sys::TempFolder() + L"cmd.exe";
    ASSERT_TRUE(::CopyFileW(ExecutableFromEnvironment("QY_PLANTED_CMD").c_str(), planted.c_str(), FALSE));
    run = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(run.exitCode, 0) << run.log;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_NE(run.log.find("DelSelf, program " + sys::WideToUtf8(system) + "\\cmd.exe, folder " +
                           sys::WideToUtf8(system)),
              std::string::npos)
        << run.log;
    EXPECT_LT(Position(run.log, "When: OnStopApp"), Position(run.log, "When: OnUnregister")) << run.log;
    EXPECT_LT(Position(run.log, "When: OnUnregister"), Position(run.log, "DeleteProductFile, DeleteFile"));
    EXPECT_NE(
        run.log.find("DelSelf, cmdline /c del /q \"" + sys::WideToUtf8(folder) + "\\PackageManager.exe\""),
        std::string::npos);
    EXPECT_TRUE(GoneWithin(folder + L"\\PackageManager.exe", 20000)) << "the package manager deletes itself";
    EXPECT_FALSE(FileExists(sys::TempFolder() + L"planted-cmd-ran.txt")) << "the planted cmd.exe ran";
    ::DeleteFileW(planted.c_str());
    for (const std::wstring& file : InstalledFiles())
        EXPECT_FALSE(FileExists(folder + L"\\" + file)) << sys::WideToUtf8(file);
    EXPECT_EQ(Query(kProductKey), "");
    EXPECT_EQ(Query(kUninstallKey), "");
    EXPECT_EQ(Query(kShellClass), "");
    EXPECT_EQ(Query(kAgentClass), "");
    EXPECT_EQ(ValueOf(L"HKCU\\Software\\QuillyTarn", L"CoreRegistered"), "");
    EXPECT_FALSE(FileExists(Programs() + L"\\Quilly Tarn"));
    EXPECT_FALSE(FileExists(Desktop() + L"\\Quilly Tarn.lnk"));

    // Nothing is registered any more: a second uninstall stops at the command line, without a
    // box (nobody is there to answer it).
    run = RunInstaller(L"/unsilent", 60000);
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_TRUE(run.boxes.empty());
}

// The records are the built files': installed again, nothing is copied; a rebuilt file alone is.
TEST(SampleInstall, AnUnchangedInstallCopiesNothingAndAnUpdateOnlyTheRebuiltFile) {
    const std::wstring folder = kDefaultFolder;
    InstallerRun run = RunInstaller(L"/silent", 120000, SampleInstaller());
    ASSERT_EQ(run.exitCode, 0) << run.log;
    const size_t placed = Count(run.log, "AddProductFile, UpdateFile ");
    const size_t excluded = Count(run.log, "AddProductFile, skip ");  // by their conditions
    EXPECT_GT(placed, 0u) << run.log;
    run = RunInstaller(L"/silent", 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_EQ(Count(run.log, "AddProductFile, UpdateFile "), 0u) << run.log;
    // Tarn.url (isInstall FALSE) is placed only when it is missing: it is not even looked at.
    EXPECT_EQ(Count(run.log, "AddProductFile, skip "), placed + excluded - 1) << run.log;

    // The program files again, with TarnCore.dll rebuilt.
    WinTestFolder dir;
    const std::wstring programs = dir.path() + L"\\program";
    ASSERT_EQ(sys::CreateFolderTree(programs), 0);
    const std::string lines =
        ReadTextFile(SampleInstaller().substr(0, SampleInstaller().rfind(L'\\')) + L"\\program.lst");
    for (size_t start = 0, end; start < lines.size(); start = end + 1) {
        end = lines.find('\n', start);
        const std::wstring name = sys::Utf8ToWide(lines.substr(start, end - start));
        if (name.empty() || name.find(L'|') != std::wstring::npos) continue;
        const size_t slash = name.rfind(L'\\');
        if (slash != std::wstring::npos) sys::CreateFolderTree(programs + L"\\" + name.substr(0, slash));
        ASSERT_TRUE(::CopyFileW((SampleProgramFolder() + L"\\" + name).c_str(), (programs + L"\\" + name).c_str(), FALSE));
        if (end == std::string::npos) break;
    }
    const std::string rebuilt = ReadTextFile(programs + L"\\TarnCore.dll") + "rebuilt";
    ASSERT_TRUE(WriteTextFile(programs + L"\\TarnCore.dll", rebuilt));
    const std::wstring update =
        PackSampleVariant(dir.path(), ExecutableFromEnvironment("QY_SKIN_ARCHIVE"), {}, programs);
    ASSERT_FALSE(update.empty());
    run = RunInstaller(L"/silent", 120000, update);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_EQ(Count(run.log, "AddProductFile, UpdateFile "), 1u) << run.log;
    EXPECT_NE(run.log.find("\\TarnCore.dll FileDst "), std::string::npos) << run.log;
    EXPECT_EQ(ReadTextFile(folder + L"\\TarnCore.dll"), rebuilt);
    Uninstall(folder);
}

TEST(SampleInstall, AFileThatCannotBePlacedLeavesTheInstallUnfinishedAndASecondRunRepairsIt) {
    const std::wstring folder = L"C:\\QuillyBroken";
    ASSERT_EQ(sys::CreateFolderTree(folder), 0);
    ASSERT_TRUE(WriteTextFile(folder + L"\\drivers", "a file where the product needs a folder"));
    InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 1603) << run.log;
    EXPECT_NE(run.log.find("In_Install, not every product file could be placed, the install is not complete"),
              std::string::npos);
    EXPECT_EQ(run.log.find("In_Install, Install complete"), std::string::npos);
    EXPECT_EQ(run.log.find("When OnRestartApp"), std::string::npos) << "no completion, no product start";
    // The rest of the install ran: its registrations and the uninstall entry are there.
    EXPECT_NE(run.log.find("In_Install, CreateUninstallRegInfo complete"), std::string::npos);
    EXPECT_EQ(ValueOf(kProductKey, L"InstallPath"), sys::WideToUtf8(folder));

    ASSERT_TRUE(::DeleteFileW((folder + L"\\drivers").c_str()));
    run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    ExpectInstalled(folder);
    Uninstall(folder);
    EXPECT_EQ(Query(kProductKey), "");
}

TEST(SampleInstall, AFileHeldOpenIsReplacedAtTheNextRestartAndNothingIsLost) {
    const std::wstring folder = L"C:\\QuillyHeld";
    ASSERT_EQ(RunInstaller(L"/silent:" + folder, 120000, SampleInstaller()).exitCode, 0);
    const std::wstring holder = ExecutableFromEnvironment("QY_HOLD_FILE_EXE");
    ASSERT_FALSE(holder.empty()) << "QY_HOLD_FILE_EXE not set";
    const std::wstring core = folder + L"\\TarnCore.dll";
    // Altered after the install, so that the next one places it again.
    ASSERT_TRUE(WriteTextFile(core, ReadTextFile(core) + "altered"));
    sys::UniqueHandle held = StartProcess(holder, L"\"" + core + L"\"");
    ASSERT_TRUE(held && WaitUntilHeld(core));
    InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    const std::string pending = QueryPendingFileOperations();
    EXPECT_NE(pending.find("QuillyHeld\\TarnCore.dll.new"), std::string::npos) << pending;
    EXPECT_TRUE(FileExists(core + L".new")) << "the new copy waits beside the old one";
    EXPECT_TRUE(FileExists(core));
    ::TerminateProcess(held.get(), 0);
    ::WaitForSingleObject(held.get(), 5000);
    Uninstall(folder);
}

TEST(SampleInstall, NonAsciiFolderAndTemporaryFolder) {
    const std::wstring temp = L"C:\\users\\Public\\临时 文件";
    ASSERT_EQ(sys::CreateFolderTree(temp), 0);
    TempFolderOverride override(temp);
    // Blanks survive the command line only in "Program Files"; the rest of the folder is Chinese.
    const std::wstring folder = L"C:\\Program Files\\塔恩数据";
    InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_NE(run.logFile.find(temp), std::wstring::npos) << "the log is in the temporary folder";
    ExpectInstalled(folder);
    EXPECT_NE(
        run.log.find("Init, CreateTempInstallDir success, path " + sys::WideToUtf8(temp) + "\\~QYSetup"),
        std::string::npos);
    Uninstall(folder);
    EXPECT_EQ(Query(kProductKey), "");
}

// An unattended install of a product whose setup package lacks the wizard's skin: nobody could
// answer the skin's box, so the install runs without its window.
TEST(SampleInstall, ASilentInstallWithoutItsSkinRunsWithoutAWindow) {
    WinTestFolder dir;
    const std::wstring installer = PackSampleVariant(dir.path(), L"");
    ASSERT_FALSE(installer.empty());
    const std::wstring folder = L"C:\\QuillyNoSkin";
    const InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, installer);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(run.wizards.empty());
    EXPECT_NE(run.log.find("is not there, silent mode 3 runs without it"), std::string::npos) << run.log;
    ExpectInstalled(folder);
    Uninstall(folder);
}

// A skin that is there but cannot be built: nobody is there to read its box, the run ends with 1603.
TEST(SampleInstall, ASilentInstallWithABrokenSkinEndsWithoutABox) {
    WinTestFolder dir;
    const std::string broken = "<Window size=\"900,600\"><VerticalLayout>";  // never closed
    std::vector<uint8_t> archive;
    ASSERT_TRUE(pkg::BuildSingleItemZip("install.xml", reinterpret_cast<const uint8_t*>(broken.data()), broken.size(),
                                        pkg::PackTime::Now(), archive));
    const std::wstring zip = dir.path() + L"\\PackageManager.zip";
    ASSERT_TRUE(WriteTextFile(zip, std::string(archive.begin(), archive.end())));
    const std::wstring installer = PackSampleVariant(dir.path(), zip);
    ASSERT_FALSE(installer.empty());
    const InstallerRun run = RunInstaller(L"/silent:C:\\QuillyBrokenSkin", 60000, installer);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1603) << run.log;
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_NE(run.log.find("CInstallWnd, the skin file install.xml cannot be loaded, silent mode 3 ends"),
              std::string::npos)
        << run.log;
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), L"") << "nothing was installed";
}

// A registered folder longer than 129 characters: read back whole, the uninstall finds it.
TEST(SampleInstall, AFolderLongerThan129CharactersInstallsAndUninstalls) {
    std::wstring folder = L"C:\\QuillyDeep";
    while (folder.size() < 140) folder += L"\\" + std::wstring(30, L'd');
    const InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ExpectInstalled(folder);
    Uninstall(folder);
    EXPECT_EQ(Query(kProductKey), "");
    sys::DeleteFolder(L"C:\\QuillyDeep", {});
}

TEST(SampleInstall, AnUninstallRemovesOnlyWhatTheInstallMade) {
    // A folder that was there before the install keeps the user's files and folders.
    const std::wstring existing = L"C:\\QuillyExisting";
    sys::DeleteFolder(existing, {});
    ASSERT_EQ(sys::CreateFolderTree(existing + L"\\saves"), 0);
    ASSERT_TRUE(WriteTextFile(existing + L"\\notes.txt", "canary"));
    ASSERT_TRUE(WriteTextFile(existing + L"\\saves\\slot1.sav", "canary"));
    InstallerRun run = RunInstaller(L"/silent:" + existing, 120000, SampleInstaller());
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ExpectInstalled(existing);
    Uninstall(existing);
    EXPECT_EQ(ReadTextFile(existing + L"\\notes.txt"), "canary");
    EXPECT_EQ(ReadTextFile(existing + L"\\saves\\slot1.sav"), "canary");
    // Tarn.ini is marked noDelete: the user's settings stay too.
    for (const std::wstring& file : InstalledFiles())
        EXPECT_EQ(FileExists(existing + L"\\" + file), file == L"Tarn.ini") << sys::WideToUtf8(file);
    EXPECT_FALSE(FileExists(existing + L"\\package"));
    EXPECT_FALSE(FileExists(existing + L"\\Setup")) << "a product folder left empty goes";
    sys::DeleteFolder(existing, {});

    // A folder the install made goes whole, with what the product wrote into it.
    const std::wstring made = L"C:\\QuillyMade";
    sys::DeleteFolder(made, {});
    run = RunInstaller(L"/silent:" + made, 120000, SampleInstaller());
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ASSERT_TRUE(WriteTextFile(made + L"\\settings.ini", "written by the product"));
    Uninstall(made);
    EXPECT_TRUE(GoneWithin(made, 20000));
}

TEST(SampleInstall, ARegisteredDriveRootIsNeverEmptied) {
    // An installation whose registered folder is C:\ (a damaged or hostile registry): the
    // uninstall and the self-deletion afterwards must leave the drive alone.
    const std::wstring setup = ExecutableFromEnvironment("QY_SAMPLE_SETUP_DIR");
    ASSERT_FALSE(setup.empty()) << "QY_SAMPLE_SETUP_DIR not set";
    ASSERT_EQ(sys::CreateFolderTree(L"C:\\package"), 0);
    for (const wchar_t* name : {L"Product.config", L"Tarn.config", L"setup.config"}) {
        ASSERT_TRUE(::CopyFileW((setup + L"\\package\\" + name).c_str(),
                                (std::wstring(L"C:\\package\\") + name).c_str(), FALSE));
    }
    ASSERT_TRUE(WriteTextFile(L"C:\\package\\productlist.ini",
                              "[products]\r\ncount=1\r\nproduct1=Product.config\r\n"));
    ASSERT_TRUE(WriteTextFile(L"C:\\qycanary.txt", "canary"));
    // The uninstall window's skin, where an installation keeps it.
    ASSERT_EQ(sys::CreateFolderTree(L"C:\\Setup"), 0);
    ASSERT_TRUE(::CopyFileW(ExecutableFromEnvironment("QY_SKIN_ARCHIVE").c_str(),
                            L"C:\\Setup\\PackageManager.zip", FALSE));
    ASSERT_EQ(RunAndCapture(L"reg.exe add \"" + std::wstring(kProductKey) + L"\" /v InstallPath /d C:\\ /f")
                  .find("ERROR"),
              std::string::npos);
    // Recorded as made by the install: the folder would be removed whole, were it not a drive's root.
    ASSERT_EQ(RunAndCapture(L"reg.exe add \"" + std::wstring(kProductKey) + L"\" /v CreatedFolder /d C:\\ /f")
                  .find("ERROR"),
              std::string::npos);
    ASSERT_EQ(
        RunAndCapture(L"reg.exe add \"" + std::wstring(kUninstallKey) + L"\" /v DisplayName /d Quilly /f")
            .find("ERROR"),
        std::string::npos);
    WinTestFolder downloads;
    const std::wstring copy = downloads.path() + L"\\PackageManager.exe";
    ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), copy.c_str(), FALSE));

    InstallerRun run = RunInstaller(L"/unsilent", 120000, copy);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    EXPECT_NE(run.log.find("DeleteFolder, refused to empty the protected folder C:"), std::string::npos)
        << run.log;
    EXPECT_NE(run.log.find("DelSelf, cmdline"), std::string::npos);
    EXPECT_EQ(ReadTextFile(L"C:\\qycanary.txt"), "canary");
    EXPECT_TRUE(FileExists(L"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(FileExists(L"C:\\package\\productlist.ini")) << "what the product did not list stays";
    EXPECT_EQ(Query(kProductKey), "");
    ::DeleteFileW(L"C:\\qycanary.txt");
    sys::DeleteFolder(L"C:\\package", {});
}

TEST(SampleInstall, AnInstallEndedWhileItCopiesIsCompletedByTheNextOne) {
    const std::wstring folder = L"C:\\QuillyKilled";
    sys::UniqueHandle install = StartProcess(SampleInstaller(), L"/silent:" + folder);
    ASSERT_TRUE(install);
    // Ended as soon as the first product file is in place, as a power cut or a task manager would.
    bool placed = false;
    for (int waited = 0; waited < 60000 && !placed; waited += 2) {
        placed = FileExists(folder + L"\\Tarn.exe");
        if (!placed) ::Sleep(2);
    }
    ASSERT_TRUE(placed);
    ::TerminateProcess(install.get(), 99);
    ::WaitForSingleObject(install.get(), 10000);
    DWORD code = 0;
    ::GetExitCodeProcess(install.get(), &code);
    EXPECT_EQ(code, 99u) << "ended before it finished";
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), L"")
        << "an unfinished install is not registered";

    InstallerRun run = RunInstaller(L"/silent:" + folder, 120000, SampleInstaller());
    EXPECT_EQ(run.exitCode, 0) << run.log;
    ExpectInstalled(folder);
    Uninstall(folder);
}
