// The skinned framework under Wine and Xvfb: the shipped skins from the archive and from a folder,
// real mouse and keyboard input, the modal message window, the UI thread's call queue, a skin
// that cannot be loaded and the windows at other DPIs.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "WinTestSupport.h"
#include "system/TextConv.h"
#include "ui/MsgWnd.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIEdit.h"
#include "ui/framework/UIProgress.h"
#include "ui/framework/UIResource.h"
#include "ui/framework/WindowImplBase.h"

using namespace DuiLib;

namespace {

// A window of any skin that records its notifications.
class SkinWnd : public WindowImplBase {
public:
    explicit SkinWnd(std::wstring skin) : m_skin(std::move(skin)) {}
    const wchar_t* GetWindowClassName() const override { return L"QyUiTestWnd"; }
    std::wstring GetSkinFile() override { return m_skin; }
    void Notify(TNotifyUI& msg) override {
        m_seen.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : L""));
        WindowImplBase::Notify(msg);
    }
    bool Saw(const std::wstring& entry) const {
        for (const auto& seen : m_seen) {
            if (seen == entry) return true;
        }
        return false;
    }
    std::vector<std::wstring> m_seen;

private:
    std::wstring m_skin;
};

std::unique_ptr<SkinWnd> OpenWindow(const std::wstring& skin) {
    auto window = std::make_unique<SkinWnd>(skin);
    if (!window->Create(nullptr, L"Quilly", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 900, 600))
        return nullptr;
    window->CenterWindow();
    window->ShowWindow();
    ::SetForegroundWindow(window->GetHWND());
    window->GetPaintManager().UpdateLayout();
    PumpFor(600);
    return window;
}

void Close(std::unique_ptr<SkinWnd>& window) {
    if (window && ::IsWindow(window->GetHWND())) ::DestroyWindow(window->GetHWND());
    window.reset();
}

// The folder of the built archive, with the archive itself as the skin source.
void UseArchive() {
    std::wstring archive = EnvPath("QY_SKIN_ARCHIVE");
    const std::wstring folder = archive.substr(0, archive.find_last_of(L'\\'));
    CUIProcess::SetResourceType(UILIB_ZIP);
    CUIProcess::SetResourcePath(folder.c_str());
    ASSERT_TRUE(CUIProcess::SetResourceZip(L"PackageManager.zip"));
}

void UseFolder() {
    CUIProcess::SetResourceType(UILIB_FILE);
    CUIProcess::SetResourcePath(EnvPath("QY_SKIN_FILES_DIR").c_str());
}

// Every control the windows look up, with its class.
const std::map<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>& RequiredControls() {
    static const std::map<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>> required = {
        {L"install.xml",
         {{L"BtnInstallClose", L"ButtonUI"},
          {L"BtnInstall", L"ButtonUI"},
          {L"BtnCustom", L"ButtonUI"},
          {L"EditPath", L"EditUI"},
          {L"OptLicence", L"OptionUI"},
          {L"BtnLicence", L"ButtonUI"},
          {L"ProInstall", L"ProgressUI"},
          {L"LabelTips", L"LabelUI"},
          {L"BtnQuickStart", L"ButtonUI"},
          {L"VerBeforInstall", L"VerticalLayoutUI"},
          {L"VerInstall", L"VerticalLayoutUI"},
          {L"VerAfterInstall", L"VerticalLayoutUI"},
          {L"CtrlGame", L"ControlUI"},
          {L"CtrlWeGame", L"ControlUI"},
          {L"CtrlShopping", L"ControlUI"},
          {L"CtrlSteam", L"ControlUI"},
          {L"minbtn", L"ButtonUI"}}},
        {L"uninstall.xml",
         {{L"VerUninstPage1", L"VerticalLayoutUI"},
          {L"VerUninstPage2", L"VerticalLayoutUI"},
          {L"VerUninstPage3", L"VerticalLayoutUI"},
          {L"BtnUninst", L"ButtonUI"},
          {L"BtnUse", L"ButtonUI"},
          {L"BtnMin", L"ButtonUI"},
          {L"BtnClose", L"ButtonUI"},
          {L"OptQuestion", L"OptionUI"},
          {L"OptMuch", L"OptionUI"},
          {L"OptUgly", L"OptionUI"},
          {L"OptFlow", L"OptionUI"},
          {L"OptUninstSelf", L"OptionUI"},
          {L"OptSale", L"OptionUI"},
          {L"OptOther", L"OptionUI"},
          {L"EditOther", L"EditUI"},
          {L"EditNumber", L"EditUI"},
          {L"BtnCommit", L"ButtonUI"},
          {L"BtnNotUninst", L"ButtonUI"},
          {L"BtnBye", L"ButtonUI"}}},
        {L"webinstall.xml",
         {{L"BtnWebInstallClose", L"ButtonUI"},
          {L"BtnQuickStart", L"ButtonUI"},
          {L"ProWebInstall", L"ProgressUI"},
          {L"LabelTips", L"LabelUI"},
          {L"LabelAction", L"LabelUI"},
          {L"VerDownload", L"VerticalLayoutUI"},
          {L"VerAfterInstall", L"VerticalLayoutUI"},
          {L"CtrlGame", L"ControlUI"},
          {L"CtrlWeGame", L"ControlUI"},
          {L"CtrlShopping", L"ControlUI"},
          {L"CtrlSteam", L"ControlUI"},
          {L"minbtn", L"ButtonUI"}}},
        {L"msg.xml",
         {{L"BtnMsgOK", L"ButtonUI"}, {L"BtnMsgCancel", L"ButtonUI"}, {L"BtnMsgClose", L"ButtonUI"}}},
    };
    return required;
}

