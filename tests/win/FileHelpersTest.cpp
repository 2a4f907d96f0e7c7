// Folder and file helpers against the real file system, with files in use by another process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "WinTestSupport.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

std::wstring HoldFileExe() {
    const char* path = std::getenv("QY_HOLD_FILE_EXE");
    return path ? HostPathToWindows(path) : L"";
}

// A copy of the helper program started from inside the folder: its image stays mapped while it
// runs, so the file cannot be deleted, but it can be renamed (as with a running product).
struct RunningProgram {
    explicit RunningProgram(const std::wstring& path) {
        if (::CopyFileW(HoldFileExe().c_str(), path.c_str(), FALSE)) process = StartProcess(path, L"");
        if (process && !WaitUntilHeld(path)) {
            ::TerminateProcess(process.get(), 0);
            process.reset();
        }
    }
    ~RunningProgram() {
        if (process) {
            ::TerminateProcess(process.get(), 0);
            ::WaitForSingleObject(process.get(), 5000);
        }
    }
    sys::UniqueHandle process;
};

// Pending operations as reg.exe shows them use the NT path form of each file.
bool Pending(const std::string& operations, const std::wstring& path) {
    return operations.find(sys::WideToUtf8(path)) != std::string::npos;
}

}  // namespace

TEST(CreateFolderTree, CreatesEveryMissingParent) {
    WinTestFolder root;
    std::wstring deep = root.path() + L"\\a\\b c\\d";
    EXPECT_EQ(sys::CreateFolderTree(deep), 0);
    EXPECT_TRUE(FileExists(deep));
    EXPECT_EQ(sys::CreateFolderTree(deep + L"\\"), 0) << "existing path";
    EXPECT_EQ(sys::CreateFolderTree(root.path() + L"\\x\\y\\"), 0);
    EXPECT_TRUE(FileExists(root.path() + L"\\x\\y"));
}

TEST(CreateFolderTree, ReportsTheErrorOfTheFolderItCannotCreate) {
    WinTestFolder root;
    ASSERT_TRUE(WriteTextFile(root.path() + L"\\file", "x"));
    int rc = sys::CreateFolderTree(root.path() + L"\\file\\sub");
    EXPECT_NE(rc, 0);
    EXPECT_FALSE(FileExists(root.path() + L"\\file\\sub"));
}

TEST(RenameForDelete, NamesRunDeleteThenDeleteDelete1) {
    WinTestFolder root;
    const std::wstring file = root.path() + L"\\Tarn.dll";
    ASSERT_TRUE(WriteTextFile(file, "one"));
    EXPECT_EQ(sys::RenameForDelete(file), 0);
    ASSERT_TRUE(WriteTextFile(file, "two"));
    EXPECT_EQ(sys::RenameForDelete(file), 0);
    ASSERT_TRUE(WriteTextFile(file, "three"));
    EXPECT_EQ(sys::RenameForDelete(file), 0);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(ReadTextFile(file + L".delete"), "one");
    EXPECT_EQ(ReadTextFile(file + L".delete.delete1"), "two");
    EXPECT_EQ(ReadTextFile(file + L".delete.delete1.delete2"), "three");

    std::string pending = QueryPendingFileOperations();
    EXPECT_TRUE(Pending(pending, file + L".delete")) << pending;
    EXPECT_TRUE(Pending(pending, file + L".delete.delete1.delete2")) << pending;

    EXPECT_EQ(sys::RenameForDelete(root.path() + L"\\missing.dll"), -1);
}

TEST(DeleteFolder, RemovesEverythingButTheKeptNames) {
    WinTestFolder root;
    const std::wstring folder = root.path() + L"\\product";
    ASSERT_EQ(sys::CreateFolderTree(folder + L"\\Setup\\skin"), 0);
    ASSERT_TRUE(WriteTextFile(folder + L"\\PackageManager.exe", "stub"));
    ASSERT_TRUE(WriteTextFile(folder + L"\\packagemanager.exe", "other case"));
    ASSERT_TRUE(WriteTextFile(folder + L"\\Setup\\skin\\install.xml", "<Window/>"));
    ASSERT_TRUE(WriteTextFile(folder + L"\\Setup\\PackageManager.exe", "nested copies are not kept"));

    EXPECT_EQ(sys::DeleteFolder(folder + L"\\", {L"PackageManager.exe"}), 0);
    EXPECT_TRUE(FileExists(folder + L"\\PackageManager.exe"));
    EXPECT_FALSE(FileExists(folder + L"\\Setup"));
    // Wine treats names case-insensitively like Windows: both names are the same file here.
    EXPECT_EQ(sys::DeleteFolder(L"", {}), 0);
}

