// The engine's plan over the sample product's own configuration files, applied with a recording
// double instead of the machine: the whole order of an install, an update and an uninstall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "ConfigTestSupport.h"
#include "config/ProductConfigReader.h"
#include "interface/Parser/CheckDiff.h"
#include "interface/Parser/EngineSteps.h"
#include "system/TextConv.h"

namespace {

const std::wstring kRoot = L"C:\\Tarnhold";
constexpr int64_t kSampleTime = 1608710816943;  // every sample record's time

// Records every effect as "kind detail", paths below the install folder relative to it. A file
// exists once it was placed (or when the test says it is installed).
class RecordingEffects final : public IEngineEffects {
public:
    std::vector<std::string> actions;
    std::set<std::wstring> files;

    bool Exists(const std::wstring& path) override { return files.count(path) != 0; }
    bool PassesThroughLink(const std::wstring&, const std::wstring&) override { return false; }
    int CreateFolder(const std::wstring&) override { return 0; }
    void RemoveFile(const std::wstring& path) override {
        Record(StartsWithRoot(path) ? "delete" : "unlink", path);
        files.erase(path);
    }
    bool RemoveEmptyFolder(const std::wstring&) override { return true; }
    void DeleteFolder(const std::wstring& path) override { Record("rmdir", path); }
    int PlaceFile(const std::wstring&, const std::wstring& dst, std::wstring& pending) override {
        pending.clear();
        Record("place", dst);
        files.insert(dst);
        return 0;
    }
    void SetFileTime(const std::wstring&, int64_t) override {}
    void RunRule(const RuleRun& rule) override {
        Record(std::string("run ") + rule.phase, rule.executable + L" " + rule.arguments);
    }
    bool WriteRegistryValue(const std::wstring& key, const std::wstring& name, const std::wstring&,
                            const std::wstring&) override {
        Record("set", key + L"," + name);
        return true;
    }
    bool RemoveRegistryValue(const std::wstring& key, const std::wstring& name) override {
        Record("clean", key + L"," + name);
        return true;
    }
    bool RemoveRegistryDefault(const std::wstring& key) override {
        Record("clean", key);
        return true;
    }
    std::wstring ShortcutFolder(int kind) override { return L"<shortcuts " + std::to_wstring(kind) + L">"; }
    int CreateShortcut(const std::wstring& path, const std::wstring&, const std::wstring&) override {
        Record("link", path);
        return 0;
    }
    int RegisterComponent(const std::wstring& path, const std::wstring&, bool registering) override {
        Record(registering ? "register" : "unregister", path);
        return 0;
    }

    // The kinds of the actions in order, a run of the same kind counted once.
    std::vector<std::string> Kinds() const {
        std::vector<std::string> kinds;
        for (const std::string& action : actions) {
            std::string kind = action.substr(0, action.find(' ', action.rfind("run ", 0) == 0 ? 4 : 0));
            if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
        }
        return kinds;
    }
    std::vector<std::string> Of(const std::string& kind) const {
        std::vector<std::string> found;
        for (const std::string& action : actions) {
            if (action.compare(0, kind.size() + 1, kind + " ") == 0)
                found.push_back(action.substr(kind.size() + 1));
        }
        return found;
    }

private:
    bool StartsWithRoot(const std::wstring& path) const { return path.compare(0, kRoot.size(), kRoot) == 0; }
    void Record(const std::string& kind, const std::wstring& path) {
        std::wstring shown = StartsWithRoot(path) ? path.substr(kRoot.size() + 1) : path;
        actions.push_back(kind + " " + sys::WideToUtf8(shown));
    }
};

class InstallPlanTest : public ::testing::Test {
protected:
    InstallPlanTest() : check(&disk) { check.m_InstallRoot = kRoot; }

    // The sample product as Init and the procedure read it, on Windows 7 x64.
    static void ReadSample(CProductConfig& product) {
        ::setenv("USERNAME", "tester", 1);  // a registry value of the sample names it
        MessageSink sink;
        product.m_ErrorSink = &sink;
        ASSERT_TRUE(ParseProductConfig(SampleRoot() + L"package\\Product.config", product));
        product.m_InstallRoot = SampleRoot();
        ASSERT_EQ(product.LoadComponentConfigs(L"Tarn.config,setup.config,"), 0)
            << ::testing::PrintToString(sink.messages);
        product.ApplyConditions("6.1", "x64");
    }

    // Every file of the product on disk as its record describes it.
    void InstallOnDisk(const CProductConfig& product) {
        for (const auto& component : product.m_ComponentConfigs) {
            for (const FileItem& file : component->m_Files) {
                if (file.skip) continue;
                const std::wstring path =
                    kRoot + L"\\" +
                    sys::Utf8ToWide(std::string(
                        AttrValue(file.attrs, HasAttr(file.attrs, "newpath") ? "newpath" : "path")));
                disk.Put(path, kSampleTime,
                         static_cast<uint32_t>(std::stoul(std::string(AttrValue(file.attrs, "size")))));
                effects.files.insert(path);
            }
        }
    }

