// LogPrint: through the run's owner once it has named itself, straight into the main logger until
// then (and in the programs without a setup driver: the packing tool, tests, fuzzers).
#include "common/log/LogPrint.h"

#include <atomic>

#include "common/log/log4z.h"

namespace {

std::atomic<ILogWriter*> g_writer{nullptr};

}  // namespace

void SetLogWriter(ILogWriter* writer) {
    g_writer = writer;
}

void LogPrint(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (ILogWriter* writer = g_writer) {
        writer->WriteLog(level, format, args);
    } else {
        log4z::WriteLogV(level, "QYPM", __LINE__, format, args);
    }
    va_end(args);
}
