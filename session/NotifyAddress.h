#pragma once

#include <optional>

#include "net/ByteString.h"

namespace nimbo {

// Where the notification server waits for this client's listener.
struct NotifyAddress {
    ByteString host;
    int port = 0;
};

// Reads the notification server from a login reply: its second line, when
// its text before the first "=" is "afw" (as in "afw=HOST:PORT"). The value ends at a further "=", the host at
// the first ":"; the port is the leading digits after that ":" (0 without
// any). Nothing when the line is missing or names another key.
std::optional<NotifyAddress> ParseNotifyAddress(const ByteString& loginReply);

}  // namespace nimbo
