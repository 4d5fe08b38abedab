#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/AgentProtocol.h"

namespace nimbo::server {

// The notification port may be moved; the agent port (AGENT_PORT) may not,
// as clients know no other.
inline constexpr std::uint16_t DEFAULT_NOTIFY_PORT = 10001;
// A connection must complete its first line this soon after it was accepted,
// so that sockets that never say anything cannot hold connection slots.
inline constexpr std::chrono::seconds FIRST_LINE_TIMEOUT{10};
// A command connection (and a notification connection before its "auth")
// that completes no line for this long is closed.
inline constexpr std::chrono::seconds COMMAND_IDLE_TIMEOUT{60};
// A notification connection whose peer acknowledges none of the notes
// written to it for this long is dropped, and the notes go back to the box.
inline constexpr std::chrono::seconds NOTE_ACK_TIMEOUT{60};
inline constexpr int DEFAULT_MAX_CONNECTIONS = 1000;
inline constexpr int DEFAULT_MAX_PER_ADDRESS = 32;
inline constexpr int DEFAULT_VERIFY_THREADS = 2;
// Password checks waiting for a verifier thread; a sign-in beyond them is
// answered as by a busy server at once.
inline constexpr int DEFAULT_MAX_QUEUED_CHECKS = 32;

// How failed sign-ins slow down further ones, per client address and per
// user ID: after `failures` failures within `window`, further attempts are
// refused without a check for `firstLock`, doubled with every lock that
// follows, up to `longestLock`.
struct SignInLimits {
    int failures = 5;
    std::chrono::milliseconds window = std::chrono::minutes(1);
    std::chrono::milliseconds firstLock = std::chrono::seconds(2);
    std::chrono::milliseconds longestLock = std::chrono::minutes(15);
};

// Whether a password matches a stored hash; PasswordHash::Matches unless a
// test puts something in between.
using PasswordCheck = std::function<bool(const std::string& hash, std::string_view password)>;

// How one server instance serves.
struct ServerConfig {
    std::string listenAddress = "127.0.0.1";  // dotted IPv4; "0.0.0.0" serves a network
    std::uint16_t notifyPort = DEFAULT_NOTIFY_PORT;
    std::string advertiseHost;  // named in "afw="; empty: the address the client reached
    std::string redirectHost;   // non-empty: every login is answered "ERR 202" naming it
    std::chrono::milliseconds firstLineTimeout = FIRST_LINE_TIMEOUT;
    std::chrono::milliseconds idleTimeout = COMMAND_IDLE_TIMEOUT;
    std::chrono::milliseconds ackTimeout = NOTE_ACK_TIMEOUT;
    int maxConnections = DEFAULT_MAX_CONNECTIONS;
    int maxPerAddress = DEFAULT_MAX_PER_ADDRESS;
    int verifyThreads = DEFAULT_VERIFY_THREADS;  // threads running the slow password check
    int maxQueuedChecks = DEFAULT_MAX_QUEUED_CHECKS;
    SignInLimits signInLimits;
    PasswordCheck passwordCheck;
};

}  // namespace nimbo::server
