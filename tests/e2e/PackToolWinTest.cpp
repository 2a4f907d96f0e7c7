// The Windows packing tool: names outside the ANSI code page: list paths arrive as UTF-16
// arguments, entry paths inside the lists as UTF-8, in both list forms.
#include <gtest/gtest.h>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace {

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

bool SetWriteTimeMs(const std::wstring& path, int64_t ms) {
    sys::UniqueHandle file(
        ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const uint64_t ticks = static_cast<uint64_t>(ms) * 10000 + 116444736000000000ull;
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return file && ::SetFileTime(file.get(), nullptr, nullptr, &time);
}

}  // namespace

TEST(PackToolWin, PacksNonAsciiEntriesFromNonAsciiListsOfBothForms) {
    const std::wstring qypack = ExecutableFromEnvironment("QY_QYPACK_EXE");
    ASSERT_FALSE(qypack.empty()) << "QY_QYPACK_EXE not set";
    WinTestFolder dir;
    const std::wstring base = dir.path() + L"\\产品";
    const std::string content = u8"说明：第一版\r\n";
    ASSERT_EQ(sys::CreateFolderTree(base + L"\\数据"), 0);
    ASSERT_TRUE(WriteTextFile(base + L"\\数据\\说明.txt", content));
    std::string stub(4096, '\0');
    stub[0] = 'M';
    stub[1] = 'Z';
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\stub.exe", stub));
    const std::wstring plainList = dir.path() + L"\\清单.lst";
    const std::wstring xmlList = dir.path() + L"\\清单.config";
    ASSERT_TRUE(WriteTextFile(plainList, u8"# 程序\r\n数据\\说明.txt\r\n"));
    ASSERT_TRUE(WriteTextFile(xmlList,
                              u8"<ComponentRoot><Config><Files>\r\n"
                              u8"  <file path=\"数据\\说明.txt\"/>\r\n"
                              u8"</Files></Config></ComponentRoot>\r\n"));

    const std::wstring installer = dir.path() + L"\\安装.exe";
    const std::string build =
        RunAndCapture(Quoted(qypack) + L" --quiet --stub " + Quoted(dir.path() + L"\\stub.exe") +
                      L" --base " + Quoted(base) + L" --program " + Quoted(plainList) + L" --setup " +
                      Quoted(xmlList) + L" -o " + Quoted(installer) + L" --no-check");
    ASSERT_TRUE(FileExists(installer)) << build;

    const std::string extract = RunAndCapture(Quoted(qypack) + L" --extract " + Quoted(installer) + L" " +
                                              Quoted(dir.path() + L"\\x"));
    EXPECT_EQ(ReadTextFile(dir.path() + L"\\x\\1\\数据\\说明.txt"), content) << "plain list\n" << extract;
    EXPECT_EQ(ReadTextFile(dir.path() + L"\\x\\2\\数据\\说明.txt"), content) << "component file\n" << extract;
}

// The README's two commands, by the Windows tool from its own folder (where the build puts the
// installer's files beside it), from a folder of mixed files to an installed and uninstalled product.
TEST(PackToolWin, AProductStartedByInitInstallsAndUninstalls) {
    const std::wstring qypack = ExecutableFromEnvironment("QY_QYPACK_EXE");
    ASSERT_FALSE(qypack.empty()) << "QY_QYPACK_EXE not set";
    WinTestFolder dir;
    const std::wstring files = dir.path() + L"\\文件";
    ASSERT_EQ(sys::CreateFolderTree(files + L"\\数据"), 0);
    const std::vector<std::pair<std::wstring, std::string>> placed = {
        {L"Kit.exe", "MZ kit"}, {L"数据\\说明.txt", u8"说明\r\n"}, {L"readme.txt", "read me"}};
    for (const auto& [name, content] : placed) ASSERT_TRUE(WriteTextFile(files + L"\\" + name, content));

    DWORD code = 1;
    const std::string init =
        RunAndCapture(Quoted(qypack) + L" init " + Quoted(files) + L" --name Kit --publisher Acme -o " +
                          Quoted(dir.path() + L"\\kit"),
                      &code);
    ASSERT_EQ(code, 0u) << init;
    const std::wstring installer = dir.path() + L"\\KitSetup.exe";
    const std::string pack = RunAndCapture(Quoted(qypack) + L" --product " + Quoted(dir.path() + L"\\kit") +
                                               L" --base " + Quoted(files) + L" -o " + Quoted(installer),
                                           &code);
    ASSERT_EQ(code, 0u) << pack;
    EXPECT_NE(pack.find("Processing [1/"), std::string::npos) << "plain progress lines into a pipe\n" << pack;

    const std::wstring folder = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
    InstallerRun run = RunInstaller(L"/silent", 120000, installer);
    EXPECT_EQ(run.exitCode, 0) << run.log;
    for (const auto& [name, content] : placed) EXPECT_EQ(ReadTextFile(folder + L"\\" + name), content);
    EXPECT_TRUE(FileExists(folder + L"\\PackageManager.exe"));
    run = RunInstaller(L"/unsilent", 120000, folder + L"\\PackageManager.exe");
    EXPECT_EQ(run.exitCode, 0) << run.log;
    for (int waited = 0; waited < 20000 && FileExists(folder + L"\\PackageManager.exe"); waited += 100)
        ::Sleep(100);
    for (const auto& [name, content] : placed)
        EXPECT_FALSE(FileExists(folder + L"\\" + name)) << sys::WideToUtf8(name);
    EXPECT_FALSE(FileExists(folder + L"\\PackageManager.exe")) << run.log;
    EXPECT_EQ(RegText(L"Software\\QuillyTarn", L"InstallPath"), L"");
}

