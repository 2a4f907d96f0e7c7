// The packing tool as a vendor runs it: arguments, lists, exit codes, messages, and an output
// that appears only when complete.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
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
ToolRun RunTool(const std::string& arguments, const std::string& folder = "", const std::string& environment = "") {
    std::string command =
        (folder.empty() ? "" : "cd '" + folder + "' && ") + environment + " " + QYPACK_PATH + " " + arguments + " 2>&1";
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

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void SetWriteTime(const std::string& path, int64_t ms) {
    const struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000}, {ms / 1000, (ms % 1000) * 1000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The value of an attribute of the element that carries marker.
std::string AttributeNear(const std::string& text, const std::string& marker, const std::string& name) {
    const size_t element = text.rfind('<', text.find(marker));
    const size_t at = text.find(" " + name + "=\"", element);
    if (at == std::string::npos || at > text.find('>', element)) return "";
    const size_t begin = at + name.size() + 3;
    return text.substr(begin, text.find('"', begin) - begin);
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
               " --program " + Src(programList) + " --setup " + Src("lists/setup.txt") + " -o " + Out() + " --jobs 2 --no-check";
    }
    TestFolder m_dir;
};

}  // namespace

TEST_F(PackToolTest, BuildsAnInstallerThatListsAndExtracts) {
    fs::create_directories(m_dir.path() + "/out");
    ToolRun run = RunTool(Args());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Build packags."), std::string::npos);
    EXPECT_NE(run.output.find("\nProcessing [2/2] "), std::string::npos) << "plain lines into a pipe\n" << run.output;
    // On a terminal the line is rewritten in place; with --quiet nothing is said.
    ToolRun terminal{-1, ""};
    FILE* pipe = ::popen(("script -qec '" + std::string(QYPACK_PATH) + " " + Args() + "' /dev/null").c_str(), "r");
    ASSERT_TRUE(pipe);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof(buf), pipe)) > 0;) terminal.output.append(buf, n);
    ::pclose(pipe);
    EXPECT_NE(terminal.output.find("\rProcessing [2/2] "), std::string::npos) << terminal.output;
    EXPECT_EQ(RunTool(Args() + " --quiet").output, "");

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

TEST_F(PackToolTest, StampSetsTheRecordsFromTheFilesAndChangesNothingElse) {
    WriteText(Src("files/abc.txt"), "abc");
    WriteText(Src("files/数据/说明.txt"), "");
    SetWriteTime(Src("files/abc.txt"), 1626350400123);  // 15 July 2021, summer time in Berlin
    SetWriteTime(Src("files/数据/说明.txt"), 1610000000000);
    const std::string before =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!-- <Config><Files><file path=\"abc.txt\" md5=\"kept\"/></Files></Config> -->\r\n"
        "<ComponentRoot name_0409='Kit'>\r\n"
        "  <Config>\r\n    <Files>\r\n"
        "      <file time=\"1\" path='abc.txt'   md5=\"old\"\r\n            compressSize=\"7\" type=\"data\"/>\r\n"
        "      <file path=\"数据\\说明.txt\" newpath=\"说明.txt\"></file>\r\n"
        "    </Files>\r\n  </Config>\r\n</ComponentRoot>\r\n";
    WriteText(Src("kit/Kit.config"), before);
    const std::string stamp = "stamp " + Src("kit/Kit.config") + " --base " + Src("files");
    ToolRun run = RunTool(stamp, "", "TZ=Europe/Berlin");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("2 records, 2 changed"), std::string::npos) << run.output;

    std::string after = ReadText(Src("kit/Kit.config"));
    const std::string archiveSize = AttributeNear(after, "abc.txt'", "compressSize");
    EXPECT_GT(std::atoi(archiveSize.c_str()), 3) << "the size of the packed item, not of the file";
    std::string expected = before;
    Replace(expected, "time=\"1\"", "time=\"1626350400123\"");
    Replace(expected, "md5=\"old\"", "md5=\"900150983cd24fb0d6963f7d28e17f72\"");
    Replace(expected, "compressSize=\"7\" type=\"data\"", "compressSize=\"" + archiveSize + "\" type=\"data\" size=\"3\"");
    Replace(expected, "newpath=\"说明.txt\">",
            "newpath=\"说明.txt\" md5=\"d41d8cd98f00b204e9800998ecf8427e\" size=\"0\" time=\"1610000000000\">");
    EXPECT_EQ(after, expected);

    run = RunTool(stamp, "", "TZ=Asia/Shanghai");
    EXPECT_NE(run.output.find("2 records, 0 changed"), std::string::npos) << "stamping again changes nothing\n"
                                                                          << run.output;
    EXPECT_EQ(ReadText(Src("kit/Kit.config")), expected);

    fs::remove(Src("files/abc.txt"));
    run = RunTool(stamp);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("Kit.config:6: error: file 'abc.txt' is missing"), std::string::npos) << run.output;
    EXPECT_EQ(ReadText(Src("kit/Kit.config")), expected) << "a file with a fault is left as it was";
}

