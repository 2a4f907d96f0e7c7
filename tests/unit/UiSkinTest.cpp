// The framework's portable part on the shipped skins: documents into control trees with their
// places at 96 and 144 DPI, picture descriptions, colours, nine-grid pieces, option groups, the
// skin sources and the UI thread's call queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "interface/Maker/ZipMemory.h"
#include "system/TextConv.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UICallQueue.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIDlgBuilder.h"
#include "ui/framework/UIEdit.h"
#include "ui/framework/UIResource.h"
#include "SkinTestHost.h"

using namespace DuiLib;

namespace {


std::string SkinText(const char* name) {
    std::ifstream in(std::string(QY_SKIN_SOURCE_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Builds a shipped skin and lays it out in its window size at the host's DPI.
std::unique_ptr<CControlUI> BuildSkin(const char* name, TestHost& host, UiWindowSpec& window) {
    std::string error;
    std::unique_ptr<CControlUI> root(CDialogBuilder().Create(SkinText(name), nullptr, &host, window, &error));
    EXPECT_TRUE(root) << error;
    if (root)
        root->SetPos({0, 0, host.Scale().Scale(window.size.cx), host.Scale().Scale(window.size.cy)}, false);
    return root;
}

UiRect PosOf(CControlUI& root, const wchar_t* name) {
    CControlUI* control = root.FindControlByName(name);
    EXPECT_NE(control, nullptr) << sys::WideToUtf8(name);
    return control ? control->GetPos() : UiRect{};
}

}  // namespace

TEST(UiSkin, TheShippedSkinsLayOutAt96And144Dpi) {
    TestHost host;
    UiWindowSpec window;
    auto install = BuildSkin("install.xml", host, window);
    ASSERT_TRUE(install);
    EXPECT_EQ(window.size.cx, 900);
    EXPECT_EQ(window.size.cy, 600);
    EXPECT_EQ(window.caption.bottom, 40);
    EXPECT_TRUE(window.showShadow);
    // The pages share the 350 pixels under the 250-pixel header, shown or not.
    for (const wchar_t* page : {L"VerBeforInstall", L"VerInstall", L"VerAfterInstall"}) {
        EXPECT_EQ(PosOf(*install, page), (UiRect{0, 250, 900, 600})) << sys::WideToUtf8(page);
    }
    // Floating controls: pos relative to the page, width and height from their attributes.
    EXPECT_EQ(PosOf(*install, L"BtnInstall"), (UiRect{330, 328, 570, 380}));
    EXPECT_EQ(PosOf(*install, L"EditPath"), (UiRect{246, 424, 640, 458}));

    TestHost hiDpi(144);
    UiWindowSpec scaledWindow;
    auto scaled = BuildSkin("install.xml", hiDpi, scaledWindow);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(PosOf(*scaled, L"VerInstall"), (UiRect{0, 375, 1350, 900}));
    EXPECT_EQ(PosOf(*scaled, L"BtnInstall"), (UiRect{495, 492, 855, 570}));

    // The survey places server reasons from the first page's height: the shipped one is 350.
    UiWindowSpec uninstallWindow;
    auto uninstall = BuildSkin("uninstall.xml", host, uninstallWindow);
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(PosOf(*uninstall, L"VerUninstPage1").Height(), 350);
    EXPECT_EQ(PosOf(*uninstall, L"OptSale"), (UiRect{376, 385, 576, 399}));
    EXPECT_FALSE(uninstall->FindControlByName(L"OptSale")->IsVisible());
    auto* number = dynamic_cast<CEditUI*>(uninstall->FindControlByName(L"EditNumber"));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->GetMaxChar(), 20);
}

TEST(UiSkin, ARowSharesItsWidthAsAColumnSharesItsHeight) {
    TestHost host;
    UiWindowSpec window;
    std::unique_ptr<CControlUI> row(CDialogBuilder().Create(
        "<Window size=\"100,20\"><HorizontalLayout><Control name=\"a\" width=\"30\"/><Control name=\"b\"/>"
        "<Control name=\"c\" padding=\"5,2,0,0\"/></HorizontalLayout></Window>",
        nullptr, &host, window));
    ASSERT_TRUE(row);
    row->SetPos({0, 0, 100, 20}, false);
    EXPECT_EQ(PosOf(*row, L"a"), (UiRect{0, 0, 30, 20}));
    EXPECT_EQ(PosOf(*row, L"b"),
              (UiRect{30, 0, 63, 20}));  // 65 free pixels, the first share gets the odd one
    EXPECT_EQ(PosOf(*row, L"c"), (UiRect{68, 2, 100, 20}));
}

TEST(UiSkin, BrokenDocumentsAreRefusedWithAReason) {
    TestHost host;
    for (const char* text :
         {"", "<Window size=\"10,10\">", "<Dialog/>", "<Window size=\"10,10\"><Font id=\"0\"/></Window>"}) {
        UiWindowSpec window;
        std::string error;
        std::unique_ptr<CControlUI> root(CDialogBuilder().Create(text, nullptr, &host, window, &error));
        EXPECT_FALSE(root) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(UiSkin, PictureDescriptionsAndColours) {
    // The survey's options are made with blanks around '=' and both kinds of quotes.
    ImageSpec normal = ParseImageSpec(L"res = 'opt.png' dest='0,0,14,14' source = '24,0,38,14'");
    EXPECT_EQ(normal.file, L"opt.png");
    EXPECT_EQ(normal.source, (UiRect{24, 0, 38, 14}));
    EXPECT_EQ(normal.dest, (UiRect{0, 0, 14, 14}));
    ImageSpec faded = ParseImageSpec(L"file=\"btn.png\" corner=\"8,8,8,8\" fade='300'");
    EXPECT_EQ(faded.corner, (UiRect{8, 8, 8, 8}));
    EXPECT_EQ(faded.fade, 255);
    EXPECT_FALSE(faded.hasSource);
    EXPECT_EQ(ParseImageSpec(L" banner.png ").file, L"banner.png");

    uint32_t argb = 0;
    EXPECT_TRUE(ParseColor(L"#FF1F6AC8", argb));
    EXPECT_EQ(argb, 0xFF1F6AC8u);
    EXPECT_TRUE(ParseColor(L"0x801F6AC8", argb));
    EXPECT_EQ(argb, 0x801F6AC8u);
    EXPECT_TRUE(ParseColor(L"#1F6AC8", argb));
    EXPECT_EQ(argb, 0xFF1F6AC8u);
    EXPECT_FALSE(ParseColor(L"1F6AC8", argb));
    EXPECT_FALSE(ParseColor(L"#GG6AC8FF", argb));
    EXPECT_EQ(ParseAlign(L"right,bottom", kAlignLeft | kAlignVCenter), kAlignRight | kAlignBottom);
    EXPECT_EQ(ParseAlign(L"center", kAlignLeft | kAlignVCenter), kAlignCenter | kAlignVCenter);
}

TEST(UiSkin, NineGridPiecesKeepCornersAndStretchTheRest) {
    // A 24 x 24 button cell with 8-pixel corners on a 240 x 52 button.
    auto pieces = NineGridPieces({0, 0, 24, 24}, {100, 10, 340, 62}, {8, 8, 8, 8}, {8, 8, 8, 8});
    ASSERT_EQ(pieces.size(), 9u);
    EXPECT_EQ(pieces[0].dest, (UiRect{100, 10, 108, 18}));
    EXPECT_EQ(pieces[4].source, (UiRect{8, 8, 16, 16}));
    EXPECT_EQ(pieces[4].dest, (UiRect{108, 18, 332, 54}));
    EXPECT_EQ(pieces[8].dest, (UiRect{332, 54, 340, 62}));
    // Corners wider than the place are shrunk to fit; a picture without corners is one piece.
    auto narrow = NineGridPieces({0, 0, 24, 24}, {0, 0, 10, 24}, {8, 8, 8, 8}, {8, 8, 8, 8});
    for (const auto& piece : narrow) EXPECT_LE(piece.dest.right, 10);
    EXPECT_EQ(NineGridPieces({0, 0, 900, 250}, {0, 0, 1350, 375}, {}, {}).size(), 1u);
    // DPI: 150 % rounds halves away from zero, symmetric for negative offsets.
    UiScale scale(144);
    EXPECT_EQ(scale.Scale(UiRect{89, 63, 289, 77}), (UiRect{134, 95, 434, 116}));
    EXPECT_EQ(scale.Scale(-5), -8);
    EXPECT_EQ(scale.Unscale(525), 350);
    EXPECT_EQ(scale.PictureFactor(), 2);
}

TEST(UiSkin, OptionsReportTheClickBeforeTheirNewStateAndGroupsStayExclusive) {
    TestHost host;
    UiWindowSpec window;
    auto uninstall = BuildSkin("uninstall.xml", host, window);
    ASSERT_TRUE(uninstall);
    auto* question = dynamic_cast<COptionUI*>(uninstall->FindControlByName(L"OptQuestion"));
    auto* other = dynamic_cast<COptionUI*>(uninstall->FindControlByName(L"OptOther"));
    ASSERT_TRUE(question && other);
    question->SetVisible(true);  // the built-in reasons show when the server's list is missing
    question->Activate();
    other->Activate();
    EXPECT_FALSE(question->IsSelected());
    EXPECT_TRUE(other->IsSelected());
    const std::vector<std::wstring> expected = {L"click:OptQuestion=off", L"selectchanged:OptQuestion=on",
                                                L"click:OptOther=off", L"selectchanged:OptQuestion=off",
                                                L"selectchanged:OptOther=on"};
    EXPECT_EQ(host.seen, expected);
}

TEST(UiSkin, SkinSourcesReadFromAFolderOrAnArchiveInMemoryThroughTheResourceList) {
    CSkinResources& resources = CSkinResources::Instance();
    resources.Reset();
    const std::string text = SkinText("msg.xml");
    std::vector<uint8_t> zip;
    ASSERT_TRUE(pkg::BuildSingleItemZip("msg.xml", reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                        pkg::PackTime::Now(), zip));
    resources.SetResourceType(UILIB_ZIPRESOURCE);
    ASSERT_TRUE(resources.SetResourceZip(zip.data(), zip.size()));
    std::string bytes;
    EXPECT_TRUE(resources.ReadFile(L"MSG.XML", bytes));  // names compare without case, as on Windows
    EXPECT_EQ(bytes, text);
    EXPECT_FALSE(resources.ReadFile(L"install.xml", bytes));
    EXPECT_FALSE(resources.LoadResourceList(L"res.xml"));  // none in the archive: nothing happens
    ASSERT_TRUE(resources.LoadResourceListText("<Res><File name=\"question.xml\" path=\"msg.xml\"/></Res>"));
    EXPECT_TRUE(resources.ReadFile(L"question.xml", bytes));

    resources.Reset();
    resources.SetResourceType(UILIB_FILE);
    resources.SetResourcePath(std::wstring(sys::Utf8ToWide(QY_SKIN_SOURCE_DIR)) + L"/");
    EXPECT_TRUE(resources.ReadFile(L"msg.xml", bytes));
    EXPECT_EQ(bytes, text);
    resources.Reset();
}

TEST(UiSkin, TheCallQueueRunsInOrderAndWakesOncePerBatch) {
    int wakes = 0;
    CUiCallQueue queue([&] { ++wakes; });
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) queue.Post([&order, i] { order.push_back(i); });
    });
    worker.join();
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(order.empty());
    // A call made on the UI thread runs at once, after those already waiting.
    queue.Post([&] { order.push_back(3); });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}
