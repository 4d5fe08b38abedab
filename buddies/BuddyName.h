#pragma once

#include <string>

#include "buddies/BuddyTable.h"

namespace nimbo {

// How the user interface names another user: "NAME(ID)" when `buddies`
// holds a display name for `userId` other than the ID itself, the bare ID
// otherwise.
std::u16string BuddyName(const BuddyTable& buddies, const std::u16string& userId);

}  // namespace nimbo
