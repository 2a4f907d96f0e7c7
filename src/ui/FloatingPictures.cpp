// Swing of the final page's pictures.
#include "ui/FloatingPictures.h"

void CFloatingPictures::Attach(DuiLib::CControlUI* game, DuiLib::CControlUI* weGame,
                               DuiLib::CControlUI* shopping, DuiLib::CControlUI* steam) {
    m_pictures[0] = game;
    m_pictures[1] = weGame;
    m_pictures[2] = shopping;
    m_pictures[3] = steam;
}

bool CFloatingPictures::Complete() const {
    for (auto* picture : m_pictures) {
        if (!picture) return false;
    }
    return true;
}

void CFloatingPictures::SaveRest() {
    if (!Complete()) return;
    for (int i = 0; i < 4; ++i) m_rest[i] = m_pictures[i]->GetPos();
}

void CFloatingPictures::Step() {
    if (!Complete()) return;
    for (int i = 0; i < 4; ++i) {
        DuiLib::UiRect r = m_pictures[i]->GetPos();
        const int low = m_rest[i].top - 5;
        const int high = m_rest[i].top + 5;
        int dy;
        if (m_up[i]) {
            dy = r.top - low < 3 ? -1 : -2;
        } else {
            dy = high - r.top > 2 ? 2 : 1;
        }
        r = r.Offset(0, dy);
        if (m_up[i] && r.top < low)
            m_up[i] = false;
        else if (!m_up[i] && r.top > high)
            m_up[i] = true;
        m_pictures[i]->SetPos(r);
    }
}
