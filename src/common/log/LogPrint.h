// The program's log call, levels 0-6 (see log4z::LogLevel).
#pragma once

void LogPrint(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
