#include "session/NotificationListener.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageLoop.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "session/SessionMessages.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/HoldingThread.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/UnansweringPort.h"

// Each test has its own address 127.0.6.N: the agent server on AGENT_PORT,
// the notification server on NOTIFY_PORT.

namespace nimbo {
namespace {

using namespace std::chrono_literals;
using test::AcceptListener;
using test::AnswerCommands;
using test::AUTH_LINE;
using test::Base64Of;
using test::HoldingThread;
using test::PeerConnection;
using test::RecordedMessage;
using test::RecordingWindow;
using test::ScriptedPeer;

constexpr int NOTIFY_PORT = 10001;
constexpr auto PATIENCE = 30s;  // only a guard against a hang, never reached when passing

// A signed-in session with an agent server that accepts everything and names
// the notification server on the same address.
class ListenerTest : public ::testing::Test {
protected:
    void Start(const std::string& address, test::Script notifyScript) {
        g_strAgentHost.Set(std::u16string(address.begin(), address.end()));
        agent = std::make_unique<ScriptedPeer>(address, AGENT_PORT);
        agent->SetDefaultScript(AnswerCommands({{"login", test::LoginReply(address, NOTIFY_PORT)}}));
        notify = std::make_unique<ScriptedPeer>(address, NOTIFY_PORT);
        notify->Expect(std::move(notifyScript));
        session = std::make_unique<AgentSession>();
        ASSERT_TRUE(session->Login(u"kim", u"pass"));
    }

    bool RunUntilReceived(std::size_t count) {
        return loop.RunUntil([&] { return window.received.size() >= count; }, PATIENCE);
    }

    std::vector<PeerCallRecord> TakeAll() {
        std::vector<PeerCallRecord> records;
        while (std::unique_ptr<PeerCallRecord> record = session->TakePeerCall())
            records.push_back(*record);
        return records;
    }

