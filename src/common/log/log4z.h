// The logger module: callers format a line into a record and queue it; one writer thread of the
// module names, opens, rolls and writes the files. Logging never waits for the disk.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace log4z {

constexpr int kMaxLoggers = 20;
constexpr int kMainLogger = 0;
constexpr int kRecordBufferSize = 8192;
constexpr int kMaxLineBytes = 8189;  // before the CR LF
constexpr size_t kFreeListMax = 200;
constexpr size_t kBackPressureThreshold = 20000;

enum LogLevel {
    LOG_LEVEL_TRACE = 0,
    LOG_LEVEL_DEBUG = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARN = 3,
    LOG_LEVEL_ERROR = 4,
    LOG_LEVEL_ALARM = 5,
    LOG_LEVEL_FATAL = 6,
};

// Nine characters each, as written into every line.
const char* LevelName(int level);

enum class RecordKind {
    Line,
    SetPath,
    SetName,
    SetLevel,
    SetDisplay,
    SetOutFile,
    SetMonthDir,
    SetLimitSize,
    SetFileLine,
    SetReserve,
    SetEnable,
};

struct LogData {
    int id = 0;
    RecordKind kind = RecordKind::Line;
    int level = 0;
    int64_t time = 0;        // seconds since the epoch
    unsigned precise = 0;    // milliseconds
    unsigned threadId = 0;
    int number = 0;          // value of a property change
    int contentLen = 0;
    char content[kRecordBufferSize];
};

class ILog4zManager {
public:
    virtual ~ILog4zManager() = default;

    // The process-wide instance, created on first use and never destroyed; Stop runs at exit.
    static ILog4zManager* getInstance();

    virtual bool Start() = 0;
    virtual bool Stop() = 0;

    // Loggers beyond the main one (id 0, key "Main"); -1 when all 20 are taken.
    virtual int CreateLogger(const char* key) = 0;
    virtual int FindLogger(const char* key) = 0;

    // True when the module runs, the logger is enabled and the level passes its threshold. Slows
    // the caller down when the queue is long; never drops a line for that reason.
    virtual bool CanLog(int id, int level) = 0;
    // A record with the line's header (time, thread, level name) already written.
    virtual LogData* NewRecord(int id, int level) = 0;
    // Appends the tail (source and line), cuts, terminates with CR LF and queues the record.
    virtual void Push(LogData* record, const char* source, int line) = 0;
    virtual void FreeRecord(LogData* record) = 0;

    // Property changes. Before Start they apply at once; afterwards they are queued and applied by
    // the writer thread in order with the lines, closing the logger's open file.
    virtual bool SetPath(int id, const char* path) = 0;
    virtual bool SetName(int id, const char* name) = 0;
    virtual bool SetLevel(int id, int level) = 0;
    virtual bool SetDisplay(int id, bool enable) = 0;
    virtual bool SetOutFile(int id, bool enable) = 0;
    virtual bool SetMonthDir(int id, bool enable) = 0;
    virtual bool SetLimitSize(int id, unsigned megabytes) = 0;
    virtual bool SetFileLine(int id, bool enable) = 0;
    virtual bool SetReserve(int id, unsigned seconds) = 0;
    virtual bool SetEnable(int id, bool enable) = 0;

    virtual uint64_t GetStatusTotalPushLine() const = 0;
    virtual uint64_t GetStatusTotalWriteLine() const = 0;
    virtual uint64_t GetStatusTotalWriteBytes() const = 0;
    virtual size_t GetStatusQueuedLine() const = 0;
};

// Back-pressure share p in percent for a queue length: 0 up to 20 000 lines, then
// (queued * 100 - 2 000 000) / 20 000, at most 100.
int BackPressurePercent(size_t queued);

// Formats a message straight into a new record of the logger and queues it (the driver's and the
// engine's own lines). source is the name shown after the message, e.g. "interface/Maker/SetupPkg".
void LogFormat(int id, int level, const char* source, int line, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
void LogFormatV(int id, int level, const char* source, int line, const char* format, va_list args);

// The program's WriteLog: formats into an 8192-byte buffer (at most 8189 characters), then copies
// the text into a record of the main logger. Levels outside 0-6 are dropped.
void WriteLogV(int level, const char* source, int line, const char* format, va_list args);

}  // namespace log4z

// Lines of the driver, the engine and the readers: each source file defines kLogSource.
#define QYLOG(level, ...) ::log4z::LogFormat(::log4z::kMainLogger, level, kLogSource, __LINE__, __VA_ARGS__)
#define QYLOG_INFO(...) QYLOG(::log4z::LOG_LEVEL_INFO, __VA_ARGS__)
#define QYLOG_WARN(...) QYLOG(::log4z::LOG_LEVEL_WARN, __VA_ARGS__)
#define QYLOG_ERROR(...) QYLOG(::log4z::LOG_LEVEL_ERROR, __VA_ARGS__)
#define QYLOG_FATAL(...) QYLOG(::log4z::LOG_LEVEL_FATAL, __VA_ARGS__)
