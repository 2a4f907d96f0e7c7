// Registry values of the add and delete sets, written and removed through the engine and read
// back the way an administrator would (reg.exe query).
#include <gtest/gtest.h>

#include <windows.h>

#include "WinTestSupport.h"
#include "interface/Parser/RegEditor.h"
#include "interface/Parser/UpdateEngEx.h"
#include "system/TextConv.h"

namespace {

const std::string kKey = "HKCU\\Software\\QuillyRegTest";
const std::string kRunHklm = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunHkcu = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

RegItem Reg(const std::string& key, const char* name, const char* type, const char* value = "") {
    RegItem item;
    item.attrs.Set("key", key);
    item.attrs.Set("name", name);
    item.attrs.Set("type", type);
    if (*value) item.attrs.Set("value", value);
    return item;
}

std::string Query(const std::string& key, const char* name) {
    return RunAndCapture(sys::Utf8ToWide("reg.exe query \"" + key + "\" /v " + name));
}

// The data of one value as reg.exe prints it ("    name    REG_SZ    data"), or "" when absent.
std::string Data(const std::string& key, const char* name, const char* type) {
    const std::string out = Query(key, name);
    const std::string marker = std::string(type) + "    ";
    const size_t at = out.find(marker);
    if (at == std::string::npos) return "";
    const size_t end = out.find_first_of("\r\n", at);
    return out.substr(at + marker.size(), end - at - marker.size());
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillyRegTest");
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            HKEY run;
            if (::RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_SET_VALUE, &run) == 0) {
                ::RegDeleteValueW(run, L"QuillyTest");
                ::RegCloseKey(run);
            }
        }
    }
    CUpdateEngEx engine;
};

}  // namespace

TEST_F(RegistryTest, InstallWritesEachTypeAsItsTableRowSays) {
    RegItem language = Reg(kKey, "Language", "REG_SZ");
    language.attrs.Set(LanguageAttrName("value"), "system language");
    engine.m_AddSet.m_Regs = {Reg(kKey, "Text", "reg_sz", "Quilly 中文"), Reg(kKey, "Ascii", "REG_SZ", "Quilly Tarn"), Reg(kKey, "Count", "REG_DWORD", "12abc"),
                              Reg(kKey, "Zero", "REG_DWORD_LITTLE_ENDIAN", "abc"), Reg(kKey, "Blob", "REG_BINARY", "01"),
                              Reg(kKey, "Wide", "REG_QWORD", "1"), language, Reg(kKey, "", "REG_SZ", "no name")};
    EXPECT_EQ(engine.InstallRegs(false), 0);
    EXPECT_EQ(Data(kKey, "Ascii", "REG_SZ"), "Quilly Tarn");
    // reg.exe prints in the console's code page; the wide text is read with the registry API.
    wchar_t wide[64] = {};
    DWORD bytes = sizeof(wide);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\QuillyRegTest", L"Text", RRF_RT_REG_SZ, nullptr, wide, &bytes), 0);
    EXPECT_EQ(std::wstring(wide), L"Quilly 中文");
    EXPECT_EQ(Data(kKey, "Count", "REG_DWORD"), "0xc");
    EXPECT_EQ(Data(kKey, "Zero", "REG_DWORD"), "0x0");
    EXPECT_EQ(Data(kKey, "Language", "REG_SZ"), "system language");
    // Types the table accepts but nothing writes, and a type it does not know: no value.
    EXPECT_EQ(Query(kKey, "Blob").find("Blob"), std::string::npos);
    EXPECT_EQ(Query(kKey, "Wide").find("Wide"), std::string::npos);
    EXPECT_FALSE(UpdateRegistry(sys::Utf8ToWide(kKey), L"Wide", L"REG_QWORD", L"1"));
    EXPECT_TRUE(UpdateRegistry(sys::Utf8ToWide(kKey), L"Blob", L"REG_BINARY", L"01"));

    // DELETE of a value that is there, then of one that is not.
    engine.m_AddSet.m_Regs = {Reg(kKey, "Text", "DELETE")};
    EXPECT_EQ(engine.InstallRegs(false), 0);
    EXPECT_EQ(Data(kKey, "Text", "REG_SZ"), "");
    EXPECT_FALSE(UpdateRegistry(sys::Utf8ToWide(kKey), L"Text", L"delete", L""));

    // An unknown root touches nothing.
    EXPECT_FALSE(UpdateRegistry(L"HKXX\\Software\\QuillyRegTest", L"X", L"REG_SZ", L"x"));
    EXPECT_FALSE(CRegEditor::Clean(L"HKXX\\Software\\QuillyRegTest", L""));
}

