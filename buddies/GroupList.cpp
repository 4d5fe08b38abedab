#include "buddies/GroupList.h"

#include <memory>
#include <string_view>
#include <vector>

#include "net/Base64.h"
#include "platform/CodePage.h"

namespace nimbo {
namespace {

constexpr std::string_view GROUP_OPEN = "<group ";
constexpr std::string_view GROUP_CLOSE = "</group>";
constexpr std::string_view LINE_END = "\r\n";
constexpr std::string_view BLANKS = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view line) {
    std::size_t first = line.find_first_not_of(BLANKS);
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(BLANKS) + 1 - first);
}

// The text from just after the first `open` up to the next double quote, as
// ByteString::Between finds it; empty when either is missing.
std::string_view Attribute(std::string_view header, std::string_view open) {
    std::size_t found = header.find(open);
    if (found == std::string_view::npos)
        return {};
    std::size_t start = found + open.size();
    std::size_t end = header.find('"', start);
    return end == std::string_view::npos ? std::string_view() : header.substr(start, end - start);
}

int GroupType(std::string_view value) {
    if (value == "0")
        return 0;
    if (value == "1")
        return 1;
    return 2;
}

// The group a header line opens, or null when its name or type is missing.
// Attributes are found by plain text search, so their order does not matter.
std::unique_ptr<CBuddyGroup> OpenGroup(std::string_view header) {
    std::string_view name = Attribute(header, "name=\"");
    std::string_view type = Attribute(header, "type=\"");
    if (name.empty() || type.empty())
        return nullptr;
    auto group = std::make_unique<CBuddyGroup>();
    group->name = platform::CodePage::FromWire(name);
    group->type = GroupType(type);
    return group;
}

void StoreGroup(std::unique_ptr<CBuddyGroup> group, CGroupTable& groups) {
    groups.Store(group->name, std::move(group));
}

// Reads one trimmed line; `open` is the group being read, null outside one.
// Groups do not nest: inside a group even a header line is a member ID.
void ReadLine(std::string_view line, std::unique_ptr<CBuddyGroup>& open, CGroupTable& groups) {
    if (!open) {
        if (line.starts_with(GROUP_OPEN))
            open = OpenGroup(line);
    } else if (line.starts_with(GROUP_CLOSE)) {
        StoreGroup(std::move(open), groups);
    } else {
        open->members.push_back(platform::CodePage::FromWire(line));
    }
}

void ParseDocument(std::string_view document, CGroupTable& groups) {
    groups.Clear();
    std::unique_ptr<CBuddyGroup> open;
    for (std::size_t end = document.find('\n'); end != std::string_view::npos; end = document.find('\n')) {
        if (end > 0)
            ReadLine(Trimmed(document.substr(0, end)), open, groups);
        document.remove_prefix(end + 1);
    }
    if (open)
        StoreGroup(std::move(open), groups);
}

// Line `n` of the reply split at CR LF, as ByteString::Field gives it.
std::string_view ReplyLine(std::string_view reply, int n) {
    std::size_t start = 0;
    for (int k = 0; k < n; ++k) {
        std::size_t end = reply.find(LINE_END, start);
        if (end == std::string_view::npos)
            return {};
        start = end + LINE_END.size();
    }
    return reply.substr(start, reply.find(LINE_END, start) - start);
}

}  // namespace

void ParseGroupList(const ByteString& document, CGroupTable& groups) { ParseDocument(document.view(), groups); }

void ParseGroupListReply(const ByteString& reply, CGroupTable& groups) {
    groups.Clear();
    if (ReplyLine(reply.view(), 0) != "OK")
        return;
    std::string_view line = ReplyLine(reply.view(), 1);
    std::vector<unsigned char> bytes = base64::Decode(line.data(), line.size());
    std::string_view document(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    document = document.substr(0, document.find('\0'));
    ParseDocument(document.substr(0, platform::CodePage::CharBoundary(document, GROUP_DOCUMENT_LIMIT)), groups);
}

}  // namespace nimbo
