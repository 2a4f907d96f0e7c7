// Logger implementation: a record free list, one queue, one writer thread.
#include "common/log/log4z.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/log/LogFormat.h"
#include "common/log/log4z_testing.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/TextConv.h"

namespace log4z {

namespace {

constexpr char kLogSource[] = "common/log/log4z";
constexpr int kLevelNameLen = 9;
const char* const kLevelNames[] = {"LOG_TRACE", "LOG_DEBUG", "LOG_INFO ", "LOG_WARN ",
                                   "LOG_ERROR", "LOG_ALARM", "LOG_FATAL"};

// "00".."99" for the header digits.
struct TwoDigits {
    char text[100][2];
    TwoDigits() {
        for (int i = 0; i < 100; ++i) text[i][0] = static_cast<char>('0' + i / 10), text[i][1] = static_cast<char>('0' + i % 10);
    }
};
const TwoDigits kDigits;

inline char* PutTwo(char* p, int v) {
    std::memcpy(p, kDigits.text[v], 2);
    return p + 2;
}

class SystemEnvironment final : public testing::Environment {
public:
    testing::ClockReading Now() override {
        auto now = std::chrono::system_clock::now().time_since_epoch();
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
        return {static_cast<int64_t>(ms / 1000), static_cast<unsigned>(ms % 1000)};
    }
    void Sleep(unsigned ms) override { sys::SleepMs(ms); }
    bool WriterHeld() override { return false; }
};

// Constant-initialised and trivially destructible: usable before main and after exit begins.
SystemEnvironment g_systemEnvironment;
std::atomic<testing::Environment*> g_environment{&g_systemEnvironment};

testing::Environment& Env() { return *g_environment.load(std::memory_order_acquire); }

std::tm LocalTime(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm = {};
#if defined(_WIN32)
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

// "YYYY-MM-DD hh:mm:ss" of one second, kept per thread since a thread logs many lines per second.
struct DateCache {
    int64_t second = -1;
    char text[20];
};

void WriteDate(int64_t seconds, char* out) {
    thread_local DateCache cache;
    if (cache.second != seconds) {
        std::tm tm = LocalTime(seconds);
        char* p = cache.text;
        int year = tm.tm_year + 1900;
        p = PutTwo(p, (year / 100) % 100);
        p = PutTwo(p, year % 100);
        *p++ = '-';
        p = PutTwo(p, tm.tm_mon + 1);
        *p++ = '-';
        p = PutTwo(p, tm.tm_mday);
        *p++ = ' ';
        p = PutTwo(p, tm.tm_hour);
        *p++ = ':';
        p = PutTwo(p, tm.tm_min);
        *p++ = ':';
        p = PutTwo(p, tm.tm_sec);
        cache.second = seconds;
    }
    std::memcpy(out, cache.text, 19);
}

int RandomPercent() {
    thread_local std::minstd_rand generator(static_cast<unsigned>(sys::CurrentThreadId()) * 2654435761u + 1u);
    return static_cast<int>(generator() % 100);
}

const char* BaseName(const char* source) {
    const char* base = source;
    for (const char* p = source; *p; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    return base;
}

// Settings the pushing threads read: atomics, written only by the writer thread once running.
struct Logger {
    bool used = false;
    std::string key;
    std::string name;
    std::string path = "./log/";
    std::atomic<int> level{LOG_LEVEL_DEBUG};
    std::atomic<bool> display{true};
    std::atomic<bool> outfile{true};
    bool monthdir = false;
    unsigned limitsize = 100;  // megabytes
    std::atomic<bool> fileline{true};
    unsigned reserve = 0;      // seconds; 0 keeps every file
    std::atomic<bool> enable{true};

    // Writer thread state.
    sys::UniqueFile file;
    int64_t fileDayStart = 0;
    unsigned fileIndex = 0;
    uint64_t fileBytes = 0;
    bool dirty = false;
    std::deque<std::pair<int64_t, std::wstring>> history;  // files opened in this run, for reserve
};

class LogerManager final : public ILog4zManager {
public:
    LogerManager();

    bool Start() override;
    bool Stop() override;
    int CreateLogger(const char* key) override;
    int FindLogger(const char* key) override;
    bool CanLog(int id, int level) override;
    LogData* NewRecord(int id, int level) override;
    void Push(LogData* record, const char* source, int line) override;
    void FreeRecord(LogData* record) override;

    bool SetPath(int id, const char* path) override { return Change(id, RecordKind::SetPath, 0, path); }
    bool SetName(int id, const char* name) override { return Change(id, RecordKind::SetName, 0, name); }
    bool SetLevel(int id, int level) override { return Change(id, RecordKind::SetLevel, level, ""); }
    bool SetDisplay(int id, bool on) override { return Change(id, RecordKind::SetDisplay, on, ""); }
    bool SetOutFile(int id, bool on) override { return Change(id, RecordKind::SetOutFile, on, ""); }
    bool SetMonthDir(int id, bool on) override { return Change(id, RecordKind::SetMonthDir, on, ""); }
    bool SetLimitSize(int id, unsigned mb) override {
        return Change(id, RecordKind::SetLimitSize, static_cast<int>(mb), "");
    }
    bool SetFileLine(int id, bool on) override { return Change(id, RecordKind::SetFileLine, on, ""); }
    bool SetReserve(int id, unsigned s) override {
        return Change(id, RecordKind::SetReserve, static_cast<int>(s), "");
    }
    bool SetEnable(int id, bool on) override { return Change(id, RecordKind::SetEnable, on, ""); }

    uint64_t GetStatusTotalPushLine() const override { return m_pushed.load(); }
    uint64_t GetStatusTotalWriteLine() const override { return m_writtenLines.load(); }
    uint64_t GetStatusTotalWriteBytes() const override { return m_writtenBytes.load(); }
    size_t GetStatusQueuedLine() const override { return m_queued.load(); }

private:
    bool ValidId(int id) const { return id >= 0 && id < kMaxLoggers && m_loggers[id].used; }
    bool Change(int id, RecordKind kind, int number, const char* text);
    void Apply(const LogData& change);
    void Run();
    void WriteStartLines();
    void WriteLine(LogData& record);
    bool OpenFile(Logger& logger, int64_t now);
    void CloseFile(Logger& logger);
    void RemoveExpired(Logger& logger, int64_t now);
    void RecycleBatch(std::vector<LogData*>& batch);
    bool Enqueue(LogData* record);

    Logger m_loggers[kMaxLoggers];
    int m_lastId = 0;
    std::string m_processName;
    std::string m_processId;

    std::atomic<bool> m_running{false};
    std::thread m_thread;
    std::mutex m_startLock;

    std::mutex m_queueLock;
    std::vector<LogData*> m_queue;
    // Under m_queueLock: Push and Change queue only while set. Stop clears it, and the writer ends
    // once it finds the queue empty with it cleared, so nothing accepted is left behind.
    bool m_accepting = false;
    std::condition_variable m_wake;  // Stop, or callers that found no free record
    std::atomic<bool> m_writerIdle{false};
    std::atomic<bool> m_wakeRequested{false};
    std::atomic<size_t> m_queued{0};

    std::mutex m_freeLock;
    std::vector<LogData*> m_free;

    std::atomic<uint64_t> m_pushed{0};
    std::atomic<uint64_t> m_writtenLines{0};
    std::atomic<uint64_t> m_writtenBytes{0};
};

LogerManager::LogerManager() {
    Logger& main = m_loggers[kMainLogger];
    main.used = true;
    main.key = "Main";
    main.name = "Main";
    m_processName = sys::ProcessBaseName();
    char pid[16];
    std::snprintf(pid, sizeof(pid), "%06u", sys::CurrentProcessId());
    m_processId = pid;
    m_free.reserve(kFreeListMax);
}

int LogerManager::CreateLogger(const char* key) {
    if (!key) return -1;
    int existing = FindLogger(key);
    if (existing >= 0) return existing;
    std::lock_guard<std::mutex> guard(m_startLock);
    if (m_running || m_lastId + 1 >= kMaxLoggers) return -1;
    Logger& logger = m_loggers[++m_lastId];
    logger.used = true;
    logger.key = key;
    logger.name = key;
    return m_lastId;
}

int LogerManager::FindLogger(const char* key) {
    for (int i = 0; i <= m_lastId; ++i) {
        if (m_loggers[i].used && m_loggers[i].key == key) return i;
    }
    return -1;
}

bool LogerManager::Start() {
    std::lock_guard<std::mutex> guard(m_startLock);
    if (m_running) {
        sys::DebugOutput("log4z already start \r\n");
        std::fputs("log4z already start \r\n", stderr);
        return false;
    }
    {
        std::lock_guard<std::mutex> q(m_queueLock);
        m_accepting = true;
    }
    m_running = true;
    try {
        m_thread = std::thread(&LogerManager::Run, this);
    } catch (...) {
        m_running = false;
        std::lock_guard<std::mutex> q(m_queueLock);
        m_accepting = false;
        sys::DebugOutput("log4z: create log4z thread error! \r\n");
        std::fputs("log4z: create log4z thread error! \r\n", stderr);
        return false;
    }
    return true;
}

bool LogerManager::Stop() {
    std::lock_guard<std::mutex> guard(m_startLock);
    if (!m_running) return false;
    {
        std::lock_guard<std::mutex> q(m_queueLock);
        m_accepting = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    m_running = false;
    // Other threads may still take and return records; release the idle ones under the list's lock.
    std::vector<LogData*> idle;
    {
        std::lock_guard<std::mutex> guard(m_freeLock);
        idle.swap(m_free);
        m_free.reserve(kFreeListMax);
    }
    for (LogData* record : idle) delete record;
    return true;
}

bool LogerManager::CanLog(int id, int level) {
    if (id < 0 || id >= kMaxLoggers || !m_running.load(std::memory_order_relaxed)) return false;
    const Logger& logger = m_loggers[id];
    if (!logger.used || !logger.enable.load(std::memory_order_relaxed) ||
        level < logger.level.load(std::memory_order_relaxed)) {
        return false;
    }
    size_t queued = m_queued.load(std::memory_order_relaxed);
    if (queued > kBackPressureThreshold) {
        int p = BackPressurePercent(queued);
        if (RandomPercent() < p) {
            if (p > 50) {
                std::lock_guard<std::mutex> q(m_queueLock);
                queued = m_queued.load(std::memory_order_relaxed);
            }
            if (queued > kBackPressureThreshold) Env().Sleep(static_cast<unsigned>(p));
        }
    }
    return true;
}

LogData* LogerManager::NewRecord(int id, int level) {
    LogData* record = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_freeLock);
        if (!m_free.empty()) {
            record = m_free.back();
            m_free.pop_back();
        }
    }
    if (!record) {
        // The free list ran dry: the writer is behind or asleep. Wake it rather than letting the
        // queue (and the memory it holds) grow through the rest of its 50 ms pause.
        if (m_writerIdle.load(std::memory_order_relaxed)) {
            m_wakeRequested.store(true, std::memory_order_relaxed);
            m_wake.notify_one();
        }
        record = new LogData;
    }
    testing::ClockReading now = Env().Now();
    record->id = id;
    record->kind = RecordKind::Line;
    record->level = level;
    record->time = now.seconds;
    record->precise = now.milliseconds;
    thread_local const unsigned threadId = sys::CurrentThreadId();
    record->threadId = threadId;
    record->number = 0;

    // "YYYY-MM-DD hh:mm:ss.mmm [tid] LEVEL_NAM "
    char* p = record->content;
    WriteDate(now.seconds, p);
    p += 19;
    *p++ = '.';
    *p++ = static_cast<char>('0' + now.milliseconds / 100 % 10);
    p = PutTwo(p, static_cast<int>(now.milliseconds % 100));
    *p++ = ' ';
    *p++ = '[';
    char digits[12];
    int n = 0;
    for (unsigned tid = record->threadId; tid || n < 4; tid /= 10) digits[n++] = static_cast<char>('0' + tid % 10);
    while (n) *p++ = digits[--n];
    *p++ = ']';
    *p++ = ' ';
    std::memcpy(p, LevelName(level), kLevelNameLen);
    p += kLevelNameLen;
    *p++ = ' ';
    record->contentLen = static_cast<int>(p - record->content);
    record->content[record->contentLen] = '\0';
    return record;
}

void LogerManager::Push(LogData* record, const char* source, int line) {
    const int id = record->id;
    if (id < 0 || id >= kMaxLoggers || !m_running.load(std::memory_order_relaxed) || !m_loggers[id].used ||
        !m_loggers[id].enable.load(std::memory_order_relaxed) ||
        record->level < m_loggers[id].level.load(std::memory_order_relaxed)) {
        FreeRecord(record);
        return;
    }
    if (record->kind == RecordKind::Line) {
        int len = record->contentLen;
        if (source && *source && m_loggers[id].fileline.load(std::memory_order_relaxed)) {
            char tail[300];
            int tailLen = std::snprintf(tail, sizeof(tail), " %s:%d", BaseName(source), line);
            if (tailLen > 0) {
                int room = kRecordBufferSize - 1 - len;
                int take = tailLen < room ? tailLen : room;
                if (take > 0) std::memcpy(record->content + len, tail, static_cast<size_t>(take)), len += take;
            }
        }
        if (len > kMaxLineBytes) len = kMaxLineBytes;
        record->content[len++] = '\r';
        record->content[len++] = '\n';
        record->content[len] = '\0';
        record->contentLen = len;
    }
    if (!Enqueue(record)) {
        FreeRecord(record);  // Stop came first
        return;
    }
    m_pushed.fetch_add(1, std::memory_order_relaxed);
}

bool LogerManager::Enqueue(LogData* record) {
    std::lock_guard<std::mutex> guard(m_queueLock);
    if (!m_accepting) return false;
    m_queue.push_back(record);
    m_queued.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void LogerManager::FreeRecord(LogData* record) {
    if (!record) return;
    {
        std::lock_guard<std::mutex> guard(m_freeLock);
        if (m_free.size() < kFreeListMax) {
            m_free.push_back(record);
            return;
        }
    }
    delete record;
}

// Refills the free list under one lock; what does not fit is released outside it.
void LogerManager::RecycleBatch(std::vector<LogData*>& batch) {
    size_t kept = 0;
    {
        std::lock_guard<std::mutex> guard(m_freeLock);
        while (kept < batch.size() && m_free.size() < kFreeListMax) m_free.push_back(batch[kept++]);
    }
    for (size_t i = kept; i < batch.size(); ++i) delete batch[i];
    batch.clear();
}

bool LogerManager::Change(int id, RecordKind kind, int number, const char* text) {
    if (!ValidId(id) || !text) return false;
    size_t len = std::strlen(text);
    if (len + 2 >= static_cast<size_t>(kRecordBufferSize)) return false;
    const bool queued = m_running;
    LogData change;  // applied at once before the writer runs
    LogData* record = queued ? NewRecord(id, LOG_LEVEL_FATAL) : &change;
    record->id = id;
    record->kind = kind;
    record->number = number;
    std::memcpy(record->content, text, len + 1);
    record->contentLen = static_cast<int>(len);
    if (!queued) {
        Apply(*record);
        return true;
    }
    if (!Enqueue(record)) {
        FreeRecord(record);
        return false;
    }
    return true;
}

void LogerManager::Apply(const LogData& change) {
    Logger& logger = m_loggers[change.id];
    switch (change.kind) {
        case RecordKind::SetPath: {
            std::string path(change.content, static_cast<size_t>(change.contentLen));
            if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
            logger.path = path;
            logger.fileIndex = 0;
            logger.fileDayStart = 0;
            break;
        }
        case RecordKind::SetName: logger.name.assign(change.content, static_cast<size_t>(change.contentLen)); break;
        case RecordKind::SetLevel: logger.level = change.number; break;
        case RecordKind::SetDisplay: logger.display = change.number != 0; break;
        case RecordKind::SetOutFile: logger.outfile = change.number != 0; break;
        case RecordKind::SetMonthDir: logger.monthdir = change.number != 0; break;
        case RecordKind::SetLimitSize: logger.limitsize = static_cast<unsigned>(change.number); break;
        case RecordKind::SetFileLine: logger.fileline = change.number != 0; break;
        case RecordKind::SetReserve: logger.reserve = static_cast<unsigned>(change.number); break;
        case RecordKind::SetEnable: logger.enable = change.number != 0; break;
        case RecordKind::Line: return;
    }
    CloseFile(logger);
}

void LogerManager::WriteStartLines() {
    auto direct = [this](const char* text) {
        LogData* record = NewRecord(kMainLogger, LOG_LEVEL_ALARM);
        size_t room = kRecordBufferSize - static_cast<size_t>(record->contentLen);
        record->contentLen += static_cast<int>(
            FormatLogTextF(record->content + record->contentLen, room, "%s", text));
        // The start lines go out ahead of anything queued, so they open every run's first file.
        int len = record->contentLen;
        len += std::snprintf(record->content + len, static_cast<size_t>(kRecordBufferSize - len), " %s:%d",
                             BaseName(kLogSource), __LINE__);
        if (len > kMaxLineBytes) len = kMaxLineBytes;
        record->content[len++] = '\r';
        record->content[len++] = '\n';
        record->contentLen = len;
        WriteLine(*record);
        FreeRecord(record);
    };
    direct("-----------------  log4z thread started!   ----------------------------");
    for (int i = 0; i <= m_lastId; ++i) {
        const Logger& logger = m_loggers[i];
        if (!logger.used || !logger.enable) continue;
        std::string text = "logger id=" + std::to_string(i) + " key=" + logger.key + " name=" + logger.name +
                           " path=" + logger.path + " level=" + std::to_string(logger.level.load()) +
                           " display=" + (logger.display ? "true" : "false");
        direct(text.c_str());
    }
}

void LogerManager::Run() {
    WriteStartLines();
    std::vector<LogData*> batch;
    for (;;) {
        batch.clear();
        bool accepting;
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            accepting = m_accepting;
            // A held writer leaves the queue alone, but never past Stop.
            if (!accepting || !Env().WriterHeld()) batch.swap(m_queue);
        }
        if (batch.empty()) {
            for (Logger& logger : m_loggers) {
                if (!logger.used) continue;
                if (logger.dirty && logger.file) std::fflush(logger.file.get());
                logger.dirty = false;
                if (!logger.enable) CloseFile(logger);
            }
            // Empty while refusing, both seen under the lock: nothing can still arrive.
            if (!accepting) break;
            std::unique_lock<std::mutex> lock(m_queueLock);
            if (!m_accepting) continue;
            m_writerIdle = true;
            m_wake.wait_for(lock, std::chrono::milliseconds(50),
                            [this] { return !m_accepting || m_wakeRequested.load(); });
            m_writerIdle = false;
            m_wakeRequested = false;
            continue;
        }
        for (LogData* record : batch) {
            if (record->kind == RecordKind::Line) {
                WriteLine(*record);
            } else {
                Apply(*record);
            }
        }
        m_queued.fetch_sub(batch.size(), std::memory_order_relaxed);
        RecycleBatch(batch);
    }
    for (Logger& logger : m_loggers) CloseFile(logger);
}

void LogerManager::WriteLine(LogData& record) {
    Logger& logger = m_loggers[record.id];
    if (!logger.used || !logger.enable || record.level < logger.level) return;
    if (logger.display && sys::DebugOutputRead()) sys::DebugOutput(record.content);
    if (!logger.outfile) return;

    // Roll on a new calendar day (index back to 0) or past the size limit (next index).
    if (logger.file && record.time - logger.fileDayStart >= 86400) {
        CloseFile(logger);
        logger.fileIndex = 0;
    } else if (logger.file && logger.fileBytes > static_cast<uint64_t>(logger.limitsize) * 1048576u) {
        CloseFile(logger);
        ++logger.fileIndex;
    }
    if (!logger.file && !OpenFile(logger, record.time)) return;

    size_t len = static_cast<size_t>(record.contentLen);
    size_t written = std::fwrite(record.content, 1, len, logger.file.get());
    logger.fileBytes += written;
    logger.dirty = true;
    m_writtenBytes.fetch_add(written, std::memory_order_relaxed);
    m_writtenLines.fetch_add(1, std::memory_order_relaxed);
    if (written != len) CloseFile(logger);
}

bool LogerManager::OpenFile(Logger& logger, int64_t now) {
    std::tm tm = LocalTime(now);
    if (logger.fileDayStart == 0 || now - logger.fileDayStart >= 86400 || now < logger.fileDayStart) {
        if (logger.fileDayStart != 0) logger.fileIndex = 0;
        logger.fileDayStart = now - (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
    }
    std::string folder = logger.path;
    if (logger.monthdir) {
        char month[32];
        std::snprintf(month, sizeof(month), "%04d_%02d/", tm.tm_year + 1900, tm.tm_mon + 1);
        folder += month;
    }
    std::wstring wideFolder = sys::Utf8ToWide(folder);
    for (wchar_t& c : wideFolder) {
        if (c == L'/') c = L'\\';
    }
    sys::CreateFolderTree(wideFolder);

    char name[512];
    std::snprintf(name, sizeof(name), "%s_%s_%04d%02d%02d%02d%02d_%s_%03u.log", m_processName.c_str(),
                  logger.name.c_str(), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                  m_processId.c_str(), logger.fileIndex);
    std::wstring path = wideFolder + sys::Utf8ToWide(name);
    logger.file = sys::OpenFile(path, "ab");
    if (!logger.file) {
        std::string message = "log4z: can not open log file " + sys::WideToUtf8(path) + ". \r\n";
        sys::DebugOutput(message.c_str());
        std::fputs(message.c_str(), stderr);
        return false;
    }
    // Reopening an existing file (same minute, same index) continues its byte count.
    std::fseek(logger.file.get(), 0, SEEK_END);
    long existing = std::ftell(logger.file.get());
    logger.fileBytes = existing > 0 ? static_cast<uint64_t>(existing) : 0;
    if (logger.reserve) {
        logger.history.emplace_back(now, path);
        RemoveExpired(logger, now);
    }
    return true;
}

void LogerManager::RemoveExpired(Logger& logger, int64_t now) {
    while (logger.history.size() > 1 && now - logger.history.front().first > static_cast<int64_t>(logger.reserve)) {
        std::remove(sys::WideToUtf8(logger.history.front().second).c_str());
        logger.history.pop_front();
    }
}

void LogerManager::CloseFile(Logger& logger) {
    if (logger.file) std::fflush(logger.file.get());
    logger.file.reset();
    logger.fileBytes = 0;
}

}  // namespace

int BackPressurePercent(size_t queued) {
    if (queued <= kBackPressureThreshold) return 0;
    size_t p = (queued * 100 - 2000000) / 20000;
    return p > 100 ? 100 : static_cast<int>(p);
}

const char* LevelName(int level) {
    return level >= LOG_LEVEL_TRACE && level <= LOG_LEVEL_FATAL ? kLevelNames[level] : "LOG_UNKNW";
}

// Never destroyed: threads may log while the process exits. Stop at exit writes their last lines
// and closes the files; pushes after that are refused.
ILog4zManager* ILog4zManager::getInstance() {
    static LogerManager* const manager = [] {
        auto* created = new LogerManager;
        std::atexit([] { ILog4zManager::getInstance()->Stop(); });
        return created;
    }();
    return manager;
}

void LogFormatV(int id, int level, const char* source, int line, const char* format, va_list args) {
    ILog4zManager* manager = ILog4zManager::getInstance();
    if (!manager->CanLog(id, level)) return;
    LogData* record = manager->NewRecord(id, level);
    size_t room = kRecordBufferSize - static_cast<size_t>(record->contentLen);
    record->contentLen += static_cast<int>(FormatLogText(record->content + record->contentLen, room, format, args));
    manager->Push(record, source, line);
}

void LogFormat(int id, int level, const char* source, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogFormatV(id, level, source, line, format, args);
    va_end(args);
}

void WriteLogV(int level, const char* source, int line, const char* format, va_list args) {
    char message[kRecordBufferSize] = {};
    FormatLogText(message, 8190, format, args);
    if (level < LOG_LEVEL_TRACE || level > LOG_LEVEL_FATAL) return;
    ILog4zManager* manager = ILog4zManager::getInstance();
    if (!manager->CanLog(kMainLogger, level)) return;
    LogData* record = manager->NewRecord(kMainLogger, level);
    size_t room = kRecordBufferSize - 1 - static_cast<size_t>(record->contentLen);
    size_t len = std::strlen(message);
    if (len > room) len = room;
    std::memcpy(record->content + record->contentLen, message, len);
    record->contentLen += static_cast<int>(len);
    record->content[record->contentLen] = '\0';
    manager->Push(record, source, line);
}

namespace testing {
void SetEnvironment(Environment* environment) {
    g_environment.store(environment ? environment : &g_systemEnvironment, std::memory_order_release);
}
}  // namespace testing

}  // namespace log4z
