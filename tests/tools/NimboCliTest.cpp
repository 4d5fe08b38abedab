#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/AgentProtocol.h"
#include "tests/support/AgentScripts.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/StreamBytes.h"

// nimbo-cli as a user runs it, against a scripted agent server on
// 127.0.6.N port 10000 with its notification server on port 10001, and
// scripted file senders from port 10010 on.

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
    // The server's words reach the terminal as text, never as its commands.
    CliServer server("127.0.6.102", AcceptListener(),
                     {{"peercall", "ERR 404\r\nmessage=no such\x1B[2J user\r\n\r\n"}});
    ProcessRun run = RunCli(With(Options("127.0.6.102"), {"note", "nobody", "hi"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "nimbo-cli: the note was not accepted: SendInstantMessage at 127.0.6.102: the server "
                          "refused: 404 no such\\x1b[2J user\n");
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
    // 안녕하세요, a line break, 둘, a tab, a backslash, a terminal command and DEL
    const std::string note = test::KOREAN_HELLO + "\n\xB5\xD1\t\\\x1B[2J\x7F";
    const std::string offer = "<10.0.0.5><9042><\xBB\xE7\xC1\xF8.jpg><1500>";  // 사진.jpg
    CliServer server("127.0.6.105", AcceptListener([&](PeerConnection& c) {
                         c.Send("peercall lee instmsg " + test::Base64Of(note) + " kim\r\n\r\n" +
                                "peercall park ftp " + test::Base64Of(offer) + " kim\r\n\r\n" +
                                "notify logon yoon\r\n\r\n");
                     }));
    ChildProcess cli(NIMBO_CLI_PATH, With(Options("127.0.6.105"), {"listen"}));
    EXPECT_EQ(cli.ReadLine(), "note\tlee\t안녕하세요\\n둘\\t\\\\\\x1b[2J\\x7f");
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

// What listen --accept-files receives, and where, from senders scripted on
// `address`: honest ones unless a test says otherwise.
class AcceptFixture {
public:
    static constexpr int FIRST_SENDER_PORT = 10010;
    static constexpr std::size_t END_MARKER_LENGTH = 14;

    explicit AcceptFixture(const std::string& address)
        : m_address(address), folder(std::filesystem::temp_directory_path() / ("nimbo-accept-" + address)) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~AcceptFixture() { std::filesystem::remove_all(folder); }

    // The notification block offering `name` of `size` bytes from park, to
    // be fetched from sender `index`.
    std::string Offer(int index, const std::string& name, std::size_t size) const {
        const std::string body = "<" + m_address + "><" + std::to_string(FIRST_SENDER_PORT + index) + "><" + name +
                                 "><" + std::to_string(size) + ">";
        return "peercall park ftp " + test::Base64Of(body) + " kim\r\n\r\n";
    }
    // Sender `index`: calls `begun` when the receiver has come, sends
    // `content` from the offset it is asked for once `after` is ready, and
    // waits for the end marker.
    ScriptedPeer& HonestSender(int index, std::string content, std::shared_future<void> after = Ready(),
                               std::function<void()> begun = [] {}) {
        return Sender(index, [content = std::move(content), after, begun](PeerConnection& c) {
            begun();
            c.Send(test::Word(static_cast<std::int64_t>(content.size())));
            after.wait();
            if (c.WaitForBytes(4) && test::WordValue(c.Received()) >= 0) {
                c.Send(content.substr(static_cast<std::size_t>(test::WordValue(c.Received()))));
                c.WaitForBytes(4 + END_MARKER_LENGTH);
            }
        });
    }
    static std::shared_future<void> Ready() {
        std::promise<void> ready;
        ready.set_value();
        return ready.get_future().share();
    }
    ScriptedPeer& Sender(int index, test::Script script) {
        auto& sender = m_senders.emplace_back(std::make_unique<ScriptedPeer>(m_address, FIRST_SENDER_PORT + index));
        sender->SetDefaultScript(std::move(script));
        return *sender;
    }

    std::vector<std::string> Listen(const std::vector<std::string>& options) const {
        std::vector<std::string> command = {"listen", "--accept-files", folder.string()};
        command.insert(command.end(), options.begin(), options.end());
        return With(Options(m_address), command);
    }
    std::string Read(const std::string& name) const {
        std::ostringstream bytes;
        bytes << std::ifstream(folder / name, std::ios::binary).rdbuf();
        return bytes.str();
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).string();
    }
    // The file line of `name` with `end`.
    std::string FileLine(const std::string& name, const std::string& end) const {
        return "file\t" + (folder / name).string() + "\t" + end;
    }

private:
    const std::string m_address;
    std::vector<std::unique_ptr<ScriptedPeer>> m_senders;

public:
    const std::filesystem::path folder;
};

// The next `count` lines of `cli` that start with `kind`, in sorted order
// (receives end in any order); the other lines are skipped.
std::vector<std::string> LinesOf(ChildProcess& cli, const std::string& kind, std::size_t count) {
    std::vector<std::string> lines;
    while (lines.size() < count) {
        const std::optional<std::string> line = cli.ReadLine();
        if (!line)
            break;
        if (line->starts_with(kind))
            lines.push_back(*line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A name in use is never replaced unasked, nor is a link followed.
TEST(NimboCli, AcceptedFilesTakeFreeNamesUnlessTheOptionsSayOtherwise) {
    struct Case {
        std::vector<std::string> options;
        std::string taken;  // where the offer of the existing a.txt went, and what it holds then
        std::string takenHolds;
    };
    const std::string content = test::Pattern(10000);
    const Case cases[] = {
        {{}, "a (1).txt", content},
        {{"--resume"}, "a.txt", "old" + content.substr(3)},
        {{"--replace"}, "a.txt", content},
    };
    int run = 0;
    for (const Case& c : cases) {
        const std::string address = "127.0.6.11" + std::to_string(run++);
        AcceptFixture accept(address);
        accept.Write("a.txt", "old");
        std::filesystem::create_symlink(accept.Write("elsewhere", "kept"), accept.folder / "link.txt");
        // The first receive runs until the third has begun, so the two never
        // write the same name.
        std::promise<void> thirdBegun;
        accept.HonestSender(0, content, thirdBegun.get_future().share());
        accept.HonestSender(1, content);
        accept.HonestSender(2, content, AcceptFixture::Ready(), [&] { thirdBegun.set_value(); });
        CliServer server(address, AcceptListener([&](PeerConnection& n) {
                             n.Send(accept.Offer(0, "a.txt", content.size()) +
                                    accept.Offer(1, "link.txt", content.size()) +
                                    accept.Offer(2, "../a.txt", content.size()));
                         }));
        ChildProcess cli(NIMBO_CLI_PATH, accept.Listen(c.options));
        const std::string third = c.taken == "a.txt" ? "a (1).txt" : "a (2).txt";
        std::vector<std::string> expected = {accept.FileLine(c.taken, "TE_RECV_DONE"),
                                             accept.FileLine("link (1).txt", "TE_RECV_DONE"),
                                             accept.FileLine(third, "TE_RECV_DONE")};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(LinesOf(cli, "file", 3), expected);
        cli.Signal(SIGTERM);
        EXPECT_EQ(cli.Wait(), 0) << cli.Errors();
        EXPECT_EQ(accept.Read(c.taken), c.takenHolds);
        EXPECT_EQ(accept.Read(third), content);
        EXPECT_EQ(accept.Read("link (1).txt"), content);
        EXPECT_EQ(accept.Read("elsewhere"), "kept");
        if (c.taken != "a.txt") {
            EXPECT_EQ(accept.Read("a.txt"), "old");
        }
    }
}

TEST(NimboCli, EveryFileTakenEndsWithOneLineAndOneNotReceivedFailsTheListen) {
    const std::string address = "127.0.6.113";
    AcceptFixture accept(address);
    const std::string content = test::Pattern(1000);
    accept.Sender(0, [&](PeerConnection& c) {  // closes halfway
        c.Send(test::Word(1000) + content.substr(0, 500));
        c.WaitForBytes(4);
        c.Close();
    });
    accept.Sender(1, [](PeerConnection& c) { c.Send(test::Word(999)); });  // not the offered size
    accept.Sender(2, [](PeerConnection& c) { c.WaitForClose(); });           // silent
    accept.HonestSender(3, test::Pattern(10000));                            // more than the disk takes
    CliServer server(address, AcceptListener([&](PeerConnection& n) {
                         n.Send(accept.Offer(0, "a.bin", 1000) + accept.Offer(1, "b.bin", 1000) +
                                accept.Offer(2, "c.bin", 1000) + accept.Offer(3, "d.bin", 10000));
                     }));
    // Files are cut at 4 KiB: a write beyond fails as on a full disk.
    const sighandler_t fileSizeSignal = signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> limited = {"--fsize=4096", NIMBO_CLI_PATH};
    const std::vector<std::string> listen = accept.Listen({});
    limited.insert(limited.end(), listen.begin(), listen.end());
    ChildProcess cli("/usr/bin/prlimit", limited);
    signal(SIGXFSZ, fileSizeSignal);
    EXPECT_EQ(LinesOf(cli, "file", 3), (std::vector<std::string>{accept.FileLine("a.bin", "TE_RECV_BROKEN"),
                                                                 accept.FileLine("b.bin", "TE_RECV_BROKEN"),
                                                                 accept.FileLine("d.bin", "TE_RECV_WRITE_FAILED")}));
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 1);
    EXPECT_EQ(cli.Output(), accept.FileLine("c.bin", "TE_RECV_CLOSED") + "\n");
    EXPECT_EQ(cli.Errors(), "파일 쓰기 오류가 발생하였습니다.\n사용 가능한 디스크 용량을 확인하십시오.\n"
                            "nimbo-cli: not every file taken was received\n");
    EXPECT_EQ(accept.Read("a.bin"), content.substr(0, 500));
    EXPECT_FALSE(std::filesystem::exists(accept.folder / "b.bin"));  // refused before anything was written
}

// The threads of a process, as the system counts them.
int ThreadCount(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Threads:"))
            return std::stoi(line.substr(8));
    }
    return -1;
}

TEST(NimboCli, ABurstOfOffersHoldsAFewReceivesAndLaterOffersStillArrive) {
    constexpr int BURST = 1000;
    constexpr int RUNNING = 4;  // receives held at once
    const std::string address = "127.0.6.114";
    AcceptFixture accept(address);
    const std::string content = test::Pattern(3000);
    std::promise<void> honestOffer;  // destroyed before the server, so that its script ends
    CliServer server(address, AcceptListener([&, due = honestOffer.get_future().share()](PeerConnection& n) {
                         std::string burst;
                         for (int i = 0; i < BURST; ++i)
                             burst += accept.Offer(0, "burst.bin", 100);
                         n.Send(burst);
                         due.wait();
                         n.Send(accept.Offer(1, "honest.bin", content.size()));
                     }));
    std::promise<void> release;  // destroyed before the senders, so that their scripts end
    accept.Sender(0, [held = release.get_future().share()](PeerConnection& c) {
        held.wait();
        c.Close();
    });
    accept.HonestSender(1, content);
    ChildProcess cli(NIMBO_CLI_PATH, accept.Listen({}));

    EXPECT_EQ(LinesOf(cli, "offer", BURST).size(), static_cast<std::size_t>(BURST));
    // The main thread, the signal watcher, the notification listener, the
    // receives, and one that a sanitizer may keep.
    EXPECT_LE(ThreadCount(cli.Pid()), 4 + RUNNING);
    release.set_value();
    EXPECT_EQ(LinesOf(cli, "file", RUNNING).size(), static_cast<std::size_t>(RUNNING));
    honestOffer.set_value();
    EXPECT_EQ(LinesOf(cli, "file", 1), std::vector<std::string>{accept.FileLine("honest.bin", "TE_RECV_DONE")});
    EXPECT_EQ(accept.Read("honest.bin"), content);
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 1);  // the held ones were not received
    std::istringstream errors(cli.Errors());
    int declined = 0;
    for (std::string line; std::getline(errors, line);)
        declined += line == "nimbo-cli: declined burst.bin from park: 4 files are being received" ? 1 : 0;
    EXPECT_EQ(declined, BURST - RUNNING);
}

// One refresh at once and one standing for the rest, at most one a second.
TEST(NimboCli, ABurstOfLogonNoticesIsFollowedByFewRefreshes) {
    constexpr int NOTICES = 50;
    const std::string address = "127.0.6.115";
    std::string burst;
    for (int i = 0; i < NOTICES; ++i)
        burst += "notify logon yoon\r\n\r\n";
    CliServer server(address, AcceptListener([&](PeerConnection& n) { n.Send(burst); }));
    const auto began = std::chrono::steady_clock::now();
    ChildProcess cli(NIMBO_CLI_PATH, With(Options(address), {"listen"}));
    EXPECT_EQ(LinesOf(cli, "logon", NOTICES).size(), static_cast<std::size_t>(NOTICES));
    // The sign-in took four connections, each refresh takes two.
    for (int wait = 0; wait < 3000 && server.agent.ConnectionCount() < 4 + 2 * 2; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0) << cli.Errors();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began);
    const std::vector<std::string> exchanges = Exchanges(server.agent);
    const auto refreshes = std::count(exchanges.begin(), exchanges.end(), STATUSES) - 1;
    EXPECT_GE(refreshes, 2);
    EXPECT_LE(refreshes, 2 + seconds.count());
}

}  // namespace
}  // namespace nimbo
