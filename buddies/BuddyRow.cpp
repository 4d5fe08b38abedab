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
    int status = buddy && presenceKnown ? buddy->Status() : LOGON_OFFLINE;
    return STATUS_IMAGES[status >= LOGON_ONLINE && status <= LOGON_OFFLINE ? status : LOGON_OFFLINE];
}

std::u16string BuddyRow::Text() const {
    if (group)
        return group->name;
    if (!buddy)
        return {};
    const std::u16string name = buddy->DisplayName();
    std::u16string text(1, u' ');
    if (name.empty())
        return text + buddy->UserId();
    text.reserve(name.size() + buddy->UserId().size() + 3);
    return text.append(name).append(1, u'(').append(buddy->UserId()).append(1, u')');
}

std::u16string BuddyRow::Message() const {
    return buddy && presenceKnown && buddy->Status() != LOGON_OFFLINE ? buddy->StatusMessage() : std::u16string();
}

}  // namespace nimbo
