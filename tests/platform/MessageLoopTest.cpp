#include "platform/MessageLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace nimbo::platform {
namespace {

using namespace std::chrono_literals;

TEST(MessageLoop, RunHandlesCallsInOrderUpToAQuitFromAnotherThread) {
    MessageLoop loop;
    std::vector<int> ran;
    bool ownerSeen = false;
    std::thread worker([&] {
        EXPECT_FALSE(loop.IsCurrentThread());
        for (int i = 0; i < 50; ++i) {
            loop.Queue([&ran, i] { ran.push_back(i); });
        }
        loop.Queue([&] { ownerSeen = loop.IsCurrentThread(); });
        loop.Quit();
        loop.Queue([&ran] { ran.push_back(-1); });
    });
    loop.Run();
    worker.join();

    ASSERT_EQ(ran.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
    }
    EXPECT_TRUE(ownerSeen);

    loop.ProcessPending();
    EXPECT_EQ(ran.back(), -1);
}

TEST(MessageLoop, ProcessPendingLeavesCallsQueuedMeanwhileForLater) {
    MessageLoop loop;
    std::vector<char> ran;
    loop.Queue([&] {
        ran.push_back('a');
        loop.Queue([&] { ran.push_back('c'); });
    });
    loop.Queue([&] { ran.push_back('b'); });

    loop.ProcessPending();
    EXPECT_EQ(ran, (std::vector<char>{'a', 'b'}));
    loop.ProcessPending();
    EXPECT_EQ(ran, (std::vector<char>{'a', 'b', 'c'}));
}

TEST(MessageLoop, RunUntilStopsAtTheConditionOrGivesUp) {
    MessageLoop loop;
    int ran = 0;
    for (int i = 0; i < 5; ++i) {
        loop.Queue([&] { ++ran; });
    }
    EXPECT_TRUE(loop.RunUntil([&] { return ran == 3; }, 30s));
    EXPECT_EQ(ran, 3);

    EXPECT_FALSE(loop.RunUntil([] { return false; }, 10ms));
    EXPECT_EQ(ran, 5);
}

TEST(MessageLoop, ADelayedCallWaitsItsTurnWhileOthersRun) {
    MessageLoop loop;
    std::vector<char> ran;
    loop.QueueAfter(1h, [&] { ran.push_back('x'); });
    loop.QueueAfter(20ms, [&] {
        ran.push_back('t');
        loop.Quit();
    });
    loop.Queue([&] { ran.push_back('a'); });
    loop.Run();
    EXPECT_EQ(ran, (std::vector<char>{'a', 't'}));

    loop.QueueAfter(20ms, [&] { ran.push_back('u'); });
    EXPECT_TRUE(loop.RunUntil([&] { return ran.back() == 'u'; }, 30s));
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 10ms));
    EXPECT_EQ(ran.size(), 3u);
}

}  // namespace
}  // namespace nimbo::platform
