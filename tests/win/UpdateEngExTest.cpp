// The engine's file step against the real file system: destinations in use, restart-time
// replacements read back from the registry, file times, the keep list and progress.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "WinTestSupport.h"
#include "interface/Parser/ShortCut.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"
#include "ui/IInstallUIPromptEx.h"

namespace {

struct ProgressSeen final : IInstallUIPromptEx {
    void OnStepProgress(int action, int position, int total, std::wstring detail, int share) override {
        calls.push_back(std::to_string(action) + " " + std::to_string(position) + "/" + std::to_string(total) + " " +
                        sys::WideToUtf8(detail) + " " + std::to_string(share));
    }
    void OnStep(int action, int increment, std::wstring detail) override {
        calls.push_back("step " + std::to_string(action) + " " + std::to_string(increment) + " " + sys::WideToUtf8(detail));
    }
    std::vector<std::string> calls;
};

FileItem Item(const char* path, const char* newpath = "", const char* time = "") {
    FileItem item;
    item.attrs.Set("path", path);
    if (*newpath) item.attrs.Set("newpath", newpath);
    if (*time) item.attrs.Set("time", time);
    return item;
}

// A program that keeps a file open without delete sharing (neither deletable nor movable), or a
// running copy of itself (deletable no, movable yes).
struct Holder {
    Holder(const std::wstring& file, bool runCopy) {
        const char* exe = std::getenv("QY_HOLD_FILE_EXE");
        if (!exe) return;
        if (runCopy) {
            ::CopyFileW(HostPathToWindows(exe).c_str(), file.c_str(), FALSE);
            process = StartProcess(file, L"");
        } else {
            process = StartProcess(HostPathToWindows(exe), L"\"" + file + L"\"");
        }
        if (process && !WaitUntilHeld(file)) {
            ::TerminateProcess(process.get(), 0);
            process.reset();
        }
    }
    ~Holder() {
        if (!process) return;
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
    sys::UniqueHandle process;
};

// The value as reg.exe prints it: the multi-string's parts joined by "\0".
bool PendingPair(const std::wstring& from, const std::wstring& to) {
    const std::string pending = QueryPendingFileOperations();
    const std::string pair = "\\??\\" + sys::WideToUtf8(from) + "\\0" + (to.empty() ? "" : "!\\??\\" + sys::WideToUtf8(to));
    return pending.find(pair) != std::string::npos;
}

// Files straight from a package, as the install's supply gives them: a text per add-set file.
struct TextSupply final : IFileSupply {
    int WriteFile(size_t file, const std::wstring& path) override {
        asked.push_back(path);
        if (file >= texts.size() || texts[file].empty()) return kNotSupplied;
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return kExists;
        return WriteTextFile(path, texts[file]) ? 0 : -1;
    }
    std::vector<std::string> texts;
    std::vector<std::wstring> asked;
};

class UpdateEngExTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.m_NewProduct.m_WorkDir = root.path() + L"\\Quilly";
        engine.m_NewProduct.m_SetupDir = root.path() + L"\\Quilly\\~QYSetup";
        engine.m_OldProduct.m_WorkDir = root.path() + L"\\Quilly";
        ASSERT_EQ(sys::CreateFolderTree(engine.StagingFolder()), 0);
    }
    void Stage(const std::wstring& relative, const std::string& text) {
        const std::wstring path = engine.StagingFolder() + L"\\" + relative;
        sys::CreateFolderTree(path.substr(0, path.rfind(L'\\')));
        ASSERT_TRUE(WriteTextFile(path, text));
    }
    std::wstring Target(const std::wstring& relative) { return engine.NewRoot() + L"\\" + relative; }

    WinTestFolder root;
    CUpdateEngEx engine;
};

}  // namespace

TEST_F(UpdateEngExTest, ARunningProgramIsMovedAsideAndReplacedAtOnce) {
    const std::wstring dst = Target(L"Tarn.exe");
    sys::CreateFolderTree(engine.NewRoot());
    Holder running(dst, true);
    ASSERT_TRUE(running.process);
    Stage(L"Tarn.exe", "new program");
    std::wstring pending = L"unchanged";
    EXPECT_EQ(engine.UpdateFile(engine.StagingFolder() + L"\\Tarn.exe", dst, pending), 0);
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(ReadTextFile(dst), "new program");
    EXPECT_TRUE(FileExists(dst + L".delete"));
    EXPECT_TRUE(PendingPair(dst + L".delete", L"")) << QueryPendingFileOperations();
}