    platform::MessageLoop loop;
    RecordingWindow window{loop};
    std::unique_ptr<ScriptedPeer> agent;
    std::unique_ptr<ScriptedPeer> notify;
    std::unique_ptr<AgentSession> session;
};

// Sends `blocks` in one piece once the listener has identified.
test::Script SendAfterAuth(std::string blocks) {
    return AcceptListener([blocks](PeerConnection& c) { c.Send(blocks); });
}

TEST_F(ListenerTest, BlocksOfOneReceiveAreDispatchedInOrder) {
    const std::string offer64 = "PDEwLjAuMC41Pjw5MDQyPjxhLnR4dD48MTUwMD4=";  // <10.0.0.5><9042><a.txt><1500>
    Start("127.0.6.20", SendAfterAuth("notify logon lee\r\n\r\n"
                                      "notify logoff lee\r\n\r\n"
                                      "peercall lee instmsg " + test::KOREAN_HELLO_64 + " kim\r\n\r\n"
                                      "peercall lee close " + test::KOREAN_HELLO_64 + " kim\r\n\r\n"
                                      "notify logon\r\nlee\r\n\r\n"
                                      "hello there\r\n\r\n"
                                      "peercall park ftp " + offer64 + "\r\n\r\n"
                                      "notify logon park\r\n\r\n"));
    ASSERT_TRUE(RunUntilReceived(4));
    const std::vector<RecordedMessage> expected = {
        {WM_LOGONNOTIFY, 1}, {WM_PEERCALL, 0}, {WM_PEERCALL, 0}, {WM_LOGONNOTIFY, 1}};
    EXPECT_EQ(window.received, expected);
    const std::vector<PeerCallRecord> records = {{u"lee", u"instmsg", u"안녕하세요"},
                                                 {u"park", u"ftp", u"<10.0.0.5><9042><a.txt><1500>"}};
    EXPECT_EQ(TakeAll(), records);
    session.reset();
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
}

TEST_F(ListenerTest, LongKoreanNoteArrivesWholeAndTheListenerGoesOn) {
    std::string note;
    std::u16string noteText;
    for (int i = 0; i < 1500; ++i) {
        note += "\xB0\xA1";  // 가
        noteText += u"가";
    }
    Start("127.0.6.21", SendAfterAuth("peercall lee instmsg " + Base64Of(note) + "\r\n\r\n" +
                                      "peercall lee instmsg " + Base64Of("\xB5\xD1") + "\r\n\r\n"));  // 둘
    ASSERT_TRUE(RunUntilReceived(2));
    const std::vector<PeerCallRecord> records = {{u"lee", u"instmsg", noteText}, {u"lee", u"instmsg", u"둘"}};
    EXPECT_EQ(TakeAll(), records);
}

TEST_F(ListenerTest, ServerClosingWhileLoggedInIsReportedOnce) {
    Start("127.0.6.22", AcceptListener([](PeerConnection& c) { c.Close(); }));
    ASSERT_TRUE(RunUntilReceived(1));
    // The listener closes its side only after its report was handled.
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
    loop.ProcessPending();
    EXPECT_EQ(window.received, (std::vector<RecordedMessage>{{WM_LISTENERLOST, 0}}));
    EXPECT_TRUE(session->IsLoggedIn());
}

// The notification server acts only when the test says so.
test::Script ActOnCue(std::shared_future<void> cue, std::function<void(PeerConnection&)> act) {
    return AcceptListener([cue, act](PeerConnection& c) {
        cue.wait();
        act(c);
    });
}

TEST_F(ListenerTest, ServerClosingAfterLogoutIsNotReported) {
    std::promise<void> cue;
    Start("127.0.6.23", ActOnCue(cue.get_future().share(), [](PeerConnection& c) { c.Close(); }));
    ASSERT_TRUE(session->Logout());
    cue.set_value();
    // Received returns once the listener has ended and closed its side.
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
    loop.ProcessPending();
    EXPECT_TRUE(window.received.empty());
}

TEST_F(ListenerTest, BlockAfterLogoutIsDroppedAndEndsTheListener) {
    std::promise<void> cue;
    Start("127.0.6.24", ActOnCue(cue.get_future().share(), [](PeerConnection& c) {
              c.Send("peercall lee instmsg " + test::KOREAN_HELLO_64 + "\r\n\r\n");
          }));
    ASSERT_TRUE(session->Logout());
    cue.set_value();
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
    loop.ProcessPending();
    EXPECT_TRUE(window.received.empty());
    EXPECT_EQ(session->TakePeerCall(), nullptr);
}

TEST_F(ListenerTest, SecondLoginEndsTheFirstListener) {
    std::promise<void> identified;
    std::atomic<bool> firstClosed{false};
    Start("127.0.6.25", AcceptListener([&](PeerConnection& c) {
              identified.set_value();
              c.WaitForClose();
              firstClosed = true;
          }));
    std::promise<void> cue;
    notify->Expect(ActOnCue(cue.get_future().share(), [](PeerConnection& c) {
        c.Send("peercall lee instmsg " + test::KOREAN_HELLO_64 + "\r\n\r\n");
    }));
    // This login reply names no notification server: the earlier one stays.
    agent->Expect(AnswerCommands());
    identified.get_future().wait();
    ASSERT_TRUE(session->Login(u"kim", u"pass"));
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
    EXPECT_TRUE(firstClosed);

    cue.set_value();
    ASSERT_TRUE(RunUntilReceived(1));
    session.reset();
    loop.ProcessPending();
    EXPECT_EQ(window.received, (std::vector<RecordedMessage>{{WM_PEERCALL, 0}}));
    EXPECT_EQ(notify->Received(1), AUTH_LINE);
}

// A refused Login leaves a sign-in that still listens as it was, identity
// included, and ends one whose listener is gone.
TEST_F(ListenerTest, RefusedLoginKeepsAListeningSignInAndEndsADeafOne) {
    std::promise<void> identified;
    std::promise<void> cue;
    Start("127.0.6.29", AcceptListener([&identified, cue = cue.get_future().share()](PeerConnection& c) {
              identified.set_value();
              cue.wait();
              c.Send("peercall lee instmsg " + test::KOREAN_HELLO_64 + "\r\n\r\n");
              c.Close();
          }));
    agent->Expect(AnswerCommands({{"login", "ERR 401\r\n\r\n"}}));
    agent->Expect(AnswerCommands({{"login", "ERR 401\r\n\r\n"}}));
    identified.get_future().wait();
    EXPECT_FALSE(session->Login(u"lee", u"wrong"));
    EXPECT_TRUE(session->IsLoggedIn());
    EXPECT_EQ(session->GetUserId(), ByteString("kim"));

    cue.set_value();
    ASSERT_TRUE(RunUntilReceived(2));
    EXPECT_EQ(window.received, (std::vector<RecordedMessage>{{WM_PEERCALL, 0}, {WM_LISTENERLOST, 0}}));
    EXPECT_EQ(TakeAll(), (std::vector<PeerCallRecord>{{u"lee", u"instmsg", u"안녕하세요"}}));
    EXPECT_TRUE(session->IsLoggedIn());
    EXPECT_FALSE(session->Login(u"kim", u"wrong"));
    EXPECT_FALSE(session->IsLoggedIn());
}

TEST_F(ListenerTest, DestroyingTheSessionEndsAWaitingListener) {
    std::promise<void> identified;
    Start("127.0.6.26", AcceptListener([&identified](PeerConnection&) { identified.set_value(); }));
    identified.get_future().wait();
    session.reset();
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
    loop.ProcessPending();
    EXPECT_TRUE(window.received.empty());
}

// Runs `act` while a watchdog waits PATIENCE: when `act` has not ended by
// then, the watchdog closes `port`, so that the connect it waits for is
// refused. True when `act` ended in time.
bool EndsInTime(const std::function<void()>& act, test::UnansweringPort& port) {
    std::promise<void> done;
    std::future<bool> late = std::async(std::launch::async, [&port, ended = done.get_future()] {
        if (ended.wait_for(PATIENCE) == std::future_status::ready)
            return false;
        port.Close();
        return true;
    });
    act();
    done.set_value();
    return !late.get();
}

// However early the stop comes, before the listener's connect has started
// or while it waits, it ends a connect to a server that never answers.
TEST_F(ListenerTest, StopEndsAConnectToAServerThatNeverAnswers) {
    const std::string address = "127.0.6.30";
    g_strAgentHost.Set(u"127.0.6.30");
    agent = std::make_unique<ScriptedPeer>(address, AGENT_PORT);
    agent->SetDefaultScript(AnswerCommands({{"login", test::LoginReply(address, NOTIFY_PORT)}}));
    test::UnansweringPort unanswering(address, NOTIFY_PORT);
    const auto logIn = [this] { EXPECT_TRUE(session->Login(u"kim", u"pass")); };
    for (int round = 0; round < 3; ++round) {
        session = std::make_unique<AgentSession>();
        EXPECT_TRUE(EndsInTime(
            [&] {
                logIn();
                if (round == 2)
                    logIn();  // ends the first listener while it waits
                session.reset();
            },
            unanswering))
            << round;
    }
}

// The user-interface thread ends the listener (by a new login, or by
// destroying the session) just while the listener waits for that very thread
// to handle WM_LISTENERLOST: the pending send is abandoned, nothing deadlocks.
class LossWhileJoiningTest : public ::testing::Test {
protected:
    void StartAndLoseTheConnection(const std::string& address) {
        g_strAgentHost.Set(std::u16string(address.begin(), address.end()));
        agent = std::make_unique<ScriptedPeer>(address, AGENT_PORT);
        agent->SetDefaultScript(AnswerCommands({{"login", test::LoginReply(address, NOTIFY_PORT)}}));
        notify = std::make_unique<ScriptedPeer>(address, NOTIFY_PORT);
        notify->Expect(AcceptListener([](PeerConnection& c) { c.Close(); }));
        session = std::make_unique<AgentSession>();
        ASSERT_TRUE(session->Login(u"kim", u"pass"));
        uiThread.WaitForCall();
    }

    HoldingThread uiThread;
    RecordingWindow window{uiThread};
    std::unique_ptr<ScriptedPeer> agent;
    std::unique_ptr<ScriptedPeer> notify;
    std::unique_ptr<AgentSession> session;
};

TEST_F(LossWhileJoiningTest, DestroyingTheSessionAbandonsTheReport) {
    StartAndLoseTheConnection("127.0.6.27");
    session.reset();
    uiThread.RunHeld();
    EXPECT_TRUE(window.received.empty());
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
}

TEST_F(LossWhileJoiningTest, LoginAgainAbandonsTheReport) {
    StartAndLoseTheConnection("127.0.6.28");
    std::promise<void> identified;
    notify->Expect(AcceptListener([&identified](PeerConnection&) { identified.set_value(); }));
    ASSERT_TRUE(session->Login(u"kim", u"pass"));
    identified.get_future().wait();
    uiThread.RunHeld();
    EXPECT_TRUE(window.received.empty());
    EXPECT_EQ(notify->Received(0), AUTH_LINE);
}

}  // namespace
}  // namespace nimbo
