// Feeds arbitrary bytes to the group list parser, both as a decoded document
// and as a "getgroup" reply, and checks what the buddy list would then show.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/CBuddyGroup.h"
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
        for (std::u16string_view userId : group->members) {
            Check(!userId.starts_with(u"</group>"));
            buddies.Store(BuddyTexts{.userId = std::u16string(userId)});
        }
        if (name == NOGROUP_NAME)
            rows += group->members.size();
        else if (group->type == 0)
            rows += 1 + group->members.size();
    }
    return rows;
}

// Whether the tables hold the same groups in the same order.
bool SameGroups(const CGroupTable& a, const CGroupTable& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && x.second->name == y.second->name && x.second->type == y.second->type &&
               x.second->expanded == y.second->expanded && x.second->members == y.second->members;
    });
}

void Run(void (*parse)(const ByteString&, CGroupTable&), const ByteString& input) {
    CGroupTable groups;
    parse(input, groups);
    BuddyTable buddies;
    std::size_t expected = CheckGroups(groups, buddies);
    Check(BuildBuddyRows(groups, buddies).size() == expected);
    // A table refilled from groups it held before reads the same.
    CGroupTable refilled;
    ParseGroupList(ByteString("<group name=\"a long name\" type=\"1\">\nkim\nlee\n</group>\n"
                              "<group name=\"b\" type=\"0\">\npark\n</group>\n"),
                   refilled);
    refilled.Lookup(u"b")->expanded = 0;
    parse(input, refilled);
    Check(SameGroups(groups, refilled));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteString input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    Run(ParseGroupList, input);
    Run(ParseGroupListReply, input);
    return 0;
}
