#include "buddies/GroupList.h"

#include <memory>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "net/Base64.h"
#include "platform/CodePage.h"

namespace nimbo {
namespace {

constexpr std::string_view GROUP_OPEN = "<group ";
constexpr std::string_view GROUP_CLOSE = "</group>";
constexpr std::string_view LINE_END = "\r\n";

// The blanks a line is trimmed of: space, tab, LF, VT, FF and CR.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The line, at least a byte long, without the blanks around it, looked at
// in line: a member line is a few bytes long, and mostly has none.
std::string_view Trimmed(std::string_view line) {
    if (!IsBlank(line.front()) && !IsBlank(line.back()))
        return line;
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && IsBlank(line[first]))
        ++first;
    while (last > first && IsBlank(line[last - 1]))
        --last;
    return line.substr(first, last - first);
}

// The end of the line from `start`: the next LF, or npos. Most lines are a
// member ID a few bytes long, too short for a library search to pay off:
// the first bytes of a line are looked at in line, at once where the
// processor compares a vector register of them, and only a longer line is
// searched on.
std::size_t LineEnd(std::string_view document, std::size_t start) {
    constexpr std::size_t FIRST_BYTES = 16;
    if (start + FIRST_BYTES > document.size())
        return document.find('\n', start);
#if defined(__SSE2__)
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(document.data() + start));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(first, _mm_set1_epi8('\n'))));
    if (found != 0)
        return start + static_cast<std::size_t>(__builtin_ctz(found));
#else
    for (std::size_t i = start; i < start + FIRST_BYTES; ++i) {
        if (document[i] == '\n')
            return i;
    }
#endif
    return document.find('\n', start + FIRST_BYTES);
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
// A group the table held before is reused, with its room.
std::unique_ptr<CBuddyGroup> OpenGroup(std::string_view header, CGroupTable& groups) {
    std::string_view name = Attribute(header, "name=\"");
    std::string_view type = Attribute(header, "type=\"");
    if (name.empty() || type.empty())
        return nullptr;
    std::unique_ptr<CBuddyGroup> group = groups.TakeSpare();
    if (!group)
        group = std::make_unique<CBuddyGroup>();
    platform::CodePage::FromWire(name, group->name);
    group->type = GroupType(type);
    group->expanded = 1;
    group->members.Clear();
    return group;
}

// Reads the lines of a document into the table. A group's member lines
// wait until the group ends, so that its members are decoded at once into
// room made for all of them.
class DocumentReader {
public:
    explicit DocumentReader(CGroupTable& groups) : m_groups(groups) {}

    // Reads one trimmed line. Groups do not nest: inside a group even a
    // header line is a member ID.
    void Read(std::string_view line) {
        if (!m_open) {
            if (line.starts_with(GROUP_OPEN))
                m_open = OpenGroup(line, m_groups);
        } else if (line.starts_with(GROUP_CLOSE)) {
            StoreOpen();
        } else {
            m_members.push_back(line);
        }
    }

    // A group still open at the end of the document keeps what it read.
    void Finish() {
        if (m_open)
            StoreOpen();
    }

private:
    void StoreOpen() {
        m_open->members.AppendFromWire(m_members);
        m_members.clear();
        m_groups.Store(m_open->name, std::move(m_open));
    }

    CGroupTable& m_groups;
    std::unique_ptr<CBuddyGroup> m_open;  // null outside a group
    std::vector<std::string_view> m_members;
};

void ParseDocument(std::string_view document, CGroupTable& groups) {
    groups.Clear();
    DocumentReader reader(groups);
    for (std::size_t start = 0, end = LineEnd(document, 0); end != std::string_view::npos;
         start = end + 1, end = LineEnd(document, start)) {
        if (end > start)
            reader.Read(Trimmed(std::string_view(document.data() + start, end - start)));
    }
    reader.Finish();
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
    // Each group of four characters yields at least a byte: no more are
    // needed for the kept part and the byte after it.
    const std::string_view line = ReplyLine(reply.view(), 1).substr(0, 4 * (GROUP_DOCUMENT_LIMIT + 1));
    // The room is kept for the next refresh, whose list is about as long, so
    // that decoding it writes to memory in the cache, not to fresh memory.
    thread_local std::vector<unsigned char> bytes;
    bytes.resize(base64::DecodedCapacity(line.size()));
    std::string_view document(reinterpret_cast<const char*>(bytes.data()),
                              base64::DecodeTo(line.data(), line.size(), bytes.data()));
    document = document.substr(0, document.find('\0'));
    ParseDocument(document.substr(0, platform::CodePage::CharBoundary(document, GROUP_DOCUMENT_LIMIT)), groups);
}

}  // namespace nimbo
