#pragma once

#include <string>

namespace nimbo {

// One note or file offer from another user, queued by the notification
// listener until the user interface takes it.
struct PeerCallRecord {
    std::u16string strFrom;  // the caller's user ID
    std::u16string strKind;  // the PeerCallText of its PeerCallKind
    std::u16string strBody;  // the decoded body: the note, or the offer text

    bool operator==(const PeerCallRecord&) const = default;
};

}  // namespace nimbo
