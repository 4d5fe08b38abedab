#include "server/Authenticator.h"

#include <sodium.h>

#include <algorithm>

#include "net/Base64.h"
#include "server/Connection.h"
#include "server/Directory.h"
#include "server/PasswordHash.h"
#include "server/WireText.h"

namespace nimbo::server {

Authenticator::Authenticator(Directory& directory, const ServerConfig& config)
    : m_directory(directory),
      m_throttle(config.signInLimits),
      m_verifier(config.verifyThreads, config.maxQueuedChecks, config.passwordCheck) {}

std::optional<AuthOutcome> Authenticator::Begin(Connection& connection, AuthPurpose purpose, const ByteString& line) {
    std::string userId(line.Field(" ", 1).view());
    ByteString password64 = line.Field(" ", 2);
    const std::string& address = connection.PeerAddress();
    AuthOutcome outcome{connection.Id(), purpose, userId, AuthOutcome::Result::Refused};
    auto now = SignInThrottle::Clock::now();
    if (m_throttle.Refuses(address, userId, now))
        return outcome;
    // No stored password is longer than MAX_PASSWORD, so a longer one is
    // refused without paying the slow check.
    constexpr std::size_t MAX_PASSWORD64 = (WireText::MAX_PASSWORD + 2) / 3 * 4;
    if (!WireText::IsUserId(userId) || password64.IsEmpty() ||
        static_cast<std::size_t>(password64.GetLength()) > MAX_PASSWORD64 || !WireText::IsBase64(password64.view()))
        return Refuse(outcome, address);
    std::optional<Directory::User> user = m_directory.FindUser(userId);
    std::vector<unsigned char> bytes =
        base64::Decode(password64.c_str(), static_cast<std::size_t>(password64.GetLength()));
    std::string password(bytes.begin(), bytes.end());
    sodium_memzero(bytes.data(), bytes.size());
    const std::string& hash = user ? user->passwordHash : PasswordHash::Dummy();
    CredentialCache::Digest digest = m_cache.DigestOf(userId, password, hash);
    if (user && m_cache.Knows(userId, digest)) {
        sodium_memzero(password.data(), password.size());
        m_throttle.Succeeded(address, userId);
        outcome.result = AuthOutcome::Result::Accepted;
        return outcome;
    }
    std::uint64_t ticket = m_nextTicket++;
    if (!m_verifier.Submit(ticket, hash, std::move(password))) {
        outcome.result = AuthOutcome::Result::Busy;
        return outcome;
    }
    m_pending.emplace(ticket, Pending{outcome, address, user.has_value(), digest});
    connection.SetVerifying(true);
    return std::nullopt;
}

void Authenticator::Cancel(const Connection& connection) {
    auto found = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& entry) {
        return entry.second.outcome.connectionId == connection.Id();
    });
    if (found == m_pending.end())
        return;
    m_verifier.Cancel(found->first);
    m_pending.erase(found);
}

std::vector<AuthOutcome> Authenticator::TakeFinished() {
    std::vector<AuthOutcome> outcomes;
    for (const auto& result : m_verifier.TakeFinished()) {
        auto found = m_pending.find(result.ticket);
        if (found == m_pending.end())
            continue;
        Pending pending = std::move(found->second);
        m_pending.erase(found);
        if (result.matches && pending.knownUser) {
            m_cache.Remember(pending.outcome.userId, pending.digest);
            m_throttle.Succeeded(pending.address, pending.outcome.userId);
            pending.outcome.result = AuthOutcome::Result::Accepted;
            outcomes.push_back(std::move(pending.outcome));
        } else {
            outcomes.push_back(Refuse(std::move(pending.outcome), pending.address));
        }
    }
    return outcomes;
}

AuthOutcome Authenticator::Refuse(AuthOutcome outcome, const std::string& address) {
    m_throttle.Failed(address, WireText::IsUserId(outcome.userId) ? outcome.userId : std::string(),
                      SignInThrottle::Clock::now());
    outcome.result = AuthOutcome::Result::Refused;
    return outcome;
}

}  // namespace nimbo::server
