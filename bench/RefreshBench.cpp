// A refresh of a large buddy list, end to end, against the raw fetch of the
// same replies over loopback measured in the same run:
//
//   raw fetch      two connections as the refresh makes them ("auth" and
//                  "getlogonstatall", "auth" and "getgroup"), each reply read
//                  with plain recv() into a buffer of its known size;
//   refresh        the application's own: the list control keeping what it
//                  shows, AgentSession::GetLogonStatusTable (fetch and
//                  parse both documents), the list control's
//                  Refill and the event loop until the list is laid out and
//                  painted.
//
// From one round to the next every seventh buddy changes presence, as
// between two refreshes that logon notices bring, so each refresh repaints
// the rows in sight that changed.
//
// The client-side work is the refresh less the raw fetch; its ratio to the
// raw fetch has to stay at or below 1. The parts of that work are then timed
// on their own, from replies in memory; there the list is refilled as when
// every row changed, and repainted whole.
//
//   refresh_bench [--buddies N] [--groups N] [--rounds N] [--address ADDR]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BuddyListReplies.h"
#include "bench/ReplyServer.h"
#include "buddies/BuddyRowBuilder.h"
#include "buddies/GroupList.h"
#include "buddies/StatusList.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "shell/CBuddyListCtrl.h"
#include "shell/CNimboApp.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* PASSWORD = "bench-pw";
const std::string AUTH_LINE = "auth bench YmVuY2gtcHc= \r\n";  // Base64 of PASSWORD
const std::string ACCEPTED = "OK\r\n\r\n";
constexpr int WARM_UP_ROUNDS = 3;

struct Options {
    int buddies = 10000;
    int groups = 500;
    int rounds = 30;
    std::string address = "127.0.17.1";
};

int Number(const std::string& option, const char* text) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 1 || value > 1000000)
        throw std::invalid_argument(option + " needs a number from 1 to 1000000");
    return static_cast<int>(value);
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i += 2) {
        std::string option = argv[i];
        if (i + 1 >= argc)
            throw std::invalid_argument(option + " needs a value");
        if (option == "--buddies")
            options.buddies = Number(option, argv[i + 1]);
        else if (option == "--groups")
            options.groups = Number(option, argv[i + 1]);
        else if (option == "--rounds")
            options.rounds = Number(option, argv[i + 1]);
        else if (option == "--address")
            options.address = argv[i + 1];
        else
            throw std::invalid_argument("unknown option " + option);
    }
    return options;
}

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The processor time this thread has used, in the kernel included.
double ThreadCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double TimeOf(const std::function<void()>& work) {
    Clock::time_point start = Clock::now();
    work();
    return Milliseconds(Clock::now() - start);
}

void SendAll(int fd, const std::string& bytes) {
    if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("raw fetch: send failed");
}

void ReceiveExactly(int fd, std::string& buffer, std::size_t length) {
    buffer.resize(length);
    std::size_t received = 0;
    while (received < length) {
        ssize_t count = ::recv(fd, buffer.data() + received, length - received, 0);
        if (count <= 0)
            throw std::runtime_error("raw fetch: the reply ended early");
        received += static_cast<std::size_t>(count);
    }
}

// One command connection read with nothing but recv().
void RawExchange(const sockaddr_in& server, const std::string& command, std::size_t replyLength,
                 std::string& buffer) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (fd < 0 || ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        ::close(fd);
        throw std::runtime_error("raw fetch: connect failed");
    }
    SendAll(fd, AUTH_LINE);
    ReceiveExactly(fd, buffer, ACCEPTED.size());
    SendAll(fd, command);
    ReceiveExactly(fd, buffer, replyLength);
    ::close(fd);
}

sockaddr_in ServerAddress(const std::string& address) {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(nimbo::AGENT_PORT));
    ::inet_pton(AF_INET, address.c_str(), &server.sin_addr);
    return server;
}

struct Rounds {
    std::vector<double> raw, rawCpu, refresh, refreshCpu, keepShown, sessionRefresh, listUpdate, listRepaint, parseStatus, parseGroups, buildRows,
        fillList, paint;
};

