#pragma once

#include "buddies/CBuddyInfo.h"
#include "buddies/OwningTable.h"
#include "net/ByteString.h"

namespace nimbo {

// The longest status message kept, in wire bytes: the message once had a
// 200-byte buffer that also held the terminating zero.
inline constexpr int STATUS_MESSAGE_LIMIT = 199;

// Fills `buddies` from the reply of "getlogonstatall": when its first line
// is exactly "OK", one record per "<b>...</b>" entry, stored under its user
// ID (a later entry replaces an earlier one with the same ID). Reading stops
// at the first empty entry. The table is not emptied first: the refresh that
// fetched the reply has already done so.
void ParseStatusList(const ByteString& reply, CBuddyTable& buddies);

}  // namespace nimbo
