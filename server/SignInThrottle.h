#pragma once

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/ServerConfig.h"

namespace nimbo::server {

// Slows password guessing down: failed sign-ins are counted per client
// address and per user ID (known or not, so that the answers tell nothing
// about which IDs exist), and a key with too many failures is locked for a
// growing interval, during which its attempts are refused without a check.
//
// An address from which a user signed in lately is exempt from that user's
// lock (not from its own), so that a stranger guessing at a user's ID does not
// lock the user out of the client it uses every day.
class SignInThrottle {
public:
    using Clock = std::chrono::steady_clock;

    explicit SignInThrottle(const SignInLimits& limits);

    // Whether an attempt to sign in as `userId` from `address` is refused now.
    bool Refuses(const std::string& address, const std::string& userId, Clock::time_point now) const;
    void Failed(const std::string& address, const std::string& userId, Clock::time_point now);
    void Succeeded(const std::string& address, const std::string& userId);

private:
    struct Record {
        int failures = 0;  // within the window that began at windowStart
        Clock::time_point windowStart;
        Clock::time_point lastFailure;
        Clock::time_point lockedUntil;
        int locks = 0;  // how often the key was locked; doubles the next lock
    };
    using Table = std::unordered_map<std::string, Record>;

    static bool IsLocked(const Table& table, const std::string& key, Clock::time_point now);
    void Count(Table& table, const std::string& key, Clock::time_point now);
    // Keeps the tables bounded: records quiet for long are forgotten.
    void Prune(Table& table, Clock::time_point now);

    SignInLimits m_limits;
    Table m_addresses;
    Table m_users;
    std::unordered_map<std::string, std::vector<std::string>> m_trusted;  // user ID: recent addresses
};

}  // namespace nimbo::server
