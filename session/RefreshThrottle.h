#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace nimbo {

// Coalesces the refreshes of the buddy tables that logon notices ask for, so
// that a user toggling presence cannot make every watcher fetch both lists
// per toggle: at most one refresh per INTERVAL, and every notice is followed
// by a refresh that starts after it (at once, or when the interval is over,
// one refresh then standing for all the notices that came meanwhile).
// Belongs to the thread that owns the client's windows.
class RefreshThrottle {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Runs `call` on the owning thread once `delay` has passed.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> call)>;

    static constexpr std::chrono::milliseconds INTERVAL{1000};

    RefreshThrottle(std::function<void()> refresh, Scheduler schedule, Clock clock = std::chrono::steady_clock::now);
    RefreshThrottle(const RefreshThrottle&) = delete;
    RefreshThrottle& operator=(const RefreshThrottle&) = delete;

    // A logon notice came. A call scheduled before the throttle is destroyed
    // does nothing when it runs after that.
    void Notice();

private:
    void RunScheduled();
    void Refresh(std::chrono::steady_clock::time_point now);

    std::function<void()> m_refresh;
    Scheduler m_schedule;
    Clock m_clock;
    std::optional<std::chrono::steady_clock::time_point> m_lastRefresh;
    bool m_scheduled = false;
    // What a scheduled call holds weakly, to find out whether it may run.
    std::shared_ptr<RefreshThrottle*> m_self;
};

}  // namespace nimbo
