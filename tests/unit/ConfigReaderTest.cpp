// The configuration reader on the sample product and on focused documents: what lands in the
// model, which messages reach the window's sink, and which component files drop out.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "ConfigTestSupport.h"
#include <tinyxml.h>

#include "config/ConfigListPieces.h"
#include "config/FileTargets.h"
#include "config/ProductConfig.h"
#include "config/ProductConfigReader.h"

namespace {

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A product whose component files live in a test folder's "package" folder.
class ComponentFiles : public ::testing::Test {
protected:
    void SetUp() override {
        product.m_InstallRoot = ProgramPath(folder.path() + "/");
        product.m_ErrorSink = &sink;
    }
    void Write(const std::string& name, const std::string& xml) { WriteConfigFile(folder, "package/" + name, xml); }
    // Reads one component document given by its body below the root.
    bool ReadOne(const std::string& rootAttrs, const std::string& body) {
        Write("c.config", std::string(kDecl) + "<ComponentRoot " + rootAttrs + ">" + body + "</ComponentRoot>");
        model = CComponentConfig();
        return product.ParseComponentConfig(product.m_InstallRoot + L"package\\c.config", model);
    }
    std::string PathOf(const std::string& name) const { return Shown(folder.path() + "/package/" + name); }

    TestFolder folder;
    MessageSink sink;
    CProductConfig product;
    CComponentConfig model;
};

}  // namespace

