// Shortcuts of the add and delete sets through the engine. check_shortcuts.sh
// reads the start-menu shortcuts written here with lnkinfo afterwards (an independent parser).
#include <gtest/gtest.h>

#include <windows.h>

#include "WinTestSupport.h"
#include "interface/Parser/ShortCut.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

// The target folder stays after the run, so the links keep pointing at real files.
const std::wstring kTargetRoot = L"C:\\QuillyLnkTarget";

ShortcutItem Shortcut(int kind, const char* folder, const char* name, const char* link, const char* argv = "") {
    ShortcutItem item;
    item.kind = kind;
    if (*folder) item.folderAttrs.Set("name_0409", folder);
    item.itemAttrs.Set("name_0409", name);
    item.itemAttrs.Set("link", link);
    if (*argv) item.itemAttrs.Set("argv", argv);
    return item;
}

// The driver initialises COM on its thread; here the test does. A fresh Wine prefix has no
// taskbar pin folder (Windows creates it with the profile), so the test makes it.
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(sys::CreateFolderTree(GetTaskbarPinFolder()), 0); }
    sys::ComScope com;
};

}  // namespace

TEST_F(Shortcuts, InstallWritesLinksWhereTheirKindSays) {
    ASSERT_EQ(sys::CreateFolderTree(kTargetRoot + L"\\docs"), 0);
    ASSERT_TRUE(WriteTextFile(kTargetRoot + L"\\Tarn.exe", "program"));
    ASSERT_TRUE(WriteTextFile(kTargetRoot + L"\\docs\\readme.txt", "text"));
    CUpdateEngEx engine;
    engine.m_NewProduct.m_WorkDir = kTargetRoot;
    ShortcutItem noName = Shortcut(SK_STARTMENU, "QuillyLnkTest", "", "Tarn.exe");
    engine.m_AddSet.m_Shortcuts = {Shortcut(SK_STARTMENU, "QuillyLnkTest", "Tarn", "Tarn.exe", "/quiet"),
                                   Shortcut(SK_STARTMENU, "QuillyLnkTest", "Readme.lnk", "docs\\readme.txt"),
                                   Shortcut(SK_STARTMENU, "QuillyLnkTest", "Upper.LNK", "Tarn.exe"),
                                   Shortcut(SK_DESKTOP, "", "QuillyDeskTest", "Tarn.exe"),
                                   Shortcut(SK_QUICKLAUNCH, "", "QuillyPinTest", "Tarn.exe"), noName};
    EXPECT_EQ(engine.InstallShortcuts(false), 0);
    const std::wstring menu = GetProgramsFolder() + L"\\QuillyLnkTest";
    EXPECT_TRUE(FileExists(menu + L"\\Tarn.lnk"));
    EXPECT_TRUE(FileExists(menu + L"\\Readme.lnk")) << "no second suffix";
    EXPECT_TRUE(FileExists(menu + L"\\Upper.LNK.lnk")) << "the suffix rule is case-sensitive";
    EXPECT_TRUE(FileExists(GetTaskbarPinFolder() + L"\\QuillyPinTest.lnk"));
    EXPECT_FALSE(FileExists(GetDesktopFolder() + L"\\QuillyDeskTest.lnk")) << "no desktop shortcut without the flag";
    ::DeleteFileW((GetTaskbarPinFolder() + L"\\QuillyPinTest.lnk").c_str());
}

TEST_F(Shortcuts, UninstallRemovesTheStartMenuFolderWhole) {
    CUpdateEngEx engine;
    engine.m_NewProduct.m_WorkDir = kTargetRoot;
    engine.m_AddSet.m_Shortcuts = {Shortcut(SK_STARTMENU, "QuillyLnkGone", "Tarn", "Tarn.exe"),
                                   Shortcut(SK_QUICKLAUNCH, "", "QuillyPinGone", "Tarn.exe")};
    sys::CreateFolderTree(kTargetRoot);
    ASSERT_EQ(engine.InstallShortcuts(true), 0);
    const std::wstring menu = GetProgramsFolder() + L"\\QuillyLnkGone";
    ASSERT_TRUE(FileExists(menu + L"\\Tarn.lnk"));
    ASSERT_TRUE(WriteTextFile(menu + L"\\other program.txt", "put there by someone else"));
    engine.m_DeleteSet.m_Shortcuts = engine.m_AddSet.m_Shortcuts;
    engine.m_DeleteSet.m_Shortcuts[1].disabled = true;  // removed all the same
    EXPECT_EQ(engine.UninstallShortcuts(), 0);
    EXPECT_FALSE(FileExists(menu));
    EXPECT_FALSE(FileExists(GetTaskbarPinFolder() + L"\\QuillyPinGone.lnk"));
}

// Shortcut names and start-menu folders are single names: one that climbs out of its folder is
// neither written nor, at the uninstall, removed (the start-menu folder is removed whole).
TEST_F(Shortcuts, NamesThatLeaveTheirFolderAreRefused) {
    sys::CreateFolderTree(kTargetRoot);
    const std::wstring canary = GetProgramsFolder() + L"\\..\\..\\QuillyCanary";
    ASSERT_EQ(sys::CreateFolderTree(canary), 0);
    ASSERT_TRUE(WriteTextFile(canary + L"\\mine.txt", "a user's file"));
    CUpdateEngEx engine;
    engine.m_NewProduct.m_WorkDir = kTargetRoot;
    engine.m_AddSet.m_Shortcuts = {Shortcut(SK_STARTMENU, "..\\..\\QuillyCanary", "Tarn", "Tarn.exe"),
                                   Shortcut(SK_STARTMENU, "QuillyLnkSafe", "..\\Escaped", "Tarn.exe"),
                                   Shortcut(SK_DESKTOP, "", "QuillyOut", "..\\..\\windows\\notepad.exe")};
    EXPECT_EQ(engine.InstallShortcuts(true), 0);
    EXPECT_FALSE(FileExists(canary + L"\\Tarn.lnk"));
    EXPECT_FALSE(FileExists(GetProgramsFolder() + L"\\Escaped.lnk"));
    EXPECT_FALSE(FileExists(GetDesktopFolder() + L"\\QuillyOut.lnk"));
    engine.m_DeleteSet.m_Shortcuts = engine.m_AddSet.m_Shortcuts;
    EXPECT_EQ(engine.UninstallShortcuts(), 0);
    EXPECT_EQ(ReadTextFile(canary + L"\\mine.txt"), "a user's file")
        << "the uninstall deleted outside the start menu";
    sys::DeleteFolder(canary, {});
}
