#pragma once

#include <string_view>

namespace nimbo {

// Presence: an index into the status words that travel on the wire.
enum LogonStatus {
    LOGON_ONLINE = 0,
    LOGON_ABSENCE = 1,
    LOGON_BUSY = 2,
    LOGON_FOOD = 3,
    LOGON_DENIAL = 4,
    LOGON_OFFLINE = 5,
};

// The status text a fresh sign-in announces with LOGON_ONLINE.
inline constexpr char16_t ONLINE_STATUS_TEXT[] = u"PocketPC";

// The wire word of a status ("online" ... "offline"); out-of-range means offline.
const char* StatusWord(int status);

// The status of a wire word: exact, case-sensitive; any other word, or none
// (a null pointer), is offline.
LogonStatus StatusFromWord(const char* word);
// The same for a word of wire text, which ends at its first zero byte.
LogonStatus StatusFromWord(std::string_view word);

}  // namespace nimbo
