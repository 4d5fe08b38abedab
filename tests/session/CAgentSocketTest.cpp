#include "session/CAgentSocket.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "net/AgentProtocol.h"
#include "tests/support/BlockingCall.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/SocketFailure.h"

// Each test that needs the network has its own loopback address 127.0.2.N.

namespace nimbo {
namespace {

using test::PeerConnection;
using test::ScriptedPeer;
using test::SocketFailure;

const std::string OK_REPLY = "OK\r\n\r\n";

std::string Bytes(const ByteString& text) { return std::string(text.view()); }

// Answers every command line with "OK" and an empty line.
void AcceptEveryCommand(PeerConnection& c) {
    c.AnswerEachLine([](const std::string& line) { return line == "\r\n" ? std::string() : OK_REPLY; });
}

// Reads one command line and answers it with `reply`, in one send or in
// pieces of `chunkSize` bytes.
test::Script AnswerOnce(std::string reply, std::size_t chunkSize = 0) {
    return [reply, chunkSize](PeerConnection& c) {
        c.ReadLine();
        if (chunkSize > 0)
            c.SendInChunks(reply, chunkSize);
        else
            c.Send(reply);
    };
}

struct Command {
    const char* name;
    std::function<bool(CAgentSocket&)> send;
    std::string expected;
};

TEST(CAgentSocket, CommandsGoOnTheWireByteForByte) {
    const std::vector<Command> commands = {
        {"login", [](CAgentSocket& s) { return s.CmdLogin("kim", "cGFzcw==", 0, 0); }, "login kim cGFzcw== 0 0\r\n"},
        {"logout", [](CAgentSocket& s) { return s.CmdLogout(); }, "logout\r\n"},
        {"auth", [](CAgentSocket& s) { return s.CmdAuth("kim", "cGFzcw=="); }, "auth kim cGFzcw== \r\n"},
        {"setlogonstat", [](CAgentSocket& s) { return s.CmdSetLogonStat("online", "UG9ja2V0UEM="); },
         "setlogonstat online UG9ja2V0UEM=\r\n"},
        {"setlogonstat empty", [](CAgentSocket& s) { return s.CmdSetLogonStat("offline", ""); },
         "setlogonstat offline \r\n"},
        {"getgroup", [](CAgentSocket& s) { return s.CmdGetGroup(); }, "getgroup\r\n"},
        {"getlogonstatall", [](CAgentSocket& s) { return s.CmdGetLogonStatAll(); }, "getlogonstatall\r\n"},
        {"peercall through agent",
         [](CAgentSocket& s) {
             return s.CmdPeerCall("lee", "kim", "instmsg", "\xBE\xC8\xB3\xE7", PeerCallForm::ThroughAgent);
         },
         "peercall lee instmsg vsiz5w==\r\n"},
        {"peercall direct",
         [](CAgentSocket& s) {
             return s.CmdPeerCall("lee", "kim", "ftp", "<10.0.0.5><9000><a.txt><3>", PeerCallForm::DirectToCallee);
         },
         "peercall kim ftp PDEwLjAuMC41Pjw5MDAwPjxhLnR4dD48Mz4= lee \r\n\r\n"},
    };
    ScriptedPeer peer("127.0.2.30", AGENT_PORT);
    peer.SetDefaultScript(AcceptEveryCommand);
    for (const auto& command : commands) {
        CAgentSocket socket;
        ASSERT_TRUE(socket.ConnectHost(u"127.0.2.30", AGENT_PORT));
        EXPECT_TRUE(command.send(socket)) << command.name;
        EXPECT_EQ(Bytes(socket.m_strReply), OK_REPLY) << command.name;
    }
    for (std::size_t i = 0; i < commands.size(); ++i)
        EXPECT_EQ(peer.Received(i), commands[i].expected) << commands[i].name;
}

TEST(CAgentSocket, ReplyEndsAtTheEmptyLineAndLeftoversAreDropped) {
    ScriptedPeer peer("127.0.2.32", AGENT_PORT);
    peer.Expect([](PeerConnection& c) {
        c.ReadLine();
        c.Send("OK 1\r\n\r\nSTALE\r\n\r\n");
        c.ReadLine();
        c.Send("OK 2\r\n\r\n");
    });
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.32", AGENT_PORT));
    EXPECT_TRUE(socket.CmdGetGroup());
    EXPECT_EQ(Bytes(socket.m_strReply), "OK 1\r\n\r\n");
    EXPECT_TRUE(socket.CmdGetLogonStatAll());
    EXPECT_EQ(Bytes(socket.m_strReply), "OK 2\r\n\r\n");
}

TEST(CAgentSocket, ErrorReplySplitOverManyReceivesIsRefusedWithCodeMessageAndServer) {
    const std::string reply = "ERR 202\r\nmessage=moved\r\nserver=10.0.0.2\r\n\r\n";
    ScriptedPeer peer("127.0.2.33", AGENT_PORT);
    peer.Expect(AnswerOnce(reply, 3));
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.33", AGENT_PORT));
    EXPECT_FALSE(socket.CmdLogin("kim", "cGFzcw==", 0, 0));
    EXPECT_EQ(Bytes(socket.m_strReply), reply);
    EXPECT_EQ(Bytes(socket.m_strErrCode), "202");
    EXPECT_EQ(Bytes(socket.m_strErrMessage), "moved");
    EXPECT_EQ(Bytes(socket.m_strErrServer), "10.0.0.2");
}

struct ErrorCase {
    const char* reply;
    bool isError;
    const char* code;
    const char* message;
    const char* server;
};

TEST(CAgentSocket, ErrorRepliesAreParsedFromTheReplyText) {
    const ErrorCase cases[] = {
        {"ERR 202\r\nmessage=moved\r\nserver=h2\r\n\r\n", true, "202", "moved", "h2"},
        {"ERR  7 \r\n\r\n", true, "7", "", ""},
        {"ERR 5\r\nserver=10.0.0.9\r\n\r\n", true, "5", "", "10.0.0.9"},
        {"ERR", true, "", "", ""},
        {" ERR 202\r\nmessage=x\r\n\r\n", false, "old", "old", "old"},
        {"OK\r\nERR 1\r\n\r\n", false, "old", "old", "old"},
        {"", false, "old", "old", "old"},
    };
    for (const auto& c : cases) {
        CAgentSocket socket;
        socket.m_strErrCode = socket.m_strErrMessage = socket.m_strErrServer = "old";
        socket.m_strReply = c.reply;
        EXPECT_EQ(socket.ParseErrorReply(), c.isError) << c.reply;
        EXPECT_EQ(Bytes(socket.m_strErrCode), c.code) << c.reply;
        EXPECT_EQ(Bytes(socket.m_strErrMessage), c.message) << c.reply;
        EXPECT_EQ(Bytes(socket.m_strErrServer), c.server) << c.reply;
    }
}

TEST(CAgentSocket, ServerClosingWithoutAnswerIsAccepted) {
    ScriptedPeer peer("127.0.2.34", AGENT_PORT);
    peer.Expect([](PeerConnection& c) {
        c.ReadLine();
        c.Close();
    });
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.34", AGENT_PORT));
    EXPECT_TRUE(socket.CmdLogout());
    EXPECT_TRUE(socket.m_strReply.IsEmpty());
}

TEST(CAgentSocket, SilentServerTimesOutTheLineRead) {
    ScriptedPeer peer("127.0.2.35", AGENT_PORT);
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.35", AGENT_PORT));
    ByteString line;
    EXPECT_EQ(SocketFailure([&] { socket.ReadHeaderLine(line, 1); }).GetErrorMessage(), u"Receive timeout error");
}

TEST(CAgentSocket, LongReplyLineIsReadWhole) {
    const std::string reply = "OK " + std::string(200 * 1024, 'x') + "\r\n\r\n";
    ScriptedPeer peer("127.0.2.36", AGENT_PORT);
    peer.Expect(AnswerOnce(reply));
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.36", AGENT_PORT));
    EXPECT_TRUE(socket.CmdGetGroup());
    EXPECT_EQ(Bytes(socket.m_strReply), reply);
}

TEST(CAgentSocket, LinePastTheBoundFailsTheExchangeCleanly) {
    ScriptedPeer peer("127.0.2.37", AGENT_PORT);
    peer.Expect(AnswerOnce("OK\r\n" + std::string(20 << 20, 'x') + "\r\n\r\n"));
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.37", AGENT_PORT));
    EXPECT_FALSE(socket.CmdGetGroup());
    EXPECT_EQ(Bytes(socket.m_strErrMessage), "Exception: SendCommand_NonThr");
    EXPECT_EQ(Bytes(socket.m_strReply), "OK\r\n");
}

TEST(CAgentSocket, FailedConnectLeavesCommandsOffTheWire) {
    // Nothing listens on 127.0.2.38.
    CAgentSocket refused;
    EXPECT_FALSE(refused.ConnectHost(u"127.0.2.38", AGENT_PORT));
    EXPECT_FALSE(refused.m_bConnectOk);
    EXPECT_FALSE(refused.CmdLogout());
    EXPECT_TRUE(refused.m_strErrMessage.IsEmpty());

    CAgentSocket unresolvable;
    EXPECT_FALSE(unresolvable.ConnectHost(std::u16string(70, u'a') + u".invalid", AGENT_PORT));
    EXPECT_FALSE(unresolvable.CmdGetGroup());
}

TEST(CAgentSocket, HeaderLinesComeOneByOneUntilTheClose) {
    ScriptedPeer peer("127.0.2.39", AGENT_PORT);
    peer.Expect([](PeerConnection& c) {
        c.Send("a\r\nbb\r\npartial");
        c.Close();
    });
    peer.Expect([](PeerConnection& c) {
        c.Send("a\r\n");
        c.Close();
    });
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.39", AGENT_PORT));
    ByteString line;
    EXPECT_EQ(socket.ReadHeaderLine(line, 5), 3);
    EXPECT_EQ(Bytes(line), "a\r\n");
    EXPECT_EQ(socket.ReadHeaderLine(line, 5), 4);
    EXPECT_EQ(Bytes(line), "bb\r\n");
    EXPECT_EQ(socket.ReadHeaderLine(line, 5), 0);
    EXPECT_TRUE(line.IsEmpty());

    // For the notification reader an orderly close is a failure.
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.39", AGENT_PORT));
    EXPECT_EQ(socket.ReadHeaderLine2(line, 5), 3);
    EXPECT_EQ(SocketFailure([&] { socket.ReadHeaderLine2(line, 5); }).GetErrorMessage(), u"ReadHeaderLine2 error");
}

TEST(CAgentSocket, NotificationBlocksArriveInOrder) {
    const std::string notice = "notify logon kim\r\n\r\n";
    const std::string call = "peercall kim instmsg " + std::string(3000, 'Q') + "\r\n\r\n";
    ScriptedPeer peer("127.0.2.40", AGENT_PORT);
    peer.Expect([&](PeerConnection& c) { c.Send(notice + call); });
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.40", AGENT_PORT));
    ByteString block;
    socket.ReadBlock(block, 0);
    EXPECT_EQ(Bytes(block), notice);
    socket.ReadBlock(block, 0);
    EXPECT_EQ(Bytes(block), call);
}

TEST(CAgentSocket, ShutdownFromAnotherThreadEndsABlockWaitWithoutLimit) {
    ScriptedPeer peer("127.0.2.41", AGENT_PORT);
    CAgentSocket socket;
    ASSERT_TRUE(socket.ConnectHost(u"127.0.2.41", AGENT_PORT));
    std::u16string failure;
    test::BlockingCall listener([&] {
        ByteString block;
        failure = SocketFailure([&] { socket.ReadBlock(block, 0); }).m_strOperation;
    });
    EXPECT_TRUE(listener.WaitUntilBlockedIn(test::POLL_CALLS));
    socket.Shutdown();
    listener.Join();
    EXPECT_EQ(failure, u"ReadHeaderLine2");
}

}  // namespace
}  // namespace nimbo