TEST_F(RegistryTest, TheRunKeyOfTheMachineIsWrittenOnlyWithTheFlag) {
    std::string upper = kRunHklm;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    engine.m_AddSet.m_Regs = {Reg(kRunHklm, "QuillyTest", "REG_SZ", "Tarn.exe"), Reg(kRunHkcu, "QuillyTest", "REG_SZ", "Tarn.exe")};
    EXPECT_EQ(engine.InstallRegs(false), 0);
    EXPECT_EQ(Data(kRunHklm, "QuillyTest", "REG_SZ"), "");
    EXPECT_EQ(Data(kRunHkcu, "QuillyTest", "REG_SZ"), "Tarn.exe");
    engine.m_AddSet.m_Regs = {Reg(upper, "QuillyTest", "REG_SZ", "Tarn.exe")};
    EXPECT_EQ(engine.InstallRegs(true), 0);
    EXPECT_EQ(Data(kRunHklm, "QuillyTest", "REG_SZ"), "Tarn.exe");
}

TEST_F(RegistryTest, UninstallRemovesTheValueNotTheKeyAndCleanRemovesATree) {
    ASSERT_TRUE(RegWriteValue(sys::Utf8ToWide(kKey), L"Path", 1, L"C:\\Quilly"));
    ASSERT_TRUE(RegWriteValue(sys::Utf8ToWide(kKey), L"Other", 4, L"7"));
    ASSERT_TRUE(RegWriteValue(sys::Utf8ToWide(kKey + "\\a\\b\\c"), L"Deep", 1, L"x"));
    std::wstring text;
    ASSERT_TRUE(RegReadValue(sys::Utf8ToWide(kKey), L"Other", text));
    EXPECT_EQ(text, L"7");
    engine.m_DeleteSet.m_Regs = {Reg(kKey, "Path", "REG_SZ"), Reg(kKey, "Missing", "REG_SZ")};
    EXPECT_EQ(engine.UninstallRegs(), 0);
    EXPECT_EQ(Data(kKey, "Path", "REG_SZ"), "");
    EXPECT_EQ(Data(kKey, "Other", "REG_DWORD"), "0x7") << "only the named value goes";

    EXPECT_TRUE(CRegEditor::Clean(sys::Utf8ToWide(kKey), L""));
    HKEY gone = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QuillyRegTest", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND)
        << "the key and everything below it are gone";
    if (gone) ::RegCloseKey(gone);
    EXPECT_FALSE(CRegEditor::Clean(sys::Utf8ToWide(kKey), L"")) << "a missing key";
}

// An empty name names the default value: written on install, and on uninstall the product's key
// goes whole, while a shared key (here HKCU\Software) loses its default value and nothing else.
TEST_F(RegistryTest, AnEmptyNameIsTheDefaultValueAndASharedKeyIsNeverRemoved) {
    engine.m_AddSet.m_Regs = {Reg(kKey, "", "REG_SZ", "default text")};
    EXPECT_EQ(engine.InstallRegs(false), 0);
    std::wstring text;
    ASSERT_TRUE(RegReadValue(sys::Utf8ToWide(kKey), L"", text));
    EXPECT_EQ(text, L"default text");
    ASSERT_TRUE(RegWriteValue(L"HKCU\\Software", L"", 1, L"someone's default"));
    ASSERT_TRUE(RegWriteValue(L"HKCU\\Software\\QuillyRegCanary", L"Kept", 1, L"yes"));
    engine.m_DeleteSet.m_Regs = {Reg(kKey, "", "REG_SZ"), Reg("HKCU\\Software", "", "REG_SZ")};
    EXPECT_EQ(engine.UninstallRegs(), 0);
    HKEY gone = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QuillyRegTest", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
    if (gone) ::RegCloseKey(gone);
    EXPECT_FALSE(RegReadValue(L"HKCU\\Software", L"", text)) << "the shared key's default value stayed";
    EXPECT_EQ(Data("HKCU\\Software\\QuillyRegCanary", "Kept", "REG_SZ"), "yes")
        << "the shared key was removed";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillyRegCanary");
}
