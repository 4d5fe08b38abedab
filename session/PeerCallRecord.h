#pragma once

#include <chrono>
#include <string>

namespace nimbo {

// One note or file offer from another user, queued by the notification
// listener until the user interface takes it.
struct PeerCallRecord {
    std::u16string strFrom;  // the caller's user ID
    std::u16string strKind;  // the PeerCallText of its PeerCallKind
    std::u16string strBody;  // the decoded body: the note, or the offer text
    // When the listener read it; the peer sends no time of its own.
    std::chrono::system_clock::time_point receivedAt{};

    // Records are equal in what the peer sent; when they arrived is no part.
    bool operator==(const PeerCallRecord& other) const {
        return strFrom == other.strFrom && strKind == other.strKind && strBody == other.strBody;
    }
};

}  // namespace nimbo
