#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "platform/MessageLoop.h"
#include "tests/support/HoldingThread.h"

namespace nimbo::platform {
namespace {

using namespace std::chrono_literals;
using test::HoldingThread;

constexpr auto PATIENCE = 30s;  // only a guard against a hang, never reached when passing
constexpr UINT WM_TEST = WM_USER + 1;
constexpr UINT WM_CLOSE_SELF = WM_USER + 2;
constexpr UINT WM_LATER = WM_USER + 3;
constexpr UINT WM_NESTED = WM_USER + 4;
constexpr UINT WM_LISTENERLOST = WM_USER + 18;

struct Received {
    UINT message;
    WPARAM wParam;
    std::thread::id thread;
    bool operator==(const Received&) const = default;
};

// Records every message it handles; `answer` decides the result.
class Recorder : public IMessageHandler {
public:
    std::function<LRESULT(UINT, WPARAM)> answer;
    std::vector<Received> received;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        received.push_back({message, wParam, std::this_thread::get_id()});
        return answer ? answer(message, wParam) : 0;
    }
};

// Destroys its window on the owning (test) thread if the test did not.
class ScopedWindow {
public:
    ScopedWindow(IMessageHandler& handler, IMessageThread& thread) : handle(CreateWindowHandle(handler, thread)) {}
    ~ScopedWindow() { DestroyWindowHandle(handle); }
    const HWND handle;
};

TEST(WindowMessages, PostsArriveInOrderOnTheOwningThreadAndNeverInPlace) {
    MessageLoop loop;
    Recorder recorder;
    ScopedWindow window(recorder, loop);

    ASSERT_TRUE(PostMessage(window.handle, WM_TEST, 0, 0));
    EXPECT_TRUE(recorder.received.empty());

    std::thread worker([&] {
        for (WPARAM i = 1; i <= 200; ++i) {
            PostMessage(window.handle, WM_TEST, i, 0);
        }
    });
    EXPECT_TRUE(loop.RunUntil([&] { return recorder.received.size() == 201; }, PATIENCE));
    worker.join();

    for (WPARAM i = 0; i <= 200; ++i) {
        EXPECT_EQ(recorder.received[i], (Received{WM_TEST, i, std::this_thread::get_id()}));
    }
}

TEST(WindowMessages, AGoneWindowRefusesPostsAndDropsTheQueuedOnes) {
    MessageLoop loop;
    Recorder recorder;
    HWND gone = CreateWindowHandle(recorder, loop);
    ASSERT_TRUE(PostMessage(gone, WM_TEST, 1, 0));
    DestroyWindowHandle(gone);
    loop.ProcessPending();
    EXPECT_TRUE(recorder.received.empty());

    ScopedWindow successor(recorder, loop);
    EXPECT_NE(successor.handle, gone);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_TRUE(IsWindow(successor.handle));
    EXPECT_FALSE(PostMessage(gone, WM_TEST, 2, 0));
    EXPECT_FALSE(SendMessage(gone, WM_TEST, 3, 0));
    loop.ProcessPending();
    EXPECT_TRUE(recorder.received.empty());
}

TEST(WindowMessages, SendFromAnotherThreadReturnsTheAnswerAfterTheHandlerRan) {
    MessageLoop loop;
    Recorder recorder;
    std::atomic<bool> senderReturned{false};
    recorder.answer = [&](UINT, WPARAM wParam) {
        EXPECT_FALSE(senderReturned.load());
        return static_cast<LRESULT>(wParam * 2);
    };
    ScopedWindow window(recorder, loop);

    bool sent = false;
    LRESULT result = 0;
    bool workerDone = false;
    std::thread worker([&] {
        sent = SendMessage(window.handle, WM_TEST, 21, 0, &result);
        senderReturned = true;
        loop.Queue([&] { workerDone = true; });
    });
    EXPECT_TRUE(loop.RunUntil([&] { return workerDone; }, PATIENCE));
    worker.join();

    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 42);
    ASSERT_EQ(recorder.received.size(), 1u);
    EXPECT_EQ(recorder.received[0].thread, std::this_thread::get_id());
}

TEST(WindowMessages, SendOnTheOwningThreadIsADirectCall) {
    MessageLoop loop;
    Recorder recorder;
    recorder.answer = [](UINT, WPARAM) { return LRESULT{7}; };
    ScopedWindow window(recorder, loop);

    LRESULT result = 0;
    EXPECT_TRUE(SendMessage(window.handle, WM_TEST, 0, 0, &result));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(recorder.received.size(), 1u);
}

TEST(WindowMessages, SendToAWindowDestroyedWhileTheSenderWaitsReturnsUnhandled) {
    HoldingThread owner;
    Recorder recorder;
    HWND window = CreateWindowHandle(recorder, owner);

    bool sent = true;
    std::thread worker([&] { sent = SendMessage(window, WM_TEST, 0, 0); });
    owner.WaitForCall();
    DestroyWindowHandle(window);
    worker.join();
    EXPECT_FALSE(sent);

    owner.RunHeld();
    EXPECT_TRUE(recorder.received.empty());
}