// The pages of a skin, shown one at a time for the screenshots.
const std::map<std::wstring, std::vector<std::wstring>>& Pages() {
    static const std::map<std::wstring, std::vector<std::wstring>> pages = {
        {L"install.xml", {L"VerBeforInstall", L"VerInstall", L"VerAfterInstall"}},
        {L"uninstall.xml", {L"VerUninstPage1", L"VerUninstPage2", L"VerUninstPage3"}},
        {L"webinstall.xml", {L"VerDownload", L"VerAfterInstall"}},
        {L"msg.xml", {}},
    };
    return pages;
}

std::string Base(const std::wstring& skin) {
    return sys::WideToUtf8(skin.substr(0, skin.find(L'.')));
}

}  // namespace

// Each shipped skin from the archive (the installer's source) and from a plain folder: every
// control the windows need is there with its class; the archive's screenshots show each page.
TEST(SkinWindows, EverySkinBuildsWithItsControlsFromTheArchiveAndFromAFolder) {
    for (int kind : {UILIB_ZIP, UILIB_FILE}) {
        if (kind == UILIB_ZIP) {
            UseArchive();
        } else {
            UseFolder();
        }
        for (const auto& [skin, controls] : RequiredControls()) {
            SCOPED_TRACE(sys::WideToUtf8(skin) +
                         (kind == UILIB_ZIP ? " from the archive" : " from the folder"));
            auto window = OpenWindow(skin);
            ASSERT_TRUE(window);
            for (const auto& [name, className] : controls) {
                CControlUI* control = window->GetPaintManager().FindControl(name.c_str());
                ASSERT_NE(control, nullptr) << sys::WideToUtf8(name);
                EXPECT_EQ(control->GetClass(), className) << sys::WideToUtf8(name);
            }
            if (kind == UILIB_ZIP) {
                const auto& pages = Pages().at(skin);
                if (pages.empty()) {
                    EXPECT_FALSE(Screenshot("skin-" + Base(skin), window->GetHWND()).empty());
                }
                for (const std::wstring& page : pages) {
                    for (const std::wstring& other : pages) {
                        window->GetPaintManager().FindControl(other.c_str())->SetVisible(other == page);
                    }
                    EXPECT_FALSE(
                        Screenshot("skin-" + Base(skin) + "-" + sys::WideToUtf8(page), window->GetHWND())
                            .empty());
                }
            }
            Close(window);
        }
    }
}

