#include "buddies/GroupList.h"

#include <memory>
#include <string_view>

#include "net/Base64.h"

namespace nimbo {
namespace {

constexpr std::string_view GROUP_OPEN = "<group ";
constexpr std::string_view GROUP_CLOSE = "</group>";
constexpr const char* LINE_END = "\r\n";

int GroupType(const ByteString& value) {
    if (value == "0")
        return 0;
    if (value == "1")
        return 1;
    return 2;
}

// The group a header line opens, or null when its name or type is missing.
// Attributes are found by plain text search, so their order does not matter.
std::unique_ptr<CBuddyGroup> OpenGroup(const ByteString& header) {
    ByteString name = header.Between("name=\"", "\"", 0);
    ByteString type = header.Between("type=\"", "\"", 0);
    if (name.IsEmpty() || type.IsEmpty())
        return nullptr;
    auto group = std::make_unique<CBuddyGroup>();
    group->name = name.ToWide();
    group->type = GroupType(type);
    return group;
}

void StoreGroup(std::unique_ptr<CBuddyGroup> group, CGroupTable& groups) {
    std::u16string key = group->name;
    groups.Store(key, std::move(group));
}

// Reads one trimmed line; `open` is the group being read, null outside one.
// Groups do not nest: inside a group even a header line is a member ID.
void ReadLine(const ByteString& line, std::unique_ptr<CBuddyGroup>& open, CGroupTable& groups) {
    if (!open) {
        if (line.view().starts_with(GROUP_OPEN))
            open = OpenGroup(line);
    } else if (line.view().starts_with(GROUP_CLOSE)) {
        StoreGroup(std::move(open), groups);
    } else {
        open->members.push_back(line.ToWide());
    }
}

}  // namespace

void ParseGroupList(const ByteString& document, CGroupTable& groups) {
    groups.Clear();
    std::unique_ptr<CBuddyGroup> open;
    std::string_view rest = document.view();
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        if (end > 0) {
            ByteString line(rest.data(), static_cast<int>(end));
            line.TrimLeft();
            line.TrimRight();
            ReadLine(line, open, groups);
        }
        rest.remove_prefix(end + 1);
    }
    if (open)
        StoreGroup(std::move(open), groups);
}

void ParseGroupListReply(const ByteString& reply, CGroupTable& groups) {
    groups.Clear();
    if (reply.Field(LINE_END, 0) == "OK")
        ParseGroupList(base64::DecodeText(reply.Field(LINE_END, 1), GROUP_DOCUMENT_LIMIT), groups);
}

}  // namespace nimbo
