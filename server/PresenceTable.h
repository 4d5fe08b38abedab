#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace nimbo::server {

// What clients have said about themselves since the server started: presence
// word, status message and the address they last came from. Nothing of it is
// stored; after a restart everybody is offline until their client says
// otherwise.
class PresenceTable {
public:
    static constexpr const char* OFFLINE = "offline";
    static constexpr const char* UNKNOWN_ADDRESS = "0.0.0.0";

    struct Entry {
        std::string word = OFFLINE;
        std::string message64;  // Base64 as the client sent it; may be empty
        std::string address = UNKNOWN_ADDRESS;
    };

    // The six words of the wire: "online", "absence", "busy", "food",
    // "denial", "offline".
    static bool IsStatusWord(std::string_view word);

    // The user's entry; offline, without message or address when unknown.
    Entry Of(const std::string& userId) const;
    // True when the word or the message changed.
    bool Set(const std::string& userId, const std::string& word, const std::string& message64);
    void SetAddress(const std::string& userId, const std::string& address);

private:
    std::unordered_map<std::string, Entry> m_entries;
};

}  // namespace nimbo::server
