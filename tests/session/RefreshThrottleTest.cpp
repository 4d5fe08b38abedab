#include "session/RefreshThrottle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

namespace nimbo {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

const TimePoint START{1h};

// A throttle on a clock of the test's own, whose scheduled calls the test
// runs when their time has come.
class ThrottleTest : public ::testing::Test {
protected:
    struct Scheduled {
        TimePoint due;
        std::function<void()> call;
    };

    // Moves the clock on by `step`, running what falls due meanwhile.
    void Pass(std::chrono::milliseconds step) {
        const TimePoint until = m_now + step;
        while (!m_scheduled.empty() && m_scheduled.front().due <= until) {
            Scheduled next = std::move(m_scheduled.front());
            m_scheduled.erase(m_scheduled.begin());
            m_now = next.due;
            next.call();
        }
        m_now = until;
    }

    TimePoint m_now = START;
    std::vector<Scheduled> m_scheduled;
    std::vector<TimePoint> m_refreshes;
    RefreshThrottle m_throttle{[this] { m_refreshes.push_back(m_now); },
                               [this](std::chrono::milliseconds delay, std::function<void()> call) {
                                   m_scheduled.push_back({m_now + delay, std::move(call)});
                               },
                               [this] { return m_now; }};
};

TEST_F(ThrottleTest, ABurstOfNoticesGivesOneRefreshAtOnceAndOneWhenTheSecondIsOver) {
    for (int i = 0; i < 100; ++i) {
        m_throttle.Notice();
        Pass(5ms);
    }
    Pass(10s);
    EXPECT_EQ(m_refreshes, (std::vector<TimePoint>{START, START + 1s}));
}

TEST_F(ThrottleTest, EveryNoticeIsFollowedByARefreshAndRefreshesKeepASecondApart) {
    for (int i = 0; i < 50; ++i) {
        m_throttle.Notice();
        Pass(std::chrono::milliseconds(137 * (i % 11)));
    }
    const TimePoint lastNotice = m_now;
    m_throttle.Notice();
    Pass(10s);
    ASSERT_FALSE(m_refreshes.empty());
    EXPECT_GE(m_refreshes.back(), lastNotice);
    for (std::size_t i = 1; i < m_refreshes.size(); ++i)
        EXPECT_GE(m_refreshes[i] - m_refreshes[i - 1], RefreshThrottle::INTERVAL) << i;
}

TEST_F(ThrottleTest, NoticesASecondApartRefreshAtOnce) {
    for (int i = 0; i < 3; ++i) {
        m_throttle.Notice();
        Pass(1s);
    }
    EXPECT_EQ(m_refreshes, (std::vector<TimePoint>{START, START + 1s, START + 2s}));
    EXPECT_TRUE(m_scheduled.empty());
}

TEST(RefreshThrottle, ACallScheduledBeforeTheThrottleWentDoesNothing) {
    std::function<void()> later;
    int refreshes = 0;
    {
        RefreshThrottle throttle([&] { ++refreshes; },
                                 [&](std::chrono::milliseconds, std::function<void()> call) { later = call; });
        throttle.Notice();
        throttle.Notice();
    }
    later();
    EXPECT_EQ(refreshes, 1);
}

}  // namespace
}  // namespace nimbo
