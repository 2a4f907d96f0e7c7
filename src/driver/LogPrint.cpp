// The program's log call goes through the driver, which owns the run's log.
#include "common/log/LogPrint.h"

#include "driver/QYPM.h"

void LogPrint(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    GetQYPM()->WriteLog(level, format, args);
    va_end(args);
}