TEST_F(PackToolTest, AProductWithFaultsIsRefusedWithEachFaultAndItsLine) {
    for (const char* file : {"Kit.exe", "a/Kit.exe", "x64.dll", "x86.dll", "old.dll", "Setup/PackageManager.exe"})
        WriteText(Src(std::string("program/") + file), file);
    WriteText(Src("setup/package/Product.config"),
              "<ProductRoot type=\"offline\">\n"
              "  <ProductInfo><Components>\n"
              "    <Component name=\"Kit\" config=\"Kit.config\"/>\n"
              "    <Component name=\"Setup\" config=\"setup.config\"/>\n"
              "    <Component name=\"Broken\" config=\"Broken.config\"/>\n"
              "    <Component name=\"Gone\" config=\"Gone.config\"/>\n"
              "  </Components></ProductInfo>\n"
              "  <SetupInfo name=\"Setup\" config=\"setup.config\"/>\n"
              "</ProductRoot>\n");
    WriteText(Src("setup/package/Kit.config"),
              "<ComponentRoot name_0409=\"Kit\" type=\"Client\">\n"
              "  <Config><Files>\n"
              "    <file path=\"Kit.exe\"/>\n"
              "    <file path=\"Missing.dll\"/>\n"
              "    <file path=\"a\\Kit.exe\" newpath=\"kit.exe\"/>\n"
              "    <file path=\"x64.dll\" newpath=\"k.dll\" platform=\"x64\"/>\n"
              "    <file path=\"x86.dll\" newpath=\"k.dll\" platform=\"x86\"/>\n"
              "    <file path=\"old.dll\" os=\"6.1+-10.0\"/>\n"
              "  </Files>\n"
              "  <RegModules><module path=\"Nowhere.dll\" order=\"1\"/></RegModules>\n"
              "  <ShortCut><Desktop><item link=\"Ghost.exe\"/></Desktop></ShortCut>\n"
              "  </Config>\n"
              "  <RunRule>\n"
              "    <rule cmd=\"EXEC\" executable=\"$System32\\cmd.exe\" order=\"1\" when=\"AfterCopy\"/>\n"
              "    <rule cmd=\"EXEC\" executable=\"Kit.exe\" order=\"2\" when=\"Sometime\"/>\n"
              "    <rule cmd=\"EXEC\" executable=\"Helper.exe\" order=\"3\" when=\"AfterCopy\"/>\n"
              "  </RunRule>\n"
              "</ComponentRoot>\n");
    WriteText(Src("setup/package/setup.config"),
              "<ComponentRoot name_0409=\"Setup\"><Config><Files>\n"
              "  <file path=\"Setup\\PackageManager.exe\" newpath=\"PackageManager.exe\"/>\n"
              "</Files></Config></ComponentRoot>\n");
    WriteText(Src("setup/package/Broken.config"), "<ComponentRoot>\n  <Config>\n");
    WriteText(Src("lists/product.txt"), "Kit.exe\na\\Kit.exe\nx64.dll\nx86.dll\nold.dll\nSetup\\PackageManager.exe\n");
    WriteText(Src("lists/setup.txt"), "_setup.ini\npackage\\Product.config\npackage\\Kit.config\n"
                                      "package\\setup.config\npackage\\Broken.config\n");
    fs::create_directories(m_dir.path() + "/out");
    std::string args = Args("lists/product.txt");
    args.erase(args.find(" --no-check"));
    ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 5) << run.output;
    const std::string kit = Src("setup/package/Kit.config");
    for (const std::string& fault : {
             Src("setup/package/Product.config") + ":6: error: component file 'package\\Gone.config' is not in the setup package",
             Src("setup/package/Broken.config") + ":",
             kit + ":4: error: file 'Missing.dll' is not in the program package",
             kit + ":5: error: 'kit.exe' is also the target of the record at " + kit + ":3",
             kit + ":8: error: Invalid Attribute Value [os=\"6.1+-10.0\"]",
             kit + ":10: error: module 'Nowhere.dll' is not installed by any file record",
             kit + ":11: error: shortcut target 'Ghost.exe' is not installed",
             kit + ":15: error: Invalid Attribute Value [when=\"Sometime\"]",
             kit + ":16: error: run rule program 'Helper.exe' is not installed",
         }) {
        EXPECT_NE(run.output.find(fault), std::string::npos) << fault << "\n" << run.output;
    }
    EXPECT_EQ(run.output.find(kit + ":7:"), std::string::npos) << "x86 and x64 files never meet";
    EXPECT_EQ(run.output.find(kit + ":14:"), std::string::npos) << "a system program through a folder macro";
    EXPECT_FALSE(fs::exists(Out()));
    EXPECT_EQ(RunTool(args + " --no-check").exitCode, 0);
}

