#include "server/AgentServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "server/Reply.h"
#include "server/ServerLog.h"

namespace nimbo::server {
namespace {

constexpr int ACCEPT_BATCH = 64;
// Without free descriptors accept() would fail at once on every round.
constexpr std::chrono::milliseconds ACCEPT_PAUSE{100};
// Poll entries before the connections: stop, verifier, the two listeners.
constexpr std::size_t FIXED_ENTRIES = 4;
// While password checks run, results are looked for at least this often, in
// case a wake-up was lost.
constexpr std::chrono::milliseconds CHECK_RESULTS_INTERVAL{100};

// Turns a boolean socket option on; false (errno set) when that failed.
bool SetOption(int fd, int level, int name) {
    int on = 1;
    return ::setsockopt(fd, level, name, &on, sizeof on) == 0;
}

const char* PortName(Connection::Port port) { return port == Connection::Port::Agent ? "agent" : "notification"; }

// accept4() would save two calls, but fault injection wraps accept() only.
int AcceptNonBlocking(int listener) {
    int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0)
        return fd;
    if (::fcntl(fd, F_SETFL, O_NONBLOCK) != 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

AgentServer::AgentServer(ServerConfig config, Directory& directory, ServerLog& log)
    : m_config(std::move(config)),
      m_log(log),
      m_hub(directory, m_presence, log, m_config.ackTimeout),
      m_authenticator(directory, m_config),
      m_commands(m_config, directory, m_presence, m_hub, m_authenticator, log),
      m_notifications(m_authenticator, m_hub, m_presence, log),
      m_stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!m_stop.IsValid())
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

AgentServer::~AgentServer() = default;

void AgentServer::Open() {
    m_agentListener = Listen(AGENT_PORT);
    m_notifyListener = Listen(m_config.notifyPort);
    m_log.Event("listening on " + m_config.listenAddress + " port " + std::to_string(AGENT_PORT) +
                " (agent) and port " + std::to_string(m_config.notifyPort) + " (notifications)" +
                (m_config.redirectHost.empty() ? "" : ", redirecting logins to " + m_config.redirectHost));
}

UniqueFd AgentServer::Listen(std::uint16_t port) const {
    std::string where = m_config.listenAddress + ":" + std::to_string(port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, m_config.listenAddress.c_str(), &address.sin_addr) != 1)
        throw std::invalid_argument("not a dotted IPv4 address: " + m_config.listenAddress);
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.IsValid())
        throw std::system_error(errno, std::generic_category(), "socket");
    if (!SetOption(fd.Get(), SOL_SOCKET, SO_REUSEADDR))
        throw std::system_error(errno, std::generic_category(), "setsockopt " + where);
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::system_error(errno, std::generic_category(), "bind " + where);
    if (::listen(fd.Get(), SOMAXCONN) != 0)
        throw std::system_error(errno, std::generic_category(), "listen " + where);
    return fd;
}

void AgentServer::Stop() noexcept {
    std::uint64_t one = 1;
    // The counter cannot overflow in practice, and a second stop request
    // finds the first one still pending.
    [[maybe_unused]] ssize_t written = ::write(m_stop.Get(), &one, sizeof one);
}

void AgentServer::Run() {
    while (WaitForEvents()) {
        HandleEvents();
        ExpireDeadlines();
        Reap();
        if (m_entries[1].revents || m_authenticator.HasPending())
            FinishAuths();
        for (const auto& [id, connection] : m_connections)
            Pump(*connection);
        for (const auto& [id, connection] : m_connections)
            connection->Flush();
        TendHub();
    }
    m_log.Event("shutting down");
    for (const auto& [id, connection] : m_connections) {
        connection->Abort("server shutting down");
        Forget(*connection);
        m_log.Event(*connection, "closed (server shutting down)");
    }
    m_connections.clear();
}

