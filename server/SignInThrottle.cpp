#include "server/SignInThrottle.h"

#include <algorithm>

namespace nimbo::server {
namespace {

// A key without failures for this long starts afresh, its lock level too.
constexpr std::chrono::hours QUIET_RESET{1};
constexpr std::size_t PRUNE_AT = 100000;
constexpr std::size_t TRUSTED_PER_USER = 4;
// Locks double up to the longest; beyond this many the doubling has long
// reached any sensible longest lock.
constexpr int MAX_DOUBLINGS = 30;

}  // namespace

SignInThrottle::SignInThrottle(const SignInLimits& limits) : m_limits(limits) {}

bool SignInThrottle::Refuses(const std::string& address, const std::string& userId, Clock::time_point now) const {
    if (IsLocked(m_addresses, address, now))
        return true;
    auto trusted = m_trusted.find(userId);
    if (trusted != m_trusted.end() &&
        std::find(trusted->second.begin(), trusted->second.end(), address) != trusted->second.end())
        return false;
    return IsLocked(m_users, userId, now);
}

void SignInThrottle::Failed(const std::string& address, const std::string& userId, Clock::time_point now) {
    Count(m_addresses, address, now);
    if (!userId.empty())
        Count(m_users, userId, now);
}

void SignInThrottle::Succeeded(const std::string& address, const std::string& userId) {
    m_users.erase(userId);
    std::vector<std::string>& addresses = m_trusted[userId];
    auto found = std::find(addresses.begin(), addresses.end(), address);
    if (found != addresses.end())
        addresses.erase(found);
    else if (addresses.size() == TRUSTED_PER_USER)
        addresses.erase(addresses.begin());
    addresses.push_back(address);
}

bool SignInThrottle::IsLocked(const Table& table, const std::string& key, Clock::time_point now) {
    auto found = table.find(key);
    return found != table.end() && now < found->second.lockedUntil;
}

void SignInThrottle::Count(Table& table, const std::string& key, Clock::time_point now) {
    if (table.size() >= PRUNE_AT)
        Prune(table, now);
    auto [found, fresh] = table.try_emplace(key);
    Record& record = found->second;
    if (fresh || now - record.lastFailure >= QUIET_RESET) {
        record = Record{};
        record.windowStart = now;
    } else if (now - record.windowStart >= m_limits.window) {
        record.windowStart = now;
        record.failures = 0;
    }
    record.lastFailure = now;
    if (++record.failures < m_limits.failures)
        return;
    auto lock = m_limits.firstLock * (std::int64_t{1} << std::min(record.locks, MAX_DOUBLINGS));
    record.lockedUntil = now + std::min(lock, m_limits.longestLock);
    ++record.locks;
}

void SignInThrottle::Prune(Table& table, Clock::time_point now) {
    std::erase_if(table, [&](const auto& entry) {
        return now >= entry.second.lockedUntil && now - entry.second.windowStart >= m_limits.window;
    });
}

}  // namespace nimbo::server
