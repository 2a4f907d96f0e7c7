// The packing tool as a vendor runs it: arguments, lists, exit codes, messages, and an output
// that appears only when complete.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "PackageTestSupport.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int exitCode;
    std::string output;  // stdout and stderr
};

// Runs in folder when one is given, as a user in that folder would.
ToolRun RunTool(const std::string& arguments, const std::string& folder = "") {
    std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") + QYPACK_PATH + " " + arguments + " 2>&1";
    ToolRun run{-1, ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof(buf), pipe)) > 0;) run.output.append(buf, n);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void WriteText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class PackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(Stub(), StubImage());
        WriteText(Src("program/Tarn.exe"), "tarn");
        WriteText(Src("program/bin/TarnCore.dll"), "core");
        WriteText(Src("setup/_setup.ini"), "[Product]\nProduct=Product.config\n");
        WriteText(Src("setup/package/Product.config"), "<ProductRoot type=\"offline\"/>");
        WriteText(Src("lists/program.config"),
                  "<ComponentRoot><Config><Files>\n"
                  "  <file path=\"bin\\TarnCore.dll\"/>\n"
                  "  <!-- comment -->\n"
                  "  <file path=\"Tarn.exe\" md5=\"x\"/>\n"
                  "</Files></Config></ComponentRoot>\n");
        WriteText(Src("lists/setup.txt"), "# setup package\n_setup.ini\npackage\\Product.config\n\n");
    }
    std::string Src(const std::string& rel) const { return m_dir.path() + "/" + rel; }
    std::string Stub() const { return m_dir.path() + "/stub.exe"; }
    std::string Out() const { return m_dir.path() + "/out/QuillySetup.exe"; }
    std::string Args(const std::string& programList = "lists/program.config") const {
        return "--stub " + Stub() + " --program-base " + Src("program") + " --setup-base " + Src("setup") +
               " --program " + Src(programList) + " --setup " + Src("lists/setup.txt") + " -o " + Out() + " --jobs 2";
    }
    TestFolder m_dir;
};

}  // namespace

TEST_F(PackToolTest, BuildsAnInstallerThatListsAndExtracts) {
    fs::create_directories(m_dir.path() + "/out");
    ToolRun run = RunTool(Args());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Build packags."), std::string::npos);
    EXPECT_NE(run.output.find("\rProcessing [2/2] "), std::string::npos) << run.output;

    ToolRun list = RunTool("--list " + Out());
    ASSERT_EQ(list.exitCode, 0) << list.output;
    EXPECT_NE(list.output.find("package 1 at 4096: 2 entries"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("package 2 at "), std::string::npos);
    EXPECT_LT(list.output.find("bin\\TarnCore.dll"), list.output.find("Tarn.exe")) << "document order";

    ToolRun extract = RunTool("--extract " + Out() + " " + m_dir.path() + "/x");
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    EXPECT_EQ(ReadBytes(m_dir.path() + "/x/1/bin/TarnCore.dll"), ReadBytes(Src("program/bin/TarnCore.dll")));
    EXPECT_EQ(ReadBytes(m_dir.path() + "/x/2/package/Product.config"), ReadBytes(Src("setup/package/Product.config")));
}

TEST_F(PackToolTest, UsageErrors) {
    EXPECT_EQ(RunTool("--help").exitCode, 0);
    ToolRun none = RunTool("");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.output.find("qypack: error: "), std::string::npos);
    EXPECT_EQ(RunTool("--frobnicate").exitCode, 1);
    EXPECT_EQ(RunTool("--jobs 0").exitCode, 1);
}

