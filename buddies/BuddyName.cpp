#include "buddies/BuddyName.h"

#include "buddies/CBuddyInfo.h"

namespace nimbo {

std::u16string BuddyName(const CBuddyTable& buddies, const std::u16string& userId) {
    const CBuddyInfo* buddy = buddies.Lookup(userId);
    return buddy != nullptr && !buddy->displayName.empty() && buddy->displayName != userId
               ? buddy->displayName + u'(' + userId + u')'
               : userId;
}

}  // namespace nimbo