TEST(WindowMessages, JoiningAWorkerBlockedInASendToTheJoiningThreadCompletes) {
    HoldingThread ui;
    Recorder recorder;
    ScopedWindow mainWindow(recorder, ui);

    StopSignal stop;
    bool sent = true;
    std::thread listener([&] { sent = SendMessage(mainWindow.handle, WM_LISTENERLOST, 0, 0, nullptr, &stop); });
    ui.WaitForCall();
    JoinWorker(listener, stop);
    EXPECT_FALSE(sent);

    // The abandoned message is not handled later either.
    ui.RunHeld();
    EXPECT_TRUE(recorder.received.empty());
}

TEST(WindowMessages, AHandlerMayJoinTheWorkerWhoseSendItIsHandling) {
    MessageLoop loop;
    Recorder recorder;
    StopSignal stop;
    std::thread listener;
    recorder.answer = [&](UINT, WPARAM) {
        JoinWorker(listener, stop);
        return LRESULT{1};
    };
    ScopedWindow mainWindow(recorder, loop);

    bool sent = true;
    listener = std::thread([&] { sent = SendMessage(mainWindow.handle, WM_LISTENERLOST, 0, 0, nullptr, &stop); });
    EXPECT_TRUE(loop.RunUntil([&] { return !listener.joinable(); }, PATIENCE));
    EXPECT_FALSE(sent);
}

TEST(WindowMessages, AStopRequestedBeforeTheSendLeavesTheMessageUnhandled) {
    MessageLoop loop;
    Recorder recorder;
    ScopedWindow window(recorder, loop);
    StopSignal stop;
    stop.Request();

    bool sentFromWorker = true;
    std::thread worker([&] { sentFromWorker = SendMessage(window.handle, WM_TEST, 0, 0, nullptr, &stop); });
    worker.join();
    EXPECT_FALSE(sentFromWorker);
    EXPECT_FALSE(SendMessage(window.handle, WM_TEST, 0, 0, nullptr, &stop));

    loop.ProcessPending();
    EXPECT_TRUE(recorder.received.empty());
}

TEST(WindowMessages, AHandlerMayDestroyItsOwnWindow) {
    MessageLoop loop;
    Recorder recorder;
    HWND window = NULL_WINDOW;
    recorder.answer = [&](UINT message, WPARAM) {
        if (message == WM_CLOSE_SELF) {
            DestroyWindowHandle(window);
        }
        return LRESULT{5};
    };

    window = CreateWindowHandle(recorder, loop);
    PostMessage(window, WM_TEST, 1, 0);
    PostMessage(window, WM_CLOSE_SELF, 2, 0);
    PostMessage(window, WM_TEST, 3, 0);
    loop.ProcessPending();
    ASSERT_EQ(recorder.received.size(), 2u);
    EXPECT_EQ(recorder.received[1].wParam, 2u);

    // A sender whose own message closes the window still gets the answer.
    window = CreateWindowHandle(recorder, loop);
    bool sent = false;
    LRESULT result = 0;
    std::thread worker([&, target = window] { sent = SendMessage(target, WM_CLOSE_SELF, 4, 0, &result); });
    EXPECT_TRUE(loop.RunUntil([&] { return !IsWindow(window); }, PATIENCE));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 5);
}

TEST(WindowMessages, HandlersMayPostAndSendToTheirOwnAndOtherThreadsWindows) {
    std::promise<std::pair<MessageLoop*, HWND>> workerWindow;
    std::thread worker([&] {
        MessageLoop loop;
        Recorder adder;
        adder.answer = [](UINT, WPARAM wParam) { return static_cast<LRESULT>(wParam + 1); };
        ScopedWindow window(adder, loop);
        workerWindow.set_value({&loop, window.handle});
        loop.Run();
    });
    auto [workerLoop, other] = workerWindow.get_future().get();

    MessageLoop loop;
    Recorder recorder;
    HWND own = NULL_WINDOW;
    LRESULT answer = 0;
    recorder.answer = [&](UINT message, WPARAM) {
        if (message == WM_TEST) {
            PostMessage(own, WM_LATER, 0, 0);
            SendMessage(own, WM_NESTED, 0, 0);
            SendMessage(other, WM_TEST, 41, 0, &answer);
        }
        return LRESULT{0};
    };
    ScopedWindow window(recorder, loop);
    own = window.handle;

    PostMessage(own, WM_TEST, 0, 0);
    EXPECT_TRUE(loop.RunUntil([&] { return recorder.received.size() == 3; }, PATIENCE));
    workerLoop->Quit();
    worker.join();

    ASSERT_EQ(recorder.received.size(), 3u);
    EXPECT_EQ(recorder.received[0].message, WM_TEST);
    EXPECT_EQ(recorder.received[1].message, WM_NESTED);
    EXPECT_EQ(recorder.received[2].message, WM_LATER);
    EXPECT_EQ(answer, 42);
}

}  // namespace
}  // namespace nimbo::platform
