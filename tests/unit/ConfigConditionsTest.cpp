// Conditions of a product on the running system: OS-version terms and ranges, the filtering of
// component files, orphaned items, and where relative item paths lead.
#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "config/OsCondition.h"
#include "config/ProductConfig.h"

TEST(OsCondition, TermsAndRangesAgainstTheRunningVersion) {
    struct Case {
        const char* os;
        const char* running;
        bool holds;
    };
    const Case cases[] = {
        {"6.1+", "6.1", true},   {"6.1+", "6.3", true},      {"6.1+", "10.0", true},    {"6.1+", "6.0", false},
        {"6.1+", "5.2", false},  {"6.x", "6.0", true},       {"6.x", "6.3", true},      {"6.x", "10.0", false},
        {"10.0", "10.0", true},  {"10.0+", "10.0", true},    {"10.0", "6.1", false},    {"5.2-10.0", "6.1", true},
        {"6.1-6.x", "6.0", false}, {"6.1-6.x", "6.3", true}, {"5.1-6.3", "5.1", true},  {"5.1-6.3", "5.0", false},
        {"5.1-6.3", "6.3", true},  {"5.1-6.3", "10.0", false}, {"6.x-10.0", "6.0", true}, {"6.x-10.0", "10.1", false},
        {"", "6.1", true},       {"6.1+-10.0", "6.1", false}, {"7.0", "7.0", false},    {"6.1", "6.1+", false},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(MatchOsCondition(k.os, k.running), k.holds) << k.os << " on " << k.running;
    }
}

TEST(OsCondition, SpecSplitsAtTheFirstDash) {
    std::string lower, upper;
    EXPECT_TRUE(IsValidOsSpec("5.1-6.3", lower, upper));
    EXPECT_EQ(lower, "5.1");
    EXPECT_EQ(upper, "6.3");
    EXPECT_FALSE(IsValidOsSpec("5.1-6.3-10.0", lower, upper));
    EXPECT_FALSE(IsValidOsSpec("6.1-", lower, upper));
    upper.clear();
    EXPECT_TRUE(IsValidOsSpec("6.2+", lower, upper));
    EXPECT_TRUE(upper.empty());
    int32_t major = 0;
    std::string minor;
    EXPECT_TRUE(IsValidOsVersion("10.X", major, minor, false));
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, "X");
}

namespace {

// A product whose models are made in memory: files "path[:platform[:os]]" per component.
class Conditions : public ::testing::Test {
protected:
    CComponentConfig& Add(const std::wstring& name) {
        product.m_ComponentConfigs.push_back(std::make_unique<CComponentConfig>());
        product.m_ComponentConfigs.back()->m_FileName = name;
        return *product.m_ComponentConfigs.back();
    }
    static void AddFile(CComponentConfig& c, const char* path, const char* platform = "", const char* os = "") {
        FileItem f;
        f.attrs.Set("path", path);
        if (*platform) f.attrs.Set("platform", platform);
        if (*os) f.attrs.Set("os", os);
        c.m_Files.push_back(f);
    }
    static void AddKill(CComponentConfig& c, const char* exe) {
        RunRuleItem r;
        r.attrs.Set("cmd", "KILL");
        r.attrs.Set("executable", exe);
        c.m_RunRules.push_back(r);
    }
    CProductConfig product;
};

}  // namespace

TEST_F(Conditions, ComponentsAreSortedByNameAndRepeatsDropped) {
    Add(L"setup.config").m_RootAttrs.Set("n", "setup");
    Add(L"b.config").m_RootAttrs.Set("n", "first b");
    Add(L"B.config");
    Add(L"b.config").m_RootAttrs.Set("n", "second b");
    EXPECT_EQ(product.ApplyConditions("", ""), 0);
    ASSERT_EQ(product.m_ComponentConfigs.size(), 3u);
    EXPECT_EQ(product.m_ComponentConfigs[0]->m_FileName, L"B.config") << "case-sensitive code-unit order";
    EXPECT_EQ(product.m_ComponentConfigs[1]->m_FileName, L"b.config");
    EXPECT_EQ(AttrValue(product.m_ComponentConfigs[1]->m_RootAttrs, "n"), "first b");
    EXPECT_EQ(product.m_ComponentConfigs[2]->m_FileName, L"setup.config");
}