TEST_F(PackToolTest, InitWritesAProductThatPacksWithItsRecordsStamped) {
    WriteText(Src("files/App.exe"), "MZ app");
    WriteText(Src("files/lib/核心.dll"), std::string(5000, 'c'));
    WriteText(Src("files/readme.txt"), "read me");
    WriteText(Src("rt/DllRegX64.exe"), "MZ helper");
    WriteBytes(Src("rt/PackageManager.exe"), StubImage());
    WriteText(Src("rt/PackageManager.zip"), "PK skin");
    const std::string init = "init files --name 'Kit 工具' --publisher Acme -o kit --runtime rt";
    ToolRun run = RunTool(init, m_dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("qypack --product kit --base files"), std::string::npos) << run.output;
    EXPECT_EQ(RunTool(init, m_dir.path()).exitCode, 4) << "an existing description is not overwritten";

    // A record that states its packed form gets the entry's.
    std::string component = ReadText(Src("kit/package/Kit 工具.config"));
    EXPECT_EQ(AttributeNear(component, "lib\\核心.dll", "size"), "5000") << component;
    Replace(component, "path=\"lib\\核心.dll\"", "path=\"lib\\核心.dll\" compressmd5=\"0\" compressSize=\"0\"");
    WriteText(Src("kit/package/Kit 工具.config"), component);

    run = RunTool("--product kit --base files -o Kit.exe", m_dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ToolRun list = RunTool("--list Kit.exe", m_dir.path());
    ASSERT_EQ(RunTool("--extract Kit.exe x", m_dir.path()).exitCode, 0);
    EXPECT_EQ(ReadText(Src("x/1/lib/核心.dll")), std::string(5000, 'c'));
    EXPECT_EQ(ReadBytes(Src("x/2/_setup.ini")), ReadBytes(Src("kit/_setup.ini")));
    const std::string packed = ReadText(Src("x/2/package/Kit 工具.config"));
    EXPECT_EQ(ReadText(Src("x/1/package/Kit 工具.config")), packed) << "the same copy in both packages";
    const std::string stored = AttributeNear(packed, "lib\\核心.dll", "compressSize");
    EXPECT_NE(list.output.find(" " + stored + "  lib\\核心.dll"), std::string::npos) << stored << "\n" << list.output;
    EXPECT_EQ(AttributeNear(ReadText(Src("x/2/package/setup.config")), "DllRegX64.bin", "size"), "9");
}
