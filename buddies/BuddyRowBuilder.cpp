#include "buddies/BuddyRowBuilder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"

namespace nimbo {
namespace {

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

// A shown group and its name folded to small letters, which it is sorted
// by: each name is folded once, not once per comparison. The key holds
// four folded units from where the names start to differ.
struct FoldedGroup {
    std::u16string_view folded;
    const std::u16string* name;
    CBuddyGroup* group;
    std::uint64_t key;
};

// Case-insensitive order; names equal but for case fall back to the exact
// text, so the order is total and never depends on the table's order.
bool NameBefore(const FoldedGroup& a, const FoldedGroup& b) {
    const std::size_t common = std::min(a.folded.size(), b.folded.size());
    std::size_t i = 0;
    while (i < common && a.folded[i] == b.folded[i])  // names of a long list share long beginnings
        ++i;
    if (i < common)
        return a.folded[i] < b.folded[i];
    return a.folded.size() != b.folded.size() ? a.folded.size() < b.folded.size() : *a.name < *b.name;
}

// Four units of `folded` from `from` on, the first in the highest bits and
// 0 past its end: a name that ends there sorts first, as NameBefore has it.
std::uint64_t KeyAt(std::u16string_view folded, std::size_t from) {
    std::uint64_t key = 0;
    for (std::size_t i = from; i < from + 4; ++i)
        key = (key << 16) | (i < folded.size() ? folded[i] : 0u);
    return key;
}

// The number of leading units all the names share.
std::size_t SharedBeginning(const std::vector<FoldedGroup>& groups) {
    if (groups.empty())
        return 0;
    std::size_t shared = groups.front().folded.size();
    for (const FoldedGroup& group : groups) {
        std::size_t i = 0;
        while (i < shared && i < group.folded.size() && group.folded[i] == groups.front().folded[i])
            ++i;
        shared = i;
    }
    return shared;
}

void FoldNames(std::vector<FoldedGroup>& shown, std::size_t foldedUnits, std::u16string& folds) {
    folds.resize(foldedUnits);
    std::size_t next = 0;
    for (FoldedGroup& group : shown) {
        std::transform(group.name->begin(), group.name->end(), folds.begin() + static_cast<std::ptrdiff_t>(next),
                       FoldCase);
        group.folded = std::u16string_view(folds).substr(next, group.name->size());
        next += group.name->size();
    }
    const std::size_t shared = SharedBeginning(shown);
    for (FoldedGroup& group : shown)
        group.key = KeyAt(group.folded, shared);
}

// The groups shown with a header row, sorted. The no-group group is listed
// only once, after them, whatever its type. The folded names lie in `folds`.
std::vector<FoldedGroup> ShownGroups(const CGroupTable& groups, std::u16string& folds) {
    std::vector<FoldedGroup> shown;
    std::size_t foldedUnits = 0;
    for (const auto& [name, group] : groups) {
        if (group->type == 0 && name != NOGROUP_NAME) {
            shown.push_back({{}, &name, group.get(), 0});
            foldedUnits += name.size();
        }
    }
    FoldNames(shown, foldedUnits, folds);
    std::sort(shown.begin(), shown.end(), [](const FoldedGroup& a, const FoldedGroup& b) {
        return a.key != b.key ? a.key < b.key : NameBefore(a, b);
    });
    return shown;
}

void AppendMemberRows(const CBuddyGroup& group, int indent, const BuddyTable& buddies, std::vector<BuddyRow>& rows) {
    std::size_t next = 0;
    for (std::u16string_view userId : group.members) {
        if (const CBuddyInfo* info = buddies.Lookup(userId, next))
            rows.push_back({.buddy = info, .indent = indent});
    }
}

void AppendGroupRows(CBuddyGroup& group, const BuddyTable& buddies, std::vector<BuddyRow>& rows) {
    rows.push_back({.group = &group});
    if (group.expanded)
        AppendMemberRows(group, 1, buddies, rows);
}

}  // namespace

std::vector<BuddyRow> BuildBuddyRows(const CGroupTable& groups, const BuddyTable& buddies) {
    std::vector<BuddyRow> rows;
    // Usually one row per buddy and per group: one allocation for a long list.
    rows.reserve(buddies.Size() + groups.Size());
    std::u16string folds;
    for (const FoldedGroup& shown : ShownGroups(groups, folds))
        AppendGroupRows(*shown.group, buddies, rows);
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
