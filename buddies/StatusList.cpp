#include "buddies/StatusList.h"

#include <memory>
#include <string_view>

#include "net/Base64.h"
#include "net/DecimalValue.h"
#include "platform/CodePage.h"

namespace nimbo {
namespace {

constexpr std::string_view LINE_END = "\r\n";
constexpr std::string_view ENTRY_OPEN = "<b>";
constexpr std::string_view ENTRY_CLOSE = "</b>";
constexpr std::string_view NO_MESSAGE = "\"\"";  // the server's two double quotes

// Enough Base64 for the kept part of any message: every group of four
// characters yields at least one byte, and the cut needs to know whether
// there is a byte past the limit.
constexpr std::size_t MESSAGE_CHARACTERS = 4 * (STATUS_MESSAGE_LIMIT + 1);

// The next line of `text` from `position`, as ByteString::Field numbers the
// lines split at CR LF: past the last line every further line is empty.
// Lines of an entry are a few bytes long: a plain loop finds their end
// sooner than a library search that is set up for each of them.
std::string_view NextLine(std::string_view text, std::size_t& position) {
    std::size_t start = position;
    std::size_t end = start;
    while (end + 1 < text.size() && !(text[end] == '\r' && text[end + 1] == '\n'))
        ++end;
    if (end + 1 >= text.size())
        end = text.size();
    position = end == text.size() ? end : end + LINE_END.size();
    return text.substr(start, end - start);
}

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

// The message text from its Base64 line: up to its first zero byte, cut to
// the limit without splitting a double-byte character.
std::u16string Message(std::string_view line) {
    line = line.substr(0, MESSAGE_CHARACTERS);
    unsigned char bytes[base64::DecodedCapacity(MESSAGE_CHARACTERS)];
    std::string_view decoded(reinterpret_cast<const char*>(bytes), base64::DecodeTo(line.data(), line.size(), bytes));
    decoded = decoded.substr(0, decoded.find('\0'));
    return platform::CodePage::FromWire(decoded.substr(0, platform::CodePage::CharBoundary(decoded, STATUS_MESSAGE_LIMIT)));
}

std::unique_ptr<CBuddyInfo> ReadEntry(std::string_view entry) {
    auto info = std::make_unique<CBuddyInfo>();
    std::size_t position = 0;
    info->userId = platform::CodePage::FromWire(NextLine(entry, position));
    info->status = StatusFromWord(NextLine(entry, position));
    info->address = platform::CodePage::FromWire(NextLine(entry, position));
    info->port = DecimalValue(NextLine(entry, position));
    NextLine(entry, position);  // a number the client does not use
    info->displayName = platform::CodePage::FromWire(NextLine(entry, position));
    std::string_view message = NextLine(entry, position);
    if (!message.empty() && message != NO_MESSAGE)
        info->statusMessage = Message(message);
    return info;
}

}  // namespace

void ParseStatusList(const ByteString& reply, CBuddyTable& buddies) {
    std::string_view text = reply.view();
    std::size_t position = 0;
    if (NextLine(text, position) != "OK")
        return;
    position = 0;
    for (std::string_view entry = NextEntry(text, position); !entry.empty(); entry = NextEntry(text, position)) {
        std::unique_ptr<CBuddyInfo> info = ReadEntry(entry);
        buddies.Store(info->userId, std::move(info));
    }
}

}  // namespace nimbo
