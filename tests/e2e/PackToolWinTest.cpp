// The Windows packing tool on names outside the ANSI code page: list paths arrive as UTF-16
// arguments, entry paths inside the lists as UTF-8, in both list forms.
#include <gtest/gtest.h>

#include "InstallerRun.h"
#include "WinTestSupport.h"
#include "system/FileHelpers.h"

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

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
    ASSERT_TRUE(WriteTextFile(xmlList, u8"<ComponentRoot><Config><Files>\r\n"
                                       u8"  <file path=\"数据\\说明.txt\"/>\r\n"
                                       u8"</Files></Config></ComponentRoot>\r\n"));

    const std::wstring installer = dir.path() + L"\\安装.exe";
    const std::string build =
        RunAndCapture(Quoted(qypack) + L" --quiet --stub " + Quoted(dir.path() + L"\\stub.exe") + L" --base " +
                      Quoted(base) + L" --program " + Quoted(plainList) + L" --setup " + Quoted(xmlList) + L" -o " +
                      Quoted(installer));
    ASSERT_TRUE(FileExists(installer)) << build;

    const std::string extract =
        RunAndCapture(Quoted(qypack) + L" --extract " + Quoted(installer) + L" " + Quoted(dir.path() + L"\\x"));
    EXPECT_EQ(ReadTextFile(dir.path() + L"\\x\\1\\数据\\说明.txt"), content) << "plain list\n" << extract;
    EXPECT_EQ(ReadTextFile(dir.path() + L"\\x\\2\\数据\\说明.txt"), content) << "component file\n" << extract;
}
