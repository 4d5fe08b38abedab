#pragma once

#include <string>

namespace nimbo {

struct CBuddyGroup;
class CBuddyInfo;

// One row of the buddy list: its place (indent) and the record it shows.
// Image and texts are read from the record when the row is shown, so that
// rows for a long list cost no text and touch no record; the records stay
// unchanged between two refills.
struct BuddyRow {
    static constexpr int IMAGE_GROUP_COLLAPSED = 0;
    static constexpr int IMAGE_GROUP_EXPANDED = 1;

    // The pointers first: a long list's rows then take three words each.
    CBuddyGroup* group = nullptr;       // header rows
    const CBuddyInfo* buddy = nullptr;  // buddy rows
    int indent = 0;                     // 1 for buddies under a group header
    bool presenceKnown = true;          // false: the buddy shows as offline, without a message

    // The list image index: 0/1 collapsed/expanded group header, 2..6 presence.
    int Image() const;
    // Column 0: a header's group name; " ID" or " NAME(ID)" for a buddy.
    std::u16string Text() const;
    // Column 1: the status message of a buddy who is not offline.
    std::u16string Message() const;
};

}  // namespace nimbo
