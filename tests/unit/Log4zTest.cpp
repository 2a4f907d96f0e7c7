// The logger as a user of its files sees it: line layout, levels, cuts, file names, rolling, and
// the back-pressure rule.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestFolder.h"
#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "common/log/log4z_testing.h"

namespace fs = std::filesystem;
using log4z::ILog4zManager;

namespace {

// 2026-12-09 10:17:51 UTC
constexpr int64_t kBase = 1796811471;

// A clock the test sets, sleeps it can count instead of sleeping, and a writer it can hold.
class TestEnvironment final : public log4z::testing::Environment {
public:
    log4z::testing::ClockReading Now() override { return {seconds.load(), millis.load()}; }
    void Sleep(unsigned ms) override {
        if (!countSleeps) return std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ++sleeps;
        lastSleep = ms;
    }
    bool WriterHeld() override { return held; }

    std::atomic<int64_t> seconds{kBase};
    std::atomic<unsigned> millis{7};
    std::atomic<bool> countSleeps{false};
    std::atomic<int> sleeps{0};
    std::atomic<unsigned> lastSleep{0};
    std::atomic<bool> held{false};
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2) {
        lines.push_back(text.substr(start, pos - start));
    }
    EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
    return lines;
}

class Log4zTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        log4z::testing::SetEnvironment(&m_env);
        m_log = ILog4zManager::getInstance();
        m_log->Stop();
        m_logPath = m_folder.path() + "/run.log";
        m_log->SetPath(log4z::kMainLogger, m_logPath.c_str());
        m_log->SetLevel(log4z::kMainLogger, log4z::LOG_LEVEL_DEBUG);
        m_log->SetLimitSize(log4z::kMainLogger, 100);
        ASSERT_TRUE(m_log->Start());
        m_log->SetLevel(log4z::kMainLogger, log4z::LOG_LEVEL_TRACE);
        WaitForWriter();  // a change after Start applies on the writer thread
    }
    void WaitForWriter() {
        while (m_log->GetStatusQueuedLine() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void TearDown() override {
        m_log->Stop();
        log4z::testing::SetEnvironment(nullptr);
    }
    // The run's files, oldest name first, and their lines.
    std::vector<std::string> Files() {
        std::vector<std::string> files;
        for (const auto& f : m_folder.FilesBelow()) files.push_back(m_folder.path() + "/" + f);
        return files;
    }
    std::vector<std::string> AllLines() {
        std::vector<std::string> all;
        for (const auto& f : Files()) {
            auto lines = Lines(ReadWholeFile(f));
            all.insert(all.end(), lines.begin(), lines.end());
        }
        return all;
    }
    std::string Header(const char* level) {
        char tid[32];
        std::snprintf(tid, sizeof(tid), "%04u", static_cast<unsigned>(::gettid()));
        return std::string("2026-12-09 10:17:51.007 [") + tid + "] " + level + " ";
    }

    TestEnvironment m_env;
    TestFolder m_folder;
    std::string m_logPath;
    ILog4zManager* m_log = nullptr;
};

}  // namespace

TEST_F(Log4zTest, StartLinesThenLinesWithHeaderAndSource) {
    log4z::LogFormat(log4z::kMainLogger, log4z::LOG_LEVEL_INFO, "interface/Maker/SetupPkg", 42, "extract %s %d %S",
                     "ok", -3, L"C:\\路径");
    LogPrint(log4z::LOG_LEVEL_ERROR, "failed %d", 5);
    m_log->Stop();

    auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    // SetPath made the given name a folder; the file inside is named process_logger_time_pid_index.
    char expectedName[128];
    std::snprintf(expectedName, sizeof(expectedName), "unit_tests_Main_202612091017_%06u_000.log",
                  static_cast<unsigned>(::getpid()));
    EXPECT_EQ(files[0], m_logPath + "/" + expectedName);

    auto lines = Lines(ReadWholeFile(files[0]));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("LOG_ALARM -----------------  log4z thread started!   "
                            "---------------------------- log4z:"),
              std::string::npos);
    EXPECT_NE(lines[1].find("LOG_ALARM logger id=0 key=Main name=Main path=" + m_logPath + "/ level=1 display=true"),
              std::string::npos)
        << lines[1];
    EXPECT_EQ(lines[2], Header("LOG_INFO ") + "extract ok -3 C:\\路径 SetupPkg:42");
    EXPECT_EQ(lines[3].rfind(Header("LOG_ERROR") + "failed 5 QYPM:", 0), 0u) << lines[3];
}

