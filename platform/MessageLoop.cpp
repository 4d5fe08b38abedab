#include "platform/MessageLoop.h"

namespace nimbo::platform {

MessageLoop::MessageLoop() : m_owner(std::this_thread::get_id()) {}

void MessageLoop::Queue(std::function<void()> call) {
    // Notified under the lock: once the call is visible the owner may run it,
    // leave Run and destroy this loop.
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(call));
    m_wake.notify_one();
}

void MessageLoop::QueueAfter(std::chrono::milliseconds delay, std::function<void()> call) {
    std::lock_guard lock(m_mutex);
    m_timers.emplace(Clock::now() + delay, std::move(call));
    m_wake.notify_one();
}

bool MessageLoop::IsCurrentThread() const {
    return std::this_thread::get_id() == m_owner;
}

void MessageLoop::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        WaitForCall(lock, std::nullopt);
        RunOne(lock);
    }
    m_quit = false;
}

bool MessageLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::unique_lock lock(m_mutex, std::defer_lock);
    // `done` runs unlocked: it may well queue calls of its own.
    while (!done()) {
        lock.lock();
        const bool inTime = WaitForCall(lock, deadline) && Clock::now() < deadline;
        if (inTime) {
            RunOne(lock);
        }
        lock.unlock();
        if (!inTime) {
            return done();
        }
    }
    return true;
}

void MessageLoop::ProcessPending() {
    std::unique_lock lock(m_mutex);
    QueueDueTimers();
    // Only this thread takes calls, so the ones counted here are still there.
    for (auto count = m_queue.size(); count > 0; --count) {
        RunOne(lock);
    }
}

void MessageLoop::Quit() {
    Queue([this] { m_quit = true; });
}

// Waits until a call is queued, a timer's call included, or `deadline`
// passes; whether a call is queued.
bool MessageLoop::WaitForCall(std::unique_lock<std::mutex>& lock, std::optional<Clock::time_point> deadline) {
    for (;;) {
        QueueDueTimers();
        if (!m_queue.empty()) {
            return true;
        }
        std::optional<Clock::time_point> until = deadline;
        if (!m_timers.empty() && (!until || m_timers.begin()->first < *until)) {
            until = m_timers.begin()->first;
        }
        if (!until) {
            m_wake.wait(lock);
        } else if (m_wake.wait_until(lock, *until) == std::cv_status::timeout && until == deadline) {
            QueueDueTimers();
            return !m_queue.empty();
        }
    }
}

void MessageLoop::QueueDueTimers() {
    const auto now = Clock::now();
    while (!m_timers.empty() && m_timers.begin()->first <= now) {
        m_queue.push_back(std::move(m_timers.begin()->second));
        m_timers.erase(m_timers.begin());
    }
}

// Runs the oldest queued call, if any, with the lock released meanwhile.
bool MessageLoop::RunOne(std::unique_lock<std::mutex>& lock) {
    if (m_queue.empty()) {
        return false;
    }
    std::function<void()> call = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    call();
    call = nullptr;
    lock.lock();
    return true;
}

}  // namespace nimbo::platform
