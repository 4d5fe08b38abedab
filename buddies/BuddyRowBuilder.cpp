#include "buddies/BuddyRowBuilder.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"

namespace nimbo {
namespace {

using NamedGroup = std::pair<const std::u16string*, CBuddyGroup*>;

// Simple case folding of Latin Extended-A, where most capitals sit next to
// their small letter.
char16_t FoldLatinExtendedA(char16_t c) {
    if (c == 0x130 || c == 0x131 || c == 0x138)  // dotted/dotless i, kra: no simple pair
        return c;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x17F)
        return u's';
    bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    bool isCapital = (c % 2 == 1) == oddCapitals;
    return isCapital ? static_cast<char16_t>(c + 1) : c;
}

// Simple case folding of the cased letters the device code page can carry:
// ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and full-width Latin.
// Hangul and Han have no case.
char16_t FoldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x100 && c <= 0x17F)
        return FoldLatinExtendedA(c);
    if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A))
        return static_cast<char16_t>(c + 0x20);
    if (c == 0x3C2)  // final sigma
        return 0x3C3;
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 0x50);
    return c;
}

// Case-insensitive order; names equal but for case fall back to the exact
// text, so the order is total and never depends on the table's order.
bool NameBefore(std::u16string_view a, std::u16string_view b) {
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] == b[i])  // names of a long list share long beginnings
            continue;
        char16_t x = FoldCase(a[i]);
        char16_t y = FoldCase(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The groups shown with a header row, sorted. The no-group group is listed
// only once, after them, whatever its type.
std::vector<NamedGroup> ShownGroups(const CGroupTable& groups) {
    std::vector<NamedGroup> shown;
    for (const auto& [name, group] : groups) {
        if (group->type == 0 && name != NOGROUP_NAME)
            shown.emplace_back(&name, group.get());
    }
    std::sort(shown.begin(), shown.end(),
              [](const NamedGroup& a, const NamedGroup& b) { return NameBefore(*a.first, *b.first); });
    return shown;
}

void AppendMemberRows(const CBuddyGroup& group, int indent, const BuddyTable& buddies, std::vector<BuddyRow>& rows) {
    for (const std::u16string& userId : group.members) {
        if (const CBuddyInfo* info = buddies.Lookup(userId))
            rows.push_back({indent, nullptr, info});
    }
}

void AppendGroupRows(CBuddyGroup& group, const BuddyTable& buddies, std::vector<BuddyRow>& rows) {
    rows.push_back({0, &group, nullptr});
    if (group.expanded)
        AppendMemberRows(group, 1, buddies, rows);
}

}  // namespace

std::vector<BuddyRow> BuildBuddyRows(const CGroupTable& groups, const BuddyTable& buddies) {
    std::vector<BuddyRow> rows;
    // Usually one row per buddy and per group: one allocation for a long list.
    rows.reserve(buddies.Size() + groups.Size());
    for (const NamedGroup& named : ShownGroups(groups))
        AppendGroupRows(*named.second, buddies, rows);
    if (const CBuddyGroup* nogroup = groups.Lookup(NOGROUP_NAME))
        AppendMemberRows(*nogroup, 0, buddies, rows);
    return rows;
}

void ShowEveryoneOffline(std::vector<BuddyRow>& rows) {
    for (BuddyRow& row : rows)
        row.presenceKnown = false;
}

bool ToggleGroupRow(const BuddyRow& row) {
    if (row.group)
        row.group->expanded = row.group->expanded ? 0 : 1;
    return row.group != nullptr;
}

}  // namespace nimbo
