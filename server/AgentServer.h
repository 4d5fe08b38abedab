#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/Authenticator.h"
#include "server/CommandHandler.h"
#include "server/Connection.h"
#include "server/NotificationHandler.h"
#include "server/NotificationHub.h"
#include "server/PresenceTable.h"
#include "server/ServerConfig.h"
#include "server/UniqueFd.h"

namespace nimbo::server {

class Directory;
class ServerLog;

// The agent server: one thread runs a poll() loop over the agent port, the
// notification port and every connection, all non-blocking, so that no
// client can hold up another. Only the slow password check runs elsewhere
// (Authenticator's threads). The directory is used from the loop's thread
// alone.
//
// Connections are bounded in all and per client address; a connection that
// does not complete its lines in time is closed.
class AgentServer {
public:
    AgentServer(ServerConfig config, Directory& directory, ServerLog& log);
    ~AgentServer();
    AgentServer(const AgentServer&) = delete;
    AgentServer& operator=(const AgentServer&) = delete;

    // Binds and listens on both ports; throws std::system_error naming the
    // failed call and the address.
    void Open();
    // Serves until Stop(); then closes every connection.
    void Run();
    // Ends Run(). Safe from any thread and from a signal handler.
    void Stop() noexcept;

private:
    using Clock = Connection::Clock;

    UniqueFd Listen(std::uint16_t port) const;
    // Polls the loop's descriptors; false when Stop() was called.
    bool WaitForEvents();
    void HandleEvents();
    void Accept(int listener, Connection::Port port);
    void Service(Connection& connection, short events);
    void Pump(Connection& connection);
    void FinishAuths();
    // Refuses a connection beyond a bound, with the reason.
    void Refuse(Connection& connection, const char* message);
    // Runs a handler step; a directory failure is answered and logged
    // instead of ending the server.
    void Guarded(Connection& connection, const std::function<void()>& step);
    // Settles acknowledged notes and hands kept ones over as readers catch
    // up; a directory failure is logged and the notes stay kept.
    void TendHub();
    void ExpireDeadlines();
    // Drops the connections that are done: their password checks are
    // cancelled and their undelivered notes go back to the box.
    void Reap();
    void Forget(Connection& connection);
    Connection::Timeouts LineTimeouts() const;
    int PollTimeout() const;

    ServerConfig m_config;
    ServerLog& m_log;
    PresenceTable m_presence;
    NotificationHub m_hub;
    Authenticator m_authenticator;
    CommandHandler m_commands;
    NotificationHandler m_notifications;
    UniqueFd m_stop;
    UniqueFd m_agentListener;
    UniqueFd m_notifyListener;
    Clock::time_point m_acceptPausedUntil{};
    std::uint64_t m_nextId = 1;
    std::map<std::uint64_t, std::unique_ptr<Connection>> m_connections;
    std::unordered_map<std::string, int> m_perAddress;  // open connections per peer address
    std::vector<pollfd> m_entries;    // of the last poll: fixed entries, then one per connection
    std::vector<Connection*> m_polled;  // the connections of those entries, in order
};

}  // namespace nimbo::server