TEST(SampleProduct, ProductFileFillsTheProductValues) {
    CProductConfig product;
    MessageSink sink;
    ASSERT_TRUE(ParseProductConfig(SampleRoot() + L"package\\Product.config", product, &sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(product.m_PackageType, kPackageOffline);
    EXPECT_EQ(product.m_Version, L"16.0.2018.08221656");
    EXPECT_EQ(product.m_ProductID, 1);
    EXPECT_EQ(product.m_ProductOS, 7);
    EXPECT_EQ(product.m_ProductType, L"Client");
    EXPECT_EQ(product.m_ProductVer, L"16.2.181222");
    ASSERT_EQ(product.m_Components.size(), 2u);
    EXPECT_EQ(product.m_Components[0].name, L"Tarn");
    EXPECT_EQ(product.m_Components[0].config, L"Tarn.config");
    EXPECT_EQ(product.m_Components[1].config, L"setup.config");
    EXPECT_EQ(product.m_Components[1].enabled, 1);
    EXPECT_EQ(product.m_Name0804, L"塔恩");
    EXPECT_EQ(product.m_Name0409, L"Quilly Tarn");
    EXPECT_EQ(product.m_RegKey, L"HKLM\\Software\\QuillyTarn");
    EXPECT_EQ(product.m_SetupConfig, L"setup.config");
    EXPECT_EQ(product.m_ExtraModulePath, L"PackageManager.exe");
}

TEST(SampleProduct, ComponentFilesReadCompletelyAndCleanly) {
    ::setenv("USERNAME", "tester <\"ops\">", 1);
    CProductConfig product;
    MessageSink sink;
    product.m_ErrorSink = &sink;
    product.m_InstallRoot = SampleRoot();
    testing::internal::CaptureStdout();
    EXPECT_EQ(product.LoadComponentConfigs(L"Tarn.config,setup.config,"), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    for (const auto& m : sink.messages) ADD_FAILURE() << "unexpected message: " << m;
    const std::string root = Shown(QY_SAMPLES_DIR "/");
    EXPECT_EQ(out, "Parse " + root + "package\\Tarn.config\nParse " + root + "package\\setup.config\n");

    ASSERT_EQ(product.m_ComponentConfigs.size(), 2u);
    const CComponentConfig& tarn = *product.m_ComponentConfigs[0];
    EXPECT_EQ(tarn.m_FileName, L"Tarn.config");
    EXPECT_EQ(AttrValue(tarn.m_RootAttrs, "name_0409"), "Tarn Client");
    EXPECT_EQ(tarn.m_Files.size(), 11u);
    EXPECT_EQ(tarn.m_Regs.size(), 7u);
    EXPECT_EQ(tarn.m_Modules.size(), 2u);
    EXPECT_EQ(tarn.m_Drivers.size(), 1u);
    EXPECT_EQ(tarn.m_RunRules.size(), 9u);
    ASSERT_EQ(tarn.m_Shortcuts.size(), 4u);
    EXPECT_EQ(product.m_ConfigCount, 2);
    EXPECT_EQ(product.m_FileCount, 14);

    // Desktop: one shortcut made of both children's attributes.
    const ShortcutItem& desktop = tarn.m_Shortcuts[0];
    EXPECT_EQ(desktop.kind, SK_DESKTOP);
    EXPECT_EQ(AttrValue(desktop.itemAttrs, "link"), "Tarn.exe");
    EXPECT_EQ(AttrValue(desktop.itemAttrs, "argv"), "/desktop");
    EXPECT_EQ(AttrValue(desktop.itemAttrs, "name_0804"), "塔恩");
    EXPECT_TRUE(desktop.folderAttrs.empty());
    // Start menu: one per folder child, each with the folder's names.
    EXPECT_EQ(tarn.m_Shortcuts[1].kind, SK_STARTMENU);
    EXPECT_EQ(AttrValue(tarn.m_Shortcuts[2].folderAttrs, "name_0409"), "Quilly Tarn");
    EXPECT_EQ(AttrValue(tarn.m_Shortcuts[2].itemAttrs, "argv"), "/uninstall");
    EXPECT_EQ(tarn.m_Shortcuts[3].kind, SK_QUICKLAUNCH);

    // Entities and references are decoded as the values are read.
    EXPECT_EQ(AttrValue(tarn.m_Regs[2].attrs, "value"), "tester <\"ops\">");
    EXPECT_EQ(AttrValue(tarn.m_Regs[6].attrs, "value"), "\"C:\\Program Files (x86)\\Morvane\\Tarnhold\\Tarn.exe\" /tray");
    EXPECT_EQ(AttrValue(product.m_ComponentConfigs[1]->m_Files[1].attrs, "newpath"), "Setup\\DllRegX64.exe");
}

TEST(ProductFile, ElementNamesIgnoreCaseAttributeNamesDoNot) {
    TestFolder folder;
    CProductConfig product;
    ASSERT_TRUE(ParseProductConfig(WriteConfigFile(folder, "a.config",
                                                   "<Anything type=\"WEB\"><installinfo Path=\"X\" RegKey=\"K\"/>"
                                                   "<EXTRAMODULE path=\"lower\"/><setupinfo config=\"s.config\"/>"
                                                   "</Anything>"),
                                   product));
    EXPECT_EQ(product.m_PackageType, kPackageWeb);
    EXPECT_EQ(product.m_InstallInfoPath, L"X");
    EXPECT_EQ(product.m_ExtraModulePath, L"") << "the attribute is Path, not path";
    EXPECT_EQ(product.m_SetupConfig, L"s.config");
}

TEST(ProductFile, SeveralFilesAccumulateIntoOneModel) {
    TestFolder folder;
    CProductConfig product;
    MessageSink sink;
    auto file = [&](const char* name, const char* id, const char* type, const char* component) {
        return WriteConfigFile(folder, name,
                               std::string("<ProductRoot ") + type + "><ProductInfo><Common ProductID=\"" + id +
                                   "\" ProductVer=\"" + id + ".0\"/><Components><Component name=\"" + component +
                                   "\" config=\"" + component + ".config\"/></Components></ProductInfo></ProductRoot>");
    };
    ASSERT_TRUE(ParseProductConfig(file("p1.config", "1", "type=\"offline\"", "A"), product, &sink));
    ASSERT_TRUE(ParseProductConfig(file("p2.config", "2", "", "B"), product, &sink));
    EXPECT_EQ(product.m_ProductID, 3);
    EXPECT_EQ(product.m_ProductVer, L"2.0") << "a later file overwrites";
    EXPECT_EQ(product.m_PackageType, kPackageOffline) << "a missing type leaves the package type";
    ASSERT_EQ(product.m_Components.size(), 2u);
    EXPECT_EQ(product.m_Components[1].name, L"B");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Attribute Value Is Null [type=\"\"]"});
}

TEST(ProductFile, UnreadableFilesFailWithoutMessage) {
    TestFolder folder;
    CProductConfig product;
    MessageSink sink;
    EXPECT_FALSE(ParseProductConfig(ProgramPath(folder.path() + "/missing.config"), product, &sink));
    EXPECT_FALSE(ParseProductConfig(WriteConfigFile(folder, "empty.config", ""), product, &sink));
    EXPECT_FALSE(ParseProductConfig(WriteConfigFile(folder, "comment.config", "<!-- none -->"), product, &sink));
    EXPECT_FALSE(ParseProductConfig(WriteConfigFile(folder, "broken.config", "<a><b></a>"), product, &sink));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(ItemHashes, IdentityAndContentAreSeparate) {
    TestFolder folder;
    CProductConfig product;
    product.m_InstallRoot = ProgramPath(folder.path() + "/");
    WriteConfigFile(folder, "package/h.config",
                    "<R><Config><Files>"
                    "<file path=\"a\" newpath=\"bc\" md5=\"11\"/><file path=\"ab\" newpath=\"c\" md5=\"11\"/>"
                    "<file path=\"a\" newpath=\"bc\" md5=\"22\"/></Files>"
                    "<ShortCut><Desktop><i link=\"t.exe\"/></Desktop><quicklanch><i link=\"t.exe\"/></quicklanch>"
                    "</ShortCut></Config></R>");
    ASSERT_EQ(product.LoadComponentConfigs(L"h.config"), 0);
    const auto& files = product.m_ComponentConfigs[0]->m_Files;
    EXPECT_EQ(files[0].keyHash, files[1].keyHash) << "values are joined without separators";
    EXPECT_EQ(files[0].keyHash, files[2].keyHash);
    EXPECT_NE(files[0].valueHash, files[2].valueHash);
    EXPECT_EQ(files[0].keyHash, crc32(0, reinterpret_cast<const Bytef*>("abc"), 3));

    const auto& shortcuts = product.m_ComponentConfigs[0]->m_Shortcuts;
    EXPECT_EQ(shortcuts[0].keyHash, crc32(0, reinterpret_cast<const Bytef*>("t.exe1"), 6));
    EXPECT_NE(shortcuts[0].keyHash, shortcuts[1].keyHash) << "the kind is part of the identity";
}

TEST_F(ComponentFiles, DocumentFailuresReportTheParserTextAndThePath) {
    Write("empty.config", "");
    Write("big.config", std::string(10485761, ' '));
    Write("broken.config", "<R><Config></R>");
    const std::pair<const char*, std::string> cases[] = {
        {"missing.config", "Failed to open file"},
        {"empty.config", "Error document empty."},
        {"big.config", "Error document empty."},
    };
    for (const auto& [name, text] : cases) {
        sink.messages.clear();
        EXPECT_FALSE(product.ParseComponentConfig(product.m_InstallRoot + L"package\\" + ProgramPath(name), model));
        ASSERT_EQ(sink.messages.size(), 1u) << name;
        EXPECT_EQ(sink.messages[0], text + PathOf(name));
    }
    sink.messages.clear();
    EXPECT_FALSE(product.ParseComponentConfig(product.m_InstallRoot + L"package\\broken.config", model));
    ASSERT_EQ(sink.messages.size(), 1u);
    const std::string shown = PathOf("broken.config");
    EXPECT_GT(sink.messages[0].size(), shown.size()) << "the parser's text comes first";
    EXPECT_EQ(sink.messages[0].substr(sink.messages[0].size() - shown.size()), shown);
}

TEST_F(ComponentFiles, AFailingFileDropsItselfAndEveryLaterFile) {
    Write("a.config", "<R name_0409=\"A\"/>");
    Write("b.config", "<R isDisplay=\"TRUE\"/>");
    Write("c.config", "<R name_0409=\"C\"/>");
    testing::internal::CaptureStdout();
    EXPECT_EQ(product.LoadComponentConfigs(L"a.config,b.config,c.config,"), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(product.m_ComponentConfigs.size(), 1u);
    EXPECT_EQ(product.m_ComponentConfigs[0]->m_FileName, L"a.config");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Invalid Attribute Value [isDisplay=\"TRUE\"]"});
    EXPECT_NE(out.find("b.config\nError.\n"), std::string::npos);
    EXPECT_EQ(out.find("c.config"), std::string::npos);
    EXPECT_EQ(product.m_ConfigCount, 2);
}

TEST_F(ComponentFiles, TheListNeedsACommaAfterEveryName) {
    Write("a.config", "<R/>");
    Write("b.config", "<R/>");
    testing::internal::CaptureStdout();
    EXPECT_EQ(product.LoadComponentConfigs(L"a.config,,b.config"), 0);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(product.m_ComponentConfigs.size(), 3u);
    EXPECT_EQ(product.m_ComponentConfigs[2]->m_FileName, L"b.config") << "b is read twice";
    EXPECT_EQ(product.m_ConfigCount, 3);

    testing::internal::CaptureStdout();
    EXPECT_EQ(product.LoadComponentConfigs(L""), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(product.m_ComponentConfigs.empty()) << "a new list replaces the models";
}

TEST_F(ComponentFiles, EveryMessageOfTheAttributeChecks) {
    EXPECT_FALSE(ReadOne("type=\"Server\"", "<Config><Files><file path=\"\" isInstall=\"\"/></Files></Config>"));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{
                                 "Invalid Attribute Value [type=\"Server\"]",
                                 "Attribute Value Is Null [path=\"\"]",
                                 "Attribute Value Is Null [isInstall=\"\"]",
                                 "Invalid Attribute Value [isInstall=\"\"]",
                             }));
    ASSERT_EQ(model.m_Files.size(), 1u) << "an item with bad values is kept in the (dropped) model";
    EXPECT_TRUE(HasAttr(model.m_Files[0].attrs, "path"));

    sink.messages.clear();
    EXPECT_FALSE(ReadOne("", "<Foo/><Config><Bar/></Config>"));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Not Support Ele [Foo]"}) << "unknown Config children pass";

    sink.messages.clear();
    EXPECT_FALSE(ReadOne("", "<Config><ShortCut><Desktop><i link=\"a.exe\"/><i link=\"b.exe\" argv=\"-x\"/></Desktop>"
                             "<StartMenu><Folder><i link=\"a.exe\"/></Folder></StartMenu></ShortCut></Config>"));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Insert Failed Attribute Value [link=\"b.exe\"]",
                                                       "Folder Name Must Have Value [Folder]"}));
    ASSERT_EQ(model.m_Shortcuts.size(), 2u);
    EXPECT_EQ(AttrValue(model.m_Shortcuts[0].itemAttrs, "link"), "a.exe") << "the first value stays";
    EXPECT_EQ(AttrValue(model.m_Shortcuts[0].itemAttrs, "argv"), "-x");
}

