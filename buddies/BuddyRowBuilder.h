#pragma once

#include <vector>

#include "buddies/BuddyRow.h"
#include "buddies/BuddyTable.h"
#include "buddies/OwningTable.h"

namespace nimbo {

// The rows of the buddy list, in order: every group of type 0 sorted by name
// case-insensitively, each as a header row followed, when it is expanded, by
// one indented row per member that has a buddy record; then, without a
// header or indent, the members of the group named NOGROUP_NAME whatever its
// type or expanded flag. Rows point into the tables and stay valid until
// the tables change.
std::vector<BuddyRow> BuildBuddyRows(const CGroupTable& groups, const BuddyTable& buddies);

// The rows as a signed-out list shows them: no presence is current any more,
// so every buddy shows as offline and without a status message.
void ShowEveryoneOffline(std::vector<BuddyRow>& rows);

// A tap on a row: a header row's group is expanded or collapsed and true is
// returned (the rows must then be rebuilt); any other row changes nothing.
bool ToggleGroupRow(const BuddyRow& row);

}  // namespace nimbo
