#include "config/OsCondition.h"

#include "config/ConfigText.h"

using config::EqualsNoCase;
using config::ParseInt32;

bool IsValidOsVersion(std::string_view term, int32_t& major, std::string& minor, bool allowPlus) {
    size_t dot = term.find('.');
    if (dot == std::string_view::npos) return false;
    major = ParseInt32(term.substr(0, dot));
    if (major != 5 && major != 6 && major != 10) return false;
    minor = term.substr(dot + 1);
    for (const char* allowed : {"x", "0", "1", "2", "3"}) {
        if (EqualsNoCase(minor, allowed)) return true;
    }
    if (allowPlus) {
        for (const char* allowed : {"0+", "1+", "2+", "3+"}) {
            if (EqualsNoCase(minor, allowed)) return true;
        }
    }
    return false;
}

bool IsValidOsSpec(std::string_view os, std::string& lower, std::string& upper) {
    int32_t major = 0;
    std::string minor;
    size_t dash = os.find('-');
    if (dash != std::string_view::npos) {
        lower = os.substr(0, dash);
        upper = os.substr(dash + 1);
        return IsValidOsVersion(lower, major, minor, false) && IsValidOsVersion(upper, major, minor, false);
    }
    lower = os;
    return IsValidOsVersion(lower, major, minor, true);
}

bool MatchOsCondition(std::string_view os, std::string_view running) {
    if (os.empty()) return true;
    std::string lower, upper;
    if (!IsValidOsSpec(os, lower, upper)) return false;

    int32_t current = 0;
    std::string currentMinor;
    if (upper.empty()) {
        int32_t major = 0;
        std::string minor;
        if (!IsValidOsVersion(lower, major, minor, true)) return false;
        if (!IsValidOsVersion(running, current, currentMinor, true)) return false;
        if (config::ContainsChar(minor, '+')) {
            return current > major ||
                   (current == major && ParseInt32(currentMinor) >= ParseInt32(minor.substr(0, 1)));
        }
        if (EqualsNoCase(minor, "x")) return current == major;
        return current == major && EqualsNoCase(currentMinor, minor);
    }

    int32_t lowMajor = 0, highMajor = 0;
    std::string lowMinor, highMinor;
    if (!IsValidOsVersion(lower, lowMajor, lowMinor, false) || !IsValidOsVersion(upper, highMajor, highMinor, false) ||
        !IsValidOsVersion(running, current, currentMinor, false)) {
        return false;
    }
    if (current < lowMajor || current > highMajor) return false;
    // An "x" bound does not restrict the minor version of its own major version.
    if (current == lowMajor && !EqualsNoCase(lowMinor, "x") && ParseInt32(currentMinor) < ParseInt32(lowMinor)) {
        return false;
    }
    if (current == highMajor && !EqualsNoCase(highMinor, "x") && ParseInt32(currentMinor) > ParseInt32(highMinor)) {
        return false;
    }
    return true;
}
