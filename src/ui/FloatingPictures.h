// The four pictures that swing up and down on the final page of the install and web-install
// windows: rest places saved once, then one step per timer tick between rest - 6 and rest + 6.
#pragma once

#include "ui/framework/UIControl.h"

class CFloatingPictures {
public:
    // The window timer that moves them, and its period.
    static constexpr unsigned kTimer = 1000;
    static constexpr unsigned kPeriodMs = 140;

    // Any of them may be missing from the skin; then there is no animation.
    void Attach(DuiLib::CControlUI* game, DuiLib::CControlUI* weGame, DuiLib::CControlUI* shopping,
                DuiLib::CControlUI* steam);
    bool Complete() const;
    void SaveRest();
    // Moves each picture by 1 or 2 pixels and turns it at the ends of its swing.
    void Step();

private:
    DuiLib::CControlUI* m_pictures[4] = {};
    DuiLib::UiRect m_rest[4];
    // CtrlGame and CtrlShopping start upwards, CtrlWeGame and CtrlSteam downwards.
    bool m_up[4] = {true, false, true, false};
};
