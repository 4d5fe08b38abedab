#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "net/AgentProtocol.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/ChildProcess.h"

// nimbo-cli as a user runs it, against a scripted agent server on
// 127.0.6.N port 10000 with its notification server on port 10001.

namespace nimbo {
namespace {

using test::AcceptListener;
using test::AnswerCommands;
using test::AUTH_LINE;
using test::ChildProcess;
using test::ProcessRun;
using test::LOGIN_LINE;
using test::PeerConnection;
using test::ScriptedPeer;

constexpr int NOTIFY_PORT = 10001;

const std::string ONLINE = AUTH_LINE + "setlogonstat online UG9ja2V0UEM=\r\n";
const std::string STATUSES = AUTH_LINE + "getlogonstatall\r\n";
const std::string GROUPS = AUTH_LINE + "getgroup\r\n";
const std::string OFFLINE = AUTH_LINE + "setlogonstat offline \r\n";
const std::string LOGOUT = AUTH_LINE + "logout\r\n";

ProcessRun RunCli(const std::vector<std::string>& args, const std::string& input = "") {
    return test::RunProcess(NIMBO_CLI_PATH, args, input);
}

std::vector<std::string> Options(const std::string& address) {
    return {"--host", address, "--user", "kim", "--password", "pass"};
}

std::vector<std::string> With(std::vector<std::string> options, const std::vector<std::string>& command) {
    options.insert(options.end(), command.begin(), command.end());
    return options;
}

// Every exchange the agent server saw, in order; call it once the client
// has ended.
std::vector<std::string> Exchanges(ScriptedPeer& agent) {
    std::vector<std::string> exchanges;
    for (std::size_t i = 0; i < agent.ConnectionCount(); ++i)
        exchanges.push_back(agent.Received(i));
    return exchanges;
}

// An agent server for kim: lee (online, with a name and a message) and choi
// (offline) in the group 친구, yoon (online) in no group.
class CliServer {
public:
    explicit CliServer(const std::string& address, test::Script notifyScript = AcceptListener(),
                       std::map<std::string, std::string> replies = {})
        : agent(address, AGENT_PORT), notify(address, NOTIFY_PORT) {
        replies.emplace("login", test::LoginReply(address, NOTIFY_PORT));
        replies.emplace("getlogonstatall",
                        "OK\r\n"
                        "<b>lee\r\nonline\r\n10.0.0.7\r\n0\r\n0\r\n\xC0\xCC\xBC\xAD\xBF\xAC\r\nyLjAxyDB3w==</b>\r\n"
                        "<b>choi\r\noffline\r\n-\r\n0\r\n0\r\n\xC3\xD6\r\n\"\"</b>\r\n"
                        "<b>yoon\r\nonline</b>\r\n\r\n");
        replies.emplace("getgroup", "OK\r\n" +
                                        test::Base64Of("<group name=\"\xC4\xA3\xB1\xB8\" type=\"0\">\nlee\nchoi\n</group>\n"
                                                       "<group name=\"#$%NOGROUP@#$\" type=\"2\">\nyoon\n</group>\n") +
                                        "\r\n\r\n");
        agent.SetDefaultScript(AnswerCommands(std::move(replies)));
        notify.Expect(std::move(notifyScript));
    }

    ScriptedPeer agent;
    ScriptedPeer notify;
};

TEST(NimboCli, BuddiesPrintsEveryRowOfTheListAndLeavesThePresenceAlone) {
    CliServer server("127.0.6.100");
    // The password comes from the first line of standard input.
    ProcessRun run = RunCli({"--host", "127.0.6.100", "--user", "kim", "buddies"}, "pass\nnot read\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output,
              "1\t0\t친구\t\n"
              "2\t1\t 이서연(lee)\t회의 중\n"
              "3\t1\t 최(choi)\t\n"
              "2\t0\t yoon\t\n");
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Exchanges(server.agent), (std::vector<std::string>{LOGIN_LINE, STATUSES, GROUPS}));
}

TEST(NimboCli, NoteGoesOnTheWireInTheDeviceCodePage) {
    CliServer server("127.0.6.101");
    ProcessRun run = RunCli(With(Options("127.0.6.101"), {"note", "lee", "안녕하세요"}));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "");
    // It neither listens nor changes the presence, so it leaves without a
    // logout that would end the user's notification connection elsewhere.
    const std::string note = AUTH_LINE + "peercall lee instmsg " + test::KOREAN_HELLO_64 + "\r\n";
    EXPECT_EQ(Exchanges(server.agent), (std::vector<std::string>{LOGIN_LINE, note}));
    EXPECT_EQ(server.notify.ConnectionCount(), 0u);
}

