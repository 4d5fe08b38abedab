#include "buddies/BuddyRow.h"

#include "buddies/CBuddyGroup.h"
#include "buddies/CBuddyInfo.h"

namespace nimbo {

namespace {

// Presence image by status code: online, absence, busy, food, denial, offline.
constexpr int STATUS_IMAGES[] = {2, 5, 6, 4, 3, 3};

}  // namespace

int BuddyRow::Image() const {
    if (group)
        return group->expanded ? IMAGE_GROUP_EXPANDED : IMAGE_GROUP_COLLAPSED;
    int status = buddy && presenceKnown ? buddy->status : LOGON_OFFLINE;
    return STATUS_IMAGES[status >= LOGON_ONLINE && status <= LOGON_OFFLINE ? status : LOGON_OFFLINE];
}

std::u16string BuddyRow::Text() const {
    if (group)
        return group->name;
    if (!buddy)
        return {};
    std::u16string text(1, u' ');
    if (buddy->displayName.empty())
        return text + buddy->userId;
    text.reserve(buddy->displayName.size() + buddy->userId.size() + 3);
    return text.append(buddy->displayName).append(1, u'(').append(buddy->userId).append(1, u')');
}

std::u16string_view BuddyRow::Message() const {
    return buddy && presenceKnown && buddy->status != LOGON_OFFLINE ? std::u16string_view(buddy->statusMessage)
                                                                    : std::u16string_view();
}

}  // namespace nimbo
