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

bool MessageLoop::IsCurrentThread() const {
    return std::this_thread::get_id() == m_owner;
}

void MessageLoop::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        m_wake.wait(lock, [this] { return !m_queue.empty(); });
        RunOne(lock);
    }
    m_quit = false;
}

bool MessageLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex, std::defer_lock);
    // `done` runs unlocked: it may well queue calls of its own.
    while (!done()) {
        lock.lock();
        const bool inTime = m_wake.wait_until(lock, deadline, [this] { return !m_queue.empty(); }) &&
                            std::chrono::steady_clock::now() < deadline;
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
    // Only this thread takes calls, so the ones counted here are still there.
    for (auto count = m_queue.size(); count > 0; --count) {
        RunOne(lock);
    }
}

void MessageLoop::Quit() {
    Queue([this] { m_quit = true; });
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
