#include "tests/support/HoldingThread.h"

#include <utility>

namespace nimbo::test {

void HoldingThread::Queue(std::function<void()> call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    m_queued.notify_all();
}

bool HoldingThread::IsCurrentThread() const { return std::this_thread::get_id() == m_owner; }

void HoldingThread::WaitForCall() {
    std::unique_lock lock(m_mutex);
    m_queued.wait(lock, [this] { return !m_calls.empty(); });
}

void HoldingThread::RunHeld() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(m_mutex);
        calls.swap(m_calls);
    }
    for (auto& call : calls)
        call();
}

}  // namespace nimbo::test
