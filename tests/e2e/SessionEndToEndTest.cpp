#include <gtest/gtest.h>

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
void AddAliceAndBob(ServerHarness& server) {
    server.AddUser("alice", "앨리스", "pw-a");
    server.AddUser("bob", "박지훈", "pw-b");
    server.AddGroup("alice", "친구", 0, {"bob"});
}

// Lines of Korean text, numbered so that a lost or repeated piece shows,
// until the note is `wireBytes` long on the wire.
std::u16string KoreanNote(std::size_t wireBytes) {
    std::u16string note;
    for (int line = 1; platform::CodePage::ToWire(note).size() < wireBytes; ++line)
        note += u"제" + platform::CodePage::FromUtf8(std::to_string(line)) + u"줄: 오늘 회의는 세 시에 시작합니다.\r\n";
    return note;
}

TEST(EndToEndSignIn, LoginStartsAListenerAtTheAdvertisedNotificationPort) {
    ServerHarness server("127.0.13.1");
    server.Config().notifyPort = 10031;
    AddAliceAndBob(server);
    server.Start();
    ClientSide client("127.0.13.1");
    auto alice = client.SignIn(u"alice", u"pw-a");
    auto bob = client.SignIn(u"bob", u"pw-b");
    ASSERT_TRUE(alice && bob);
    EXPECT_TRUE(alice->IsLoggedIn());
    // Only a listener on port 10031 can have received the note.
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"안녕"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 1));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice), (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"안녕"}}));
    EXPECT_EQ(client.window.received, (std::vector<RecordedMessage>{{WM_PEERCALL, 0}}));
}

TEST(EndToEndSignIn, WrongPasswordOrUnknownUserIsRefusedAndNothingElseWorks) {
    ServerHarness server("127.0.13.2");
    AddAliceAndBob(server);
    server.Start();
    ClientSide client("127.0.13.2");
    AgentSession session;
    EXPECT_FALSE(session.Login(u"alice", u"pw-A"));
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_FALSE(session.SetLogonStat(LOGON_ONLINE, u"PocketPC"));
    EXPECT_FALSE(session.SendInstantMessage(u"bob", u"안녕"));
    EXPECT_EQ(session.GetLogonStatusTable(true), nullptr);
    EXPECT_FALSE(session.Login(u"mallory", u"pw-a"));
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_TRUE(session.Login(u"alice", u"pw-a"));
    EXPECT_TRUE(session.SetLogonStat(LOGON_ONLINE, u"PocketPC"));
}

TEST(EndToEndPresence, BuddyGoingOnlineBusyAndOfflineIsAnnouncedAndShown) {
    ServerHarness server("127.0.13.3");
    AddAliceAndBob(server);
    server.Start();
    ClientSide client("127.0.13.3");
    auto alice = client.SignIn(u"alice", u"pw-a");
    auto bob = client.SignIn(u"bob", u"pw-b");
    ASSERT_TRUE(alice && bob);
    // Notices are not kept for later: alice's listener must be identified
    // first, which a note that reached it proves.
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"곧 접속할게요"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 1));

    ASSERT_TRUE(bob->SetLogonStat(LOGON_ONLINE, u"PocketPC"));
    ASSERT_TRUE(client.WaitForMessages(WM_LOGONNOTIFY, 1));
    EXPECT_EQ(client.window.received.back(), (RecordedMessage{WM_LOGONNOTIFY, 1}));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {2, 1, u" 박지훈(bob)", u"PocketPC"}}));

    ASSERT_TRUE(bob->SetLogonStat(LOGON_BUSY, u"회의 중"));
    ASSERT_TRUE(client.WaitForMessages(WM_LOGONNOTIFY, 2));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {6, 1, u" 박지훈(bob)", u"회의 중"}}));

    ASSERT_TRUE(bob->Logout());
    ASSERT_TRUE(client.WaitForMessages(WM_LOGONNOTIFY, 3));
    EXPECT_EQ(ClientSide::RefreshedRows(*alice),
              (std::vector<ShownRow>{{1, 0, u"친구", u""}, {3, 1, u" 박지훈(bob)", u""}}));
    EXPECT_EQ(client.window.Count(WM_LISTENERLOST), 0u);
}

TEST(EndToEndNotes, LongKoreanNoteAndAReplyCrossBetweenTwoSessions) {
    ServerHarness server("127.0.13.4");
    AddAliceAndBob(server);
    server.Start();
    ClientSide client("127.0.13.4");
    auto alice = client.SignIn(u"alice", u"pw-a");
    auto bob = client.SignIn(u"bob", u"pw-b");
    ASSERT_TRUE(alice && bob);
    const std::u16string longNote = KoreanNote(3 * 1024);
    ASSERT_TRUE(alice->SendInstantMessage(u"bob", longNote));
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"잘 받았어요. 고마워요!"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 2));
    EXPECT_EQ(ClientSide::TakePeerCalls(*bob), (std::vector<PeerCallRecord>{{u"alice", u"instmsg", longNote}}));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice),
              (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"잘 받았어요. 고마워요!"}}));
}

TEST(EndToEndNotes, NotesToASignedOutUserArriveInOrderAtItsNextSignIn) {
    ServerHarness server("127.0.13.5");
    AddAliceAndBob(server);
    server.Start();
    ClientSide client("127.0.13.5");
    auto alice = client.SignIn(u"alice", u"pw-a");
    auto bob = client.SignIn(u"bob", u"pw-b");
    ASSERT_TRUE(alice && bob);
    // Once this note is in, alice's listener is identified: her sign-out
    // really takes her off the notification server.
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"첫 번째"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 1));
    ASSERT_EQ(ClientSide::TakePeerCalls(*alice).size(), 1u);
    ASSERT_TRUE(alice->Logout());

    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"두 번째 쪽지"));
    ASSERT_TRUE(bob->SendInstantMessage(u"alice", u"세 번째 쪽지"));
    ASSERT_TRUE(alice->Login(u"alice", u"pw-a"));
    ASSERT_TRUE(client.WaitForMessages(WM_PEERCALL, 3));
    EXPECT_EQ(ClientSide::TakePeerCalls(*alice), (std::vector<PeerCallRecord>{{u"bob", u"instmsg", u"두 번째 쪽지"},
                                                                              {u"bob", u"instmsg", u"세 번째 쪽지"}}));
}

}  // namespace
}  // namespace nimbo::e2e
