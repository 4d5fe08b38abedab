// Feeds arbitrary bytes to the group list parser, both as a decoded document
// and as a "getgroup" reply, and checks what the buddy list would then show.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyInfo.h"
#include "buddies/GroupList.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace nimbo;

using nimbo::fuzz::Check;

// Checks the groups and gives every member a record; returns the number of
// rows the list must show.
std::size_t CheckGroups(const CGroupTable& groups, BuddyTable& buddies) {
    std::size_t rows = 0;
    for (const auto& [name, group] : groups) {
        Check(!name.empty() && name == group->name);
        Check(group->type >= 0 && group->type <= 2 && group->expanded == 1);
        for (const std::u16string& userId : group->members) {
            Check(!userId.starts_with(u"</group>"));
            buddies.Store(BuddyTexts{.userId = userId});
        }
        if (name == NOGROUP_NAME)
            rows += group->members.size();
        else if (group->type == 0)
            rows += 1 + group->members.size();
    }
    return rows;
}

void Run(void (*parse)(const ByteString&, CGroupTable&), const ByteString& input) {
    CGroupTable groups;
    parse(input, groups);
    BuddyTable buddies;
    std::size_t expected = CheckGroups(groups, buddies);
    Check(BuildBuddyRows(groups, buddies).size() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteString input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    Run(ParseGroupList, input);
    Run(ParseGroupListReply, input);
    return 0;
}
