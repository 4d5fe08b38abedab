// Feeds arbitrary bytes to the status list parser as a "getlogonstatall"
// reply and checks what the buddy list would then show.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyGroup.h"
#include "buddies/StatusList.h"
#include "fuzz/FuzzCheck.h"
#include "platform/CodePage.h"

using nimbo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbo;
    CBuddyTable buddies;
    ParseStatusList(ByteString(reinterpret_cast<const char*>(data), static_cast<int>(size)), buddies);

    auto everyone = std::make_unique<CBuddyGroup>();
    for (const auto& [userId, info] : buddies) {
        Check(userId == info->userId);
        Check(info->status >= LOGON_ONLINE && info->status <= LOGON_OFFLINE);
        Check(platform::CodePage::ToWire(info->statusMessage).size() <= STATUS_MESSAGE_LIMIT);
        everyone->members.push_back(userId);
    }
    CGroupTable groups;
    groups.Store(NOGROUP_NAME, std::move(everyone));
    Check(BuildBuddyRows(groups, buddies).size() == buddies.Size());
    return 0;
}
