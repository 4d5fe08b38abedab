#include "buddies/StatusList.h"

#include <string_view>

namespace nimbo {
namespace {

constexpr std::string_view LINE_END = "\r\n";
constexpr std::string_view ENTRY_OPEN = "<b>";
constexpr std::string_view ENTRY_CLOSE = "</b>";

// Entry n as ByteString::Between("<b>", "</b>", n) numbers the entries, with
// the search carried over in `position` from entry n - 1, so that a long
// reply is scanned once instead of once per entry. Empty: no further entry.
std::string_view NextEntry(std::string_view reply, std::size_t& position) {
    std::size_t open = reply.find(ENTRY_OPEN, position);
    if (open == std::string_view::npos)
        return {};
    std::size_t start = open + ENTRY_OPEN.size();
    std::size_t close = reply.find(ENTRY_CLOSE, start);
    if (close == std::string_view::npos)
        return {};
    position = open + ENTRY_CLOSE.size();
    return reply.substr(start, close - start);
}

}  // namespace

void ParseStatusList(const ByteString& reply, BuddyTable& buddies) {
    std::string_view text = reply.view();
    if (text.substr(0, text.find(LINE_END)) != "OK")
        return;
    buddies.Keep(reply);
    std::size_t position = 0;
    for (std::string_view entry = NextEntry(text, position); !entry.empty(); entry = NextEntry(text, position))
        buddies.Store(entry);
}

}  // namespace nimbo