TEST_F(ComponentFiles, RequiredAttributesAreCollectedPerList) {
    EXPECT_FALSE(ReadOne("", "<Config><RegModules><m order=\"12\"/><m path=\"x.dll\" order=\"3\"/></RegModules>"
                             "<Drivers><d order=\"4\"/></Drivers></Config>"
                             "<RunRule><rule order=\"5\" when=\"AfterCopy\" cmd=\"EXEC\"/></RunRule>"));
    const std::string path = PathOf("c.config");
    EXPECT_EQ(sink.messages, (std::vector<std::string>{
                                 "12 path is null\r\n" + path,
                                 "4 path is null\r\n" + path,
                                 "5 executable is null\r\n" + path,
                                 "AfterCopy executable is null\r\n" + path,
                             }));
}

TEST_F(ComponentFiles, SpecialCasesOfShortcutsAndMessages) {
    // A start menu whose first child is not a Folder gives no shortcut; Desktop always gives one.
    EXPECT_TRUE(ReadOne("", "<Config><ShortCut><StartMenu><item link=\"a\"/><Folder n=\"x\"><i link=\"b\"/></Folder>"
                            "</StartMenu><Desktop/></ShortCut></Config>"));
    ASSERT_EQ(model.m_Shortcuts.size(), 1u);
    EXPECT_EQ(model.m_Shortcuts[0].kind, SK_DESKTOP);

    // A "%" in the file path is not taken for a format.
    TestFolder odd;
    CProductConfig other;
    other.m_ErrorSink = &sink;
    other.m_InstallRoot = ProgramPath(odd.path() + "/100%s%n/");
    sink.messages.clear();
    testing::internal::CaptureStdout();
    EXPECT_EQ(other.LoadComponentConfigs(L"x.config"), -1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "Failed to open file" + Shown(odd.path() + "/100%s%n/package/x.config"));
}

