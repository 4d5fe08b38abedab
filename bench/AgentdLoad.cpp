// Load run of nimbo-agentd, driven by the client's own classes: clients
// signed in in steps up to --clients, each holding its notification
// connection, and at every step a batch of notes that go through the server
// exactly as the client sends them (a fresh command connection per note:
// connect, "auth", "peercall CALLEE instmsg BODY64", close), next to the
// same number of raw TCP connect + send + close on loopback as the baseline.
// Every note is counted at its callee's listener: lost, duplicated and
// misdelivered notes must all be 0. The server's resident memory is read at
// every step. Last comes a storm: --storm further users sign in for the
// first time all at once.
//
//   agentd_load [--agentd PATH] [--clients N] [--notes N] [--steps N]
//               [--storm N] [--storm-attempts N] [--senders N]
//               [--address ADDR] [--sink-address ADDR] [--table FILE]

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/LoadListener.h"
#include "bench/NoteTally.h"
#include "bench/SignInStorm.h"
#include "bench/TcpSink.h"
#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "net/CBlockingSocket.h"
#include "net/CBlockingSocketException.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/WireText.h"
#include "session/CAgentSocket.h"
#include "tests/support/AgentdProcess.h"

namespace {

using nimbo::ByteString;
using nimbo::bench::LoadListener;
using Clock = std::chrono::steady_clock;
using Listeners = std::vector<std::unique_ptr<LoadListener>>;

constexpr const char* PASSWORD = "load-test-pw";
constexpr int BUDDIES_PER_CLIENT = 10;
constexpr std::uint16_t SINK_PORT = 10000;
// Reader threads only read blocks: a small stack lets thousands run.
constexpr std::size_t THREAD_STACK = 256 * 1024;
// Once every note was sent, arrivals may pause this long before the notes
// still missing count as lost.
constexpr std::chrono::seconds ARRIVAL_QUIET{10};
// Once every raw connection was closed, the receiver may take this long to
// see them all end.
constexpr std::chrono::seconds SINK_WAIT{30};

struct Options {
    std::string agentd = nimbo::test::AgentdProcess::BuiltProgram();
    std::string address = "127.0.10.1";
    std::string sinkAddress = "127.0.10.2";
    std::string table;
    std::size_t clients = 2000;
    std::size_t notes = 100000;
    std::size_t steps = 4;
    std::size_t storm = 1000;
    std::size_t stormAttempts = 1;
    std::size_t senders = 8;
};

// One step: the clients signed in so far and what a batch of notes did.
struct Step {
    std::size_t clients = 0;
    double signInSeconds = 0;
    long residentKb = 0;
    std::size_t notes = 0;
    double rawSeconds = 0;
    double noteSeconds = 0;
    std::size_t refused = 0;
    double NoteRate() const { return static_cast<double>(notes - refused) / noteSeconds; }
    double RawRate() const { return static_cast<double>(notes) / rawSeconds; }
};

struct Figures {
    long idleKb = 0;
    std::vector<Step> steps;
    nimbo::bench::SignInStorm::Result storm;
    long stormKb = 0;
    std::size_t lost = 0;
    std::size_t duplicated = 0;
    std::size_t misdelivered = 0;
    std::size_t strays = 0;
    bool listenersHealthy = true;
    int serverExit = 0;
};

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

std::size_t Count(const char* option, const char* text, unsigned long long least) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (!*text || *end || value < least)
        throw std::invalid_argument(std::string(option) + " needs a number of at least " + std::to_string(least));
    return static_cast<std::size_t>(value);
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc)
            throw std::invalid_argument(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--agentd")
            options.agentd = value;
        else if (option == "--address")
            options.address = value;
        else if (option == "--sink-address")
            options.sinkAddress = value;
        else if (option == "--table")
            options.table = value;
        else if (option == "--clients")
            options.clients = Count("--clients", value, 2);
        else if (option == "--notes")
            options.notes = Count("--notes", value, 2);
        else if (option == "--steps")
            options.steps = Count("--steps", value, 1);
        else if (option == "--storm")
            options.storm = Count("--storm", value, 0);
        else if (option == "--storm-attempts")
            options.stormAttempts = Count("--storm-attempts", value, 1);
        else if (option == "--senders")
            options.senders = Count("--senders", value, 1);
        else
            throw std::invalid_argument("unknown option " + option);
    }
    if (options.steps > options.clients / 2)
        throw std::invalid_argument("--steps leaves fewer than 2 clients in a step");
    return options;
}