TEST_F(Log4zTest, LevelsNamesAndThreshold) {
    for (int level = -1; level <= 7; ++level) LogPrint(level, "level %d", level);
    m_log->SetLevel(log4z::kMainLogger, log4z::LOG_LEVEL_ERROR);
    LogPrint(log4z::LOG_LEVEL_WARN, "below the new threshold");
    LogPrint(log4z::LOG_LEVEL_FATAL, "above it");
    m_log->Stop();

    auto lines = AllLines();
    ASSERT_EQ(lines.size(), 2u + 7u + 1u);
    const char* names[] = {"LOG_TRACE", "LOG_DEBUG", "LOG_INFO ", "LOG_WARN ", "LOG_ERROR", "LOG_ALARM", "LOG_FATAL"};
    for (int level = 0; level <= 6; ++level) {
        EXPECT_EQ(lines[2 + level].rfind(Header(names[level]) + "level " + std::to_string(level), 0), 0u)
            << lines[2 + level];
    }
    EXPECT_NE(lines.back().find("above it"), std::string::npos);
}

TEST_F(Log4zTest, MessageTextIsNeverAFormat) {
    LogPrint(log4z::LOG_LEVEL_INFO, "%s", "100% %d %s %n done");
    m_log->Stop();
    auto lines = AllLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].rfind(Header("LOG_INFO ") + "100% %d %s %n done QYPM:", 0), 0u) << lines[2];
}

TEST_F(Log4zTest, LongMessagesAreCut) {
    std::string big(10000, 'x');
    LogPrint(log4z::LOG_LEVEL_INFO, "%s", big.c_str());
    log4z::LogFormat(0, log4z::LOG_LEVEL_INFO, "src/Long", 1, "%s", big.c_str());
    m_log->Stop();
    std::string text = ReadWholeFile(Files().at(0));
    auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2].size(), 8189u);
    EXPECT_EQ(lines[3].size(), 8189u);
    EXPECT_EQ(lines[2].find_first_not_of('x', Header("LOG_INFO ").size()), std::string::npos)
        << "the source tail is what gets cut";
}

TEST_F(Log4zTest, RollsWhenTheSizeLimitIsPassed) {
    m_log->SetLimitSize(log4z::kMainLogger, 1);
    std::string chunk(1000, 'a');
    for (int i = 0; i < 1100; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "%d %s", i, chunk.c_str());
    m_log->Stop();
    auto files = Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_NE(files[0].find("_000.log"), std::string::npos);
    EXPECT_NE(files[1].find("_001.log"), std::string::npos);
    EXPECT_GT(fs::file_size(files[0]), 1048576u);
    EXPECT_LT(fs::file_size(files[0]), 1048576u + 1100u);
    EXPECT_EQ(AllLines().size(), 2u + 1100u) << "no line lost at the roll";
}

TEST_F(Log4zTest, ANewDayStartsANewFileWithIndexZero) {
    m_log->Stop();
    fs::remove_all(m_logPath);
    m_env.seconds = kBase + (23 - 10) * 3600 + (59 - 17) * 60 + 8;  // 23:59:59
    m_log->SetPath(log4z::kMainLogger, m_logPath.c_str());
    m_log->SetLimitSize(log4z::kMainLogger, 1);
    ASSERT_TRUE(m_log->Start());
    std::string chunk(1000, 'b');
    for (int i = 0; i < 1100; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "%s", chunk.c_str());
    WaitForWriter();
    m_env.seconds += 2;  // 00:00:01 of the next day
    LogPrint(log4z::LOG_LEVEL_INFO, "after midnight");
    m_log->Stop();

    auto files = Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_NE(files[0].find("_202612092359_"), std::string::npos);
    EXPECT_NE(files[0].find("_000.log"), std::string::npos);
    EXPECT_NE(files[1].find("_001.log"), std::string::npos);
    EXPECT_NE(files[2].find("_202612100000_"), std::string::npos) << files[2];
    EXPECT_NE(files[2].find("_000.log"), std::string::npos);
    EXPECT_NE(ReadWholeFile(files[2]).find("2026-12-10 00:00:01.007"), std::string::npos);
}

