// The program's log call, levels 0-6 (see log4z::LogLevel).
#pragma once

#include <cstdarg>

void LogPrint(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// What LogPrint hands its lines to: the owner of the run's log, installed at start-up.
class ILogWriter {
public:
    virtual int WriteLog(int level, const char* format, va_list args) = 0;

protected:
    ~ILogWriter() = default;
};

// Installed before any other thread runs; null (and the start) send the lines straight into the
// main logger, with the same formatting and record as the driver's.
void SetLogWriter(ILogWriter* writer);
