#include "buddies/StatusListReader.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace nimbo {
namespace {

constexpr std::string_view LINE_END = "\r\n";
constexpr std::string_view ENTRY_OPEN = "<b>";
constexpr std::string_view ENTRY_CLOSE = "</b>";

// The first '<' at or after `from`, or npos.
std::size_t FindTagStart(std::string_view text, std::size_t from) {
    if (from >= text.size())
        return std::string_view::npos;
    const void* found = std::memchr(text.data() + from, '<', text.size() - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : std::string_view::npos;
}

// Whether `tag` lies at `i`; a tag is a few bytes, compared at once.
bool TagAt(std::string_view text, std::size_t i, std::string_view tag) {
    return i <= text.size() && text.size() - i >= tag.size() &&
           std::memcmp(text.data() + i, tag.data(), tag.size()) == 0;
}

// The first `tag` at or after `from`, as std::string_view::find finds it.
std::size_t FindTag(std::string_view text, std::string_view tag, std::size_t from) {
    for (std::size_t i = FindTagStart(text, from); i != std::string_view::npos; i = FindTagStart(text, i + 1)) {
        if (TagAt(text, i, tag))
            return i;
    }
    return std::string_view::npos;
}

// The first "<b>" at or after `from`. Entries follow one another with a
// line end between them: that place is tried before a search.
std::size_t FindEntryOpen(std::string_view reply, std::size_t from) {
    if (TagAt(reply, from, LINE_END) && TagAt(reply, from + LINE_END.size(), ENTRY_OPEN))
        return from + LINE_END.size();
    return FindTag(reply, ENTRY_OPEN, from);
}

// Entry n as ByteString::Between("<b>", "</b>", n) numbers the entries, with
// the search carried over in `position` from entry n - 1, so that a long
// reply is scanned once instead of once per entry. Null, with `position`
// left as it was, when `reply` holds no further whole entry: in a part of
// the reply, the entry's tags are found as in the whole, or not yet.
std::optional<std::string_view> NextEntry(std::string_view reply, std::size_t& position) {
    std::size_t open = FindEntryOpen(reply, position);
    if (open == std::string_view::npos)
        return std::nullopt;
    std::size_t start = open + ENTRY_OPEN.size();
    std::size_t firstTag = FindTagStart(reply, start);
    std::size_t close = firstTag == std::string_view::npos || TagAt(reply, firstTag, ENTRY_CLOSE)
                            ? firstTag
                            : FindTag(reply, ENTRY_CLOSE, firstTag + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    // The next entry opens after this one's start, but with no '<' inside
    // this one, not before its end tag is over.
    position = firstTag == close ? close + ENTRY_CLOSE.size() : open + ENTRY_CLOSE.size();
    return reply.substr(start, close - start);
}

}  // namespace

void StatusListReader::Received(std::string_view bytes) {
    RestartUnlessFrom(bytes);
    // An entry still open is searched again from its start at every read:
    // the bytes have to grow by a good part first, so that a reply that
    // trickles in a few bytes at a time is not searched over and over.
    if (bytes.size() >= m_length + std::max(LEAST_GROWTH, m_length / GROWTH_PART))
        Read(bytes);
}

void StatusListReader::Finish(const ByteString& reply) {
    RestartUnlessFrom(reply.view());
    // Kept first, so that the records read so far never outlive their
    // text, whatever happens while the rest is read.
    m_buddies.Keep(reply);
    Read(reply.view());
}

void StatusListReader::RestartUnlessFrom(std::string_view bytes) {
    if (bytes.data() == m_start && bytes.size() >= m_length)
        return;
    if (m_start != nullptr)
        m_buddies.Clear();
    m_start = bytes.data();
    m_length = 0;
    m_state = State::FIRST_LINE;
    m_position = 0;
}

void StatusListReader::Read(std::string_view bytes) {
    m_length = bytes.size();
    if (m_state == State::FIRST_LINE)
        ReadFirstLine(bytes);
    if (m_state == State::ENTRIES)
        ReadEntries(bytes);
}

void StatusListReader::ReadFirstLine(std::string_view bytes) {
    const std::size_t end = bytes.find(LINE_END);
    if (end == std::string_view::npos)
        return;
    m_state = bytes.substr(0, end) == "OK" ? State::ENTRIES : State::ENDED;
}

// Reading stops at the first empty entry.
void StatusListReader::ReadEntries(std::string_view bytes) {
    while (std::optional<std::string_view> entry = NextEntry(bytes, m_position)) {
        if (entry->empty()) {
            m_state = State::ENDED;
            break;
        }
        m_buddies.Stage(*entry);
    }
    m_buddies.StoreStaged();
}

}  // namespace nimbo