bool AgentServer::WaitForEvents() {
    bool accepting = Clock::now() >= m_acceptPausedUntil;
    m_entries.assign({{m_stop.Get(), POLLIN, 0},
                      {m_authenticator.WakeFd(), POLLIN, 0},
                      {accepting ? m_agentListener.Get() : -1, POLLIN, 0},
                      {accepting ? m_notifyListener.Get() : -1, POLLIN, 0}});
    m_polled.clear();
    for (const auto& [id, connection] : m_connections) {
        auto events =
            static_cast<short>((connection->WantsRead() ? POLLIN : 0) | (connection->WantsWrite() ? POLLOUT : 0));
        m_entries.push_back({connection->Fd(), events, 0});
        m_polled.push_back(connection.get());
    }
    while (::poll(m_entries.data(), m_entries.size(), PollTimeout()) < 0) {
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll");
    }
    return m_entries[0].revents == 0;
}

void AgentServer::HandleEvents() {
    if (m_entries[2].revents)
        Accept(m_agentListener.Get(), Connection::Port::Agent);
    if (m_entries[3].revents)
        Accept(m_notifyListener.Get(), Connection::Port::Notify);
    for (std::size_t i = 0; i < m_polled.size(); ++i) {
        if (m_entries[FIXED_ENTRIES + i].revents)
            Service(*m_polled[i], m_entries[FIXED_ENTRIES + i].revents);
    }
}

void AgentServer::Accept(int listener, Connection::Port port) {
    for (int i = 0; i < ACCEPT_BATCH; ++i) {
        UniqueFd fd(AcceptNonBlocking(listener));
        if (!fd.IsValid()) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_log.Event(std::string("accept error #") + std::to_string(errno) + " on the " + PortName(port) +
                            " port; pausing");
                m_acceptPausedUntil = Clock::now() + ACCEPT_PAUSE;
            }
            return;
        }
        // Without keep-alive a notification connection to a vanished device
        // would stay forever.
        if (!SetOption(fd.Get(), IPPROTO_TCP, TCP_NODELAY) ||
            (port == Connection::Port::Notify && !SetOption(fd.Get(), SOL_SOCKET, SO_KEEPALIVE))) {
            m_log.Event(std::string("setsockopt error #") + std::to_string(errno) + " on the " + PortName(port) +
                        " port; connection dropped");
            continue;
        }
        auto connection = std::make_unique<Connection>(std::move(fd), m_nextId++, port);
        if (m_connections.size() >= static_cast<std::size_t>(m_config.maxConnections)) {
            Refuse(*connection, "too many connections");
            continue;
        }
        int& fromAddress = m_perAddress[connection->PeerAddress()];
        if (fromAddress >= m_config.maxPerAddress) {
            Refuse(*connection, "too many connections from your address");
            continue;
        }
        ++fromAddress;
        m_log.Event(*connection, "accepted");
        m_connections.emplace(connection->Id(), std::move(connection));
    }
}

void AgentServer::Refuse(Connection& connection, const char* message) {
    connection.Send(Reply::Error(Reply::BUSY, message));
    connection.Flush();
    m_log.Event(connection, std::string("refused (") + message + ")");
}

void AgentServer::Service(Connection& connection, short events) {
    if (events & (POLLIN | POLLERR | POLLHUP)) {
        if (connection.WantsRead())
            connection.Receive();
        else if (events & (POLLERR | POLLHUP))
            connection.Abort("connection lost");
    }
    if (events & POLLOUT)
        connection.Flush();
}

