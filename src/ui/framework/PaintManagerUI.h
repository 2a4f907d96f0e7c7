// The paint manager of a framework window: it holds the control tree built from the skin, lays it
// out at the window's DPI, paints it with GDI+, turns mouse and keyboard messages into control
// events, keeps focus, hover, capture and timers, and hands notifications to the window's
// notifiers. What all windows share is CUIProcess's (UIProcess.h).
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/framework/UIBase.h"
#include "ui/framework/UICallQueue.h"
#include "ui/framework/UIDlgBuilder.h"
#include "ui/framework/UINativeEdit.h"
#include "ui/framework/UIProcess.h"

namespace DuiLib {

class CShadowWnd;
class CToolTipWnd;
class CRenderFonts;

class CPaintManagerUI : public IControlHost, public INativeEditOwner {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    void Init(HWND hWnd, const wchar_t* name = nullptr);
    HWND GetPaintWindow() const { return m_hWnd; }
    // Builds the tree from a skin file of the current source; false when it cannot be read or parsed.
    bool LoadSkin(const std::wstring& file, IDialogBuilderCallback* callback, std::string* error = nullptr);
    // Takes the tree (owned from now on) and the window description of its skin.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_root.get(); }
    const UiWindowSpec& GetWindowSpec() const { return m_window; }
    CControlUI* FindControl(const wchar_t* name) const;
    CControlUI* FindControl(POINT pt) const;

    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    // Hands a notification to every notifier.
    void SendNotify(TNotifyUI& msg);

    // Runs fn on the window's UI thread, in the order of the calls; never waits from a worker.
    void RunOnUIThread(std::function<void()> fn);

    // The messages the manager handles; true when it handled one (lRes is the result).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    // Whether the window point lies in the skin's caption area and not on a control that takes input.
    bool IsCaptionPoint(POINT clientPoint) const;
    int GetDpi() const { return m_scale.Dpi(); }
    // The window's size from the skin, at the current DPI.
    SIZE GetInitSize() const;
    SIZE GetMinInfo() const;
    // Whether the window paints with per-pixel alpha (bktrans).
    bool IsLayered() const { return m_window.bkTrans; }
    void Invalidate();

    // ---- IControlHost ----
    const UiScale& Scale() const override { return m_scale; }
    void Invalidate(const UiRect& rect) override;
    void NeedUpdate() override;
    void SendNotify(CControlUI* sender, const std::wstring& type, uintptr_t wParam = 0,
                    intptr_t lParam = 0) override;
    void SetFocus(CControlUI* control) override;
    CControlUI* GetFocus() const override { return m_focus; }
    bool SetTimer(CControlUI* control, unsigned id, unsigned elapse) override;
    void KillTimer(CControlUI* control, unsigned id) override;
    void AddOptionGroup(const std::wstring& group, COptionUI* option) override;
    void RemoveOptionGroup(const std::wstring& group, COptionUI* option) override;
    std::vector<COptionUI*> GetOptionGroup(const std::wstring& group) const override;
    const std::wstring* GetStyle(const std::wstring& name) const override;
    void BeginEdit(CEditUI* edit) override;
    void ControlRemoved(CControlUI* control) override;

    // The native editor's text changed, or it lost the keyboard.
    void OnEditorChanged(const std::wstring& text);
    void OnEditorClosed() override;
    // Tab from inside the native editor.
    void MoveFocus(bool backwards) override;

    // Lays the tree out now when something changed (it is otherwise done before painting).
    void UpdateLayout();

private:
    // MessageHandler's groups: the framework's own messages, the window's, the mouse's, the rest.
    bool OnPrivateMessage(UINT uMsg, LRESULT& lRes);
    bool OnWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool OnMouseMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool OnInputMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    void Paint();
    void SetHot(CControlUI* control, UiPoint point);
    void SendEvent(CControlUI* control, UiEvent type, UiPoint point = {}, unsigned key = 0);
    void EndEdit();
    void UpdateDpi(int dpi);
    void ApplyRoundCorner();
    // The hot control's tooltip: asked for when the pointer comes to rest, gone when it moves on.
    void ScheduleToolTip();
    void ShowToolTip();
    HFONT EditorFont(int fontId);

    HWND m_hWnd = nullptr;
    std::wstring m_name;
    UiScale m_scale;
    UiWindowSpec m_window;
    std::unique_ptr<CControlUI> m_root;
    bool m_needLayout = true;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    CControlUI* m_hot = nullptr;
    CControlUI* m_pushed = nullptr;
    CControlUI* m_focus = nullptr;
    bool m_trackingLeave = false;
    bool m_sentWindowInit = false;
    struct TimerInfo {
        CControlUI* control;
        unsigned id;
    };
    std::map<UINT_PTR, TimerInfo> m_timers;
    UINT_PTR m_nextTimer = 0x4000;
    std::map<std::wstring, std::vector<COptionUI*>> m_groups;
    std::unique_ptr<CRenderFonts> m_fonts;
    std::unique_ptr<CNativeEdit> m_editor;
    CEditUI* m_editing = nullptr;
    std::unique_ptr<CShadowWnd> m_shadow;
    std::unique_ptr<CToolTipWnd> m_toolTip;
    std::unique_ptr<CUiCallQueue> m_calls;
};

}  // namespace DuiLib
