#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/WindowMessages.h"

namespace nimbo::test {

// An owning thread for windows that keeps queued calls until the test runs
// them, so a test can act while a sender is known to wait. The thread that
// constructs it owns it.
class HoldingThread : public platform::IMessageThread {
public:
    void Queue(std::function<void()> call) override;
    bool IsCurrentThread() const override;

    // Waits until at least one call is held.
    void WaitForCall();
    // Runs the calls held so far, in order.
    void RunHeld();

private:
    const std::thread::id m_owner = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<std::function<void()>> m_calls;
};

}  // namespace nimbo::test