// Every client holds a notification connection and each note or raw
// connection in flight takes one more: the usual limit of 1024 descriptors
// is far too low.
void PrepareProcess(const Options& options) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t needed = options.clients + options.storm + 4 * options.senders + 64;
    if (limit.rlim_cur < needed)
        throw std::runtime_error("the descriptor limit " + std::to_string(limit.rlim_cur) + " is below the " +
                                 std::to_string(needed) + " this run needs (ulimit -Hn)");
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, THREAD_STACK);
    pthread_setattr_default_np(&attributes);
    pthread_attr_destroy(&attributes);
}

// The server's own bounds, raised for the run: every client and storm user
// holds a notification connection, and they all come from one address.
std::vector<std::string> ServerOptions(const Options& options) {
    const std::string connections = std::to_string(2 * (options.clients + options.storm) + 4 * options.senders + 64);
    return {"--max-connections", connections, "--max-per-address", connections};
}

// Runs `work(i)` for i = first .. last-1 spread over `threads` threads.
void Spread(std::size_t threads, std::size_t first, std::size_t last, const std::function<void(std::size_t)>& work) {
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (std::size_t i = first + t; i < last; i += threads)
                work(i);
        });
    }
    for (auto& worker : workers)
        worker.join();
}

std::string UserId(std::size_t index) {
    char id[32];
    std::snprintf(id, sizeof id, "load%05zu", index);
    return id;
}

ByteString NoteBody(std::size_t note) {
    static const std::string text = nimbo::server::WireText::ToWire(" 안녕하세요, 회의 자료를 보내 드렸습니다.");
    std::string body = "#" + std::to_string(note) + text;
    return ByteString(body.data(), static_cast<int>(body.size()));
}

ByteString Base64Of(const ByteString& bytes) {
    ByteString encoded;
    nimbo::base64::EncodeInto(bytes.c_str(), static_cast<std::size_t>(bytes.GetLength()), encoded);
    return encoded;
}