TEST(DeleteFolder, MovesARunningProgramAsideAndLeavesTheRestToTheRestart) {
    ASSERT_FALSE(HoldFileExe().empty()) << "QY_HOLD_FILE_EXE not set";
    WinTestFolder root;
    const std::wstring folder = root.path() + L"\\locked";
    ASSERT_EQ(sys::CreateFolderTree(folder), 0);
    ASSERT_TRUE(WriteTextFile(folder + L"\\readme.txt", "free"));
    const std::wstring program = folder + L"\\Tarn.exe";
    RunningProgram running(program);
    ASSERT_TRUE(running.process) << "helper did not start";
    ASSERT_FALSE(::DeleteFileW(program.c_str())) << "a running image cannot be deleted";

    EXPECT_EQ(sys::DeleteFolder(folder, {}), 0);
    EXPECT_FALSE(FileExists(folder + L"\\readme.txt"));
    EXPECT_FALSE(FileExists(program));
    EXPECT_TRUE(FileExists(program + L".delete"));
    EXPECT_TRUE(FileExists(folder)) << "the folder still holds the moved file";

    std::string pending = QueryPendingFileOperations();
    EXPECT_TRUE(Pending(pending, program + L".delete")) << pending;
    EXPECT_TRUE(Pending(pending, folder)) << pending;
}

TEST(DeleteOrSchedule, DeletesAFreeFileAndMovesABusyOneAside) {
    WinTestFolder root;
    const std::wstring free = root.path() + L"\\free.txt";
    ASSERT_TRUE(WriteTextFile(free, "x"));
    EXPECT_EQ(sys::DeleteOrSchedule(free), 0);
    EXPECT_FALSE(FileExists(free));
    EXPECT_FALSE(FileExists(free + L".delete"));

    const std::wstring program = root.path() + L"\\busy.exe";
    RunningProgram running(program);
    ASSERT_TRUE(running.process);
    EXPECT_EQ(sys::DeleteOrSchedule(program), 0);
    EXPECT_TRUE(FileExists(program + L".delete"));
    EXPECT_TRUE(Pending(QueryPendingFileOperations(), program + L".delete"));
}

namespace {

// Planted by plant_links.sh before the tests run.
const std::wstring kLinks = L"C:\\qylinks";

bool CanarySurvives() { return ReadTextFile(kLinks + L"\\target\\canary.txt") == "canary\n"; }

}  // namespace

TEST(DeleteFolder, RemovesALinkInsideTheFolderWithoutEnteringIt) {
    ASSERT_TRUE(sys::IsLink(kLinks + L"\\tree\\inner")) << "links not planted";
    EXPECT_EQ(sys::DeleteFolder(kLinks + L"\\tree", {}), 0);
    EXPECT_TRUE(CanarySurvives());
    EXPECT_FALSE(FileExists(kLinks + L"\\tree\\file.txt"));
    // Wine cannot remove a Unix link through RemoveDirectoryW (Windows removes a junction so);
    // either way the folder behind it is never emptied.
}

TEST(DeleteFolder, AFolderThatIsALinkLosesTheLinkOnly) {
    ASSERT_TRUE(sys::IsLink(kLinks + L"\\toplink")) << "links not planted";
    EXPECT_EQ(sys::DeleteFolder(kLinks + L"\\toplink", {}), 0);
    EXPECT_EQ(sys::DeleteFolder(kLinks + L"\\toplink\\", {}), 0);
    EXPECT_TRUE(CanarySurvives());
}