    // The check, then every step of the plan: the engine's through the effects, the driver's as
    // a marker.
    void Run(PlanKind kind, int mode, std::vector<std::wstring> keep = {}) {
        ASSERT_EQ(check.CheckProductDifference(deleted, added, mode), 0);
        InstallPlan plan(kind, deleted, added);
        plan.newRoot = kRoot;
        plan.stagingFolder = kRoot + L"\\~QYSetup";
        plan.oldRoot = kRoot;
        plan.keep = std::move(keep);
        plan.steps = PlanSteps(kind);
        for (PlanStep step : plan.steps) {
            if (IsDriverStep(step)) effects.actions.push_back(std::string("[") + StepName(step) + "]");
            EXPECT_EQ(ApplyPlanStep(plan, step, StepServices{effects, prompt, {}, nullptr}), 0)
                << StepName(step);
        }
    }

    FakeDisk disk;
    CCheckDiff check;
    CComponentConfig deleted, added;
    RecordingEffects effects;
    std::atomic<IInstallUIPromptEx*> prompt{nullptr};
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(InstallPlanTest, AFreshInstallCopiesThenRunsRulesThenRegisters) {
    ReadSample(check.m_NewProduct);
    Run(PlanKind::kInstall, 0);
    // Nothing runs before the copy on an empty folder: the rule's program is not there yet.
    EXPECT_EQ(effects.Kinds(), (Lines{"[PrepareFolders]", "place", "[CopyConfigFiles]", "run AfterCopy",
                                      "run OnRegister", "register", "set", "link", "[RegisterProduct]"}));
    const Lines placed = effects.Of("place");
    EXPECT_EQ(placed.size(), 12u) << "9 of Tarn.config on Windows 7 x64, 3 of setup.config";
    for (const char* file :
         {"Tarn.exe", "TarnShell.dll", "TarnModern.dll", "PackageManager.exe", "Setup\\DllRegX64.exe"})
        EXPECT_NE(std::find(placed.begin(), placed.end(), file), placed.end()) << file;
    EXPECT_EQ(std::count(placed.begin(), placed.end(), "TarnLegacy.dll"), 0) << "up to Vista only";
    EXPECT_EQ(effects.Of("run AfterCopy"), Lines{"TarnUpdate.exe /migrate"});
    EXPECT_EQ(effects.Of("register"), (Lines{"TarnShell.dll", "TarnAgent.exe"})) << "by their order";
    EXPECT_EQ(effects.Of("set").size(), 6u) << "the Run key's value only with the mode record's flag";
    EXPECT_EQ(effects.Of("link").size(), 4u) << "desktop, two in the start menu, the taskbar pin";
}

TEST_F(InstallPlanTest, AnUpdateCopiesOnlyWhatChangedAndKeepsTheUsersSettings) {
    CProductConfig installed;  // on disk only: the install reads only the new product
    ReadSample(installed);
    InstallOnDisk(installed);
    ReadSample(check.m_NewProduct);
    disk.Put(kRoot + L"\\TarnCore.dll", kSampleTime, 1);     // rebuilt since
    disk.Put(kRoot + L"\\Tarn.ini", kSampleTime + 1000, 3);  // the user's settings, edited
    Run(PlanKind::kUpdate, 1);
    EXPECT_EQ(effects.Of("place"), Lines{"TarnCore.dll"});
    // The installed program is there before the copy now: its BeforeCopy rule runs first. The
    // components and shortcuts of files that did not change are not made again.
    EXPECT_EQ(effects.Kinds(), (Lines{"[PrepareFolders]", "run BeforeCopy", "place", "[CopyConfigFiles]",
                                      "run AfterCopy", "run OnRegister", "set", "[RegisterProduct]"}));
}

TEST_F(InstallPlanTest, AnUninstallStopsUnregistersAndRemovesBeforeTheFilesGo) {
    ReadSample(check.m_OldProduct);
    InstallOnDisk(check.m_OldProduct);
    Run(PlanKind::kUninstall, 2, {L"PackageManager.exe"});
    EXPECT_EQ(effects.Kinds(),
              (Lines{"run BeforeUpdate", "run OnStopApp", "unregister", "clean", "unlink", "rmdir",
                     "[RefreshTray]", "run OnUnregister", "delete", "[RemoveProduct]"}));
    EXPECT_EQ(effects.Of("run BeforeUpdate"), Lines{"Tarn.exe "}) << "the KILL rule";
    EXPECT_EQ(effects.Of("unregister"), (Lines{"TarnShell.dll", "TarnAgent.exe"}));
    const Lines deletedFiles = effects.Of("delete");
    EXPECT_EQ(std::count(deletedFiles.begin(), deletedFiles.end(), "PackageManager.exe"), 0)
        << "the running program stays";
    EXPECT_EQ(std::count(deletedFiles.begin(), deletedFiles.end(), "Tarn.exe"), 1);
}
