// A window stand-in for building skins without a window (unit tests, the skin fuzzer): a scale,
// option groups, and the notifications it was sent.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ui/framework/UIButton.h"
#include "ui/framework/UIControl.h"
#include "ui/framework/UIEdit.h"

namespace DuiLib {

class TestHost : public IControlHost {
public:
    explicit TestHost(int dpi = 96) : m_scale(dpi) {}
    const UiScale& Scale() const override { return m_scale; }
    void Invalidate(const UiRect&) override {}
    void NeedUpdate() override {}
    void SendNotify(CControlUI* sender, const std::wstring& type, uintptr_t, intptr_t) override {
        std::wstring entry = type + L":" + sender->GetName();
        if (auto* option = dynamic_cast<COptionUI*>(sender)) entry += option->IsSelected() ? L"=on" : L"=off";
        seen.push_back(entry);
    }
    void SetFocus(CControlUI*) override {}
    CControlUI* GetFocus() const override { return nullptr; }
    bool SetTimer(CControlUI*, unsigned, unsigned) override { return true; }
    void KillTimer(CControlUI*, unsigned) override {}
    void AddOptionGroup(const std::wstring& group, COptionUI* option) override {
        m_groups[group].push_back(option);
    }
    void RemoveOptionGroup(const std::wstring& group, COptionUI* option) override {
        auto& members = m_groups[group];
        members.erase(std::remove(members.begin(), members.end(), option), members.end());
    }
    std::vector<COptionUI*> GetOptionGroup(const std::wstring& group) const override {
        auto it = m_groups.find(group);
        return it == m_groups.end() ? std::vector<COptionUI*>() : it->second;
    }
    const std::wstring* GetStyle(const std::wstring&) const override { return nullptr; }
    void BeginEdit(CEditUI*) override {}
    void ControlRemoved(CControlUI*) override {}
    std::vector<std::wstring> seen;

private:
    UiScale m_scale;
    std::map<std::wstring, std::vector<COptionUI*>> m_groups;
};

}  // namespace DuiLib