TEST(AllowedValues, EachRowOfTheTable) {
    CComponentConfig c;
    struct Case {
        const char* name;
        const char* value;
        bool isRoot;
        bool valid;
    };
    const Case cases[] = {
        {"isDisplay", "YES", false, true},        {"ISDISPLAY", "TRUE", false, false},
        {"isEssential", "no", true, true},        {"bwaitend", "false", false, true},
        {"noDelete", "yes", false, false},        {"usereg", "True", false, true},
        {"needReboot", "4", false, true},         {"needReboot", "3", false, false},
        {"type", "Server", true, false},          {"type", "center", true, true},
        {"type", "Server", false, true},          {"os", "6.1+", false, true},
        {"os", "6.x-10.0", false, true},          {"os", "6.1+-10.0", false, false},
        {"os", "7.0", false, false},              {"os", "6.4", false, false},
        {"os", "6", false, false},                {"platform", "X64", false, true},
        {"platform", "arm64", false, false},      {"workdir", "%%ProgramFiles%%", false, true},
        {"workdir", "%ProgramFiles%", false, false}, {"workdir", "$installroot", false, true},
        {"when", "onrestartapp", false, true},    {"when", "Later", false, false},
        {"runMode", "asUser", false, true},       {"runMode", "asSystem", false, false},
        {"cmd", "kill", false, true},             {"cmd", "RUN", false, false},
        {"order", "7x", false, true},             {"order", "0", false, false},
        {"order", "abc", false, false},           {"order", "-3", false, false},
        {"anything", "", false, true},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(c.IsValidAttributeValue(k.name, k.value, k.isRoot), k.valid)
            << k.name << "=" << k.value << (k.isRoot ? " (root)" : "");
    }
}

