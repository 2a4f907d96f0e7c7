// LogPrint for programs without the setup driver (the packing tool, tests, fuzzers): the same
// formatting and record as the driver's WriteLog, straight into the main logger.
#include "common/log/LogPrint.h"

#include "common/log/log4z.h"

void LogPrint(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log4z::WriteLogV(level, "QYPM", __LINE__, format, args);
    va_end(args);
}
