// Calls carried from worker threads to the UI thread, run there in the order they were made.
// A worker only appends and wakes the UI thread (the Win32 layer posts a message); it never waits
// for the UI thread, so a UI thread that waits for the worker cannot deadlock with it. Portable.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace DuiLib {

class CUiCallQueue {
public:
    using Call = std::function<void()>;
    using Wake = std::function<void()>;

    // The thread that constructs the queue is its UI thread.
    explicit CUiCallQueue(Wake wake);

    // On the UI thread the call runs at once, after the calls already waiting (so the order of
    // all calls is kept); from any other thread it is queued and the UI thread is woken.
    void Post(Call call);
    // Runs what is waiting; called on the UI thread when woken. Calls added meanwhile run too.
    void Drain();
    bool IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }

private:
    std::thread::id m_uiThread;
    Wake m_wake;
    std::mutex m_lock;
    std::deque<Call> m_calls;
    bool m_draining = false;
};

}  // namespace DuiLib
