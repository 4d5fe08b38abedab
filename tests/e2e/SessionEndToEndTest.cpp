#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "buddies/LogonStatus.h"
#include "platform/CodePage.h"
#include "session/SessionMessages.h"
#include "tests/e2e/ClientSide.h"
#include "tests/server/ServerHarness.h"

// The client core against the agent server in-process, each test on its own
// address 127.0.13.N: signing in, presence notices and notes, live and kept.

namespace nimbo::e2e {
namespace {

using server::test::ServerHarness;
using test::RecordedMessage;
using test::ShownRow;

// alice watches bob; bob watches nobody, so that every logon notice the main
// window gets comes from alice's listener.
class EndToEndSession : public ::testing::Test {
protected:
    void StartServer(const std::string& address, std::uint16_t notifyPort = nimbo::server::DEFAULT_NOTIFY_PORT,
                     int signInFailures = nimbo::server::SignInLimits{}.failures) {
        server = std::make_unique<ServerHarness>(address);
        server->Config().notifyPort = notifyPort;
        server->Config().signInLimits.failures = signInFailures;
        server->AddUser("alice", "앨리스", "pw-a");
        server->AddUser("bob", "박지훈", "pw-b");
        server->AddGroup("alice", "친구", 0, {"bob"});
        server->Start();
        client = std::make_unique<ClientSide>(address);
    }
    void SignInBoth(const std::string& address, std::uint16_t notifyPort = nimbo::server::DEFAULT_NOTIFY_PORT) {
        StartServer(address, notifyPort);
        alice = client->SignIn(u"alice", u"pw-a");
        bob = client->SignIn(u"bob", u"pw-b");
        ASSERT_TRUE(alice && bob);
    }
    // Notices are not kept for later, and a sign-out ends only a listener
    // that is there: a note that reached alice proves hers identified.
    void WaitUntilAliceListens() {
        ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"곧 접속할게요"));
        ASSERT_TRUE(client->WaitForMessages(WM_PEERCALL, 1));
        ASSERT_EQ(ClientSide::TakePeerCalls(*alice).size(), 1u);
    }

    std::unique_ptr<ServerHarness> server;
    std::unique_ptr<ClientSide> client;
    std::unique_ptr<AgentSession> alice;
    std::unique_ptr<AgentSession> bob;
};

// Lines of Korean text, numbered so that a lost or repeated piece shows,
// until the note is `wireBytes` long on the wire.
std::u16string KoreanNote(std::size_t wireBytes) {
    std::u16string note;
    for (int line = 1; platform::CodePage::ToWire(note).size() < wireBytes; ++line)
        note += u"제" + platform::CodePage::FromUtf8(std::to_string(line)) + u"줄: 오늘 회의는 세 시에 시작합니다.\r\n";
    return note;
}

TEST_F(EndToEndSession, LoginStartsAListenerAtTheAdvertisedNotificationPort) {
    SignInBoth("127.0.13.1", 10031);
    EXPECT_TRUE(alice->IsLoggedIn());
    // Only a listener on port 10031 can have received the note.
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"안녕"));
    ASSERT_TRUE(client->WaitForMessages(WM_PEERCALL, 1));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice), (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"안녕"}}));
    EXPECT_EQ(client->window.received, (std::vector<RecordedMessage>{{WM_PEERCALL, 0}}));
}

TEST_F(EndToEndSession, WrongPasswordOrUnknownUserIsRefusedAndNothingElseWorks) {
    // Each refused command is a failed sign-in too; more of them than the
    // throttle allows would lock the right password out as well.
    StartServer("127.0.13.2", nimbo::server::DEFAULT_NOTIFY_PORT, 10);
    AgentSession session;
    EXPECT_FALSE(session.Login(u"alice", u"pw-A"));
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_FALSE(session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
    EXPECT_FALSE(session.SendInstantMessage(u"bob", u"안녕"));
    EXPECT_EQ(session.GetLogonStatusTable(true), nullptr);
    EXPECT_FALSE(session.Login(u"mallory", u"pw-a"));
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_TRUE(session.Login(u"alice", u"pw-a"));
    EXPECT_TRUE(session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
}

TEST_F(EndToEndSession, BuddyGoingOnlineBusyAndOfflineIsAnnouncedAndShown) {
    SignInBoth("127.0.13.3");
    WaitUntilAliceListens();
    ASSERT_TRUE(bob->SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
    ASSERT_TRUE(client->WaitForMessages(WM_LOGONNOTIFY, 1));
    EXPECT_EQ(client->window.received.back(), (RecordedMessage{WM_LOGONNOTIFY, 1}));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {2, 1, u" 박지훈(bob)", u"PocketPC"}}));

    ASSERT_TRUE(bob->SetLogonStat(LOGON_BUSY, u"회의 중"));
    ASSERT_TRUE(client->WaitForMessages(WM_LOGONNOTIFY, 2));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {6, 1, u" 박지훈(bob)", u"회의 중"}}));

    ASSERT_TRUE(bob->Logout());
    ASSERT_TRUE(client->WaitForMessages(WM_LOGONNOTIFY, 3));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {3, 1, u" 박지훈(bob)", u""}}));
    EXPECT_EQ(client->window.Count(WM_LISTENERLOST), 0u);
}

TEST_F(EndToEndSession, LongKoreanNoteAndAReplyCrossBetweenTwoSessions) {
    SignInBoth("127.0.13.4");
    const std::u16string longNote = KoreanNote(3 * 1024);
    ASSERT_TRUE(alice->SendInstantMessage(u"bob", longNote));
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"잘 받았어요. 고마워요!"));
    ASSERT_TRUE(client->WaitForMessages(WM_PEERCALL, 2));
    EXPECT_EQ(ClientSide::TakePeerCalls(*bob), (std::vector<PeerCallRecord>{{u"alice", u"instmsg", longNote}}));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice),
              (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"잘 받았어요. 고마워요!"}}));
}

TEST_F(EndToEndSession, NotesToASignedOutUserArriveInOrderAtItsNextSignIn) {
    SignInBoth("127.0.13.5");
    WaitUntilAliceListens();
    ASSERT_TRUE(alice->Logout());
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"두 번째 쪽지"));
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"세 번째 쪽지"));
    ASSERT_TRUE(alice->Login(u"alice", u"pw-a"));
    ASSERT_TRUE(client->WaitForMessages(WM_PEERCALL, 3));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice), (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"두 번째 쪽지"},
                                                                              {u"bob", u"instmsg", u"세 번째 쪽지"}}));
}

}  // namespace
}  // namespace nimbo::e2e