class RefreshRun {
public:
    RefreshRun(const Options& options)
        : m_options(options),
          m_replies{{{options.buddies, options.groups}, {options.buddies, options.groups, true}}},
          m_server(options.address, nimbo::AGENT_PORT,
                   {{"login", ACCEPTED}, {"getgroup", std::string(m_replies[0].GroupReply().view())}}),
          m_where(ServerAddress(options.address)) {
        nimbo::g_strAgentHost.Set(std::u16string(options.address.begin(), options.address.end()));
        if (!m_session.Login(u"bench", u"bench-pw", nimbo::LoginListener::None))
            throw std::runtime_error("the bench server refused the login");
        m_list.resize(480, 600);
        m_list.show();
        QApplication::processEvents();
    }

    void Round(Rounds& rounds) {
        m_turned = !m_turned;
        m_server.SetReply("getlogonstatall", std::string(Replies().StatusReply().view()));
        const double rawCpuStart = ThreadCpuMilliseconds();
        rounds.raw.push_back(TimeOf([&] { RawFetch(); }));
        const double rawCpuEnd = ThreadCpuMilliseconds();
        rounds.rawCpu.push_back(rawCpuEnd - rawCpuStart);
        Clock::time_point start = Clock::now();
        // As the buddy window does: the list keeps what it shows while the
        // tables are emptied and refilled.
        m_list.KeepShown();
        const Clock::time_point kept = Clock::now();
        rounds.keepShown.push_back(Milliseconds(kept - start));
        if (!m_session.GetLogonStatusTable(true))
            throw std::runtime_error("the refresh was refused");
        const Clock::time_point fetched = Clock::now();
        rounds.sessionRefresh.push_back(Milliseconds(fetched - kept));
        m_list.Refill(m_session.GetGroupTable(), m_session.GetBuddyTable());
        const Clock::time_point refilled = Clock::now();
        QApplication::processEvents();
        const Clock::time_point shown = Clock::now();
        rounds.listRepaint.push_back(Milliseconds(shown - refilled));
        rounds.listUpdate.push_back(Milliseconds(shown - fetched));
        rounds.refresh.push_back(Milliseconds(shown - start));
        rounds.refreshCpu.push_back(ThreadCpuMilliseconds() - rawCpuEnd);
        CheckTables(m_session.GetGroupTable(), m_session.GetBuddyTable());
        // Tables of the last round are emptied and refilled, as a refresh does.
        nimbo::BuddyTable& buddies = m_buddies;
        nimbo::CGroupTable& groups = m_groups;
        rounds.parseStatus.push_back(TimeOf([&] {
            buddies.Clear();
            nimbo::ParseStatusList(Replies().StatusReply(), buddies);
        }));
        rounds.parseGroups.push_back(TimeOf([&] { nimbo::ParseGroupListReply(Replies().GroupReply(), groups); }));
        std::vector<nimbo::BuddyRow> rows;
        rounds.buildRows.push_back(TimeOf([&] { rows = nimbo::BuildBuddyRows(groups, buddies); }));
        rounds.fillList.push_back(TimeOf([&] { m_list.Refill(std::move(rows)); }));
        rounds.paint.push_back(TimeOf([&] { QApplication::processEvents(); }));
        CheckTables(groups, buddies);
        Fill(m_session.GetGroupTable(), m_session.GetBuddyTable());
    }

    std::size_t ReplyBytes() const {
        return static_cast<std::size_t>(Replies().StatusReply().GetLength() + Replies().GroupReply().GetLength());
    }

private:
    const nimbo::bench::BuddyListReplies& Replies() const { return m_replies[m_turned ? 1 : 0]; }

    void RawFetch() {
        RawExchange(m_where, "getlogonstatall\r\n", static_cast<std::size_t>(Replies().StatusReply().GetLength()),
                    m_buffer);
        RawExchange(m_where, "getgroup\r\n", static_cast<std::size_t>(Replies().GroupReply().GetLength()), m_buffer);
    }

