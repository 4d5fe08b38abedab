#include "server/Authenticator.h"

#include <sodium.h>

#include "net/Base64.h"
#include "server/Connection.h"
#include "server/Directory.h"
#include "server/WireText.h"

namespace nimbo::server {

Authenticator::Authenticator(Directory& directory, int threads) : m_directory(directory), m_verifier(threads) {}

std::optional<AuthOutcome> Authenticator::Begin(Connection& connection, AuthPurpose purpose, const ByteString& line) {
    std::string userId(line.Field(" ", 1).view());
    ByteString password64 = line.Field(" ", 2);
    AuthOutcome outcome{connection.Id(), purpose, userId, false};
    // No stored password is longer than MAX_PASSWORD, so a longer one is
    // refused without paying the slow check.
    constexpr std::size_t MAX_PASSWORD64 = (WireText::MAX_PASSWORD + 2) / 3 * 4;
    if (!WireText::IsUserId(userId) || password64.IsEmpty() ||
        static_cast<std::size_t>(password64.GetLength()) > MAX_PASSWORD64 || !WireText::IsBase64(password64.view()))
        return outcome;
    std::optional<Directory::User> user = m_directory.FindUser(userId);
    if (!user)
        return outcome;
    std::vector<unsigned char> bytes =
        base64::Decode(password64.c_str(), static_cast<std::size_t>(password64.GetLength()));
    std::string password(bytes.begin(), bytes.end());
    sodium_memzero(bytes.data(), bytes.size());
    CredentialCache::Digest digest = m_cache.DigestOf(userId, password, user->passwordHash);
    if (m_cache.Knows(userId, digest)) {
        sodium_memzero(password.data(), password.size());
        outcome.accepted = true;
        return outcome;
    }
    std::uint64_t ticket = m_nextTicket++;
    m_pending.emplace(ticket, Pending{outcome, digest});
    m_verifier.Submit(ticket, user->passwordHash, std::move(password));
    connection.SetVerifying(true);
    return std::nullopt;
}

std::vector<AuthOutcome> Authenticator::TakeFinished() {
    std::vector<AuthOutcome> outcomes;
    for (const auto& result : m_verifier.TakeFinished()) {
        auto found = m_pending.find(result.ticket);
        if (found == m_pending.end())
            continue;
        Pending pending = std::move(found->second);
        m_pending.erase(found);
        if (result.matches)
            m_cache.Remember(pending.outcome.userId, pending.digest);
        pending.outcome.accepted = result.matches;
        outcomes.push_back(std::move(pending.outcome));
    }
    return outcomes;
}

}  // namespace nimbo::server
