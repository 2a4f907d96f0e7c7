// The system layer's failure lines, handed to the sink the program installed.
#include "system/ErrorLog.h"

namespace sys {

namespace {

// Set at start-up, before other threads, and read only after.
ErrorLogSink g_sink = nullptr;

}  // namespace

void SetErrorLogSink(ErrorLogSink sink) {
    g_sink = sink;
}

void LogError(const char* format, ...) {
    const ErrorLogSink sink = g_sink;
    if (!sink) return;
    va_list args;
    va_start(args, format);
    sink(format, args);
    va_end(args);
}

}  // namespace sys
