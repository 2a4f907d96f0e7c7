// The OS-version condition of a file item: a term "major.minor" (major 5, 6 or 10; minor x, 0-3,
// or 0+..3+ for "this version or later") or a range "term-term" without "+".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

bool IsValidOsVersion(std::string_view term, int32_t& major, std::string& minor, bool allowPlus);
bool IsValidOsSpec(std::string_view os, std::string& lower, std::string& upper);
// True when the running version ("6.1", "10.0") satisfies the condition; an empty condition
// always holds, an invalid one never does.
bool MatchOsCondition(std::string_view os, std::string_view running);
