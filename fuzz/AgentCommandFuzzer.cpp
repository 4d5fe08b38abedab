// Feeds arbitrary bytes to nimbo-agentd's command-line parser and then to its
// command handling, in process and without sockets: the bytes up to the first
// zero byte are the command line's words, one per line; every later line goes
// to one of four connections (two on the agent port, two on the notification
// port) chosen by its first byte, as the event loop would hand it over. Every
// command on the agent port must be answered.
#include <poll.h>
#include <sodium.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "server/Authenticator.h"
#include "server/CommandHandler.h"
#include "server/CommandLine.h"
#include "server/Connection.h"
#include "server/Directory.h"
#include "server/NotificationHandler.h"
#include "server/NotificationHub.h"
#include "server/PresenceTable.h"
#include "server/ServerLog.h"

namespace {

using namespace nimbo;
using namespace nimbo::server;

constexpr int CONNECTIONS = 4;
constexpr int RESULT_WAIT_MS = 10000;

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Cheap hashes, so that a check costs microseconds; the unknown users' dummy
// hash is never really checked.
const std::vector<Directory::User>& Users() {
    static const std::vector<Directory::User> users = [] {
        std::vector<Directory::User> made;
        for (const char* id : {"alice", "bob", "carol"}) {
            std::string password = std::string("pw-") + id[0];
            char hash[crypto_pwhash_STRBYTES];
            Check(sodium_init() >= 0 && crypto_pwhash_str(hash, password.data(), password.size(),
                                                           crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN) == 0);
            made.push_back({id, id, hash});
        }
        return made;
    }();
    return users;
}

bool CheapCheck(const std::string& hash, std::string_view password) {
    for (const auto& user : Users()) {
        if (user.passwordHash == hash)
            return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
    }
    return false;
}

ServerConfig ParseCommandLine(std::string_view words) {
    std::vector<std::string> args = {"nimbo-agentd"};
    for (std::size_t start = 0; start <= words.size();) {
        std::size_t end = std::min(words.find('\n', start), words.size());
        args.emplace_back(words.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const auto& arg : args)
        argv.push_back(arg.c_str());
    try {
        return CommandLine::Parse(static_cast<int>(argv.size()), argv.data()).server;
    } catch (const std::invalid_argument&) {
        return {};
    }
}

// The server's objects around one directory, wired as AgentServer wires them.
class Server {
public:
    explicit Server(ServerConfig config)
        : m_config(std::move(config)),
          m_log(DevNull()),
          m_hub(m_directory, m_presence, m_log, m_config.ackTimeout),
          m_authenticator(m_directory, m_config),
          m_commands(m_config, m_directory, m_presence, m_hub, m_authenticator, m_log),
          m_notifications(m_authenticator, m_hub, m_presence, m_log) {
        for (const auto& user : Users())
            m_directory.AddUser(user);
        m_directory.AddGroup("alice", "friends", 0, {"bob", "carol"});
        for (int i = 0; i < CONNECTIONS; ++i)
            m_connections[static_cast<std::size_t>(i)] = Open(i);
    }
    ~Server() {
        for (auto& connection : m_connections)
            Forget(*connection);
    }

    void Handle(std::size_t which, const ByteString& line) {
        Connection& connection = *m_connections[which];
        std::size_t before = connection.PendingOutput();
        if (connection.GetPort() == Connection::Port::Agent)
            m_commands.HandleLine(connection, line);
        else
            m_notifications.HandleLine(connection, line);
        if (connection.IsVerifying())
            FinishAuth();
        if (connection.GetPort() == Connection::Port::Agent && !line.IsEmpty() && connection.IsOpen())
            Check(connection.PendingOutput() > before);
        m_hub.Tend();
        Reap();
    }

private:
    static std::FILE* DevNull() {
        static std::FILE* devNull = std::fopen("/dev/null", "w");
        return devNull;
    }
    std::unique_ptr<Connection> Open(int which) {
        auto port = which < CONNECTIONS / 2 ? Connection::Port::Agent : Connection::Port::Notify;
        return std::make_unique<Connection>(UniqueFd(), m_nextId++, port);
    }
    void FinishAuth() {
        pollfd wake{m_authenticator.WakeFd(), POLLIN, 0};
        Check(::poll(&wake, 1, RESULT_WAIT_MS) == 1);
        for (const auto& outcome : m_authenticator.TakeFinished()) {
            for (auto& connection : m_connections) {
                if (connection->Id() != outcome.connectionId)
                    continue;
                if (connection->GetPort() == Connection::Port::Agent)
                    m_commands.FinishAuth(*connection, outcome);
                else
                    m_notifications.FinishAuth(*connection, outcome);
            }
        }
    }
    // A connection that ended is replaced by a fresh one, as clients reconnect.
    void Reap() {
        for (int i = 0; i < CONNECTIONS; ++i) {
            auto& connection = m_connections[static_cast<std::size_t>(i)];
            if (connection->IsOpen())
                continue;
            Forget(*connection);
            connection = Open(i);
        }
    }
    void Forget(Connection& connection) {
        if (connection.IsVerifying())
            m_authenticator.Cancel(connection);
        if (connection.GetPort() == Connection::Port::Notify && connection.IsAuthenticated())
            m_hub.Detach(connection);
    }

    ServerConfig m_config;
    Directory m_directory{":memory:"};
    ServerLog m_log;
    PresenceTable m_presence;
    NotificationHub m_hub;
    Authenticator m_authenticator;
    CommandHandler m_commands;
    NotificationHandler m_notifications;
    std::uint64_t m_nextId = 1;
    std::array<std::unique_ptr<Connection>, CONNECTIONS> m_connections;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t zero = input.find('\0');
    ServerConfig config = ParseCommandLine(input.substr(0, zero));
    if (zero == std::string_view::npos)
        return 0;
    // One verifier thread suffices; nothing times out within a run.
    config.verifyThreads = 1;
    config.passwordCheck = &CheapCheck;
    config.ackTimeout = std::chrono::hours(1);
    Server server(config);
    std::string_view lines = input.substr(zero + 1);
    while (!lines.empty()) {
        std::size_t end = std::min(lines.find('\n'), lines.size());
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        // The loop never hands over a line with a zero byte, nor its CR.
        if (line.empty() || line.find('\0') != std::string_view::npos)
            continue;
        std::size_t which = static_cast<unsigned char>(line[0]) % CONNECTIONS;
        line.remove_prefix(1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        server.Handle(which, ByteString(line.data(), static_cast<int>(line.size())));
    }
    return 0;
}
