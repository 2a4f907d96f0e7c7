// Hooks for the logger's tests and benchmarks: a controllable clock, an observable sleep of the
// back-pressure rule, and a writer that can be held so the queue fills.
#pragma once

#include <cstdint>

namespace log4z {
namespace testing {

struct ClockReading {
    int64_t seconds;
    unsigned milliseconds;
};
using ClockFn = ClockReading (*)();
using SleepFn = void (*)(unsigned milliseconds);

void SetClock(ClockFn clock);  // nullptr restores the system clock
void SetSleep(SleepFn sleep);  // nullptr restores the real sleep
void HoldWriter(bool hold);    // while held, the writer thread leaves the queue alone

}  // namespace testing
}  // namespace log4z