TEST_F(PackToolTest, UnreadableInputsAreNamedAndNothingIsWritten) {
    fs::create_directories(m_dir.path() + "/out");
    WriteText(Out(), "previous installer");

    fs::remove(Src("program/Tarn.exe"));
    ToolRun missingFile = RunTool(Args());
    EXPECT_EQ(missingFile.exitCode, 2);
    EXPECT_NE(missingFile.output.find("Tarn.exe"), std::string::npos) << missingFile.output;
    EXPECT_NE(missingFile.output.find("program.config"), std::string::npos) << "names the list";

    WriteText(Src("lists/evil.txt"), "..\\..\\etc\\passwd|..\\outside.txt\n");
    ToolRun escape = RunTool(Args("lists/evil.txt"));
    EXPECT_EQ(escape.exitCode, 2) << escape.output;
    EXPECT_NE(escape.output.find("leaves the target folder"), std::string::npos) << escape.output;

    WriteText(Src("lists/broken.config"), "<ComponentRoot><Config>");
    EXPECT_EQ(RunTool(Args("lists/broken.config")).exitCode, 2);

    EXPECT_EQ(RunTool("--stub /no/such/stub " + Args().substr(Args().find(" --program-base"))).exitCode, 2);

    EXPECT_EQ(ReadBytes(Out()), std::vector<uint8_t>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'i', 'n', 's',
                                                       't', 'a', 'l', 'l', 'e', 'r'}))
        << "a failed run leaves the previous installer alone";
    for (const auto& entry : fs::directory_iterator(m_dir.path() + "/out")) {
        EXPECT_EQ(entry.path().filename(), "QuillySetup.exe") << "no partial file is left behind";
    }
}

TEST_F(PackToolTest, UnwritableOutputIsReported) {
    ToolRun run = RunTool(Args());  // the out/ folder does not exist
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_NE(run.output.find("cannot write"), std::string::npos);
}

TEST_F(PackToolTest, ADamagedInstallerIsReportedByList) {
    fs::create_directories(m_dir.path() + "/out");
    ASSERT_EQ(RunTool(Args()).exitCode, 0);
    std::vector<uint8_t> bytes = ReadBytes(Out());
    bytes[4096 + 40] ^= 0xFF;  // inside the first entry
    WriteBytes(Out(), bytes);
    ToolRun list = RunTool("--list " + Out());
    EXPECT_EQ(list.exitCode, 2);
    EXPECT_NE(list.output.find("damaged"), std::string::npos) << list.output;
}

TEST_F(PackToolTest, AnInstallerWithoutBothPackagesFailsWithTheReadersReason) {
    fs::create_directories(m_dir.path() + "/out");
    ASSERT_EQ(RunTool(Args()).exitCode, 0);
    const std::vector<uint8_t> built = ReadBytes(Out());
    const std::string broken = m_dir.path() + "/broken.exe";
    std::vector<uint8_t> headless = built;
    headless[4096] ^= 0xFF;  // the program package's "HgkP"
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {headless, "Pkg Head verify failed | nret 255"},
        // the setup package cut short
        {std::vector<uint8_t>(built.begin(), built.end() - 1), "Pkg Head verify failed | nret 251"},
    };
    for (const auto& [bytes, reason] : cases) {
        WriteBytes(broken, bytes);
        ToolRun list = RunTool("--list " + broken);
        EXPECT_EQ(list.exitCode, 2) << list.output;
        EXPECT_NE(list.output.find("qypack: error: "), std::string::npos) << list.output;
        EXPECT_NE(list.output.find(reason), std::string::npos) << list.output;
        ToolRun extract = RunTool("--extract " + broken + " " + m_dir.path() + "/x");
        EXPECT_EQ(extract.exitCode, 2) << extract.output;
        EXPECT_NE(extract.output.find(reason), std::string::npos) << extract.output;
        EXPECT_FALSE(fs::exists(m_dir.path() + "/x")) << "nothing is extracted from an incomplete installer";
    }
}

TEST_F(PackToolTest, ExtractIntoARelativeFolder) {
    fs::create_directories(m_dir.path() + "/out");
    ASSERT_EQ(RunTool(Args()).exitCode, 0);
    ToolRun extract = RunTool("--extract " + Out() + " x", m_dir.path());
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    EXPECT_EQ(ReadBytes(m_dir.path() + "/x/1/bin/TarnCore.dll"), ReadBytes(Src("program/bin/TarnCore.dll")));
    EXPECT_EQ(ReadBytes(m_dir.path() + "/x/1/Tarn.exe"), ReadBytes(Src("program/Tarn.exe")));
    EXPECT_EQ(ReadBytes(m_dir.path() + "/x/2/_setup.ini"), ReadBytes(Src("setup/_setup.ini")));
    EXPECT_FALSE(fs::exists(m_dir.path() + "/x/1/x")) << "nested below the first package";
}
