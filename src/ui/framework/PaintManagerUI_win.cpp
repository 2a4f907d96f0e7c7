// The paint manager: layout, painting, input routing, focus, timers, notifications, and the
// process-level services of the framework.
#include "ui/framework/PaintManagerUI.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/framework/UIButton.h"
#include "ui/framework/UIEdit.h"
#include "ui/framework/UINativeEdit.h"
#include "ui/framework/UIRender.h"
#include "ui/framework/UIResource.h"
#include "ui/framework/UIShadow.h"
#include "ui/framework/UIToolTip.h"

namespace DuiLib {

namespace {

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

UINT PrivateMessage(const wchar_t* name) {
    static std::map<std::wstring, UINT> messages;
    UINT& id = messages[name];
    if (!id) id = ::RegisterWindowMessageW(name);
    return id;
}
UINT DrainMessage() {
    return PrivateMessage(L"QuillyUi.Drain");
}
UINT EndEditMessage() {
    return PrivateMessage(L"QuillyUi.EndEdit");
}
UINT WindowInitMessage() {
    return PrivateMessage(L"QuillyUi.WindowInit");
}

// The window's DPI: per monitor where the system has it, else the system's.
int WindowDpi(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hWnd) {
        const UINT dpi = getDpiForWindow(hWnd);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSX);
    ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

UiPoint PointOf(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

COLORREF ToColorRef(uint32_t argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

std::map<std::wstring, std::wstring>& SharedStyles() {
    static std::map<std::wstring, std::wstring> styles;
    return styles;
}

bool IsInside(const CControlUI* control, const CControlUI* ancestor) {
    for (; control; control = control->GetParent()) {
        if (control == ancestor) return true;
    }
    return false;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_fonts(std::make_unique<CRenderFonts>()) {
    StartGdiPlus();
}

CPaintManagerUI::~CPaintManagerUI() {
    m_toolTip.reset();
    m_editor.reset();
    m_editing = nullptr;
    for (auto& [timer, info] : m_timers) {
        if (m_hWnd) ::KillTimer(m_hWnd, timer);
    }
    m_timers.clear();
    m_hot = m_pushed = m_focus = nullptr;
    m_root.reset();
}

void CPaintManagerUI::Init(HWND hWnd, const wchar_t* name) {
    m_hWnd = hWnd;
    m_name = name ? name : L"";
    m_scale = UiScale(WindowDpi(hWnd));
    m_calls = std::make_unique<CUiCallQueue>([hWnd] { ::PostMessageW(hWnd, DrainMessage(), 0, 0); });
}

bool CPaintManagerUI::LoadSkin(const std::wstring& file, IDialogBuilderCallback* callback,
                               std::string* error) {
    std::string bytes;
    if (!CSkinResources::Instance().ReadFile(file, bytes)) {
        if (error) *error = "cannot be read";
        return false;
    }
    UiWindowSpec window;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(bytes, callback, this, window, error);
    if (!root) return false;
    for (const auto& [styleName, value] : window.sharedStyles) SharedStyles()[styleName] = value;
    m_window = window;
    m_fonts->Build(m_window.fonts, m_scale);
    return AttachDialog(root);
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) return false;
    m_hot = m_pushed = m_focus = nullptr;
    m_root.reset(root);
    m_root->SetManager(this, nullptr);
    m_needLayout = true;
    if (m_window.showShadow && m_hWnd && !m_shadow && CShadowWnd::CanBlend()) {
        m_shadow = std::make_unique<CShadowWnd>(
            m_hWnd, m_scale.Scale(m_window.shadowSize),
            POINT{m_scale.Scale(m_window.shadowPosition.x), m_scale.Scale(m_window.shadowPosition.y)},
            m_window.shadowColor, m_scale.Scale(m_window.roundCorner.cx) / 2);
    }
    if (m_hWnd && m_window.bkTrans) {
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    }
    // "windowinit" once the window has its first messages, after the window's own Init.
    if (m_hWnd) ::PostMessageW(m_hWnd, WindowInitMessage(), 0, 0);
    Invalidate();
    return true;
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
    return m_root && name ? m_root->FindControlByName(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    return m_root ? m_root->FindControlAt({pt.x, pt.y}) : nullptr;
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (!notifier || std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
        return false;
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (it == m_notifiers.end()) return false;
    m_notifiers.erase(it);
    return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
    if (!filter || std::find(m_filters.begin(), m_filters.end(), filter) != m_filters.end()) return false;
    m_filters.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
    auto it = std::find(m_filters.begin(), m_filters.end(), filter);
    if (it == m_filters.end()) return false;
    m_filters.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
    msg.dwTimestamp = ::GetTickCount();
    POINT cursor;
    if (m_hWnd && ::GetCursorPos(&cursor) && ::ScreenToClient(m_hWnd, &cursor))
        msg.ptMouse = {cursor.x, cursor.y};
    // A notifier may remove itself (a window closing): walk a copy.
    const std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* notifier : notifiers) {
        if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
            notifier->Notify(msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* sender, const std::wstring& type, uintptr_t wParam,
                                 intptr_t lParam) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg);
}

void CPaintManagerUI::RunOnUIThread(std::function<void()> fn) {
    if (m_calls) m_calls->Post(std::move(fn));
}

SIZE CPaintManagerUI::GetInitSize() const {
    const UiSize size = m_scale.Scale(m_window.size);
    return {size.cx, size.cy};
}

SIZE CPaintManagerUI::GetMinInfo() const {
    const UiSize size = m_scale.Scale(m_window.minInfo);
    return {size.cx, size.cy};
}

bool CPaintManagerUI::IsCaptionPoint(POINT pt) const {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const UiRect caption = m_scale.Scale(m_window.caption);
    if (pt.x < client.left + caption.left || pt.x >= client.right - caption.right || pt.y < caption.top ||
        pt.y >= caption.bottom) {
        return false;
    }
    CControlUI* control = FindControl(pt);
    return !control || !control->IsFocusable();
}

// ---- IControlHost ----

void CPaintManagerUI::Invalidate() {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(const UiRect& rect) {
    if (!m_hWnd) return;
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    ::InvalidateRect(m_hWnd, &r, FALSE);
}

void CPaintManagerUI::NeedUpdate() {
    m_needLayout = true;
    Invalidate();
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    if (control && (!control->IsVisible() || !control->IsEnabled())) return;
    CControlUI* old = m_focus;
    m_focus = nullptr;
    if (m_editing && m_editing != control) EndEdit();
    if (old) SendEvent(old, UiEvent::KillFocus);
    m_focus = control;
    if (m_hWnd && ::GetFocus() != m_hWnd && !(m_editor && ::GetFocus() == m_editor->GetHWND()))
        ::SetFocus(m_hWnd);
    if (control) SendEvent(control, UiEvent::SetFocus);
}

void CPaintManagerUI::MoveFocus(bool backwards) {
    if (!m_root) return;
    std::vector<CControlUI*> stops;
    m_root->CollectFocusable(stops);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), m_focus);
    size_t index;
    if (it == stops.end())
        index = backwards ? stops.size() - 1 : 0;
    else if (backwards)
        index = (static_cast<size_t>(it - stops.begin()) + stops.size() - 1) % stops.size();
    else
        index = (static_cast<size_t>(it - stops.begin()) + 1) % stops.size();
    SetFocus(stops[index]);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, unsigned id, unsigned elapse) {
    if (!m_hWnd || !control) return false;
    for (auto& [timer, info] : m_timers) {
        if (info.control == control && info.id == id) return ::SetTimer(m_hWnd, timer, elapse, nullptr) != 0;
    }
    const UINT_PTR timer = m_nextTimer++;
    if (!::SetTimer(m_hWnd, timer, elapse, nullptr)) return false;
    m_timers[timer] = {control, id};
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control, unsigned id) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->second.control == control && (id == 0 || it->second.id == id)) {
            if (m_hWnd) ::KillTimer(m_hWnd, it->first);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::AddOptionGroup(const std::wstring& group, COptionUI* option) {
    auto& members = m_groups[group];
    if (std::find(members.begin(), members.end(), option) == members.end()) members.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(const std::wstring& group, COptionUI* option) {
    auto it = m_groups.find(group);
    if (it == m_groups.end()) return;
    auto& members = it->second;
    members.erase(std::remove(members.begin(), members.end(), option), members.end());
}

std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const std::wstring& group) const {
    auto it = m_groups.find(group);
    return it != m_groups.end() ? it->second : std::vector<COptionUI*>();
}

const std::wstring* CPaintManagerUI::GetStyle(const std::wstring& name) const {
    auto own = m_window.styles.find(name);
    if (own != m_window.styles.end()) return &own->second;
    auto shared = SharedStyles().find(name);
    return shared != SharedStyles().end() ? &shared->second : nullptr;
}

HFONT CPaintManagerUI::EditorFont(int fontId) {
    return m_fonts->Get(fontId);
}

void CPaintManagerUI::BeginEdit(CEditUI* edit) {
    if (!m_hWnd || !edit || edit->IsReadOnly()) return;
    if (m_editing == edit && m_editor) return;
    EndEdit();
    UpdateLayout();
    const UiRect r = edit->EditorRect();
    m_editing = edit;
    m_editor = std::make_unique<CNativeEdit>(*this, m_hWnd, RECT{r.left, r.top, r.right, r.bottom},
                                             edit->GetText(), EditorFont(edit->GetFont()), edit->GetMaxChar(),
                                             edit->IsPassword(), ToColorRef(edit->GetTextColor()),
                                             ToColorRef(edit->GetBkColorForEditor()));
}

void CPaintManagerUI::OnEditorChanged(const std::wstring& text) {
    if (m_editing) m_editing->SetTextFromEditor(text);
}

void CPaintManagerUI::OnEditorClosed() {
    if (m_hWnd) ::PostMessageW(m_hWnd, EndEditMessage(), 0, 0);
}

void CPaintManagerUI::EndEdit() {
    if (!m_editor) return;
    std::unique_ptr<CNativeEdit> editor = std::move(m_editor);
    CEditUI* edit = m_editing;
    m_editing = nullptr;
    if (edit) edit->SetTextFromEditor(editor->GetText());
    const bool hadKeyboard = ::GetFocus() == editor->GetHWND();
    editor.reset();
    if (hadKeyboard && m_hWnd) ::SetFocus(m_hWnd);
    if (edit) edit->Invalidate();
}

void CPaintManagerUI::ControlRemoved(CControlUI* control) {
    if (IsInside(m_hot, control)) {
        m_hot = nullptr;
        ScheduleToolTip();
    }
    if (IsInside(m_pushed, control)) {
        m_pushed = nullptr;
        if (m_hWnd && ::GetCapture() == m_hWnd) ::ReleaseCapture();
    }
    if (m_editing && IsInside(m_editing, control)) EndEdit();
    if (IsInside(m_focus, control)) m_focus = nullptr;
}

// ---- layout, painting, events ----

void CPaintManagerUI::UpdateLayout() {
    if (!m_needLayout || !m_root || !m_hWnd) return;
    m_needLayout = false;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    m_root->SetPos({client.left, client.top, client.right, client.bottom}, false);
}

void CPaintManagerUI::ApplyRoundCorner() {
    if (!m_hWnd || m_window.bkTrans) return;
    const UiSize round = m_scale.Scale(m_window.roundCorner);
    if (round.cx <= 0 || round.cy <= 0 || ::IsZoomed(m_hWnd)) {
        ::SetWindowRgn(m_hWnd, nullptr, TRUE);
        return;
    }
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    HRGN region = ::CreateRoundRectRgn(0, 0, window.right - window.left + 1, window.bottom - window.top + 1,
                                       round.cx, round.cy);
    // The window owns the region from here on.
    if (!::SetWindowRgn(m_hWnd, region, TRUE)) ::DeleteObject(region);
}

void CPaintManagerUI::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > 0 && height > 0 && m_root) {
        UpdateLayout();
        void* bits = nullptr;
        HBITMAP bitmap = CreateBitmap32(dc, width, height, &bits);
        HDC memory = ::CreateCompatibleDC(dc);
        if (bitmap && memory) {
            HGDIOBJ old = ::SelectObject(memory, bitmap);
            // The layered window shows exactly what is painted, so it is painted whole.
            const UiRect dirty = m_window.bkTrans ? UiRect{0, 0, width, height}
                                                  : UiRect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right,
                                                           ps.rcPaint.bottom};
            {
                CRenderGdiPlus render(memory, *m_fonts, m_scale);
                render.PushClip(dirty);
                m_root->DoPaint(render, dirty);
                render.PopClip();
            }
            if (m_window.bkTrans) {
                RECT window;
                ::GetWindowRect(m_hWnd, &window);
                POINT position = {window.left, window.top};
                SIZE size = {width, height};
                POINT origin = {0, 0};
                BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
                ::UpdateLayeredWindow(m_hWnd, dc, &position, &size, memory, &origin, 0, &blend, ULW_ALPHA);
            } else {
                ::BitBlt(dc, dirty.left, dirty.top, dirty.Width(), dirty.Height(), memory, dirty.left,
                         dirty.top, SRCCOPY);
            }
            ::SelectObject(memory, old);
        }
        if (memory) ::DeleteDC(memory);
        if (bitmap) ::DeleteObject(bitmap);
    }
    ::EndPaint(m_hWnd, &ps);
}

void CPaintManagerUI::SendEvent(CControlUI* control, UiEvent type, UiPoint point, unsigned key) {
    if (!control) return;
    TEventUI event;
    event.type = type;
    event.ptMouse = point;
    event.key = key;
    event.shift = ::GetKeyState(VK_SHIFT) < 0;
    control->DoEvent(event);
}

void CPaintManagerUI::SetHot(CControlUI* control, UiPoint point) {
    if (control == m_hot) return;
    CControlUI* old = m_hot;
    m_hot = control;
    ScheduleToolTip();
    if (old) SendEvent(old, UiEvent::MouseLeave, point);
    if (control) SendEvent(control, UiEvent::MouseEnter, point);
}

namespace {
constexpr UINT_PTR kToolTipTimer = 0x3FFF;  // below the controls' timers
constexpr UINT kToolTipDelayMs = 500;
}  // namespace

void CPaintManagerUI::ScheduleToolTip() {
    if (m_toolTip) m_toolTip->Hide();
    if (!m_hWnd) return;
    if (m_hot && !m_pushed && !m_hot->GetToolTip().empty())
        ::SetTimer(m_hWnd, kToolTipTimer, kToolTipDelayMs, nullptr);
    else
        ::KillTimer(m_hWnd, kToolTipTimer);
}

void CPaintManagerUI::ShowToolTip() {
    ::KillTimer(m_hWnd, kToolTipTimer);
    if (!m_hot || m_pushed || m_hot->GetToolTip().empty() || !m_hot->IsVisible()) return;
    POINT cursor;
    ::GetCursorPos(&cursor);
    if (!m_toolTip) m_toolTip = std::make_unique<CToolTipWnd>();
    m_toolTip->Show(m_hWnd, m_hot->GetToolTip(), {cursor.x, cursor.y + m_scale.Scale(20)}, m_fonts->Get(-1),
                    m_scale.Scale(6));
}

void CPaintManagerUI::UpdateDpi(int dpi) {
    if (dpi == m_scale.Dpi()) return;
    m_scale = UiScale(dpi);
    m_fonts->Build(m_window.fonts, m_scale);
    EndEdit();
    if (m_shadow) {
        m_shadow->SetSize(
            m_scale.Scale(m_window.shadowSize),
            POINT{m_scale.Scale(m_window.shadowPosition.x), m_scale.Scale(m_window.shadowPosition.y)},
            m_scale.Scale(m_window.roundCorner.cx) / 2);
    }
    NeedUpdate();
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (!m_hWnd) return false;
    for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(m_filters)) {
        bool handled = false;
        LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    if (OnPrivateMessage(uMsg, lRes)) return true;
    switch (uMsg) {
        case WM_ERASEBKGND:
        case WM_PAINT:
        case WM_SIZE:
        case WM_MOVE:
        case WM_SHOWWINDOW:
        case WM_WINDOWPOSCHANGED:
        case WM_DPICHANGED:
            return OnWindowMessage(uMsg, wParam, lParam, lRes);
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
        case WM_SETCURSOR:
            return OnMouseMessage(uMsg, wParam, lParam, lRes);
        default:
            return OnInputMessage(uMsg, wParam, lParam, lRes);
    }
}

bool CPaintManagerUI::OnPrivateMessage(UINT uMsg, LRESULT& lRes) {
    if (uMsg == DrainMessage()) {
        if (m_calls) m_calls->Drain();
        lRes = 0;
        return true;
    }
    if (uMsg == EndEditMessage()) {
        EndEdit();
        lRes = 0;
        return true;
    }
    if (uMsg == WindowInitMessage()) {
        if (!m_sentWindowInit && m_root) {
            m_sentWindowInit = true;
            SendNotify(m_root.get(), L"windowinit");
        }
        lRes = 0;
        return true;
    }
    return false;
}

bool CPaintManagerUI::OnWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    switch (uMsg) {
        case WM_ERASEBKGND:
            lRes = 1;
            return true;
        case WM_PAINT:
            Paint();
            lRes = 0;
            return true;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                EndEdit();
                NeedUpdate();
                ApplyRoundCorner();
            }
            if (m_shadow) m_shadow->Update();
            return false;
        case WM_MOVE:
        case WM_SHOWWINDOW:
        case WM_WINDOWPOSCHANGED:
            if (m_shadow) m_shadow->Update();
            return false;
        case WM_DPICHANGED: {
            UpdateDpi(HIWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            lRes = 0;
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::OnMouseMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    switch (uMsg) {
        case WM_MOUSEMOVE: {
            if (!m_trackingLeave) {
                TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
                m_trackingLeave = ::TrackMouseEvent(&track) != FALSE;
            }
            const UiPoint point = PointOf(lParam);
            CControlUI* control = m_root ? m_root->FindControlAt(point) : nullptr;
            if (m_pushed) {
                // While a button is held only it hears the mouse; it looks hot only when under it.
                SetHot(control == m_pushed ? m_pushed : nullptr, point);
                SendEvent(m_pushed, UiEvent::MouseMove, point);
            } else {
                SetHot(control, point);
                if (control) SendEvent(control, UiEvent::MouseMove, point);
            }
            return false;
        }
        case WM_MOUSELEAVE:
            m_trackingLeave = false;
            if (!m_pushed) SetHot(nullptr, {});
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const UiPoint point = PointOf(lParam);
            CControlUI* control = m_root ? m_root->FindControlAt(point) : nullptr;
            if (!control || !control->IsEnabled()) {
                if (m_editing) SetFocus(nullptr);
                return false;
            }
            SetHot(control, point);
            if (control->IsFocusable())
                SetFocus(control);
            else if (m_editing)
                SetFocus(nullptr);
            m_pushed = control;
            ScheduleToolTip();  // a press puts the tooltip away
            ::SetCapture(m_hWnd);
            SendEvent(control, UiEvent::ButtonDown, point);
            return false;
        }
        case WM_LBUTTONUP: {
            const UiPoint point = PointOf(lParam);
            CControlUI* pushed = m_pushed;
            m_pushed = nullptr;
            if (::GetCapture() == m_hWnd) ::ReleaseCapture();
            if (pushed) SendEvent(pushed, UiEvent::ButtonUp, point);
            return false;
        }
        case WM_CAPTURECHANGED:
            if (m_pushed && reinterpret_cast<HWND>(lParam) != m_hWnd) {
                CControlUI* pushed = m_pushed;
                m_pushed = nullptr;
                SendEvent(pushed, UiEvent::MouseLeave);
                m_hot = nullptr;
            }
            return false;
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT) return false;
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(m_hWnd, &pt);
            CControlUI* control = FindControl(pt);
            if (!control || !control->IsEnabled()) return false;
            if (dynamic_cast<CEditUI*>(control))
                ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
            else if (control->IsHandCursor())
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            else
                return false;
            lRes = TRUE;
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::OnInputMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    switch (uMsg) {
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                MoveFocus(::GetKeyState(VK_SHIFT) < 0);
                lRes = 0;
                return true;
            }
            if (m_focus) SendEvent(m_focus, UiEvent::KeyDown, {}, static_cast<unsigned>(wParam));
            return false;
        case WM_TIMER: {
            if (wParam == kToolTipTimer) {
                ShowToolTip();
                lRes = 0;
                return true;
            }
            auto it = m_timers.find(static_cast<UINT_PTR>(wParam));
            if (it == m_timers.end()) return false;
            SendEvent(it->second.control, UiEvent::Timer, {}, it->second.id);
            lRes = 0;
            return true;
        }
        case WM_COMMAND:
            if (m_editor && reinterpret_cast<HWND>(lParam) == m_editor->GetHWND() &&
                HIWORD(wParam) == EN_CHANGE) {
                OnEditorChanged(m_editor->GetText());
                lRes = 0;
                return true;
            }
            return false;
        case WM_CTLCOLOREDIT:
            if (m_editor && reinterpret_cast<HWND>(lParam) == m_editor->GetHWND()) {
                lRes = reinterpret_cast<LRESULT>(m_editor->Colours(reinterpret_cast<HDC>(wParam)));
                return true;
            }
            return false;
        case WM_KILLFOCUS:
            if (m_pushed) {
                CControlUI* pushed = m_pushed;
                m_pushed = nullptr;
                SendEvent(pushed, UiEvent::MouseLeave);
                m_hot = nullptr;
            }
            ScheduleToolTip();
            return false;
        default:
            return false;
    }
}

}  // namespace DuiLib
