// POSIX implementation of the process and thread facts, so the portable core runs natively.
#include "system/Process.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "system/TextConv.h"

namespace sys {

unsigned CurrentThreadId() { return static_cast<unsigned>(::syscall(SYS_gettid)); }
unsigned CurrentProcessId() { return static_cast<unsigned>(::getpid()); }

std::wstring ModuleFilePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return {};
    return Utf8ToWide(std::string(buf, static_cast<size_t>(n)));
}

std::wstring ProgramPath() { return ModuleFilePath(); }

std::string ProcessBaseName() {
    std::string path = WideToUtf8(ModuleFilePath());
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name.empty() ? "process" : name;
}

void DebugOutput(const char*) {}
bool DebugOutputRead() { return false; }

void SleepMs(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace {
struct ThreadStart {
    unsigned (*proc)(void*);
    void* param;
};
void* ThreadTrampoline(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.proc(start.param);
    return nullptr;
}
}  // namespace

bool StartDetachedThread(unsigned (*proc)(void*), void* param) {
    pthread_t thread;
    auto* start = new ThreadStart{proc, param};
    if (::pthread_create(&thread, nullptr, ThreadTrampoline, start) != 0) {
        delete start;
        return false;
    }
    ::pthread_detach(thread);
    return true;
}

unsigned LastErrorCode() { return static_cast<unsigned>(errno); }

}  // namespace sys