// A window whose start-up throws is not left half built: creation fails and the window hears of
// the exception with its text (before, the exception was swallowed and a window without its
// controls stayed open).
TEST(SkinWindows, AWindowWhoseStartUpThrowsIsNotMade) {
    struct Throwing : SkinWnd {
        Throwing() : SkinWnd(L"install.xml") {}
        void Init() override { throw std::runtime_error("install.xml lacks a control"); }
        void OnMessageException(UINT uMsg, const char* what) override { seen.emplace_back(uMsg, what); }
        std::vector<std::pair<UINT, std::string>> seen;
    };
    UseArchive();
    Throwing window;
    EXPECT_EQ(window.Create(nullptr, L"Quilly", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 900, 600), nullptr);
    ASSERT_EQ(window.seen.size(), 1u);
    EXPECT_EQ(window.seen[0].first, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(window.seen[0].second, "install.xml lacks a control");
}

// The archive is read once and its file closed: the folder that held it can go while the windows
// still build from it, pictures included.
TEST(SkinWindows, TheArchiveFileIsNotKeptOpen) {
    WinTestFolder folder;
    const std::wstring copy = folder.path() + L"\\PackageManager.zip";
    ASSERT_TRUE(::CopyFileW(EnvPath("QY_SKIN_ARCHIVE").c_str(), copy.c_str(), FALSE));
    CUIProcess::SetResourceType(UILIB_ZIP);
    CUIProcess::SetResourcePath(folder.path().c_str());
    ASSERT_TRUE(CUIProcess::SetResourceZip(L"PackageManager.zip"));
    EXPECT_TRUE(::DeleteFileW(copy.c_str())) << ::GetLastError();
    auto window = OpenWindow(L"msg.xml");
    ASSERT_TRUE(window);
    EXPECT_NE(window->GetPaintManager().FindControl(L"BtnMsgOK"), nullptr);
    Close(window);
}

// A skin that is missing ends the process with code 1 after the message box.
TEST(SkinWindows, AMissingSkinEndsTheProcessWithCode1AfterItsMessage) {
    const std::wstring probe = EnvPath("QY_UI_PROBE_EXE");
    sys::UniqueHandle process =
        StartProcess(probe, L"1 \"" + EnvPath("QY_SKIN_FILES_DIR") + L"\" nosuch.xml");
    ASSERT_TRUE(process);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = ::FindWindowW(L"#32770", L"Duilib")) != nullptr; }, 20000));
    wchar_t text[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_EQ(std::wstring(text), L"\x52A0\x8F7D\x8D44\x6E90\x6587\x4EF6\x5931\x8D25\xFF1Anosuch.xml");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 1u);
}

// The program's own resources as skin sources: the message window's skin and pictures one by one
// (kind 3) and the whole archive held in memory (kind 4).
TEST(SkinWindows, SkinsLoadFromTheProgramsResources) {
    const std::wstring probe = L"\"" + EnvPath("QY_UI_PROBE_EXE") + L"\"";
    DWORD code = 1;
    std::string out = RunAndCapture(probe + L" 3 - msg.xml skin-kind3-msg", &code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(out.find("size 320 190"), std::string::npos) << out;
    // The warning sign's picture came from its resource: its orange is beside the mark in the middle.
    const char* dir = std::getenv("QY_SCREENSHOT_DIR");
    unsigned rgb = 0;
    if (dir && ImagePixel(std::string(dir) + "/skin-kind3-msg.png", {24 + 150, 24 + 52}, rgb)) {
        EXPECT_GT(rgb >> 16, 0xE0u) << std::hex << rgb;
        EXPECT_LT(rgb & 0xFF, 0x60u) << std::hex << rgb;
    } else {
        ADD_FAILURE() << "no screenshot";
    }
    out = RunAndCapture(probe + L" 4 - install.xml skin-kind4-install", &code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(out.find("size 900 600"), std::string::npos) << out;
}

// Real mouse and keyboard input reaches the controls and the window's Notify.
TEST(SkinWindows, MouseAndKeyboardInputReachTheControls) {
    UseArchive();
    auto window = OpenWindow(L"install.xml");
    ASSERT_TRUE(window);
    HWND hwnd = window->GetHWND();
    auto* custom = window->FindControlAs<CButtonUI>(L"BtnCustom");
    auto* licence = window->FindControlAs<COptionUI>(L"OptLicence");
    auto* edit = window->FindControlAs<CEditUI>(L"EditPath");
    auto* install = window->FindControlAs<CButtonUI>(L"BtnInstall");
    ASSERT_TRUE(custom && licence && edit && install);

    ASSERT_TRUE(ClickAt(ScreenCentre(hwnd, custom)));
    EXPECT_TRUE(PumpUntil([&] { return window->Saw(L"click:BtnCustom"); }, 3000));
    EXPECT_TRUE(custom->IsHot());  // the pointer still rests on it

    const bool wasSelected = licence->IsSelected();
    ASSERT_TRUE(ClickAt(ScreenCentre(hwnd, licence)));
    EXPECT_TRUE(PumpUntil([&] { return licence->IsSelected() != wasSelected; }, 3000));
    EXPECT_TRUE(window->Saw(L"click:OptLicence"));
    EXPECT_TRUE(window->Saw(L"selectchanged:OptLicence"));

    // Typing goes into the edit box through the native editor; Tab takes the focus on.
    edit->SetText(L"");
    ASSERT_TRUE(ClickAt(ScreenCentre(hwnd, edit)));
    EXPECT_TRUE(PumpUntil([&] { return window->Saw(L"setfocus:EditPath"); }, 3000));
    PumpFor(300);
    ASSERT_TRUE(TypeText("D:\\Games 2"));
    EXPECT_TRUE(PumpUntil([&] { return edit->GetText() == L"D:\\Games 2"; }, 5000))
        << sys::WideToUtf8(edit->GetText());
    EXPECT_TRUE(window->Saw(L"textchanged:EditPath"));
    ASSERT_TRUE(PressKeys("Tab"));
    EXPECT_TRUE(PumpUntil([&] { return window->Saw(L"killfocus:EditPath"); }, 3000));
    EXPECT_EQ(edit->GetText(), L"D:\\Games 2");

    // Enter presses the button that has the focus.
    install->SetFocus();
    window->m_seen.clear();
    ASSERT_TRUE(PressKeys("Return"));
    EXPECT_TRUE(PumpUntil([&] { return window->Saw(L"click:BtnInstall"); }, 3000));

    // Esc asks the window to close.
    ASSERT_TRUE(PressKeys("Escape"));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hwnd); }, 3000));
    Close(window);
}

