#include "buddies/CBuddyInfo.h"

namespace nimbo {

void CBuddyInfo::SetStatusWord(const char* word) { status = StatusFromWord(word); }

std::u16string CBuddyInfo::NameWithId() const {
    return displayName.empty() ? userId : displayName + u'(' + userId + u')';
}

}  // namespace nimbo