TEST(FileTargets, PathToNewpathAsThePackageReaderNeedsIt) {
    TestFolder folder;
    std::map<std::wstring, std::wstring> targets;
    EXPECT_FALSE(ReadFileTargets(ProgramPath(folder.path() + "/none.config"), targets));
    const std::wstring path = WriteConfigFile(
        folder, "s.config",
        "<R><config><FILES><file path=\"x\" newpath=\"\"/><file path=\"y\"/><file path=\"z\" newpath=\"1\"/>"
        "<item path=\"ignored\"/><file path=\"z\" newpath=\"2\"/></FILES></config><Files><file path=\"w\"/></Files></R>");
    ASSERT_TRUE(ReadFileTargets(path, targets));
    EXPECT_EQ(targets, (std::map<std::wstring, std::wstring>{{L"x", L""}, {L"y", L"y"}, {L"z", L"2"}}));
}

// A long file list is read a few hundred items at a time: the model and the messages are those
// of the document read whole, and a list the cut cannot take is read whole with the parser's error.
TEST_F(ComponentFiles, ALongFileListReadsInPiecesAsTheWholeDocument) {
    std::string files;
    for (int i = 0; i < 2600; ++i) {
        files += "<file path=\"bin\\f" + std::to_string(i) + ".dll\" size=\"" + std::to_string(i) + "\" time=\"1608710816943\"" +
                 (i % 700 == 5 ? " isUpgrade=\"maybe\"" : "") + "/>\n";
        if (i == 1500) files += "<!-- a comment between items -->\n";
    }
    const std::string body = "<Config><RegUpdate><reg key=\"HKLM\\Software\\Q\" name=\"n\" type=\"REG_SZ\" value=\"v\"/></RegUpdate>"
                             "<Files>" + files + "</Files></Config>"
                             "<RunRule><rule cmd=\"EXEC\" executable=\"bin\\f1.dll\" when=\"AfterCopy\" order=\"1\"/></RunRule>";
    const std::string text = std::string(kDecl) + "<ComponentRoot name_0409=\"C\">" + body + "</ComponentRoot>";
    config::ConfigListPieces pieces;
    ASSERT_TRUE(pieces.Cut(text));
    EXPECT_EQ(pieces.PieceCount(), 11u);

    EXPECT_FALSE(ReadOne("name_0409=\"C\"", body));  // the "maybe" values are messages
    TiXmlDocument whole;
    whole.Parse(text.c_str());
    ASSERT_FALSE(whole.Error());
    MessageSink wholeSink;
    CProductConfig reference;
    reference.m_ErrorSink = &wholeSink;
    CComponentConfig expected;
    EXPECT_FALSE(reference.ParseComponentDocument(whole.RootElement(), L"c.config", expected));
    EXPECT_EQ(sink.messages, wholeSink.messages);
    ASSERT_EQ(model.m_Files.size(), 2600u);
    for (size_t i = 0; i < model.m_Files.size(); ++i) {
        ASSERT_EQ(model.m_Files[i].attrs, expected.m_Files[i].attrs) << i;
        ASSERT_EQ(model.m_Files[i].keyHash, expected.m_Files[i].keyHash) << i;
    }
    EXPECT_EQ(model.m_Regs.size(), 1u);
    EXPECT_EQ(model.m_RunRules.size(), 1u);

    // A repeated attribute in one item: the whole document's error, not a piece's.
    std::string broken = body;
    broken.replace(broken.find("<file path=\"bin\\f2000.dll\""), 5, "<file size=\"1\"");
    sink.messages.clear();
    EXPECT_FALSE(ReadOne("name_0409=\"C\"", broken));
    whole.Parse((std::string(kDecl) + "<ComponentRoot name_0409=\"C\">" + broken + "</ComponentRoot>").c_str());
    ASSERT_TRUE(whole.Error());
    EXPECT_EQ(sink.messages, std::vector<std::string>{std::string(whole.ErrorDesc()) + PathOf("c.config")});
}