// A control's tooltip shows when the pointer rests on it, below the pointer, and goes when the
// pointer moves on.
TEST(SkinWindows, AToolTipShowsWhileThePointerRests) {
    UseArchive();
    auto window = OpenWindow(L"msg.xml");
    ASSERT_TRUE(window);
    HWND hwnd = window->GetHWND();
    CControlUI* close = window->GetPaintManager().FindControl(L"BtnMsgClose");
    ASSERT_TRUE(close);
    ASSERT_EQ(close->GetToolTip(), L"关闭");
    auto shownTip = [&]() -> HWND {
        HWND tip = ::FindWindowExW(nullptr, nullptr, L"QuillyToolTip", nullptr);
        return tip && ::IsWindowVisible(tip) && ::GetWindow(tip, GW_OWNER) == hwnd ? tip : nullptr;
    };
    const POINT at = ScreenCentre(hwnd, close);
    ASSERT_TRUE(RunHostCommand("xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y)) == 0);
    ASSERT_TRUE(PumpUntil([&] { return shownTip() != nullptr; }, 3000));
    RECT tip;
    ::GetWindowRect(shownTip(), &tip);
    EXPECT_GT(tip.top, at.y);
    EXPECT_GT(tip.right - tip.left, 20);
    EXPECT_FALSE(Screenshot("skin-msg-tooltip", hwnd).empty());
    const POINT away = ScreenCentre(hwnd, window->GetPaintManager().FindControl(L"BtnMsgOK"));
    ASSERT_TRUE(RunHostCommand("xdotool mousemove " + std::to_string(away.x) + " " + std::to_string(away.y)) == 0);
    EXPECT_TRUE(PumpUntil([&] { return shownTip() == nullptr; }, 3000));
    Close(window);
}

bool g_ownerEnabledDuringModal = true;
HWND g_ownerWindow = nullptr;
HWND g_shotOf = nullptr;  // the message window to photograph while it is shown, once
void CALLBACK LookAtOwner(HWND, UINT, UINT_PTR, DWORD) {
    g_ownerEnabledDuringModal = ::IsWindowEnabled(g_ownerWindow) != FALSE;
    if (HWND box = g_shotOf) {
        g_shotOf = nullptr;
        EXPECT_FALSE(Screenshot("skin-msg-modal", g_ownerWindow, box).empty());
    }
}

// The modal message window: OK gives 1, cancel and the close button 2, Alt+F4 0; its owner is
// disabled while it is shown.
TEST(SkinWindows, TheModalMessageWindowReturnsWhatWasPressed) {
    UseArchive();
    auto owner = OpenWindow(L"install.xml");
    ASSERT_TRUE(owner);
    struct Case {
        const wchar_t* button;  // null: Alt+F4
        UINT expected;
    };
    for (const Case& c :
         {Case{L"BtnMsgOK", 1}, Case{L"BtnMsgCancel", 2}, Case{L"BtnMsgClose", 2}, Case{nullptr, 0}}) {
        SCOPED_TRACE(c.button ? sys::WideToUtf8(c.button) : "Alt+F4");
        auto* box = new CMsgWnd;
        ASSERT_TRUE(box->Create(owner->GetHWND(), L"MsgWnd", 0x80B, 0x60000, 0, 0, 0, 0));
        box->CenterWindow();
        box->GetPaintManager().UpdateLayout();
        std::string input = "xdotool key alt+F4";
        if (c.button) {
            const POINT at = ScreenCentre(box->GetHWND(), box->GetPaintManager().FindControl(c.button));
            input = "xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                    " && sleep 0.2 && xdotool click 1";
        }
        // The first answer waits for the picture of the window over its owner.
        const bool photograph = c.expected == 1;
        StartHostCommand((photograph ? "sleep 2.5 && " : "sleep 1.5 && ") + input);
        g_shotOf = photograph ? box->GetHWND() : nullptr;
        g_ownerEnabledDuringModal = true;
        g_ownerWindow = owner->GetHWND();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 700, LookAtOwner);
        const UINT result = box->ShowModal();  // the window deletes itself when it goes
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(result, c.expected);
        EXPECT_FALSE(g_ownerEnabledDuringModal);
        EXPECT_TRUE(::IsWindowEnabled(owner->GetHWND()));
        PumpFor(300);
    }
    Close(owner);
}

// Calls from a worker reach the UI thread in their order, and the worker never waits for it: all
// 10 000 are queued before the UI thread takes the first.
TEST(SkinWindows, TheUiThreadRunsAWorkersCallsInOrder) {
    UseArchive();
    auto window = OpenWindow(L"msg.xml");
    ASSERT_TRUE(window);
    constexpr int kCalls = 10000;
    std::vector<int> order;
    std::atomic<bool> offThread{false};
    const DWORD uiThread = ::GetCurrentThreadId();
    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) {
            window->GetPaintManager().RunOnUIThread([&, i] {
                if (::GetCurrentThreadId() != uiThread) offThread = true;
                order.push_back(i);
            });
        }
    });
    worker.join();  // returns without the UI thread having pumped a single message
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(PumpUntil([&] { return order.size() == kCalls; }, 10000)) << order.size();
    EXPECT_FALSE(offThread);
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(order[i], i);
    Close(window);
}

