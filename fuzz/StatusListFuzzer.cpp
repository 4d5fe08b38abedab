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
    BuddyTable buddies;
    ParseStatusList(ByteString(reinterpret_cast<const char*>(data), static_cast<int>(size)), buddies);

    auto everyone = std::make_unique<CBuddyGroup>();
    for (const CBuddyInfo& info : buddies) {
        Check(buddies.Lookup(info.UserId()) == &info);
        Check(info.Status() >= LOGON_ONLINE && info.Status() <= LOGON_OFFLINE);
        Check(platform::CodePage::ToWire(info.StatusMessage()).size() <= STATUS_MESSAGE_LIMIT);
        everyone->members.push_back(info.UserId());
    }
    CGroupTable groups;
    groups.Store(NOGROUP_NAME, std::move(everyone));
    Check(BuildBuddyRows(groups, buddies).size() == buddies.Size());
    return 0;
}
