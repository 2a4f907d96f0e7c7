// The difference check on products built in memory and a file system described in memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>

#include "ConfigTestSupport.h"
#include "interface/Parser/CheckDiff.h"
#include "system/FileProbe.h"
#include "system/TextConv.h"

namespace {

const std::wstring kRoot = L"C:\\Quilly";

AttrMap Attrs(std::initializer_list<std::pair<const char*, const char*>> pairs) {
    AttrMap attrs;
    for (const auto& pair : pairs) attrs.Set(pair.first, pair.second);
    return attrs;
}

FileItem File(const char* path, const char* md5 = "m1",
              std::initializer_list<std::pair<const char*, const char*>> more = {}) {
    FileItem file;
    file.attrs = Attrs({{"path", path}, {"md5", md5}, {"time", "1608710816943"}, {"size", "100"}});
    for (const auto& pair : more) file.attrs.Set(pair.first, pair.second);
    ComputeItemHashes(file);
    return file;
}

RunRuleItem Rule(const char* executable, const char* when, const char* order) {
    RunRuleItem rule;
    rule.attrs = Attrs({{"executable", executable}, {"when", when}});
    if (*order) rule.attrs.Set("order", order);
    ComputeItemHashes(rule);
    return rule;
}

CComponentConfig& AddComponent(CProductConfig& product, const char* name) {
    product.m_ComponentConfigs.push_back(std::make_unique<CComponentConfig>());
    product.m_ComponentConfigs.back()->m_RootAttrs.Set("name_0409", name);
    return *product.m_ComponentConfigs.back();
}

std::vector<std::string> Paths(const std::vector<FileItem>& files, bool withSkip = false) {
    std::vector<std::string> paths;
    for (const FileItem& f : files) {
        std::string p(AttrValue(f.attrs, "newpath").empty() ? AttrValue(f.attrs, "path")
                                                            : AttrValue(f.attrs, "newpath"));
        if (withSkip && f.skip) p += " (skip)";
        paths.push_back(p);
    }
    return paths;
}

class CheckDiffTest : public ::testing::Test {
protected:
    CheckDiffTest() : check(&disk) { check.m_InstallRoot = kRoot; }
    int Run(int mode) { return check.CheckProductDifference(deleted, added, mode); }
    // The installed copy of a file exactly as its record says.
    void Installed(const char* path) { disk.Put(kRoot + L"\\" + sys::Utf8ToWide(path), 1608710816943, 100); }

