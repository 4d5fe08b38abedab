#pragma once

#include <string>
#include <string_view>

namespace nimbo {

struct CBuddyGroup;
struct CBuddyInfo;

// One row of the buddy list. A row holds no text: what it shows is read
// from the record it refers to when it is shown, so that rows for a long
// list cost no text at all. The records stay unchanged between two refills.
struct BuddyRow {
    int image = 0;                 // 0/1 collapsed/expanded group header, 2..6 presence
    int indent = 0;                // 1 for buddies under a group header
    CBuddyGroup* group = nullptr;  // header rows
    CBuddyInfo* buddy = nullptr;   // buddy rows

    // Column 0: a header's group name; " ID" or " NAME(ID)" for a buddy.
    std::u16string Text() const;
    // Column 1: the status message of a buddy who is not offline.
    std::u16string_view Message() const;
};

}  // namespace nimbo