TEST_F(UpdateEngExTest, AFileThatCanNeitherGoNorMoveWaitsAsAPendingCopy) {
    const std::wstring dst = Target(L"TarnCore.dll");
    sys::CreateFolderTree(engine.NewRoot());
    ASSERT_TRUE(WriteTextFile(dst, "old"));
    Holder open(dst, false);
    ASSERT_TRUE(open.process);
    Stage(L"TarnCore.dll", "new");
    std::wstring pending;
    EXPECT_EQ(engine.UpdateFile(engine.StagingFolder() + L"\\TarnCore.dll", dst, pending), 1);
    EXPECT_EQ(pending, dst + L".new");
    EXPECT_EQ(ReadTextFile(dst), "old") << "the file in use stays until the restart";
    EXPECT_EQ(ReadTextFile(dst + L".new"), "new");
    EXPECT_TRUE(PendingPair(dst + L".new", dst)) << QueryPendingFileOperations();

    // Further pending copies take the next free names.
    ASSERT_TRUE(WriteTextFile(dst + L".new1", "taken"));
    Stage(L"again.dll", "again");
    EXPECT_EQ(engine.UpdateFileOnReboot(engine.StagingFolder() + L"\\again.dll", dst, pending), 0);
    EXPECT_EQ(pending, dst + L".new12");
    EXPECT_EQ(ReadTextFile(dst + L".new12"), "again");

    EXPECT_EQ(engine.UpdateFile(engine.StagingFolder() + L"\\missing.dll", dst, pending), -1);
}

TEST_F(UpdateEngExTest, AddProductFilePlacesTimesReportsAndStopsAtAMissingSource) {
    Stage(L"bin\\a.dll", "a");
    Stage(L"数据\\说明.txt", "non-ASCII");
    Stage(L"c.dll", "c");
    engine.m_AddSet.m_Files = {Item("bin\\a.dll", "lib\\a.dll", "1608710816943"), Item("数据\\说明.txt"),
                               Item("..\\escape.txt"), Item("missing.dll"), Item("c.dll")};
    ProgressSeen progress;
    engine.m_pPrompt = &progress;
    EXPECT_EQ(engine.AddProductFile(), -2);
    // 1608710816943 ms: last write 2020-12-23 08:06:56 UTC, last access the epoch (read before
    // anything reads the file, which would move its access time).
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(::GetFileAttributesExW(Target(L"lib\\a.dll").c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME written, accessed;
    ::FileTimeToSystemTime(&data.ftLastWriteTime, &written);
    ::FileTimeToSystemTime(&data.ftLastAccessTime, &accessed);
    EXPECT_EQ(written.wYear, 2020);
    EXPECT_EQ(written.wMonth, 12);
    EXPECT_EQ(written.wDay, 23);
    EXPECT_EQ(written.wHour, 8);
    EXPECT_EQ(written.wMinute, 6);
    EXPECT_EQ(written.wSecond, 56);
    EXPECT_EQ(accessed.wYear, 1970);
    EXPECT_EQ(ReadTextFile(Target(L"lib\\a.dll")), "a");
    EXPECT_EQ(ReadTextFile(Target(L"数据\\说明.txt")), "non-ASCII");
    EXPECT_FALSE(FileExists(root.path() + L"\\escape.txt")) << "a path leaving its folder is skipped";
    EXPECT_FALSE(FileExists(Target(L"c.dll"))) << "the copy stops at the missing source";
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"9 1/5 lib\\a.dll 50", "9 2/5 数据\\说明.txt 50",
                                                        "9 3/5 missing.dll 50", "step 0 50 "}));

}