// The windows scale with the system's DPI: the 900 x 600 wizard is 1350 x 900 at 144 DPI and
// 1800 x 1200 at 192 DPI, with the 2x pictures. Wine takes the DPI from LogPixels when a process
// starts, so each DPI runs in a process of its own.
TEST(SkinWindows, TheWizardScalesWithTheDpi) {
    HKEY desktop = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    const std::wstring source =
        L"\"" + EnvPath("QY_SKIN_ARCHIVE").substr(0, EnvPath("QY_SKIN_ARCHIVE").find_last_of(L'\\')) + L"\"";
    for (DWORD dpi : {96u, 144u, 192u}) {
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                         sizeof(dpi));
        DWORD code = 0;
        const std::string out = RunAndCapture(L"\"" + EnvPath("QY_UI_PROBE_EXE") + L"\" 2 " + source +
                                                  L" install.xml skin-install-dpi" + std::to_wstring(dpi),
                                              &code);
        EXPECT_EQ(code, 0u);
        const int w = 900 * static_cast<int>(dpi) / 96, h = 600 * static_cast<int>(dpi) / 96;
        EXPECT_NE(
            out.find("size " + std::to_string(w) + " " + std::to_string(h) + " dpi " + std::to_string(dpi)),
            std::string::npos)
            << out;
    }
    const DWORD normal = 96;
    ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&normal),
                     sizeof(normal));
    ::RegCloseKey(desktop);
}