TEST(NimboCli, RefusedNoteFailsWithAReason) {
    CliServer server("127.0.6.102", AcceptListener(), {{"peercall", "ERR 404\r\nmessage=no such user\r\n\r\n"}});
    ProcessRun run = RunCli(With(Options("127.0.6.102"), {"note", "nobody", "hi"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "nimbo-cli: the note was not accepted: SendInstantMessage at 127.0.6.102: the server "
                          "refused: 404 no such user\n");
    EXPECT_EQ(Exchanges(server.agent).back(), AUTH_LINE + "peercall nobody instmsg aGk=\r\n");
}

TEST(NimboCli, FailedLoginExitsWithAReason) {
    ScriptedPeer refusing("127.0.6.103", AGENT_PORT);
    refusing.SetDefaultScript(AnswerCommands({{"login", "ERR 401\r\nmessage=wrong password\r\n\r\n"}}));
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.6.103", "the server refused: 401 wrong password"},
        {"127.0.6.104", "Connect error #111 (Connection refused)"},
    };
    for (const auto& [address, reason] : cases) {
        ProcessRun run = RunCli(With(Options(address), {"buddies"}));
        EXPECT_EQ(run.status, 1) << address;
        EXPECT_EQ(run.output, "") << address;
        EXPECT_EQ(run.errors, "nimbo-cli: login failed: Login at " + std::string(address) + ": " + reason + "\n");
    }
}

TEST(NimboCli, CommandLinesItCannotReadGiveTheUsage) {
    const std::vector<std::vector<std::string>> commandLines = {
        {},
        {"buddies"},
        {"--user", "kim"},
        {"--user", "kim", "dance"},
        {"--user", "kim", "--colour", "buddies"},
        {"--user", "kim", "--host"},
        {"--user", "kim", "buddies", "extra"},
        {"--user", "kim", "note", "lee"},
        {"--user", "kim", "note", "lee", "hi", "again"},
        {"--user", "kim", "listen", "--seconds"},
        {"--user", "kim", "listen", "--seconds", "soon"},
        {"--user", "kim", "listen", "--forever"},
        {"--user", "kim", "listen", "--accept-files"},
        {"--user", "kim", "send-file", "lee"},
        {"--user", "kim", "send-file", "lee", "a.txt", "b.txt"},
        {"--user", "kim", "send-file", "lee", "a.txt", "--seconds", "soon"},
    };
    for (const auto& commandLine : commandLines) {
        ProcessRun run = RunCli(commandLine);
        std::string shown = commandLine.empty() ? "(none)" : commandLine.back();
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.output, "") << shown;
        EXPECT_NE(run.errors.find("usage: nimbo-cli [--host HOST] --user ID"), std::string::npos) << shown;
    }
}

TEST(NimboCli, HelpAndVersionAnswerWithoutSigningIn) {
    ProcessRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: nimbo-cli [--host HOST] --user ID", 0), 0u);
    ProcessRun version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "nimbo-cli " NIMBO_VERSION "\n");
}

TEST(NimboCli, ListenPrintsEachEventUntilTerminated) {
    const std::string note = test::KOREAN_HELLO + "\n\xB5\xD1\t\\";  // 안녕하세요, a line break, 둘, a tab, a backslash
    const std::string offer = "<10.0.0.5><9042><\xBB\xE7\xC1\xF8.jpg><1500>";  // 사진.jpg
    CliServer server("127.0.6.105", AcceptListener([&](PeerConnection& c) {
                         c.Send("peercall lee instmsg " + test::Base64Of(note) + " kim\r\n\r\n" +
                                "peercall park ftp " + test::Base64Of(offer) + " kim\r\n\r\n" +
                                "notify logon yoon\r\n\r\n");
                     }));
    ChildProcess cli(NIMBO_CLI_PATH, With(Options("127.0.6.105"), {"listen"}));
    EXPECT_EQ(cli.ReadLine(), "note\tlee\t안녕하세요\\n둘\\t\\\\");
    EXPECT_EQ(cli.ReadLine(), "offer\tpark\t사진.jpg\t1500\t10.0.0.5\t9042");
    EXPECT_EQ(cli.ReadLine(), "logon");
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0) << cli.Errors();
    EXPECT_EQ(cli.Output(), "");
    EXPECT_EQ(Exchanges(server.agent),
              (std::vector<std::string>{LOGIN_LINE, ONLINE, STATUSES, GROUPS, STATUSES, GROUPS, OFFLINE, LOGOUT}));
}

TEST(NimboCli, ListenEndsByItselfAfterItsSeconds) {
    CliServer server("127.0.6.106");
    ProcessRun run = RunCli(With(Options("127.0.6.106"), {"listen", "--seconds", "1"}));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(Exchanges(server.agent), (std::vector<std::string>{LOGIN_LINE, ONLINE, STATUSES, GROUPS, OFFLINE, LOGOUT}));
}

TEST(NimboCli, ListenReportsALostNotificationConnection) {
    CliServer server("127.0.6.107", AcceptListener([](PeerConnection& c) { c.Close(); }));
    ProcessRun run = RunCli(With(Options("127.0.6.107"), {"listen"}));
    EXPECT_EQ(run.status, 3) << run.errors;
    EXPECT_EQ(run.output, "lost\n");
    // Like the buddy window, it tells the server nothing more.
    EXPECT_EQ(Exchanges(server.agent), (std::vector<std::string>{LOGIN_LINE, ONLINE, STATUSES, GROUPS}));
}

}  // namespace
}  // namespace nimbo