// The copy writes a supplied file straight into place; an installed copy in the way (here one in
// use) sends it through the staging folder and the replacement; an unsupplied one is staged.
TEST_F(UpdateEngExTest, SuppliedFilesGoStraightIntoPlaceOrThroughTheStagingFolder) {
    sys::CreateFolderTree(engine.NewRoot());
    const std::wstring held = Target(L"TarnCore.dll");
    ASSERT_TRUE(WriteTextFile(held, "old"));
    Holder open(held, false);
    ASSERT_TRUE(open.process);
    Stage(L"staged.txt", "staged");
    TextSupply supply;
    supply.texts = {"fresh", "new core", ""};
    engine.m_FileSupply = &supply;
    engine.m_AddSet.m_Files = {Item("bin\\fresh.dll", "", "1608710816943"), Item("TarnCore.dll"), Item("staged.txt")};
    EXPECT_EQ(engine.AddProductFile(), 0);
    engine.m_FileSupply = nullptr;
    EXPECT_EQ(ReadTextFile(Target(L"bin\\fresh.dll")), "fresh");
    EXPECT_EQ(ReadTextFile(Target(L"staged.txt")), "staged");
    EXPECT_EQ(ReadTextFile(held), "old") << "the file in use stays until the restart";
    EXPECT_EQ(ReadTextFile(held + L".new"), "new core");
    EXPECT_EQ(supply.asked, (std::vector<std::wstring>{Target(L"bin\\fresh.dll"), held,
                                                       engine.StagingFolder() + L"\\TarnCore.dll", Target(L"staged.txt")}));
}

// C:\qylinks\extract\setup is a link to a folder holding canary.txt (plant_links.sh).
TEST_F(UpdateEngExTest, TheCopyNeverWritesThroughALinkInTheInstallFolder) {
    engine.m_NewProduct.m_WorkDir = L"C:\\qylinks\\extract";
    ASSERT_TRUE(sys::IsLink(engine.NewRoot() + L"\\setup")) << "links not planted";
    TextSupply supply;
    supply.texts = {"planted"};
    engine.m_FileSupply = &supply;
    engine.m_AddSet.m_Files = {Item("setup\\planted.txt")};
    EXPECT_EQ(engine.AddProductFile(), -2);
    engine.m_FileSupply = nullptr;
    EXPECT_FALSE(FileExists(L"C:\\qylinks\\target\\planted.txt"));
    EXPECT_TRUE(supply.asked.empty());
}

TEST_F(UpdateEngExTest, DeleteProductFileKeepsWhatTheKeepListStartsWith) {
    const std::wstring old = engine.OldRoot();
    sys::CreateFolderTree(old + L"\\package");
    for (const wchar_t* name : {L"PackageManager.exe", L"PackageManager.exe.log", L"package\\PackageManager.exe", L"Tarn.exe"}) {
        ASSERT_TRUE(WriteTextFile(old + L"\\" + name, "x"));
    }
    engine.m_DeleteSet.m_Files = {Item("PackageManager.exe"), Item("PackageManager.exe.log"),
                                  Item("package\\PackageManager.exe"), Item("Tarn.exe"), Item("gone.dll")};
    EXPECT_EQ(engine.DeleteProductFile({L"PackageManager.exe"}), 0);
    EXPECT_TRUE(FileExists(old + L"\\PackageManager.exe"));
    EXPECT_TRUE(FileExists(old + L"\\PackageManager.exe.log"));
    EXPECT_FALSE(FileExists(old + L"\\package\\PackageManager.exe"));
    EXPECT_FALSE(FileExists(old + L"\\Tarn.exe"));
    EXPECT_EQ(engine.DeleteProductFile({L""}), 0);
    EXPECT_TRUE(FileExists(old + L"\\PackageManager.exe")) << "an empty entry keeps every file";
}

// C:\qylinks\extract\setup is a link to a folder holding canary.txt (plant_links.sh).
TEST_F(UpdateEngExTest, DeletingNeverGoesThroughALinkAndEmptiedFoldersGo) {
    const std::wstring old = L"C:\\qylinks\\extract";
    ASSERT_TRUE(sys::IsLink(old + L"\\setup")) << "links not planted";
    engine.m_OldProduct.m_WorkDir = old;
    ASSERT_EQ(sys::CreateFolderTree(old + L"\\bin\\plugins"), 0);
    ASSERT_EQ(sys::CreateFolderTree(old + L"\\data"), 0);
    for (const wchar_t* name : {L"bin\\plugins\\a.dll", L"bin\\tool.exe", L"data\\base.dat", L"data\\mine.txt"}) {
        ASSERT_TRUE(WriteTextFile(old + L"\\" + name, "x"));
    }
    engine.m_DeleteSet.m_Files = {Item("setup\\canary.txt"), Item("bin\\plugins\\a.dll"), Item("bin\\tool.exe"),
                                  Item("data\\base.dat")};
    engine.DeleteProductFile({});
    engine.RemoveEmptyProductFolders();
    EXPECT_EQ(ReadTextFile(L"C:\\qylinks\\target\\canary.txt"), "canary\n");
    EXPECT_FALSE(FileExists(old + L"\\bin")) << "folders the deletion emptied go, deepest first";
    EXPECT_TRUE(FileExists(old + L"\\data\\mine.txt")) << "a folder with a file that is not the product's stays";
    EXPECT_TRUE(sys::IsLink(old + L"\\setup"));
    sys::DeleteFolder(old + L"\\data", {});
}

