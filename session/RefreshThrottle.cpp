#include "session/RefreshThrottle.h"

#include <utility>

namespace nimbo {

RefreshThrottle::RefreshThrottle(std::function<void()> refresh, Scheduler schedule, Clock clock)
    : m_refresh(std::move(refresh)),
      m_schedule(std::move(schedule)),
      m_clock(std::move(clock)),
      m_self(std::make_shared<RefreshThrottle*>(this)) {}

void RefreshThrottle::Notice() {
    // The scheduled refresh starts after this notice too.
    if (m_scheduled)
        return;
    const auto now = m_clock();
    if (!m_lastRefresh || now - *m_lastRefresh >= INTERVAL) {
        Refresh(now);
        return;
    }
    m_scheduled = true;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(*m_lastRefresh + INTERVAL - now);
    m_schedule(delay, [self = std::weak_ptr(m_self)] {
        if (const std::shared_ptr<RefreshThrottle*> throttle = self.lock())
            (*throttle)->RunScheduled();
    });
}

void RefreshThrottle::RunScheduled() {
    m_scheduled = false;
    Refresh(m_clock());
}

// Counted from its start, so that a slow refresh does not stretch the interval.
void RefreshThrottle::Refresh(std::chrono::steady_clock::time_point now) {
    m_lastRefresh = now;
    m_refresh();
}

}  // namespace nimbo
