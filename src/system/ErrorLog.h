// How the system layer reports a failure it handles itself (a folder left in place, a link it
// would not follow): through a sink the program installs at start-up, so that the lowest layer
// needs nothing of the logger above it. Without a sink the lines are dropped.
#pragma once

#include <cstdarg>

namespace sys {

using ErrorLogSink = void (*)(const char* format, va_list args);

// Installed before any other thread runs; null removes the sink.
void SetErrorLogSink(ErrorLogSink sink);

// One failure line, printf-style, as the program's log writes it.
void LogError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace sys