    FakeDisk disk;
    CCheckDiff check;
    CComponentConfig deleted, added;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(CheckDiffTest, InstallIntoAnEmptyFolderAddsEverything) {
    CComponentConfig& tarn = AddComponent(check.m_NewProduct, "Tarn");
    tarn.m_Files = {File("Tarn.exe"), File("bin\\a.dll", "m", {{"newpath", "lib\\a.dll"}})};
    tarn.m_RunRules = {Rule("Tarn.exe", "AfterCopy", "")};
    EXPECT_EQ(Run(0), 0);
    EXPECT_TRUE(deleted.m_Files.empty());
    EXPECT_EQ(Paths(added.m_Files, true), (Names{"Tarn.exe", "lib\\a.dll"}));
    ASSERT_EQ(added.m_RunRules.size(), 1u);
    EXPECT_FALSE(added.m_RunRules[0].disabled);
}

TEST_F(CheckDiffTest, UninstallDeletesEverythingAndSkipsNoDeleteFiles) {
    CComponentConfig& tarn = AddComponent(check.m_OldProduct, "Tarn");
    tarn.m_Files = {File("Tarn.exe"), File("user.ini", "m1", {{"noDelete", "TRUE"}})};
    Installed("Tarn.exe");
    Installed("user.ini");
    EXPECT_EQ(Run(2), 0);
    EXPECT_EQ(Paths(deleted.m_Files, true), (Names{"Tarn.exe", "user.ini (skip)"}));
    EXPECT_TRUE(added.m_Files.empty()) << "installed copies that match need nothing";
}

TEST_F(CheckDiffTest, AChangedDigestIsAddedOnlyAndAMovedFileIsBoth) {
    CComponentConfig& before = AddComponent(check.m_OldProduct, "TARN");
    before.m_Files = {File("Tarn.exe", "old"), File("a.dll", "m", {{"newpath", "lib\\a.dll"}}),
                      File("same.txt")};
    CComponentConfig& after = AddComponent(check.m_NewProduct, "tarn");  // paired without regard to case
    after.m_Files = {File("Tarn.exe", "new"), File("a.dll", "m", {{"newpath", "bin\\a.dll"}}),
                     File("same.txt")};
    for (const char* p : {"Tarn.exe", "lib\\a.dll", "same.txt"}) Installed(p);
    EXPECT_EQ(Run(0), 0);
    EXPECT_EQ(Paths(deleted.m_Files), (Names{"lib\\a.dll"}));
    EXPECT_EQ(Paths(added.m_Files), (Names{"Tarn.exe", "bin\\a.dll"}));
}

TEST_F(CheckDiffTest, FilesInstalledOnlyWhenMissingSurviveEveryReinstall) {
    // An install reads no installed product: the component is appended whole, and a user's
    // settings file must still not be overwritten.
    AddComponent(check.m_NewProduct, "Tarn").m_Files = {File("settings.ini", "m", {{"isInstall", "false"}}),
                                                        File("Tarn.exe")};
    EXPECT_EQ(Run(0), 0);
    EXPECT_EQ(Paths(added.m_Files), (Names{"settings.ini", "Tarn.exe"})) << "missing: installed";

    CComponentConfig deleted2, added2;
    disk.Put(kRoot + L"\\settings.ini", 42, 7);  // edited by the user
    EXPECT_EQ(check.CheckProductDifference(deleted2, added2, 0), 0);
    EXPECT_EQ(Paths(added2.m_Files), (Names{"Tarn.exe"}));

    // The same rule for a paired component, whatever the hashes say.
    CComponentConfig deleted3, added3;
    AddComponent(check.m_OldProduct, "Tarn").m_Files = {
        File("settings.ini", "other", {{"isInstall", "false"}})};
    EXPECT_EQ(check.CheckProductDifference(deleted3, added3, 0), 0);
    EXPECT_EQ(Paths(added3.m_Files), (Names{"Tarn.exe"}));
}

TEST_F(CheckDiffTest, AnUpdateKeepsFilesMarkedNotToUpgrade) {
    for (int mode : {0, 1}) {
        CCheckDiff fresh(&disk);
        fresh.m_InstallRoot = kRoot;
        AddComponent(fresh.m_NewProduct, "Tarn").m_Files = {
            File("profile.dat", "m", {{"isUpgrade", "false"}})};
        Installed("profile.dat");
        CComponentConfig d, a;
        EXPECT_EQ(fresh.CheckProductDifference(d, a, mode), 0);
        EXPECT_EQ(a.m_Files.size(), mode == 1 ? 0u : 1u) << "mode " << mode;
    }
}

TEST_F(CheckDiffTest, AnInstalledCopyThatNoLongerMatchesIsInstalledAgain) {
    AddComponent(check.m_OldProduct, "Tarn").m_Files = {File("Tarn.exe"), File("TarnCore.dll"),
                                                        File("gone.dll")};
    AddComponent(check.m_NewProduct, "Tarn").m_Files = {File("Tarn.exe"), File("TarnCore.dll"),
                                                        File("gone.dll")};
    Installed("Tarn.exe");
    disk.Put(kRoot + L"\\TarnCore.dll", 1608710816943, 99);  // size changed on disk
    EXPECT_EQ(Run(0), 0);
    EXPECT_TRUE(deleted.m_Files.empty());
    EXPECT_EQ(Paths(added.m_Files, true), (Names{"TarnCore.dll", "gone.dll"}));
}

TEST_F(CheckDiffTest, RecordedTimesMatchWithinOneSecondInUtc) {
    disk.Put(L"C:\\f", 1608710816943, 5);
    EXPECT_TRUE(FileMatchesRecord(disk, L"C:\\f", 1608710816943 - 1000, 5));
    EXPECT_TRUE(FileMatchesRecord(disk, L"C:\\f", 1608710816943 + 1000, 5));
    EXPECT_FALSE(FileMatchesRecord(disk, L"C:\\f", 1608710816943 - 1001, 5));
    EXPECT_FALSE(FileMatchesRecord(disk, L"C:\\f", 1608710816943, 6));
    EXPECT_FALSE(FileMatchesRecord(disk, L"C:\\missing", 1608710816943, 5));

    // A file dated in July, in a zone with summer time: the same UTC instant matches.
    const char* saved = std::getenv("TZ");
    const std::string restore = saved ? saved : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    disk.Put(L"C:\\july", 1626000000000, 5);  // 2021-07-11 10:40 UTC
    EXPECT_TRUE(FileMatchesRecord(disk, L"C:\\july", 1626000000000, 5));
    saved ? setenv("TZ", restore.c_str(), 1) : unsetenv("TZ");
    tzset();
}

TEST_F(CheckDiffTest, RunRulesDriversAndModulesAreSortedAndDeduplicated) {
    CComponentConfig& tarn = AddComponent(check.m_NewProduct, "Tarn");
    tarn.m_Files = {File("a.exe"), File("b.exe"), File("c.exe"), File("x.dll")};
    tarn.m_RunRules = {Rule("free.exe", "AfterCopy", ""), Rule("c.exe", "AfterCopy", "3"),
                       Rule("a.exe", "AfterCopy", "1"),   Rule("A.EXE", "aftercopy", "1"),
                       Rule("b.exe", "AfterCopy", "2"),   Rule("b.exe", "AfterCopy", "4"),
                       Rule("b.exe", "AfterCopy", "2")};
    ModuleItem one, two;
    one.attrs = Attrs({{"path", "x.dll"}, {"order", "2"}});
    two.attrs = Attrs({{"path", "X.DLL"}, {"order", "2"}});
    tarn.m_Modules = {one, two};
    EXPECT_EQ(Run(0), 0);
    Names rules;
    for (const RunRuleItem& r : added.m_RunRules) {
        rules.push_back(std::string(AttrValue(r.attrs, "executable")) + ":" +
                        std::string(AttrValue(r.attrs, "order")) + (r.disabled ? " disabled" : ""));
    }
    // Ordered rules take the ordered places ascending; the rule without order keeps its place.
    // Equal neighbours go (a.exe and A.EXE, the two b.exe with order 2); b.exe with order 4 stays,
    // separated from its twin by c.exe.
    EXPECT_EQ(rules, (Names{"free.exe: disabled", "a.exe:1", "b.exe:2", "c.exe:3", "b.exe:4"}));
    EXPECT_EQ(added.m_Modules.size(), 1u) << "modules with the same path without regard to case";
}

TEST_F(CheckDiffTest, FilesAlreadyInPlaceAreSkippedInTheInstallFolderOfTheRun) {
    AddComponent(check.m_OldProduct, "Tarn").m_Files = {File("Tarn.exe", "old")};
    AddComponent(check.m_NewProduct, "Tarn").m_Files = {File("Tarn.exe", "new"), File("TarnCore.dll")};
    Installed("Tarn.exe");
    Installed("TarnCore.dll");
    // The installed product's own root stays empty: the folder of the run decides.
    EXPECT_TRUE(check.m_OldProduct.m_InstallRoot.empty());
    EXPECT_EQ(Run(0), 0);
    EXPECT_EQ(Paths(added.m_Files, true), (Names{"Tarn.exe (skip)", "TarnCore.dll (skip)"}));
}
