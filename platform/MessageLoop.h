#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/WindowMessages.h"

namespace nimbo::platform {

// A plain, Qt-free message loop for the command-line client and tests. The
// thread that constructs it owns it.
class MessageLoop : public IMessageThread {
public:
    MessageLoop();

    void Queue(std::function<void()> call) override;
    bool IsCurrentThread() const override;
    // Queues `call` once `delay` has passed; any thread may call it. Calls
    // still waiting when the loop is destroyed never run.
    void QueueAfter(std::chrono::milliseconds delay, std::function<void()> call);

    // Handles queued calls until the Quit() request is reached in the queue.
    void Run();
    // Handles queued calls until `done` returns true (checked after each
    // call) or `timeout` passes; returns `done()`.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Handles the calls queued so far without waiting.
    void ProcessPending();
    // Callable from any thread: the calls queued before it still run, then
    // Run returns (at once if a quit was already handled outside Run).
    void Quit();

private:
    using Clock = std::chrono::steady_clock;

    bool WaitForCall(std::unique_lock<std::mutex>& lock, std::optional<Clock::time_point> deadline);
    void QueueDueTimers();
    bool RunOne(std::unique_lock<std::mutex>& lock);

    std::thread::id m_owner;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    std::multimap<Clock::time_point, std::function<void()>> m_timers;
    bool m_quit = false;  // touched only by the owning thread
};

}  // namespace nimbo::platform
