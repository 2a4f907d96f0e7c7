// The progress of one of the engine's list steps: a report per item as it is reached, and the
// step's share added when the step ends. The window is looked up at every report: one that closes
// clears it.
#pragma once

#include <atomic>
#include <string>

#include "common/run/IInstallUIPromptEx.h"

class StepProgress {
public:
    StepProgress(const std::atomic<IInstallUIPromptEx*>& prompt, int action, size_t total, int share)
        : m_prompt(prompt), m_action(action), m_total(static_cast<int>(total)), m_share(share) {}

    // The next item (counted from 1) is being done.
    void Reached(const std::wstring& detail) {
        const int position = m_next++;
        if (IInstallUIPromptEx* prompt = m_prompt)
            prompt->OnStepProgress(m_action, position, m_total, detail, m_share);
    }
    // The step is over: its share, reported under endAction.
    void Finish(int endAction) {
        if (IInstallUIPromptEx* prompt = m_prompt) prompt->OnStep(endAction, m_share, L"");
    }
    int Reported() const { return m_next - 1; }
    int Total() const { return m_total; }

private:
    const std::atomic<IInstallUIPromptEx*>& m_prompt;
    const int m_action;
    const int m_total;
    const int m_share;
    int m_next = 1;
};
