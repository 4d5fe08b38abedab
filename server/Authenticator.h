#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/ByteString.h"
#include "server/CredentialCache.h"
#include "server/PasswordVerifier.h"
#include "server/ServerConfig.h"
#include "server/SignInThrottle.h"

namespace nimbo::server {

class Connection;
class Directory;

// What an identification was for, so that its outcome is answered right.
enum class AuthPurpose { Login, Command, Notify };

struct AuthOutcome {
    enum class Result { Accepted, Refused, Busy };

    std::uint64_t connectionId;
    AuthPurpose purpose;
    std::string userId;
    Result result;
};

// Checks the user ID and Base64 password of a "login" or "auth" line. A
// credential seen before is decided at once from the cache; malformed text
// and attempts the throttle refuses are refused at once; anything else goes
// to the verifier threads, an unknown user against a dummy hash of the same
// cost, and its outcome comes later from TakeFinished(). A full check queue
// is answered Busy at once.
class Authenticator {
public:
    explicit Authenticator(Directory& directory, const ServerConfig& config);

    // Reads words 1 and 2 of `line`. Returns the outcome when it is known at
    // once; otherwise marks the connection as verifying and returns nothing.
    std::optional<AuthOutcome> Begin(Connection& connection, AuthPurpose purpose, const ByteString& line);
    // Forgets the connection's check; a check no thread has taken yet is
    // dropped unrun.
    void Cancel(const Connection& connection);
    bool HasPending() const noexcept { return !m_pending.empty(); }
    int WakeFd() const noexcept { return m_verifier.WakeFd(); }
    std::vector<AuthOutcome> TakeFinished();

private:
    struct Pending {
        AuthOutcome outcome;
        std::string address;
        bool knownUser;
        CredentialCache::Digest digest;
    };

    AuthOutcome Refuse(AuthOutcome outcome, const std::string& address);

    Directory& m_directory;
    CredentialCache m_cache;
    SignInThrottle m_throttle;
    std::unordered_map<std::uint64_t, Pending> m_pending;  // by ticket
    std::uint64_t m_nextTicket = 1;
    PasswordVerifier m_verifier;  // last: its threads stop before the rest goes
};

}  // namespace nimbo::server
