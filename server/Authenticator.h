#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/ByteString.h"
#include "server/CredentialCache.h"
#include "server/PasswordVerifier.h"

namespace nimbo::server {

class Connection;
class Directory;

// What an identification was for, so that its outcome is answered right.
enum class AuthPurpose { Login, Command, Notify };

struct AuthOutcome {
    std::uint64_t connectionId;
    AuthPurpose purpose;
    std::string userId;
    bool accepted;
};

// Checks the user ID and Base64 password of a "login" or "auth" line. A
// credential seen before is decided at once from the cache; an unknown user
// or malformed text is refused at once; anything else goes to the verifier
// threads and its outcome comes later from TakeFinished().
class Authenticator {
public:
    Authenticator(Directory& directory, int threads);

    // Reads words 1 and 2 of `line`. Returns the outcome when it is known at
    // once; otherwise marks the connection as verifying and returns nothing.
    std::optional<AuthOutcome> Begin(Connection& connection, AuthPurpose purpose, const ByteString& line);
    int WakeFd() const noexcept { return m_verifier.WakeFd(); }
    std::vector<AuthOutcome> TakeFinished();

private:
    struct Pending {
        AuthOutcome outcome;
        CredentialCache::Digest digest;
    };

    Directory& m_directory;
    CredentialCache m_cache;
    std::unordered_map<std::uint64_t, Pending> m_pending;
    std::uint64_t m_nextTicket = 1;
    PasswordVerifier m_verifier;  // last: its threads stop before the rest goes
};

}  // namespace nimbo::server
