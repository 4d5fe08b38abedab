#pragma once

#include <string>

#include "buddies/MemberIds.h"

namespace nimbo {

// The group the server uses for buddies that belong to no group. The list
// shows its members after all groups, without a header.
inline constexpr char16_t NOGROUP_NAME[] = u"#$%NOGROUP@#$";

// One buddy group of the user, as the group list document names it.
struct CBuddyGroup {
    std::u16string name;                  // also its key in the group table
    int type = 0;                         // 0, 1, or 2 for any other type text; only 0 is shown
    int expanded = 1;                     // non-zero: members are listed under the header
    MemberIds members;                    // user IDs in document order, duplicates kept
};

}  // namespace nimbo
