// One refresh's parsing and row building, for counting its instructions
// where timings wander too much to compare builds:
//
//   valgrind --tool=callgrind --toggle-collect='*Counted*' build/bin/parse_instructions
//   callgrind_annotate --inclusive=yes callgrind.out.<pid> | grep Counted
//
// The tables are filled three times first, as refreshes before fill them,
// so that the counted fourth time finds their room made.

#include <cstdio>

#include "bench/BuddyListReplies.h"
#include "buddies/BuddyRowBuilder.h"
#include "buddies/GroupList.h"
#include "buddies/StatusList.h"

namespace {

using namespace nimbo;

constexpr int WARM_UP_REFRESHES = 3;

void StatusList(const ByteString& reply, BuddyTable& buddies) {
    buddies.Clear();
    ParseStatusList(reply, buddies);
}

__attribute__((noinline)) void CountedStatusList(const ByteString& reply, BuddyTable& buddies) {
    StatusList(reply, buddies);
}

__attribute__((noinline)) void CountedGroupList(const ByteString& reply, CGroupTable& groups) {
    ParseGroupListReply(reply, groups);
}

__attribute__((noinline)) std::size_t CountedRows(const CGroupTable& groups, const BuddyTable& buddies) {
    return BuildBuddyRows(groups, buddies).size();
}

}  // namespace

int main() {
    const bench::BuddyListReplies replies(10000, 500);
    BuddyTable buddies;
    CGroupTable groups;
    for (int i = 0; i < WARM_UP_REFRESHES; ++i) {
        StatusList(replies.StatusReply(), buddies);
        ParseGroupListReply(replies.GroupReply(), groups);
        BuildBuddyRows(groups, buddies);
    }
    CountedStatusList(replies.StatusReply(), buddies);
    CountedGroupList(replies.GroupReply(), groups);
    const std::size_t rows = CountedRows(groups, buddies);
    std::printf("%zu buddies, %zu groups, %zu rows\n", buddies.Size(), groups.Size(), rows);
    return 0;
}
