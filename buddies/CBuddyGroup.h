#pragma once

#include <string>
#include <vector>

namespace nimbo {

// One buddy group of the user, as the group list document names it.
struct CBuddyGroup {
    std::u16string name;                  // also its key in the group table
    int type = 0;                         // 0, 1, or 2 for any other type text; only 0 is shown
    int expanded = 1;                     // non-zero: members are listed under the header
    std::vector<std::u16string> members;  // user IDs in document order, duplicates kept
};

}  // namespace nimbo
