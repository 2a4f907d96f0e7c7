// The setup package's way into a working folder: extraction, the product file named by
// _setup.ini, and the renames the installer's own component asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PackageTestSupport.h"
#include "interface/Maker/SetupPkg.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Utf16Le(const std::string& ascii) {
    std::vector<uint8_t> out;
    for (char c : ascii) out.push_back(static_cast<uint8_t>(c)), out.push_back(0);
    return out;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

const char kProduct[] =
    "<ProductRoot type=\"offline\"><ProductInfo><Common ProductID=\"1\"/></ProductInfo>"
    "<SetupInfo name=\"Setup\" config=\"setup.config\"/></ProductRoot>";
const char kSetupComponent[] =
    "<ComponentRoot name_0409=\"Setup\"><Config><Files>"
    "<file path=\"PackageManager.exe.bin\" newpath=\"PackageManager.exe\"/>"
    "<file path=\"skin.zip\"/>"
    "<file path=\"../outside.txt\" newpath=\"escaped.txt\"/>"
    "</Files></Config></ComponentRoot>";

class SetupPkgTest : public ::testing::Test {
protected:
    // Lays the setup files out in src/, builds program + setup package, opens the result.
    std::unique_ptr<SetupPkg> Build(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& setupFiles,
                                    bool withSetupPackage = true) {
        std::vector<PackFileEntry> program = {{"app.exe", ""}};
        WriteBytes(m_src.path() + "/app.exe", Text("program file"));
        std::vector<PackFileEntry> setup;
        for (const auto& file : setupFiles) {
            fs::path p = fs::path(m_src.path()) / file.first;
            fs::create_directories(p.parent_path());
            WriteBytes(p.string(), file.second);
            setup.push_back({file.first, ""});
        }
        std::vector<std::vector<PackFileEntry>> packages = {program};
        if (withSetupPackage) packages.push_back(setup);
        std::string carrier = BuildCarrier(m_work, m_src.path() + "/", packages);
        int error = 0;
        return std::make_unique<SetupPkg>(OpenPackageFile(Wide(carrier), error));
    }
    std::string Out(const std::string& relative) const { return m_out.path() + "/" + relative; }

    TestFolder m_src, m_work, m_out;
};

}  // namespace

TEST_F(SetupPkgTest, ExtractsNamesTheProductFileAndRenames) {
    auto pkg = Build({{"_setup.ini", Utf16Le("[Product]\r\nProduct=Product.config\r\n")},
                      {"package/Product.config", Text(kProduct)},
                      {"package/setup.config", Text(kSetupComponent)},
                      {"PackageManager.exe.bin", Text("stub")},
                      {"skin.zip", Text("skin")}});
    std::wstring name;
    ASSERT_EQ(pkg->ExtractAllSetupFiles(Wide(m_out.path()), name), 0);
    EXPECT_EQ(name, L"Product.config");
    EXPECT_EQ(ReadBytes(Out("PackageManager.exe")), Text("stub")) << "renamed from path to newpath";
    EXPECT_FALSE(fs::exists(Out("PackageManager.exe.bin")));
    EXPECT_EQ(ReadBytes(Out("skin.zip")), Text("skin")) << "no newpath, no rename";
    EXPECT_FALSE(fs::exists(Out("escaped.txt"))) << "a rename from outside the folder is refused";
    EXPECT_FALSE(fs::exists(Out("app.exe"))) << "the program package is not part of the setup files";

    TestFolder programs;
    ASSERT_EQ(pkg->ExtractAllProgramFiles(Wide(programs.path())), 0);
    EXPECT_EQ(ReadBytes(programs.path() + "/app.exe"), Text("program file"));
    EXPECT_EQ(GetInstalledSize(), 12u);
}

TEST_F(SetupPkgTest, MissingProductValueMeansProductConfig) {
    auto pkg = Build({{"_setup.ini", Utf16Le("[Other]\r\nx=1\r\n")},
                      {"package/Product.config", Text(kProduct)},
                      {"package/setup.config", Text(kSetupComponent)}});
    std::wstring name;
    EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(m_out.path()), name), 0);
    EXPECT_EQ(name, L"Product.config");
}

TEST_F(SetupPkgTest, EmptyProductValueFails) {
    auto pkg = Build({{"_setup.ini", Utf16Le("[Product]\r\nProduct=\r\n")}});
    std::wstring name = L"unchanged";
    EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(m_out.path()), name), -5);
    EXPECT_EQ(name, L"unchanged");
}

TEST_F(SetupPkgTest, FailuresOfTheConfigurationSteps) {
    {
        auto pkg = Build({{"_setup.ini", Utf16Le("[Product]\r\nProduct=Missing.config\r\n")}});
        TestFolder out;
        std::wstring name;
        EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(out.path()), name), -2);
        EXPECT_EQ(name, L"Missing.config");
    }
    {
        auto pkg = Build({{"package/Product.config", Text("<ProductRoot type=\"offline\"><SetupInfo name=\"x\"/></ProductRoot>")}});
        TestFolder out;
        std::wstring name;
        EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(out.path()), name), -3);
        EXPECT_EQ(name, L"Product.config") << "the name is stored before the setup component is looked up";
    }
    {
        auto pkg = Build({{"package/Product.config", Text(kProduct)}});
        TestFolder out;
        std::wstring name;
        EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(out.path()), name), -4) << "setup.config is missing";
    }
}

TEST_F(SetupPkgTest, OnePackageOnlyTouchesNothing) {
    auto pkg = Build({}, false);
    std::wstring name;
    EXPECT_EQ(pkg->ExtractAllSetupFiles(Wide(m_out.path()), name), -1);
    EXPECT_TRUE(fs::is_empty(m_out.path()));
    EXPECT_EQ(pkg->ExtractFollowingPackages(Wide(m_out.path())), -1);

    SetupPkg none(MemoryPackageSource(StubImage()));
    EXPECT_EQ(none.ExtractAllProgramFiles(Wide(m_out.path())), -1);
}

TEST_F(SetupPkgTest, ADamagedCarrierCannotBeRead) {
    std::vector<uint8_t> file = ReadBytes(BuildCarrier(m_work, m_src.path() + "/", {{}}));
    file[4096 + 36 + 16 + 3] ^= 0xFF;  // inside the index block of an empty package
    try {
        SetupPkg pkg(MemoryPackageSource(file));
        FAIL() << "a package with a wrong index digest was accepted";
    } catch (const ZelkException& e) {
        EXPECT_STREQ(e.what(), "SetupPkgParser Init failed.");
        EXPECT_EQ(e.code(), -2);
    }
}

TEST_F(SetupPkgTest, FollowingPackagesAreExtractedInFileOrder) {
    WriteBytes(m_src.path() + "/one.txt", Text("first"));
    WriteBytes(m_src.path() + "/two.txt", Text("second"));
    WriteBytes(m_src.path() + "/three.txt", Text("third"));
    std::string carrier =
        BuildCarrier(m_work, m_src.path() + "/", {{{"one.txt", ""}}, {{"two.txt", ""}}, {{"three.txt", ""}}});
    int error = 0;
    SetupPkg pkg(OpenPackageFile(Wide(carrier), error));
    ASSERT_EQ(pkg.ExtractFollowingPackages(Wide(m_out.path())), 0);
    EXPECT_FALSE(fs::exists(Out("one.txt"))) << "the program package is not a following package";
    EXPECT_EQ(ReadBytes(Out("two.txt")), Text("second"));
    EXPECT_EQ(ReadBytes(Out("three.txt")), Text("third"));
}