TEST_F(UpdateEngExTest, TheCheckResolvesAgainstTheFolderOfTheProductChecked) {
    // An isInstall "false" file present in the install folder is not added, wherever the process runs.
    sys::CreateFolderTree(engine.NewRoot());
    ASSERT_TRUE(WriteTextFile(Target(L"settings.ini"), "the user's"));
    engine.m_NewProduct.m_WorkDir += L"\\";
    FileItem settings = Item("settings.ini");
    settings.attrs.Set("isInstall", "false");
    engine.m_NewProduct.m_ComponentConfigs.push_back(std::make_unique<CComponentConfig>());
    engine.m_NewProduct.m_ComponentConfigs[0]->m_Files = {settings, Item("Tarn.exe")};
    EXPECT_EQ(engine.CheckProductDifference(0), 0);
    EXPECT_EQ(engine.m_InstallRoot, root.path() + L"\\Quilly");
    ASSERT_EQ(engine.m_AddSet.m_Files.size(), 1u);
    EXPECT_EQ(GetItemPath(engine.m_AddSet.m_Files[0]), L"Tarn.exe");
}

TEST_F(UpdateEngExTest, RegistrationStepsReportTheirItems) {
    ModuleItem module;
    module.attrs.Set("path", "TarnCore.dll");
    RegItem reg;
    reg.attrs.Set("key", "HKCU\\Software\\QuillyProgressTest");
    reg.attrs.Set("name", "Shown");
    reg.attrs.Set("type", "REG_SZ");
    ShortcutItem shortcut;
    shortcut.kind = SK_QUICKLAUNCH;
    shortcut.itemAttrs.Set("name_0409", "QuillyProgressTest");
    shortcut.itemAttrs.Set("link", "Tarn.exe");
    engine.m_AddSet.m_Modules = {module};
    engine.m_AddSet.m_Regs = {reg};
    engine.m_AddSet.m_Shortcuts = {shortcut};
    ProgressSeen progress;
    engine.m_pPrompt = &progress;
    EXPECT_EQ(engine.InstallRegistrations(nullptr), 0);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillyProgressTest");
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"11 1/1 " + sys::WideToUtf8(engine.NewRoot()) + "\\TarnCore.dll 5",
                                                        "step 11 5 ", "13 1/1 HKCU\\Software\\QuillyProgressTest 5", "step 13 5 ",
                                                        "12 1/1 " + sys::WideToUtf8(GetTaskbarPinFolder()) +
                                                            "\\QuillyProgressTest 5",
                                                        "step 0 5 "}));
    ::DeleteFileW((GetTaskbarPinFolder() + L"\\QuillyProgressTest.lnk").c_str());
}

TEST_F(UpdateEngExTest, ASourceHeldOpenIsCopiedNowOrLeftAsAPendingCopy) {
    sys::CreateFolderTree(engine.NewRoot());
    Stage(L"held.dll", "held source");
    const std::wstring src = engine.StagingFolder() + L"\\held.dll";
    Holder open(src, false);  // the source cannot be moved, but it can be read
    ASSERT_TRUE(open.process);
    std::wstring pending;

    // The destination is free once deleted: the copy places the file at once.
    const std::wstring free = Target(L"free.dll");
    ASSERT_TRUE(WriteTextFile(free, "old"));
    EXPECT_EQ(engine.UpdateFile(src, free, pending), 0);
    EXPECT_EQ(ReadTextFile(free), "held source");

    // No destination to delete or move aside: the copy waits for the restart, and it exists.
    const std::wstring absent = Target(L"absent.dll");
    EXPECT_EQ(engine.UpdateFile(src, absent, pending), 1);
    EXPECT_EQ(pending, absent + L".new");
    EXPECT_EQ(ReadTextFile(absent + L".new"), "held source");
    EXPECT_TRUE(PendingPair(absent + L".new", absent)) << QueryPendingFileOperations();
}
