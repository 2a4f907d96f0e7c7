#include "ui/ProgressRules.h"

#include <cwchar>

int StepPercentage(int running, int action, int increment) {
    // Widened, so that no sum of reports can overflow.
    const long long sum = static_cast<long long>(running) + increment;
    if (action == kActionComplete) return 100;
    return sum >= 100 ? 99 : static_cast<int>(sum);
}

int ProgressPercentage(int running, int position, int total, int share) {
    if (total == 0 || share == 0) return running;
    const long long chunk = static_cast<long long>(total) / share + static_cast<long long>(total) % share;
    if (chunk == 0) return running;
    long long shown = running + position / chunk + (position % chunk != 0 ? 1 : 0);
    return shown >= 100 ? 99 : static_cast<int>(shown);
}

std::wstring PercentText(int percent) { return std::to_wstring(percent) + L"%"; }