TEST_F(Log4zTest, LinesOfEachThreadKeepTheirOrder) {
    constexpr int kPerThread = 5000;
    auto worker = [](int id) {
        for (int i = 0; i < kPerThread; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "T%d %d", id, i);
    };
    std::thread a(worker, 1), b(worker, 2);
    a.join();
    b.join();
    m_log->Stop();
    int next[3] = {0, 0, 0};
    int total = 0;
    for (const auto& line : AllLines()) {
        size_t at = line.find(" T");
        if (at == std::string::npos || line.find("LOG_INFO") == std::string::npos) continue;
        int id = 0, seq = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + at, " T%d %d", &id, &seq), 2);
        EXPECT_EQ(seq, next[id]++);
        ++total;
    }
    EXPECT_EQ(total, 2 * kPerThread);
}

TEST(Log4zBackPressure, SharePerQueueLength) {
    EXPECT_EQ(log4z::BackPressurePercent(0), 0);
    EXPECT_EQ(log4z::BackPressurePercent(20000), 0);
    EXPECT_EQ(log4z::BackPressurePercent(20199), 0);
    EXPECT_EQ(log4z::BackPressurePercent(20200), 1);
    EXPECT_EQ(log4z::BackPressurePercent(30000), 50);
    EXPECT_EQ(log4z::BackPressurePercent(40000), 100);
    EXPECT_EQ(log4z::BackPressurePercent(1000000), 100);
}

TEST_F(Log4zTest, ALongQueueSlowsCallersDownWithoutDroppingLines) {
    m_env.countSleeps = true;
    m_env.held = true;
    for (int i = 0; i < 20000; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "fill %d", i);
    EXPECT_EQ(m_env.sleeps.load(), 0) << "20 000 queued lines or fewer never slow a caller";
    EXPECT_GE(m_log->GetStatusQueuedLine(), 20000u);

    for (int i = 0; i < 10000; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "more %d", i);
    ASSERT_GE(m_log->GetStatusQueuedLine(), 30000u);
    m_env.sleeps = 0;
    constexpr int kCalls = 4000;
    for (int i = 0; i < kCalls; ++i) EXPECT_TRUE(m_log->CanLog(log4z::kMainLogger, log4z::LOG_LEVEL_INFO));
    // With 30 000 queued, p = 50: half the calls sleep 50 ms.
    EXPECT_NEAR(m_env.sleeps.load(), kCalls / 2, kCalls / 10);
    EXPECT_EQ(m_env.lastSleep.load(), 50u);

    m_log->Stop();  // still held: Stop drains all the same
    EXPECT_EQ(AllLines().size(), 2u + 30000u);
}

// Stop while four threads log: each thread's accepted lines are a gap-free, ordered prefix, and
// together they are exactly the lines Push accepted. Refused records go back to the free list.
TEST_F(Log4zTest, StopWhileThreadsLogKeepsEveryAcceptedLineOnce) {
    const uint64_t before = m_log->GetStatusTotalPushLine();
    constexpr int kThreads = 4;
    std::atomic<bool> stopped{false};
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &stopped, &running] {
            ++running;
            for (int i = 0; !stopped; ++i) LogPrint(log4z::LOG_LEVEL_INFO, "S%d %d", t, i);
        });
    }
    while (running < kThreads) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_log->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // pushes after Stop are refused
    stopped = true;
    for (auto& thread : threads) thread.join();
    const uint64_t accepted = m_log->GetStatusTotalPushLine() - before;

    int next[kThreads] = {};
    uint64_t written = 0;
    for (const auto& line : AllLines()) {
        size_t at = line.find(" S");
        if (at == std::string::npos || line.find("LOG_INFO") == std::string::npos) continue;
        int id = -1, seq = -1;
        ASSERT_EQ(std::sscanf(line.c_str() + at, " S%d %d", &id, &seq), 2) << line;
        ASSERT_TRUE(id >= 0 && id < kThreads) << line;
        ASSERT_EQ(seq, next[id]++) << "thread " << id << " lost or repeated a line";
        ++written;
    }
    EXPECT_GT(accepted, 0u);
    EXPECT_EQ(written, accepted);
}

// A program that never calls Stop still gets its last line written when it exits.
TEST_F(Log4zTest, ExitWritesTheLastLinesWithoutStop) {
    m_log->Stop();
    EXPECT_EXIT(
        {
            m_log->Start();
            m_env.held = true;  // the line is still queued at exit
            LogPrint(log4z::LOG_LEVEL_INFO, "last words");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    auto lines = AllLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("last words"), std::string::npos) << lines.back();
}
