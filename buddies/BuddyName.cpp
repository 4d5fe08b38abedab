#include "buddies/BuddyName.h"

#include "buddies/CBuddyInfo.h"

namespace nimbo {

std::u16string BuddyName(const BuddyTable& buddies, const std::u16string& userId) {
    const CBuddyInfo* buddy = buddies.Lookup(userId);
    const std::u16string name = buddy != nullptr ? buddy->DisplayName() : std::u16string();
    return !name.empty() && name != userId ? name + u'(' + userId + u')' : userId;
}

}  // namespace nimbo
