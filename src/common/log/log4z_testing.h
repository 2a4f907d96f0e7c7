// The logger's one seam for its tests and benchmarks: the clock of the line headers, the sleep of
// the back-pressure rule, and whether the writer thread may take the queue (held, it leaves the
// queue to fill; Stop drains it all the same).
#pragma once

#include <cstdint>

namespace log4z {
namespace testing {

struct ClockReading {
    int64_t seconds;
    unsigned milliseconds;
};

class Environment {
public:
    virtual ClockReading Now() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual bool WriterHeld() = 0;

protected:
    // Never deleted through this interface; non-virtual so the built-in one needs no destructor at
    // exit, when other threads may still log.
    ~Environment() = default;
};

// nullptr restores the real environment. The given one must outlive its use: set it before
// Start, restore it after Stop.
void SetEnvironment(Environment* environment);

}  // namespace testing
}  // namespace log4z
