// The UI thread's call queue.
#include "ui/framework/UICallQueue.h"

namespace DuiLib {

CUiCallQueue::CUiCallQueue(Wake wake) : m_uiThread(std::this_thread::get_id()), m_wake(std::move(wake)) {}

void CUiCallQueue::Post(Call call) {
    if (IsUiThread()) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_calls.push_back(std::move(call));
        }
        Drain();
        return;
    }
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        wasEmpty = m_calls.empty();
        m_calls.push_back(std::move(call));
    }
    // One wake-up per batch: the drain takes everything queued until then.
    if (wasEmpty && m_wake) m_wake();
}

void CUiCallQueue::Drain() {
    // A call that posts from the UI thread lands here again: the outer loop runs it in turn.
    if (m_draining) return;
    m_draining = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_draining};
    for (;;) {
        Call call;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_calls.empty()) break;
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call();
    }
}

}  // namespace DuiLib
