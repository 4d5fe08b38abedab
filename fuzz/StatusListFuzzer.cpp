// Feeds arbitrary bytes to the status list parser as a "getlogonstatall"
// reply, whole and as it would arrive in pieces, and checks what the buddy
// list would then show.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyGroup.h"
#include "buddies/StatusList.h"
#include "buddies/StatusListReader.h"
#include "fuzz/FuzzCheck.h"
#include "platform/CodePage.h"

using nimbo::fuzz::Check;

namespace {

using namespace nimbo;

// The table's records in order, each as its entry.
std::vector<std::string_view> Entries(const BuddyTable& buddies) {
    std::vector<std::string_view> entries;
    for (const CBuddyInfo& info : buddies)
        entries.push_back(info.Entry());
    return entries;
}

// Read as it arrives, in pieces of a size the first byte gives, the reply
// fills the table as when read whole.
void CheckReadWhileArriving(const ByteString& reply, const BuddyTable& whole) {
    if (reply.IsEmpty())
        return;
    const std::size_t piece = 1 + static_cast<unsigned char>(reply[0]) % 64;
    BuddyTable buddies;
    StatusListReader reader(buddies);
    for (std::size_t length = piece; length < reply.view().size(); length += piece)
        reader.Received(reply.view().substr(0, length));
    reader.Finish(reply);
    Check(Entries(buddies) == Entries(whole));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteString reply(reinterpret_cast<const char*>(data), static_cast<int>(size));
    BuddyTable buddies;
    ParseStatusList(reply, buddies);
    CheckReadWhileArriving(reply, buddies);

    std::vector<std::u16string> userIds;
    for (const CBuddyInfo& info : buddies) {
        Check(buddies.Lookup(info.UserId()) == &info);
        Check(info.Status() >= LOGON_ONLINE && info.Status() <= LOGON_OFFLINE);
        Check(platform::CodePage::ToWire(info.StatusMessage()).size() <= STATUS_MESSAGE_LIMIT);
        userIds.push_back(info.UserId());
    }
    CGroupTable groups;
    groups.Store(NOGROUP_NAME, std::make_unique<CBuddyGroup>(CBuddyGroup{NOGROUP_NAME, 0, 1, MemberIds(userIds)}));
    Check(BuildBuddyRows(groups, buddies).size() == buddies.Size());
    return 0;
}
