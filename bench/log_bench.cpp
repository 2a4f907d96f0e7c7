// Logger throughput and caller-side cost, beside spdlog's asynchronous logger in the same run.
//   log_bench [lines per thread]
// Throughput: lines per second from the first call until every line is on disk. Caller cost: the
// time one logging call takes on the calling thread (median and 99th percentile).
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/log/log4z.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kLogSource[] = "bench/log_bench";

struct Result {
    double linesPerSecond;
    double medianNs;
    double p99Ns;
};

template <typename LogOne, typename Finish>
Result Measure(int threads, int perThread, LogOne logOne, Finish finish) {
    std::vector<std::vector<uint32_t>> costs(threads, std::vector<uint32_t>(perThread));
    auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            auto& mine = costs[t];
            for (int i = 0; i < perThread; ++i) {
                auto before = Clock::now();
                logOne(t, i);
                mine[i] = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - before).count());
            }
        });
    }
    for (auto& w : workers) w.join();
    finish();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<uint32_t> all;
    for (auto& c : costs) all.insert(all.end(), c.begin(), c.end());
    std::sort(all.begin(), all.end());
    return {threads * perThread / seconds, static_cast<double>(all[all.size() / 2]),
            static_cast<double>(all[all.size() * 99 / 100])};
}

uint64_t FolderBytes(const fs::path& folder) {
    uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) total += e.file_size();
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const int perThread = argc > 1 ? std::atoi(argv[1]) : 200000;
    const std::string only = argc > 2 ? argv[2] : "";  // "log4z" or "spdlog" for profiling one side
    const fs::path root = fs::temp_directory_path() / ("qy-log-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);

    std::printf("%-8s %-7s %14s %12s %12s %12s\n", "logger", "threads", "lines/s", "median ns", "p99 ns", "bytes");
    for (int threads : {1, 2}) {
        // log4z: the program's own logger with its settings (display has no console natively).
        if (only.empty() || only == "log4z") {
            fs::path folder = root / ("log4z-" + std::to_string(threads));
            auto* log = log4z::ILog4zManager::getInstance();
            log->Stop();
            log->SetPath(log4z::kMainLogger, folder.string().c_str());
            log->SetLevel(log4z::kMainLogger, log4z::LOG_LEVEL_TRACE);
            log->Start();
            Result r = Measure(
                threads, perThread,
                [](int t, int i) { QYLOG_INFO("bench line %d from thread %d, value %s", i, t, "some text"); },
                [&] { log->Stop(); });
            std::printf("%-8s %-7d %14.0f %12.0f %12.0f %12llu\n", "log4z", threads, r.linesPerSecond, r.medianNs, r.p99Ns,
                        static_cast<unsigned long long>(FolderBytes(folder)));
        }
        // spdlog: asynchronous logger, default queue (8192, block when full), one file sink.
        if (only.empty() || only == "spdlog") {
            fs::path folder = root / ("spdlog-" + std::to_string(threads));
            fs::create_directories(folder);
            spdlog::init_thread_pool(8192, 1);
            auto logger = spdlog::basic_logger_mt<spdlog::async_factory>("bench", (folder / "bench.log").string());
            logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%t] %l %v %s:%#");
            Result r = Measure(
                threads, perThread,
                [&](int t, int i) { SPDLOG_LOGGER_INFO(logger, "bench line {} from thread {}, value {}", i, t, "some text"); },
                [&] {
                    logger->flush();
                    spdlog::drop_all();
                    logger.reset();
                    spdlog::shutdown();
                });
            std::printf("%-8s %-7d %14.0f %12.0f %12.0f %12llu\n", "spdlog", threads, r.linesPerSecond, r.medianNs, r.p99Ns,
                        static_cast<unsigned long long>(FolderBytes(folder)));
        }
    }
    fs::remove_all(root);
    return 0;
}
