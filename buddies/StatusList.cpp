#include "buddies/StatusList.h"

#include "buddies/StatusListReader.h"

namespace nimbo {

void ParseStatusList(const ByteString& reply, BuddyTable& buddies) { StatusListReader(buddies).Finish(reply); }

}  // namespace nimbo
