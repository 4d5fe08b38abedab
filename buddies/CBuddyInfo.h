#pragma once

#include <string>

#include "buddies/LogonStatus.h"

namespace nimbo {

// One buddy as the status list describes it.
struct CBuddyInfo {
    std::u16string userId;  // also its key in the buddy table
    std::u16string displayName;
    std::u16string statusMessage;
    std::u16string address;  // the buddy's own listener for direct file offers
    int port = 0;            // 0: no own listener, offers go through the agent server
    int status = LOGON_OFFLINE;

    // Sets `status` from a wire status word; unknown words mean offline.
    void SetStatusWord(const char* word);
};

}  // namespace nimbo