ByteString Password64() { return Base64Of(PASSWORD); }

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Adds the users straight to the directory, all with `password` (one slow
// hash serves them all), each with a group holding the next `buddies` users.
void CreateUsers(const std::string& database, const std::vector<std::string>& ids, const std::string& password,
                 int buddies) {
    nimbo::server::PasswordHash::Initialize();
    nimbo::server::Directory directory(database);
    const std::string hash = nimbo::server::PasswordHash::Make(password);
    for (const auto& id : ids)
        directory.AddUser({id, id, hash});
    for (std::size_t i = 0; i < ids.size(); ++i) {
        std::vector<std::string> members;
        for (int k = 1; k <= buddies; ++k)
            members.push_back(ids[(i + static_cast<std::size_t>(k)) % ids.size()]);
        directory.AddGroup(ids[i], "friends", 0, members);
    }
}

// The resident memory (VmRSS) of process `pid` in KiB; 0 when it is gone.
long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

class LoadRun {
public:
    explicit LoadRun(const Options& options)
        : m_options(options),
          m_server(options.address, options.agentd),
          m_tally(options.notes),
          m_callees(options.notes),
          m_sink(options.sinkAddress, SINK_PORT),
          m_sinkAddress(nimbo::CBlockingSocket::AddressFromDotted(options.sinkAddress.c_str(), SINK_PORT)) {
        std::vector<std::string> ids;
        for (std::size_t i = 0; i < options.clients + options.storm; ++i) {
            ids.push_back(UserId(i));
            m_listeners.push_back(std::make_unique<LoadListener>(ids.back(), static_cast<std::uint32_t>(i), m_tally));
        }
        CreateUsers(m_server.Database(), ids, PASSWORD, BUDDIES_PER_CLIENT);
    }

    Figures Run() {
        Figures figures;
        m_server.Start(ServerOptions(m_options));
        figures.idleKb = ResidentKilobytes(m_server.Pid());
        for (std::size_t step = 1; step <= m_options.steps; ++step)
            figures.steps.push_back(RunStep(step));
        if (m_options.storm > 0) {
            Listeners crowd;
            for (std::size_t i = m_options.clients; i < m_listeners.size(); ++i)
                crowd.push_back(std::move(m_listeners[i]));
            m_listeners.resize(m_options.clients);
            figures.storm = nimbo::bench::SignInStorm(Wide(m_options.address), Password64(),
                                                      static_cast<int>(m_options.stormAttempts))
                                .Run(crowd);
            figures.stormKb = ResidentKilobytes(m_server.Pid());
            std::move(crowd.begin(), crowd.end(), std::back_inserter(m_listeners));
        }
        for (const auto& listener : m_listeners)
            figures.listenersHealthy = figures.listenersHealthy && listener->Healthy();
        for (const auto& listener : m_listeners)
            listener->Stop();
        figures.serverExit = m_server.Stop();
        Tally(figures);
        return figures;
    }

private:
    Step RunStep(std::size_t step) {
        Step figures;
        figures.clients = m_options.clients * step / m_options.steps;
        Clock::time_point start = Clock::now();
        SignIn(m_signedIn, figures.clients);
        figures.signInSeconds = Seconds(Clock::now() - start);
        m_signedIn = figures.clients;
        figures.residentKb = ResidentKilobytes(m_server.Pid());
        const std::size_t first = m_options.notes * (step - 1) / m_options.steps;
        const std::size_t last = m_options.notes * step / m_options.steps;
        figures.notes = last - first;
        figures.rawSeconds = RawTcpSeconds(figures.notes);
        SendNotes(first, last, figures);
        return figures;
    }

    // Signs clients first .. last-1 in, several at a time; the server pays
    // its slow password check once per user here.
    void SignIn(std::size_t first, std::size_t last) {
        std::vector<std::string> failures(last);
        Spread(m_options.senders, first, last, [&](std::size_t i) {
            if (m_listeners[i]->SignIn(Wide(m_options.address), Password64(), failures[i]))
                m_listeners[i]->Start();
        });
        for (const auto& failure : failures) {
            if (!failure.empty())
                throw std::runtime_error(failure);
        }
    }

    // The bytes of a note's two command lines, sent raw and closed, `count` times.
    double RawTcpSeconds(std::size_t count) {
        ByteString payload;
        payload.Format("auth load00000 %s \r\npeercall load00001 instmsg %s\r\n", Password64().c_str(),
                       Base64Of(NoteBody(0)).c_str());
        const std::size_t before = m_sink.Finished();
        std::atomic<std::size_t> failed{0};
        Clock::time_point start = Clock::now();
        Spread(m_options.senders, 0, count, [&](std::size_t) {
            if (!RawConnection(payload))
                ++failed;
        });
        Clock::time_point deadline = Clock::now() + SINK_WAIT;
        while (m_sink.Finished() - before + failed < count && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (m_sink.Finished() - before + failed < count)
            throw std::runtime_error("the baseline receiver did not see every connection end");
        if (failed > 0)
            throw std::runtime_error(std::to_string(failed.load()) + " raw TCP connections failed");
        return Seconds(Clock::now() - start);
    }

    bool RawConnection(const ByteString& payload) const {
        nimbo::CBlockingSocket socket;
        try {
            socket.Create(SOCK_STREAM);
            socket.Connect(m_sinkAddress);
            socket.SendAll(payload.c_str(), payload.GetLength(), nimbo::CAgentSocket::COMMAND_TIMEOUT);
        } catch (const nimbo::CBlockingSocketException&) {
            socket.CloseNoShutdown();
            return false;
        }
        socket.CloseNoShutdown();
        return true;
    }

    // Notes first .. last-1, note n from client n mod N to another of the N
    // clients signed in, all pairs in turn.
    void SendNotes(std::size_t first, std::size_t last, Step& figures) {
        const std::size_t clients = figures.clients;
        std::atomic<std::size_t> refused{0};
        Clock::time_point start = Clock::now();
        Spread(m_options.senders, first, last, [&](std::size_t note) {
            std::size_t caller = note % clients;
            std::size_t callee = (note + 1 + (note / clients) % (clients - 1)) % clients;
            m_callees[note] = static_cast<std::uint32_t>(callee);
            if (!SendNote(note, caller, callee))
                ++refused;
        });
        Clock::time_point sent = Clock::now();
        figures.refused = refused;
        m_accepted += figures.notes - figures.refused;
        m_tally.WaitFor(m_accepted, ARRIVAL_QUIET);
        figures.noteSeconds = Seconds(std::max(sent, m_tally.LastArrival()) - start);
    }

    // One note exactly as the client sends it.
    bool SendNote(std::size_t note, std::size_t caller, std::size_t callee) const {
        nimbo::CAgentSocket socket;
        ByteString from = UserId(caller).c_str();
        return socket.ConnectHost(Wide(m_options.address), nimbo::AGENT_PORT) &&
               socket.CmdAuth(from, Password64()) &&
               socket.CmdPeerCall(UserId(callee).c_str(), from, nimbo::PeerCallWord(nimbo::PeerCallKind::Note),
                                  NoteBody(note), nimbo::PeerCallForm::ThroughAgent);
    }

    void Tally(Figures& figures) const {
        std::size_t refused = 0;
        for (const Step& step : figures.steps)
            refused += step.refused;
        for (std::size_t note = 0; note < m_options.notes; ++note) {
            std::uint32_t count = m_tally.Count(note);
            if (count == 0)
                ++figures.lost;
            else if (count > 1)
                figures.duplicated += count - 1;
            if (count > 0 && m_tally.Receiver(note) != m_callees[note])
                ++figures.misdelivered;
        }
        figures.lost -= refused;
        figures.strays = m_tally.Strays();
    }

    const Options& m_options;
    nimbo::test::AgentdProcess m_server;
    nimbo::bench::NoteTally m_tally;
    std::vector<std::uint32_t> m_callees;  // by note number
    nimbo::bench::TcpSink m_sink;
    sockaddr_in m_sinkAddress;
    Listeners m_listeners;  // the clients, then the storm's users
    std::size_t m_signedIn = 0;
    std::size_t m_accepted = 0;
};

void Print(const Options& options, const Figures& figures) {
    std::printf("agentd_load: up to %zu signed-in clients in %zu steps, %zu notes, %zu sender threads, server on %s\n",
                options.clients, options.steps, options.notes, options.senders, options.address.c_str());
    std::printf("server idle: %ld KiB resident\n", figures.idleKb);
    std::printf("%8s %10s %11s %12s %12s %7s %11s\n", "clients", "sign-in s", "server KiB", "raw TCP /s",
                "notes /s", "ratio", "KiB/client");
    for (const Step& step : figures.steps) {
        std::printf("%8zu %10.1f %11ld %12.0f %12.0f %7.3f %11.1f\n", step.clients, step.signInSeconds,
                    step.residentKb, step.RawRate(), step.NoteRate(), step.NoteRate() / step.RawRate(),
                    static_cast<double>(step.residentKb - figures.idleKb) / static_cast<double>(step.clients));
    }
    if (options.storm > 0) {
        std::printf("storm: %zu first sign-ins at once with %zu clients signed in: %zu signed in, the last after "
                    "%.1f s; %zu attempts tried again; server then %ld KiB\n",
                    options.storm, options.clients, figures.storm.signedIn, Seconds(figures.storm.lastSignedIn),
                    figures.storm.retries, figures.stormKb);
        if (!figures.storm.firstFailure.empty())
            std::printf("storm: %zu gave up after %zu attempts, the first because: %s\n",
                        options.storm - figures.storm.signedIn, options.stormAttempts,
                        figures.storm.firstFailure.c_str());
    }
    std::size_t refused = 0;
    for (const Step& step : figures.steps)
        refused += step.refused;
    std::printf("refused %zu, lost %zu, duplicated %zu, misdelivered %zu, stray blocks %zu\n", refused, figures.lost,
                figures.duplicated, figures.misdelivered, figures.strays);
    std::printf("listeners %s; nimbo-agentd exit status %d\n",
                figures.listenersHealthy ? "held their connections" : "LOST a connection", figures.serverExit);
}

// One line per step for plotting: clients, server KiB, raw/s, notes/s.
void WriteTable(const std::string& path, const Figures& figures) {
    std::ofstream table(path);
    table << "# clients\tserver_kib\traw_per_s\tnotes_per_s\n0\t" << figures.idleKb << "\t\t\n";
    for (const Step& step : figures.steps)
        table << step.clients << '\t' << step.residentKb << '\t' << step.RawRate() << '\t' << step.NoteRate() << '\n';
    if (!table)
        throw std::runtime_error("cannot write " + path);
}

bool Clean(const Options& options, const Figures& figures) {
    bool refusedNone = true;
    for (const Step& step : figures.steps)
        refusedNone = refusedNone && step.refused == 0;
    return refusedNone && figures.storm.signedIn == options.storm && figures.lost == 0 && figures.duplicated == 0 &&
           figures.misdelivered == 0 && figures.strays == 0 && figures.listenersHealthy && figures.serverExit == 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Options options = Parse(argc, argv);
        PrepareProcess(options);
        Figures figures = LoadRun(options).Run();
        Print(options, figures);
        if (!options.table.empty())
            WriteTable(options.table, figures);
        return Clean(options, figures) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "agentd_load: %s\n", error.what());
        return 2;
    }
}
