#include <gtest/gtest.h>

#include "server/SignInThrottle.h"

namespace nimbo::server::test {
namespace {

using namespace std::chrono_literals;

class Throttle : public ::testing::Test {
protected:
    void Fail(int times, const std::string& address, const std::string& user) {
        for (int i = 0; i < times; ++i)
            m_throttle.Failed(address, user, m_now);
    }
    bool Refuses(const std::string& address, const std::string& user) { return m_throttle.Refuses(address, user, m_now); }

    SignInLimits m_limits{3, 60s, 2s, 5s};
    SignInThrottle m_throttle{m_limits};
    SignInThrottle::Clock::time_point m_now = SignInThrottle::Clock::now();
};

TEST_F(Throttle, LocksAfterTheFailuresOfAWindowForAGrowingInterval) {
    Fail(2, "10.0.0.1", "alice");
    EXPECT_FALSE(Refuses("10.0.0.1", "alice"));
    Fail(1, "10.0.0.1", "alice");
    EXPECT_TRUE(Refuses("10.0.0.1", "alice"));
    m_now += 2s;
    EXPECT_FALSE(Refuses("10.0.0.1", "alice"));
    // Still within the window: one more failure locks twice as long, and
    // then no longer than the longest lock.
    Fail(1, "10.0.0.1", "alice");
    m_now += 3s;
    EXPECT_TRUE(Refuses("10.0.0.1", "alice"));
    m_now += 1s;
    EXPECT_FALSE(Refuses("10.0.0.1", "alice"));
    Fail(1, "10.0.0.1", "alice");
    m_now += 4s;
    EXPECT_TRUE(Refuses("10.0.0.1", "alice"));
    m_now += 1s;
    EXPECT_FALSE(Refuses("10.0.0.1", "alice"));
}

TEST_F(Throttle, FailuresSpreadOverWindowsDoNotLock) {
    for (int i = 0; i < 10; ++i) {
        Fail(2, "10.0.0.1", "alice");
        m_now += 61s;
        EXPECT_FALSE(Refuses("10.0.0.1", "alice")) << i;
    }
}

TEST_F(Throttle, AddressAndUserLocksAreSeparateAndAUsersOwnAddressKeepsItsAccess) {
    m_throttle.Succeeded("10.0.0.9", "alice");
    Fail(3, "10.0.0.1", "alice");
    EXPECT_TRUE(Refuses("10.0.0.1", "bob"));
    EXPECT_TRUE(Refuses("10.0.0.2", "alice"));
    EXPECT_FALSE(Refuses("10.0.0.2", "bob"));
    EXPECT_FALSE(Refuses("10.0.0.9", "alice"));
    // A guessing address is locked even for the user it usually serves.
    Fail(3, "10.0.0.9", "carol");
    EXPECT_TRUE(Refuses("10.0.0.9", "alice"));
}

}  // namespace
}  // namespace nimbo::server::test