TEST_F(Conditions, FilesOutsideTheRunningSystemAreSkipped) {
    CComponentConfig& c = Add(L"a.config");
    AddFile(c, "any.dll");
    AddFile(c, "x64.dll", "x64");
    AddFile(c, "X86.dll", "X86");
    AddFile(c, "seven.dll", "", "6.1+");
    AddFile(c, "xp.dll", "x86", "5.1-6.0");
    EXPECT_EQ(product.ApplyConditions("6.1", "x86"), 0);
    EXPECT_FALSE(c.m_Files[0].skip);
    EXPECT_TRUE(c.m_Files[1].skip);
    EXPECT_FALSE(c.m_Files[2].skip) << "platforms compare without regard to case";
    EXPECT_FALSE(c.m_Files[3].skip);
    EXPECT_TRUE(c.m_Files[4].skip);
}

TEST_F(Conditions, AnUnsupportedSystemStopsTheFiltering) {
    CComponentConfig& a = Add(L"a.config");
    AddFile(a, "x64.dll", "x64");
    EXPECT_EQ(product.ApplyConditions("6.1+", "x86"), -1);
    EXPECT_EQ(product.ApplyConditions("7.0", "x86"), -1);
    EXPECT_EQ(product.ApplyConditions("6.1", "ia64"), -1);
    EXPECT_EQ(product.ApplyConditions("6.1", "unknown"), -1);
    EXPECT_FALSE(a.m_Files[0].skip) << "nothing was filtered";
    EXPECT_EQ(product.ApplyConditions("", "x86"), 0) << "an unknown version is not checked";
    EXPECT_TRUE(a.m_Files[0].skip);
}

TEST_F(Conditions, ItemsWhoseFileIsNotInstalledAreDisabled) {
    CComponentConfig& a = Add(L"a.config");
    AddFile(a, "App64.exe", "x64");
    AddKill(a, "App64.exe");
    AddKill(a, "app.exe");
    AddKill(a, "Gone.exe");
    AddFile(a, "Later.exe", "x64");
    AddKill(a, "Later.exe");
    ModuleItem module;
    module.attrs.Set("path", "bin\\Shell.dll");
    a.m_Modules.push_back(module);
    ShortcutItem link;
    link.itemAttrs.Set("link", "APP.EXE");
    a.m_Shortcuts.push_back(link);
    CComponentConfig& b = Add(L"b.config");
    AddFile(b, "x", "x64");
    b.m_Files.back().attrs.Set("newpath", "App.exe");  // the first match in b, skipped ...
    AddFile(b, "App.exe");                            // ... and the variant that is installed
    AddFile(b, "later.exe");
    AddFile(b, "Shell32.dll");
    b.m_Files.back().attrs.Set("newpath", "BIN\\shell.dll");

    EXPECT_EQ(product.ApplyConditions("6.1", "x86"), 0);
    EXPECT_TRUE(a.m_RunRules[0].disabled) << "its only file is x64-only";
    EXPECT_FALSE(a.m_RunRules[1].disabled) << "one file per architecture under one name: the installed one counts";
    EXPECT_TRUE(a.m_RunRules[2].disabled);
    EXPECT_FALSE(a.m_RunRules[3].disabled) << "a skipped match in one component, a real one in the next";
    EXPECT_FALSE(a.m_Modules[0].disabled) << "newpath matches, case-insensitively";
    EXPECT_FALSE(a.m_Shortcuts[0].disabled) << "served by the installed App.exe of b";

    // The add-set variant looks only at the set's own files.
    CComponentConfig set;
    AddFile(set, "app.exe");
    AddKill(set, "APP.exe");
    AddKill(set, "other.exe");
    EXPECT_EQ(DisableOrphanItems(set), 0);
    EXPECT_FALSE(set.m_RunRules[0].disabled);
    EXPECT_TRUE(set.m_RunRules[1].disabled);
    set.m_Files[0].skip = true;
    set.m_RunRules[0].disabled = false;
    DisableOrphanItems(set);
    EXPECT_TRUE(set.m_RunRules[0].disabled);
}

TEST(InstallRoot, RelativePathsFollowTheRoot) {
    TestFolder folder;
    CProductConfig product;
    const std::wstring root = ProgramPath(folder.path() + "/");
    EXPECT_EQ(product.SetInstallRoot(root), 0);
    EXPECT_EQ(product.m_InstallRoot, root);
    EXPECT_EQ(product.SetInstallRoot(root + L"missing\\"), -1);
    EXPECT_EQ(product.m_InstallRoot, root) << "a missing folder keeps the root";
    EXPECT_EQ(product.ExpandPath(L"Setup\\A.dll"), root + L"setup\\a.dll");
}
