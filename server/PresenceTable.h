#pragma once

#include <string>
#include <unordered_map>

#include "buddies/LogonStatus.h"

namespace nimbo::server {

// What clients have said about themselves since the server started: presence
// word, status message and the address they last came from. Nothing of it is
// stored; after a restart everybody is offline until their client says
// otherwise.
class PresenceTable {
public:
    static constexpr const char* UNKNOWN_ADDRESS = "0.0.0.0";

    struct Entry {
        LogonStatus status = LOGON_OFFLINE;
        std::string message64;  // Base64 as the client sent it; may be empty
        std::string address = UNKNOWN_ADDRESS;
    };

    // The user's entry; offline, without message or address when unknown.
    Entry Of(const std::string& userId) const;
    // True when the status or the message changed.
    bool Set(const std::string& userId, LogonStatus status, const std::string& message64);
    void SetAddress(const std::string& userId, const std::string& address);

private:
    std::unordered_map<std::string, Entry> m_entries;
};

}  // namespace nimbo::server
