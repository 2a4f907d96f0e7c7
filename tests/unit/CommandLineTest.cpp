// The command-line grammar: mode words, folders, the program-files blank rule, failures.
#include <gtest/gtest.h>

#include <string>

#include "entry/CommandLine.h"

namespace {

const std::wstring kDefault = OpePARAMEx::kDefaultInstallPath;

int NothingRegistered(std::wstring&) { return 0; }
int Registered(std::wstring& folder) {
    folder = L"E:\\Apps\\Tarnhold";
    return 1;
}

struct Parsed {
    int result;
    OpePARAMEx record;
};

Parsed Parse(const std::wstring& line, InstallPathQuery query = &NothingRegistered) {
    Parsed parsed;
    std::wstring buffer = line;
    parsed.result = ParseCommandLine(buffer.empty() ? nullptr : &buffer[0], parsed.record, query);
    return parsed;
}

}  // namespace

TEST(CommandLine, EmptyLineIsInstallIntoDefaultFolder) {
    Parsed p = Parse(L"");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_INSTALL);
    EXPECT_EQ(p.record.m_InstallPath, kDefault);
    EXPECT_EQ(p.record.m_AllowRestart, 1);
}

TEST(CommandLine, SilentNoRestart) {
    Parsed p = Parse(L"/silent /norestart");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_SILENT);
    EXPECT_EQ(p.record.m_InstallPath, kDefault);
    EXPECT_EQ(p.record.m_AllowRestart, 0);
}

TEST(CommandLine, WordsMatchByPrefixIgnoringCase) {
    EXPECT_EQ(Parse(L"/INSTALL").record.m_Mode, OpePARAMEx::CMD_INSTALL);
    EXPECT_EQ(Parse(L"-Silent").record.m_Mode, OpePARAMEx::CMD_SILENT);
    EXPECT_EQ(Parse(L"@websilent").record.m_Mode, OpePARAMEx::CMD_WEBSILENT);
    // "installer" is the install word followed by "er", which is not a ":" folder.
    Parsed p = Parse(L"/installer");
    EXPECT_EQ(p.result, -3);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_INSTALL);
    EXPECT_EQ(Parse(L"/NoRestart /SILENT").record.m_AllowRestart, 0);
}

TEST(CommandLine, UnknownWordsAndBlankLinesFindNoMode) {
    EXPECT_EQ(Parse(L"/repair").result, -2);
    EXPECT_EQ(Parse(L"install").result, 0);  // the leading delimiter is optional
    EXPECT_EQ(Parse(L"   ").result, -2);
    EXPECT_EQ(Parse(L"/-@").result, -2);
}

TEST(CommandLine, FolderAfterColon) {
    Parsed p = Parse(L"/install:D:\\Games\\X");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_InstallPath, L"D:\\Games\\X");

    p = Parse(L"/install:");
    EXPECT_EQ(p.result, -4);
    EXPECT_TRUE(p.record.m_InstallPath.empty());
}

TEST(CommandLine, ProgramFilesFolderKeepsItsFirstBlank) {
    Parsed p = Parse(L"/install:C:\\Program Files (x86)\\A B");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_InstallPath, L"C:\\Program Files (x86)\\A");

    p = Parse(L"/install:c:\\PROGRAM FILES\\Quilly /norestart");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_InstallPath, L"c:\\PROGRAM FILES\\Quilly");
    EXPECT_EQ(p.record.m_AllowRestart, 0);

    // Other folders with blanks are cut at the first blank.
    EXPECT_EQ(Parse(L"/install:D:\\My Games\\X").record.m_InstallPath, L"D:\\My");
}

