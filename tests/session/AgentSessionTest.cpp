#include "session/AgentSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"
#include "buddies/LogonStatus.h"
#include "session/AgentHost.h"
#include "session/CAgentSocket.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/ShownRow.h"

// Each test has its own agent server address 127.0.6.N; servers a redirect
// leads to are on 127.0.7.N.

namespace nimbo {
namespace {

using test::AnswerCommands;
using test::AUTH_LINE;
using test::LOGIN_LINE;
using test::PeerConnection;
using test::ScriptedPeer;

TEST(AgentSession, EveryExchangeGoesOnTheWireByteForByte) {
    g_strAgentHost.Set(u"127.0.6.1");
    ScriptedPeer agent("127.0.6.1", AGENT_PORT);
    agent.SetDefaultScript(AnswerCommands());
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    EXPECT_TRUE(session.IsLoggedIn());
    EXPECT_TRUE(session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
    EXPECT_TRUE(session.SendInstantMessage(u"lee", u"안녕하세요"));
    EXPECT_TRUE(session.SetLogonStat(LOGON_OFFLINE, u""));
    EXPECT_TRUE(session.Logout());
    EXPECT_FALSE(session.IsLoggedIn());

    const std::vector<std::string> expected = {
        LOGIN_LINE,
        AUTH_LINE + "setlogonstat online UG9ja2V0UEM=\r\n",
        AUTH_LINE + "peercall lee instmsg " + test::KOREAN_HELLO_64 + "\r\n",
        AUTH_LINE + "setlogonstat offline \r\n",
        AUTH_LINE + "logout\r\n",
    };
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(agent.Received(i), expected[i]) << "exchange " << i;
}

TEST(AgentSession, RefusedOperationsReportFailure) {
    g_strAgentHost.Set(u"127.0.6.2");
    ScriptedPeer agent("127.0.6.2", AGENT_PORT);
    agent.SetDefaultScript(AnswerCommands({{"peercall", "ERR 404\r\nmessage=no such user\r\n\r\n"},
                                           {"setlogonstat", "ERR 500\r\n\r\n"}}));
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    EXPECT_FALSE(session.SendInstantMessage(u"nobody", u"hi"));
    EXPECT_EQ(session.LastFailure().Describe(),
              u"SendInstantMessage at 127.0.6.2: the server refused: 404 no such user");
    EXPECT_FALSE(session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));
    EXPECT_EQ(session.LastFailure().kind, FailureKind::Refused);
    EXPECT_EQ(session.LastFailure().Describe(), u"SetLogonStat at 127.0.6.2: the server refused: 500");
}

TEST(AgentSession, RedirectIsFollowedOnceAndMovesTheSession) {
    g_strAgentHost.Set(u"127.0.6.3");
    ScriptedPeer first("127.0.6.3", AGENT_PORT);
    first.Expect(AnswerCommands({{"login", "ERR 202\r\nmessage=moved\r\nserver=127.0.7.3\r\n\r\n"}}));
    ScriptedPeer second("127.0.7.3", AGENT_PORT);
    second.SetDefaultScript(AnswerCommands());
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    EXPECT_EQ(g_strAgentHost.Get(), u"127.0.7.3");
    EXPECT_TRUE(session.SetLogonStat(LOGON_ONLINE, ONLINE_STATUS_TEXT));

    EXPECT_EQ(first.Received(0), LOGIN_LINE);
    EXPECT_EQ(second.Received(0), LOGIN_LINE);
    EXPECT_EQ(second.Received(1), AUTH_LINE + "setlogonstat online UG9ja2V0UEM=\r\n");
    EXPECT_EQ(first.ConnectionCount(), 1u);
}

TEST(AgentSession, SecondRedirectEndsTheLogin) {
    g_strAgentHost.Set(u"127.0.6.4");
    ScriptedPeer first("127.0.6.4", AGENT_PORT);
    first.Expect(AnswerCommands({{"login", "ERR 202\r\nserver=127.0.7.4\r\n\r\n"}}));
    ScriptedPeer second("127.0.7.4", AGENT_PORT);
    second.Expect(AnswerCommands({{"login", "ERR 202\r\nserver=127.0.7.44\r\n\r\n"}}));
    AgentSession session;
    EXPECT_FALSE(session.Login(u"kim", u"pass"));
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_EQ(g_strAgentHost.Get(), u"127.0.7.44");
    EXPECT_EQ(first.Received(0), LOGIN_LINE);
    EXPECT_EQ(second.Received(0), LOGIN_LINE);
}

TEST(AgentSession, FailureAfterARedirectEndsTheLogin) {
    g_strAgentHost.Set(u"127.0.6.5");
    ScriptedPeer first("127.0.6.5", AGENT_PORT);
    first.Expect(AnswerCommands({{"login", "ERR 202\r\nserver=127.0.7.5\r\n\r\n"}}));
    ScriptedPeer second("127.0.7.5", AGENT_PORT);
    second.Expect([](PeerConnection& c) {
        c.ReadLine();
        c.Abort();
    });
    AgentSession session;
    EXPECT_FALSE(session.Login(u"kim", u"pass"));
    EXPECT_EQ(first.ConnectionCount(), 1u);
}

// A refusal other than a redirect, a redirect that names no server, and a
// connection lost mid-reply: each fails after one attempt and leaves the
// agent host as it was.
TEST(AgentSession, OtherLoginFailuresEndAfterOneAttempt) {
    g_strAgentHost.Set(u"127.0.6.6");
    ScriptedPeer agent("127.0.6.6", AGENT_PORT);
    agent.Expect(AnswerCommands({{"login", "ERR 301\r\nserver=127.0.7.6\r\n\r\n"}}));
    agent.Expect(AnswerCommands({{"login", "ERR 202\r\nmessage=moved\r\n\r\n"}}));
    agent.Expect([](PeerConnection& c) {
        c.ReadLine();
        c.Send("OK\r\n");
        c.Abort();
    });
    AgentSession session;
    const FailureKind kinds[] = {FailureKind::Refused, FailureKind::Refused, FailureKind::Broken};
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_FALSE(session.Login(u"kim", u"pass")) << attempt;
        EXPECT_EQ(session.LastFailure().kind, kinds[attempt]) << attempt;
        EXPECT_EQ(g_strAgentHost.Get(), u"127.0.6.6") << attempt;
        EXPECT_EQ(agent.Received(static_cast<std::size_t>(attempt)), LOGIN_LINE) << attempt;
    }
    EXPECT_EQ(session.LastFailure().operation, u"Login");
    EXPECT_EQ(agent.ConnectionCount(), 3u);
    EXPECT_FALSE(session.IsLoggedIn());
}

TEST(AgentSession, LogoutClearsTheFlagEvenWithoutAServer) {
    g_strAgentHost.Set(u"127.0.6.7");
    AgentSession session;
    {
        ScriptedPeer agent("127.0.6.7", AGENT_PORT);
        agent.SetDefaultScript(AnswerCommands());
        ASSERT_TRUE(session.Login(u"kim", u"pass"));
    }
    EXPECT_FALSE(session.Logout());
    EXPECT_FALSE(session.IsLoggedIn());
    EXPECT_EQ(session.LastFailure().kind, FailureKind::Unreachable);
    EXPECT_EQ(session.LastFailure().Describe(), u"Logout at 127.0.6.7: Connect error #111 (Connection refused)");
}

// What the socket reports decides how a failure reads: a failed connect
// means the server is out of reach, a time-out that it did not answer.
TEST(SessionFailure, SocketFailuresAreSortedByTheStepThatFailed) {
    const std::pair<const char16_t*, FailureKind> cases[] = {
        {u"GetHostByName", FailureKind::Unreachable}, {u"Connect", FailureKind::Unreachable},
        {u"Receive timeout", FailureKind::TimedOut},  {u"Send timeout", FailureKind::TimedOut},
        {u"Receive", FailureKind::Broken},            {u"ReadHeaderLine2", FailureKind::Broken},
    };
    for (const auto& [operation, kind] : cases) {
        CAgentSocket socket;
        socket.m_socketFailure.emplace(operation, 0);
        EXPECT_EQ(SessionFailure::Of(u"Login", u"h", socket).kind, kind) << std::string(operation, operation + 4);
    }
}

std::string StatusList() {
    const std::string message64 = "yLjAxyDB3w==";  // "회의 중"
    return "OK\r\n"
           "<b>lee\r\nonline\r\n10.0.0.7\r\n9042\r\n0\r\n\xC0\xCC\xBC\xAD\xBF\xAC\r\n" + message64 + "</b>"
           "<b>park\r\nbusy\r\n10.0.0.8\r\n0\r\n0\r\n\xB9\xDA\r\n\"\"</b>"  // 박
           "<b>park\r\nfood\r\n10.0.0.8\r\n0\r\n0\r\n\xB9\xDA\r\n\"\"</b>"
           "<b>choi</b>"
           "<b>yoon\r\nonline</b>\r\n\r\n";
}

// A nickname attribute before the name wins, as the attributes are found by
// plain text search; duplicate members stay; the no-group group comes last.
std::string GroupListReply() {
    const std::string document =
        "<group name=\"\xC4\xA3\xB1\xB8\" type=\"0\" expand=\"1\">\n"  // 친구
        "lee\npark\nlee\n</group>\n"
        "<group nickname=\"\xBA\xB0\xB8\xED\" name=\"\xC8\xB8\xBB\xE7\" type=\"0\">\n"  // 별명, 회사
        "choi\n</group>\n"
        "<group name=\"#$%NOGROUP@#$\" type=\"2\">\nyoon\n</group>\n";
    return "OK\r\n" + test::Base64Of(document) + "\r\n\r\n";
}

std::vector<test::ShownRow> RowsOf(const AgentSession& session) {
    return test::ShownRows(BuildBuddyRows(session.GetGroupTable(), session.GetBuddyTable()));
}

TEST(AgentSession, RefreshFetchesStatusesThenGroups) {
    g_strAgentHost.Set(u"127.0.6.8");
    ScriptedPeer agent("127.0.6.8", AGENT_PORT);
    agent.Expect(AnswerCommands());  // login
    agent.Expect(AnswerCommands({{"getlogonstatall", StatusList()}}));
    agent.Expect(AnswerCommands({{"getgroup", GroupListReply()}}));
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    BuddyTable* buddies = session.GetLogonStatusTable(true);
    ASSERT_EQ(buddies, &session.GetBuddyTable());

    const std::vector<test::ShownRow> expected = {
        {1, 0, u"별명", u""},
        {3, 1, u" choi", u""},
        {1, 0, u"친구", u""},
        {2, 1, u" 이서연(lee)", u"회의 중"},
        {4, 1, u" 박(park)", u""},
        {2, 1, u" 이서연(lee)", u"회의 중"},
        {2, 0, u" yoon", u""},
    };
    EXPECT_EQ(RowsOf(session), expected);
    EXPECT_EQ(buddies->Lookup(u"lee")->Address(), u"10.0.0.7");
    EXPECT_EQ(buddies->Lookup(u"lee")->Port(), 9042);
    EXPECT_EQ(agent.Received(1), AUTH_LINE + "getlogonstatall\r\n");
    EXPECT_EQ(agent.Received(2), AUTH_LINE + "getgroup\r\n");
    // Without refresh, the tables are handed out as they are.
    EXPECT_EQ(session.GetLogonStatusTable(false), buddies);
    EXPECT_EQ(agent.ConnectionCount(), 3u);
}

TEST(AgentSession, RefusedIdentificationGivesNoTable) {
    g_strAgentHost.Set(u"127.0.6.9");
    ScriptedPeer agent("127.0.6.9", AGENT_PORT);
    agent.Expect(AnswerCommands());  // login
    agent.Expect(AnswerCommands({{"getlogonstatall", StatusList()}}));
    agent.Expect(AnswerCommands({{"getgroup", GroupListReply()}}));
    agent.Expect(AnswerCommands({{"auth", "ERR 401\r\n\r\n"}}));
    agent.Expect(AnswerCommands({{"getlogonstatall", "ERR 500\r\n\r\n"}}));
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    ASSERT_NE(session.GetLogonStatusTable(true), nullptr);

    EXPECT_EQ(session.GetLogonStatusTable(true), nullptr);
    EXPECT_TRUE(session.GetBuddyTable().IsEmpty());
    EXPECT_EQ(session.GetGroupTable().Size(), 3u);

    // A refused status list: no buddies, and no group download either.
    EXPECT_NE(session.GetLogonStatusTable(true), nullptr);
    EXPECT_TRUE(session.GetBuddyTable().IsEmpty());
    EXPECT_EQ(agent.Received(4), AUTH_LINE + "getlogonstatall\r\n");
    EXPECT_EQ(agent.ConnectionCount(), 5u);
}

// The entries read while the list arrived go when the connection fails.
TEST(AgentSession, StatusListCutOffGivesNoBuddies) {
    g_strAgentHost.Set(u"127.0.6.13");
    ScriptedPeer agent("127.0.6.13", AGENT_PORT);
    agent.Expect(AnswerCommands());  // login
    agent.Expect(test::AcceptListener([](PeerConnection& c) {
        const std::string whole = StatusList();
        if (c.WaitForText("getlogonstatall\r\n"))
            c.SendInChunks(whole.substr(0, whole.size() - 2), 40);
        c.Abort();
    }));
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    EXPECT_NE(session.GetLogonStatusTable(true), nullptr);
    EXPECT_TRUE(session.GetBuddyTable().IsEmpty());
    EXPECT_EQ(agent.ConnectionCount(), 2u);
}

TEST(AgentSession, RefusedGroupListEmptiesTheGroups) {
    g_strAgentHost.Set(u"127.0.6.12");
    ScriptedPeer agent("127.0.6.12", AGENT_PORT);
    agent.Expect(AnswerCommands());  // login
    agent.Expect(AnswerCommands({{"getlogonstatall", StatusList()}}));
    agent.Expect(AnswerCommands({{"getgroup", GroupListReply()}}));
    agent.Expect(AnswerCommands({{"getlogonstatall", StatusList()}}));
    agent.Expect(AnswerCommands({{"auth", "ERR 401\r\n\r\n"}}));
    AgentSession session;
    ASSERT_TRUE(session.Login(u"kim", u"pass"));
    ASSERT_NE(session.GetLogonStatusTable(true), nullptr);
    ASSERT_EQ(session.GetGroupTable().Size(), 3u);

    EXPECT_NE(session.GetLogonStatusTable(true), nullptr);
    EXPECT_FALSE(session.GetBuddyTable().IsEmpty());
    EXPECT_TRUE(session.GetGroupTable().IsEmpty());
}

TEST(AgentSession, UnreachableServerEmptiesTheBuddiesButKeepsTheGroups) {
    g_strAgentHost.Set(u"127.0.6.10");
    AgentSession session;
    {
        ScriptedPeer agent("127.0.6.10", AGENT_PORT);
        agent.Expect(AnswerCommands());  // login
        agent.Expect(AnswerCommands({{"getlogonstatall", StatusList()}}));
        agent.Expect(AnswerCommands({{"getgroup", GroupListReply()}}));
        ASSERT_TRUE(session.Login(u"kim", u"pass"));
        ASSERT_NE(session.GetLogonStatusTable(true), nullptr);
    }
    EXPECT_EQ(session.GetLogonStatusTable(true), &session.GetBuddyTable());
    EXPECT_TRUE(session.GetBuddyTable().IsEmpty());
    EXPECT_EQ(session.GetGroupTable().Size(), 3u);
}

}  // namespace
}  // namespace nimbo
