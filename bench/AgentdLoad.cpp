// Load run of nimbo-agentd, driven by the client's own classes: many clients
// signed in at once, each holding its notification connection, while notes
// go through the server exactly as the client sends them (a fresh command
// connection per note: connect, "auth", "peercall CALLEE instmsg BODY64",
// close). Every note is counted at its callee's listener: lost, duplicated
// and misdelivered notes must all be 0. In the same run, the raw rate of
// TCP connect + send + close on loopback is measured as the baseline.
//
//   agentd_load [--agentd PATH] [--clients N] [--notes N] [--senders N]
//               [--address ADDR] [--sink-address ADDR]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/LoadListener.h"
#include "bench/NoteTally.h"
#include "bench/TcpSink.h"
#include "net/AgentProtocol.h"
#include "net/Base64.h"
#include "net/CBlockingSocket.h"
#include "net/CBlockingSocketException.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/ServerConfig.h"
#include "server/WireText.h"
#include "session/CAgentSocket.h"
#include "tests/support/AgentdProcess.h"

namespace {

using nimbo::ByteString;
using Clock = std::chrono::steady_clock;

constexpr const char* PASSWORD = "load-test-pw";
constexpr int BUDDIES_PER_CLIENT = 10;
constexpr std::uint16_t SINK_PORT = 10000;
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
    std::size_t clients = 200;
    std::size_t notes = 20000;
    std::size_t senders = 8;
};

struct Figures {
    double warmUpSeconds = 0;
    double rawSeconds = 0;
    double noteSeconds = 0;
    std::size_t accepted = 0;
    std::size_t refused = 0;
    std::size_t lost = 0;
    std::size_t duplicated = 0;
    std::size_t misdelivered = 0;
    std::size_t strays = 0;
    bool listenersHealthy = true;
    int serverExit = 0;
};

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

std::size_t Count(const char* option, const char* text) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (!*text || *end || value < 2)
        throw std::invalid_argument(std::string(option) + " needs a number of at least 2");
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
        else if (option == "--clients")
            options.clients = Count("--clients", value);
        else if (option == "--notes")
            options.notes = Count("--notes", value);
        else if (option == "--senders")
            options.senders = Count("--senders", value);
        else
            throw std::invalid_argument("unknown option " + option);
    }
    return options;
}

// Runs `work(i)` for i = 0 .. count-1 spread over `threads` threads.
void Spread(std::size_t threads, std::size_t count, const std::function<void(std::size_t)>& work) {
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (std::size_t i = t; i < count; i += threads)
                work(i);
        });
    }
    for (auto& worker : workers)
        worker.join();
}

std::string UserId(std::size_t index) {
    char id[32];
    std::snprintf(id, sizeof id, "load%04zu", index);
    return id;
}