TEST(CommandLine, SplitProgramFilesRuleNeedsMoreThanTenCharacters) {
    CmdArgList bare;
    // "C:\Program" has exactly ten characters before the blank: cut there.
    EXPECT_EQ(bare.Split(L"C:\\Program Files\\Quilly"), 2u);
    EXPECT_STREQ(bare[0], L"C:\\Program");
    EXPECT_STREQ(bare[1], L"Files\\Quilly");

    CmdArgList prefixed;
    EXPECT_EQ(prefixed.Split(L"xC:\\Program Files\\Quilly App"), 2u);
    EXPECT_STREQ(prefixed[0], L"xC:\\Program Files\\Quilly");
    EXPECT_STREQ(prefixed[1], L"App");

    CmdArgList noSeparator;  // " files" must be followed by "\"
    EXPECT_EQ(noSeparator.Split(L"xC:\\Program Files"), 2u);
}

TEST(CommandLine, SplitQuotesAndBlanks) {
    CmdArgList list;
    EXPECT_EQ(list.Split(L"  a  \"b c\"d \"e"), 4u);
    EXPECT_STREQ(list[0], L"a");
    EXPECT_STREQ(list[1], L"b c");
    EXPECT_STREQ(list[2], L"d");
    EXPECT_STREQ(list[3], L"\"e") << "an unclosed quote is an ordinary character";
    EXPECT_EQ(list.Find(L"B C"), 2u);
    EXPECT_EQ(list.Find(L"zz"), 0u);
    EXPECT_STREQ(list.GetValue(L"b"), L" c");
    EXPECT_EQ(list.GetValue(L"q"), nullptr);
}

TEST(CommandLine, UninstallTakesTheRegisteredFolder) {
    Parsed p = Parse(L"/uninstall", &Registered);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_UNINSTALL);
    EXPECT_EQ(p.record.m_InstallPath, L"E:\\Apps\\Tarnhold");

    p = Parse(L"/uninstall:D:\\Ignored /norestart", &Registered);
    EXPECT_EQ(p.record.m_InstallPath, L"E:\\Apps\\Tarnhold");
    EXPECT_EQ(p.record.m_AllowRestart, 1) << "uninstall does not look at norestart";

    EXPECT_EQ(Parse(L"/uninstall").result, -4);
    EXPECT_EQ(Parse(L"/unsilent").result, -4);
}

TEST(CommandLine, UpdateNeedsARegisteredFolder) {
    Parsed p = Parse(L"/update /norestart", &Registered);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_UPDATE);
    EXPECT_EQ(p.record.m_AllowRestart, 0);
    EXPECT_EQ(Parse(L"/update").result, -4);
}

TEST(CommandLine, LookupOrderDecidesBetweenWords) {
    Parsed p = Parse(L"/uninstall /install:D:\\X", &Registered);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_INSTALL);
    EXPECT_EQ(p.record.m_InstallPath, L"D:\\X");
    EXPECT_EQ(Parse(L"/websilent /silent").record.m_Mode, OpePARAMEx::CMD_SILENT);
}

TEST(CommandLine, WebInstallWithoutFolderFails) {
    Parsed p = Parse(L"/webinstall");
    EXPECT_EQ(p.result, -4);
    EXPECT_EQ(p.record.m_Mode, OpePARAMEx::CMD_WEBINSTALL);
    EXPECT_EQ(Parse(L"/webinstall:D:\\Web").result, 0);
    Parsed silent = Parse(L"/websilent");
    EXPECT_EQ(silent.result, 0);
    EXPECT_EQ(silent.record.m_InstallPath, kDefault);
}

TEST(CommandLine, HyphenInFolderCutsTheFolder) {
    Parsed p = Parse(L"/install:D:\\Tarn-Hold\\X");
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.record.m_InstallPath, L"D:\\Tarn");
}

// A folder that is not absolute would be wherever the installer was started from: refused.
TEST(CommandLine, OnlyAbsoluteFoldersAreTaken) {
    for (const wchar_t* line : {L"/silent:D:\\Games", L"/silent:\\\\server\\share\\Games"}) {
        EXPECT_EQ(Parse(line).result, 0) << line;
    }
    for (const wchar_t* line :
         {L"/silent:relative\\folder", L"/silent:Games", L"/install:D:Games", L"/silent:\\Games",
          L"/silent:\\\\server", L"/silent:\\\\?\\D:\\Games", L"/websilent:.\\x"}) {
        EXPECT_LT(Parse(line).result, 0) << line;
    }
}
