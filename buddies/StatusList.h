#pragma once

#include "buddies/BuddyTable.h"
#include "net/ByteString.h"

namespace nimbo {

// Fills `buddies` from the reply of "getlogonstatall": when its first line
// is exactly "OK", one record per "<b>...</b>" entry, stored under its user
// ID (a later entry replaces an earlier one with the same ID). Reading stops
// at the first empty entry. The table keeps the reply, which the records
// read from. It is not emptied first: the refresh that fetched the reply
// has already done so.
void ParseStatusList(const ByteString& reply, BuddyTable& buddies);

}  // namespace nimbo
