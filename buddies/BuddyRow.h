#pragma once

#include <string>

namespace nimbo {

struct CBuddyGroup;
struct CBuddyInfo;

// One row of the buddy list exactly as the list shows it.
struct BuddyRow {
    int image = 0;                 // 0/1 collapsed/expanded group header, 2..6 presence
    int indent = 0;                // 1 for buddies under a group header
    std::u16string text;           // column 0
    std::u16string message;        // column 1
    CBuddyGroup* group = nullptr;  // header rows
    CBuddyInfo* buddy = nullptr;   // buddy rows
};

}  // namespace nimbo