void AgentServer::Pump(Connection& connection) {
    if (connection.GetPort() == Connection::Port::Notify && connection.IsAuthenticated())
        connection.DiscardInput();
    ByteString line;
    while (connection.IsOpen() && !connection.IsVerifying() && connection.PendingOutput() < connection.OutputLimit()) {
        Connection::LineStatus status = connection.TakeLine(line);
        if (status == Connection::LineStatus::None)
            break;
        if (status == Connection::LineStatus::TooLong) {
            connection.Send(Reply::Error(Reply::LINE_TOO_LONG, "line too long"));
            connection.CloseAfterFlush("line too long");
        } else if (status == Connection::LineStatus::ZeroByte) {
            connection.Send(Reply::Error(Reply::BAD_REQUEST, "zero byte in line"));
            connection.CloseAfterFlush("zero byte in line");
        } else if (connection.GetPort() == Connection::Port::Agent) {
            Guarded(connection, [&] { m_commands.HandleLine(connection, line); });
        } else {
            Guarded(connection, [&] { m_notifications.HandleLine(connection, line); });
        }
    }
    if (connection.IsOpen() && !connection.IsVerifying() && connection.InputClosed() && !connection.HasLine())
        connection.CloseAfterFlush(connection.HasInput() ? "closed by peer in mid-line" : "closed by peer");
}

void AgentServer::FinishAuths() {
    for (const auto& outcome : m_authenticator.TakeFinished()) {
        auto found = m_connections.find(outcome.connectionId);
        if (found == m_connections.end() || !found->second->IsOpen())
            continue;
        Connection& connection = *found->second;
        if (connection.GetPort() == Connection::Port::Agent)
            Guarded(connection, [&] { m_commands.FinishAuth(connection, outcome); });
        else
            Guarded(connection, [&] { m_notifications.FinishAuth(connection, outcome); });
    }
}

void AgentServer::Guarded(Connection& connection, const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        m_log.Event(connection, std::string("server failure: ") + error.what());
        connection.SetVerifying(false);
        connection.Send(Reply::Error(Reply::BUSY, "server failure"));
    }
}

void AgentServer::TendHub() {
    try {
        m_hub.Tend();
    } catch (const std::exception& error) {
        m_log.Event(std::string("server failure settling or handing over notes: ") + error.what());
    }
}

void AgentServer::ExpireDeadlines() {
    Clock::time_point now = Clock::now();
    for (const auto& [id, connection] : m_connections) {
        auto deadline = connection->Deadline(LineTimeouts());
        if (deadline && now >= *deadline)
            connection->Abort(connection->IsOpen() ? "idle" : "close timed out");
    }
}

void AgentServer::Reap() {
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection& connection = *it->second;
        if (!connection.IsDone()) {
            ++it;
            continue;
        }
        Forget(connection);
        m_log.Event(connection, "closed (" + connection.CloseReason() + ")");
        it = m_connections.erase(it);
    }
}

void AgentServer::Forget(Connection& connection) {
    if (connection.IsVerifying())
        m_authenticator.Cancel(connection);
    if (connection.GetPort() == Connection::Port::Notify && connection.IsAuthenticated())
        Guarded(connection, [&] { m_hub.Detach(connection); });
    auto count = m_perAddress.find(connection.PeerAddress());
    if (count != m_perAddress.end() && --count->second <= 0)
        m_perAddress.erase(count);
}

Connection::Timeouts AgentServer::LineTimeouts() const { return {m_config.firstLineTimeout, m_config.idleTimeout}; }

int AgentServer::PollTimeout() const {
    std::optional<Clock::time_point> earliest = m_hub.NextCheck();
    auto consider = [&](Clock::time_point when) {
        if (!earliest || when < *earliest)
            earliest = when;
    };
    if (Clock::now() < m_acceptPausedUntil)
        consider(m_acceptPausedUntil);
    if (m_authenticator.HasPending())
        consider(Clock::now() + CHECK_RESULTS_INTERVAL);
    for (const auto& [id, connection] : m_connections) {
        // What ended in the last round is reaped at once.
        if (connection->IsDone())
            return 0;
        if (auto deadline = connection->Deadline(LineTimeouts()))
            consider(*deadline);
    }
    if (!earliest)
        return -1;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(*earliest - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 60 * 60 * 1000));
}

}  // namespace nimbo::server
