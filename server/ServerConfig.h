#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "net/AgentProtocol.h"

namespace nimbo::server {

// The notification port may be moved; the agent port (AGENT_PORT) may not,
// as clients know no other.
inline constexpr std::uint16_t DEFAULT_NOTIFY_PORT = 10001;
// A command connection (and a notification connection before its "auth")
// that sends nothing for this long is closed.
inline constexpr std::chrono::seconds COMMAND_IDLE_TIMEOUT{60};
inline constexpr int DEFAULT_MAX_CONNECTIONS = 1000;
inline constexpr int DEFAULT_VERIFY_THREADS = 2;

// How one server instance serves.
struct ServerConfig {
    std::string listenAddress = "127.0.0.1";  // dotted IPv4; "0.0.0.0" serves a network
    std::uint16_t notifyPort = DEFAULT_NOTIFY_PORT;
    std::string advertiseHost;  // named in "afw="; empty: the address the client reached
    std::string redirectHost;   // non-empty: every login is answered "ERR 202" naming it
    std::chrono::milliseconds idleTimeout = COMMAND_IDLE_TIMEOUT;
    int maxConnections = DEFAULT_MAX_CONNECTIONS;
    int verifyThreads = DEFAULT_VERIFY_THREADS;  // threads running the slow password check
};

}  // namespace nimbo::server
