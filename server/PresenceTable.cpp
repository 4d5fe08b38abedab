#include "server/PresenceTable.h"

#include <algorithm>
#include <array>

namespace nimbo::server {

bool PresenceTable::IsStatusWord(std::string_view word) {
    static constexpr std::array<std::string_view, 6> WORDS = {"online", "absence", "busy", "food", "denial", OFFLINE};
    return std::find(WORDS.begin(), WORDS.end(), word) != WORDS.end();
}

PresenceTable::Entry PresenceTable::Of(const std::string& userId) const {
    auto found = m_entries.find(userId);
    return found == m_entries.end() ? Entry{} : found->second;
}

bool PresenceTable::Set(const std::string& userId, const std::string& word, const std::string& message64) {
    Entry& entry = m_entries[userId];
    if (entry.word == word && entry.message64 == message64)
        return false;
    entry.word = word;
    entry.message64 = message64;
    return true;
}

void PresenceTable::SetAddress(const std::string& userId, const std::string& address) {
    m_entries[userId].address = address;
}

}  // namespace nimbo::server