TEST(DeleteFolder, RefusesDriveRootsAndSystemFolders) {
    wchar_t windows[MAX_PATH], system[MAX_PATH], programs[MAX_PATH], profile[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_GT(::GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH), 0u);
    ASSERT_GT(::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
    std::wstring temp = sys::TempFolder();
    ASSERT_FALSE(temp.empty());
    temp.pop_back();
    const std::wstring users = std::wstring(profile).substr(0, std::wstring(profile).rfind(L'\\'));
    struct Case {
        std::wstring folder;           // a folder with a canary inside
        std::vector<std::wstring> spellings;
    };
    const std::wstring windowsDir = windows;
    const Case cases[] = {
        {L"C:\\", {L"C:\\", L"C:", L"c:/", L"\\\\?\\C:\\", L"C:\\.", windowsDir + L"\\.."}},
        {windowsDir, {windowsDir, windowsDir + L"\\", windowsDir + L"\\."}},
        {system, {system}},
        {programs, {programs, std::wstring(programs) + L"\\"}},
        {profile, {profile}},
        {users, {users}},
        {temp, {temp, temp + L"\\"}},
    };
    for (const Case& c : cases) {
        const std::wstring canary = c.folder + (c.folder.back() == L'\\' ? L"" : L"\\") + L"qy-canary.txt";
        ASSERT_TRUE(WriteTextFile(canary, "canary")) << sys::WideToUtf8(canary);
        for (const std::wstring& spelling : c.spellings) {
            EXPECT_TRUE(sys::IsProtectedFolder(spelling)) << sys::WideToUtf8(spelling);
            sys::DeleteFolder(spelling, {});
            EXPECT_TRUE(FileExists(canary)) << sys::WideToUtf8(spelling) << " was emptied";
        }
        ::DeleteFileW(canary.c_str());
    }
    // Share roots cannot be built under Wine; the rule is the same string test.
    EXPECT_TRUE(sys::IsProtectedFolder(L"\\\\server\\share"));
    EXPECT_TRUE(sys::IsProtectedFolder(L"\\\\server\\share\\"));
    EXPECT_TRUE(sys::IsProtectedFolder(L"\\\\?\\UNC\\server\\share"));
    EXPECT_FALSE(sys::IsProtectedFolder(L"\\\\server\\share\\Quilly"));
    EXPECT_FALSE(sys::IsProtectedFolder(std::wstring(programs) + L"\\Quilly"));
    EXPECT_FALSE(sys::IsProtectedFolder(temp + L"\\~QYSetup"));
}

TEST(DeleteFolder, LeavesNoRestartOperationForAFolderThatIsNotThere) {
    WinTestFolder root;
    const std::wstring missing = root.path() + L"\\never-made";
    const std::wstring gone = root.path() + L"\\gone\\deeper";
    sys::DeleteFolder(missing, {});
    sys::DeleteFolder(gone, {});
    const std::string pending = QueryPendingFileOperations();
    EXPECT_FALSE(Pending(pending, missing)) << pending;
    EXPECT_FALSE(Pending(pending, gone)) << pending;
}

#include "interface/Maker/PackageReader.h"
#include "interface/Maker/SetupPkg.h"

TEST(ExtractPackage, NeverWritesThroughALinkItDidNotCreate) {
    ASSERT_TRUE(sys::IsLink(kLinks + L"\\extract\\setup")) << "links not planted";
    WinTestFolder root;
    ASSERT_EQ(sys::CreateFolderTree(root.path() + L"\\files\\setup"), 0);
    ASSERT_TRUE(WriteTextFile(root.path() + L"\\files\\setup\\planted.txt", "through the link"));
    ASSERT_TRUE(WriteTextFile(root.path() + L"\\stub.exe", std::string(64, 'M')));
    const std::wstring installer = root.path() + L"\\setup.exe";
    {
        SetupPkg builder;
        AttrMap entry;
        entry.Set("path", "setup\\planted.txt");
        ASSERT_EQ(builder.CreateOutput(installer), 0);
        ASSERT_EQ(builder.BuildFirstPackage({root.path() + L"\\stub.exe", root.path() + L"\\files\\", L""}, {entry}, 1), 0);
        ASSERT_TRUE(builder.CloseOutput());
    }
    int error = 0;
    PackageReader reader;
    ASSERT_EQ(reader.Open(OpenPackageFile(installer, error)), 0);
    ASSERT_EQ(reader.Packages().size(), 1u);
    EXPECT_EQ(reader.ExtractPackage(reader.Packages()[0], kLinks + L"\\extract"), -1);
    EXPECT_FALSE(FileExists(kLinks + L"\\target\\planted.txt"));
    EXPECT_EQ(reader.ExtractPackage(reader.Packages()[0], kLinks + L"\\toplink"), -1) << "the target itself is a link";
    EXPECT_FALSE(FileExists(kLinks + L"\\target\\setup"));
    EXPECT_TRUE(CanarySurvives());
}