// The Windows tool stamps a file dated in summer, run in a zone with summer time (e2e.summer runs
// it with TZ=Europe/Berlin), and a name outside the ANSI code page; it refuses a product with
// faults by line.
TEST(PackToolWin, StampsInASummerTimeZoneAndNamesAProductsFaults) {
    const std::wstring qypack = ExecutableFromEnvironment("QY_QYPACK_EXE");
    ASSERT_FALSE(qypack.empty()) << "QY_QYPACK_EXE not set";
    TIME_ZONE_INFORMATION zone = {};
    ::GetTimeZoneInformation(&zone);
    EXPECT_EQ(zone.Bias, -60) << "not run in Central European Time";
    WinTestFolder dir;
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\夏天.txt", "abc"));
    ASSERT_TRUE(SetWriteTimeMs(dir.path() + L"\\夏天.txt", 1626350400123));  // 15 July 2021, 14:00 in Berlin
    const std::string component =
        u8"<ComponentRoot name_0409=\"Kit\"><Config><Files>\r\n"
        u8"  <file path=\"夏天.txt\" md5=\"old\" type=\"data\"/>\r\n"
        u8"</Files></Config></ComponentRoot>\r\n";
    const std::wstring config = dir.path() + L"\\Kit.config";
    ASSERT_TRUE(WriteTextFile(config, component));
    DWORD code = 1;
    const std::string stamp =
        RunAndCapture(Quoted(qypack) + L" stamp " + Quoted(config) + L" --base " + Quoted(dir.path()), &code);
    ASSERT_EQ(code, 0u) << stamp;
    EXPECT_EQ(ReadTextFile(config),
              u8"<ComponentRoot name_0409=\"Kit\"><Config><Files>\r\n"
              u8"  <file path=\"夏天.txt\" md5=\"900150983cd24fb0d6963f7d28e17f72\" type=\"data\" size=\"3\" "
              u8"time=\"1626350400123\"/>\r\n"
              u8"</Files></Config></ComponentRoot>\r\n");

    // The same component in a product whose file is not packed and whose rule has no known phase.
    ASSERT_TRUE(
        WriteTextFile(config,
                      u8"<ComponentRoot name_0409=\"Kit\"><Config><Files>\r\n"
                      u8"  <file path=\"夏天.txt\"/>\r\n"
                      u8"  <file path=\"Missing.dll\"/>\r\n"
                      u8"</Files></Config>\r\n"
                      u8"<RunRule><rule cmd=\"EXEC\" executable=\"夏天.txt\" order=\"1\" when=\"Sometime\"/>"
                      u8"</RunRule></ComponentRoot>\r\n"));
    ASSERT_EQ(sys::CreateFolderTree(dir.path() + L"\\package"), 0);
    ASSERT_TRUE(::CopyFileW(config.c_str(), (dir.path() + L"\\package\\Kit.config").c_str(), FALSE));
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\package\\Product.config",
                              "<ProductRoot type=\"offline\"><ProductInfo><Components>"
                              "<Component name=\"Kit\" config=\"Kit.config\"/></Components></ProductInfo>"
                              "<SetupInfo name=\"Kit\" config=\"Kit.config\"/></ProductRoot>"));
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\_setup.ini", "[Product]\r\nProduct=Product.config\r\n"));
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\program.lst", u8"夏天.txt\r\n"));
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\setup.lst",
                              "_setup.ini\r\npackage\\Product.config\r\npackage\\Kit.config\r\n"));
    std::string stub(4096, '\0');
    stub[0] = 'M';
    stub[1] = 'Z';
    ASSERT_TRUE(WriteTextFile(dir.path() + L"\\stub.exe", stub));
    const std::string pack = RunAndCapture(
        Quoted(qypack) + L" --stub " + Quoted(dir.path() + L"\\stub.exe") + L" --base " + Quoted(dir.path()) +
            L" --program " + Quoted(dir.path() + L"\\program.lst") + L" --setup " +
            Quoted(dir.path() + L"\\setup.lst") + L" -o " + Quoted(dir.path() + L"\\Kit.exe"),
        &code);
    EXPECT_EQ(code, 5u) << pack;
    const std::string packed = sys::WideToUtf8(dir.path() + L"\\package\\Kit.config");
    EXPECT_NE(pack.find(packed + ":3: error: file 'Missing.dll' is not in the program package"),
              std::string::npos)
        << pack;
    EXPECT_NE(pack.find(packed + ":5: error: Invalid Attribute Value [when=\"Sometime\"]"), std::string::npos)
        << pack;
    EXPECT_FALSE(FileExists(dir.path() + L"\\Kit.exe"));
}