    void Fill(const nimbo::CGroupTable& groups, const nimbo::BuddyTable& buddies) {
        m_list.Refill(groups, buddies);
        QApplication::processEvents();
    }

    void CheckTables(const nimbo::CGroupTable& groups, const nimbo::BuddyTable& buddies) const {
        if (buddies.Size() != static_cast<std::size_t>(m_options.buddies) ||
            groups.Size() != static_cast<std::size_t>(m_options.groups) + 1)
            throw std::runtime_error("the refresh did not read every buddy and group");
    }

    Options m_options;
    std::array<nimbo::bench::BuddyListReplies, 2> m_replies;
    bool m_turned = false;
    nimbo::bench::ReplyServer m_server;
    sockaddr_in m_where;
    std::string m_buffer;
    nimbo::AgentSession m_session;
    nimbo::BuddyTable m_buddies;
    nimbo::CGroupTable m_groups;
    nimbo::CBuddyListCtrl m_list;
};

void Print(const Options& options, std::size_t replyBytes, const Rounds& rounds) {
    double raw = Median(rounds.raw);
    double refresh = Median(rounds.refresh);
    double clientWork = refresh - raw;
    std::printf("refresh_bench: %d buddies in %d groups, %zu KB of replies, medians of %d rounds\n", options.buddies,
                options.groups, replyBytes / 1000, options.rounds);
    std::printf("raw fetch of both replies over loopback  %8.2f ms\n", raw);
    std::printf("refresh as the application does it      %8.2f ms\n", refresh);
    std::printf("  of which the list keeping what it shows %7.2f ms\n", Median(rounds.keepShown));
    std::printf("  of which the session's fetch and parse %8.2f ms\n", Median(rounds.sessionRefresh));
    std::printf("  of which the list's refill and repaint %8.2f ms\n", Median(rounds.listUpdate));
    std::printf("    of which the repaint                 %8.2f ms\n", Median(rounds.listRepaint));
    std::printf("client-side work (refresh - raw fetch)   %8.2f ms\n", clientWork);
    std::printf("  parse status list                      %8.2f ms\n", Median(rounds.parseStatus));
    std::printf("  parse group list reply                 %8.2f ms\n", Median(rounds.parseGroups));
    std::printf("  build rows                             %8.2f ms\n", Median(rounds.buildRows));
    std::printf("  fill the list control, every row anew  %8.2f ms\n", Median(rounds.fillList));
    std::printf("  lay out and paint every row in sight   %8.2f ms\n", Median(rounds.paint));
    std::printf("ratio client-side work / raw fetch: %.2f (goal <= 1.0)\n", clientWork / raw);
    // Processor time counts the client's own work and not the waits for
    // the server, which the machine's other work stretches.
    const double clientCpu = Median(rounds.refreshCpu) - Median(rounds.rawCpu);
    std::printf("processor time of the client: raw fetch %.2f ms, refresh %.2f ms; client-side work %.2f ms, "
                "ratio to the raw fetch: %.2f\n",
                Median(rounds.rawCpu), Median(rounds.refreshCpu), clientCpu, clientCpu / raw);
    // The fastest round of each is the least disturbed by other work on a
    // shared machine, where the medians wander.
    const double bestRaw = *std::min_element(rounds.raw.begin(), rounds.raw.end());
    const double bestRefresh = *std::min_element(rounds.refresh.begin(), rounds.refresh.end());
    std::printf("fastest rounds: raw fetch %.2f ms, refresh %.2f ms, ratio %.2f\n", bestRaw, bestRefresh,
                (bestRefresh - bestRaw) / bestRaw);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The list in the application's font.
    nimbo::CNimboApp::UseKoreanFamily();
    try {
        Options options = Parse(argc, argv);
        RefreshRun run(options);
        Rounds discarded;
        for (int i = 0; i < WARM_UP_ROUNDS; ++i)
            run.Round(discarded);
        Rounds rounds;
        for (int i = 0; i < options.rounds; ++i)
            run.Round(rounds);
        Print(options, run.ReplyBytes(), rounds);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "refresh_bench: %s\n", error.what());
        return 2;
    }
}
