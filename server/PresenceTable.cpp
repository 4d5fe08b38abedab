#include "server/PresenceTable.h"

namespace nimbo::server {

PresenceTable::Entry PresenceTable::Of(const std::string& userId) const {
    auto found = m_entries.find(userId);
    return found == m_entries.end() ? Entry{} : found->second;
}

bool PresenceTable::Set(const std::string& userId, LogonStatus status, const std::string& message64) {
    Entry& entry = m_entries[userId];
    if (entry.status == status && entry.message64 == message64)
        return false;
    entry.status = status;
    entry.message64 = message64;
    return true;
}

void PresenceTable::SetAddress(const std::string& userId, const std::string& address) {
    m_entries[userId].address = address;
}

}  // namespace nimbo::server