// Note n goes from user n mod clients to another user, all pairs in turn.
std::size_t CallerOf(std::size_t note, std::size_t clients) { return note % clients; }
std::size_t CalleeOf(std::size_t note, std::size_t clients) {
    return (note + 1 + (note / clients) % (clients - 1)) % clients;
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

// Signs every client in, several at a time; the server pays its slow
// password check once per user here.
std::vector<std::unique_ptr<nimbo::bench::LoadListener>> SignIn(const Options& options,
                                                                nimbo::bench::NoteTally& tally) {
    std::vector<std::unique_ptr<nimbo::bench::LoadListener>> listeners;
    for (std::size_t i = 0; i < options.clients; ++i)
        listeners.push_back(std::make_unique<nimbo::bench::LoadListener>(UserId(i), static_cast<std::uint32_t>(i), tally));
    std::vector<std::string> failures(options.clients);
    Spread(options.senders, options.clients, [&](std::size_t i) {
        if (listeners[i]->SignIn(Wide(options.address), Password64(), failures[i]))
            listeners[i]->Start();
    });
    for (const auto& failure : failures) {
        if (!failure.empty())
            throw std::runtime_error(failure);
    }
    return listeners;
}

// The bytes a note's two command lines take, sent raw and closed.
bool RawConnection(const sockaddr_in& sink, const ByteString& payload) {
    nimbo::CBlockingSocket socket;
    try {
        socket.Create(SOCK_STREAM);
        socket.Connect(sink);
        socket.SendAll(payload.c_str(), payload.GetLength(), nimbo::CAgentSocket::COMMAND_TIMEOUT);
    } catch (const nimbo::CBlockingSocketException&) {
        socket.CloseNoShutdown();
        return false;
    }
    socket.CloseNoShutdown();
    return true;
}

double RawTcpSeconds(const Options& options) {
    nimbo::bench::TcpSink sink(options.sinkAddress, SINK_PORT);
    sockaddr_in where = nimbo::CBlockingSocket::AddressFromDotted(options.sinkAddress.c_str(), SINK_PORT);
    ByteString body64 = Base64Of(NoteBody(0));
    ByteString payload;
    payload.Format("auth load0000 %s \r\npeercall load0001 instmsg %s\r\n", Password64().c_str(), body64.c_str());
    Clock::time_point start = Clock::now();
    std::atomic<std::size_t> failed{0};
    Spread(options.senders, options.notes, [&](std::size_t) {
        if (!RawConnection(where, payload))
            ++failed;
    });
    Clock::time_point deadline = Clock::now() + SINK_WAIT;
    while (sink.Finished() + failed < options.notes && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (sink.Finished() + failed < options.notes)
        throw std::runtime_error("the baseline receiver did not see every connection end");
    if (failed > 0)
        throw std::runtime_error(std::to_string(failed.load()) + " raw TCP connections failed");
    return Seconds(Clock::now() - start);
}

// One note exactly as the client sends it.
bool SendNote(const Options& options, std::size_t note) {
    nimbo::CAgentSocket socket;
    ByteString caller = UserId(CallerOf(note, options.clients)).c_str();
    ByteString callee = UserId(CalleeOf(note, options.clients)).c_str();
    return socket.ConnectHost(Wide(options.address), nimbo::AGENT_PORT) &&
           socket.CmdAuth(caller, Password64()) &&
           socket.CmdPeerCall(callee, caller, nimbo::PeerCallWord(nimbo::PeerCallKind::Note), NoteBody(note),
                              nimbo::PeerCallForm::ThroughAgent);
}

void SendNotes(const Options& options, nimbo::bench::NoteTally& tally, Figures& figures) {
    Clock::time_point start = Clock::now();
    std::atomic<std::size_t> refused{0};
    Spread(options.senders, options.notes, [&](std::size_t note) {
        if (!SendNote(options, note))
            ++refused;
    });
    Clock::time_point sent = Clock::now();
    figures.refused = refused;
    figures.accepted = options.notes - figures.refused;
    tally.WaitFor(figures.accepted, ARRIVAL_QUIET);
    figures.noteSeconds = Seconds(std::max(sent, tally.LastArrival()) - start);
}

void Count(const Options& options, const nimbo::bench::NoteTally& tally, Figures& figures) {
    for (std::size_t note = 0; note < options.notes; ++note) {
        std::uint32_t count = tally.Count(note);
        if (count == 0)
            ++figures.lost;
        else if (count > 1)
            figures.duplicated += count - 1;
        if (count > 0 && tally.Receiver(note) != CalleeOf(note, options.clients))
            ++figures.misdelivered;
    }
    figures.lost -= figures.refused;
    figures.strays = tally.Strays();
}

void Print(const Options& options, const Figures& figures) {
    double rawRate = static_cast<double>(options.notes) / figures.rawSeconds;
    double noteRate = static_cast<double>(figures.accepted) / figures.noteSeconds;
    std::printf("agentd_load: %zu signed-in clients, %zu notes, %zu sender threads, server on %s\n", options.clients,
                options.notes, options.senders, options.address.c_str());
    std::printf("warm-up (sign-ins, slow password check once per user): %.2f s (not counted)\n",
                figures.warmUpSeconds);
    std::printf("raw TCP connect+send+close:  %zu in %.2f s = %.0f connections/s\n", options.notes,
                figures.rawSeconds, rawRate);
    std::printf("notes through nimbo-agentd:  %zu in %.2f s = %.0f notes/s\n", figures.accepted, figures.noteSeconds,
                noteRate);
    std::printf("ratio notes/raw TCP: %.3f\n", noteRate / rawRate);
    std::printf("refused %zu, lost %zu, duplicated %zu, misdelivered %zu, stray blocks %zu\n", figures.refused,
                figures.lost, figures.duplicated, figures.misdelivered, figures.strays);
    std::printf("listeners %s; nimbo-agentd exit status %d\n",
                figures.listenersHealthy ? "held their connections" : "LOST a connection", figures.serverExit);
}

bool Clean(const Figures& figures) {
    return figures.refused == 0 && figures.lost == 0 && figures.duplicated == 0 && figures.misdelivered == 0 &&
           figures.strays == 0 && figures.listenersHealthy && figures.serverExit == 0;
}

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

Figures Run(const Options& options) {
    Figures figures;
    nimbo::test::AgentdProcess server(options.address, options.agentd);
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < options.clients; ++i)
        ids.push_back(UserId(i));
    CreateUsers(server.Database(), ids, PASSWORD, BUDDIES_PER_CLIENT);
    // Every client of the load run comes from this one host.
    server.Start({"--max-per-address", std::to_string(nimbo::server::DEFAULT_MAX_CONNECTIONS)});
    nimbo::bench::NoteTally tally(options.notes);
    Clock::time_point start = Clock::now();
    auto listeners = SignIn(options, tally);
    figures.warmUpSeconds = Seconds(Clock::now() - start);
    figures.rawSeconds = RawTcpSeconds(options);
    SendNotes(options, tally, figures);
    for (const auto& listener : listeners)
        figures.listenersHealthy = figures.listenersHealthy && listener->Healthy();
    for (const auto& listener : listeners)
        listener->Stop();
    figures.serverExit = server.Stop();
    Count(options, tally, figures);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Options options = Parse(argc, argv);
        Figures figures = Run(options);
        Print(options, figures);
        return Clean(figures) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "agentd_load: %s\n", error.what());
        return 2;
    }
}
