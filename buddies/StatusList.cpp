#include "buddies/StatusList.h"

#include <memory>
#include <string_view>

#include "net/Base64.h"
#include "net/DecimalValue.h"

namespace nimbo {
namespace {

constexpr const char* LINE_END = "\r\n";
constexpr std::string_view ENTRY_OPEN = "<b>";
constexpr std::string_view ENTRY_CLOSE = "</b>";

enum EntryLine { LINE_USER_ID, LINE_STATUS, LINE_ADDRESS, LINE_PORT, LINE_UNUSED, LINE_DISPLAY_NAME, LINE_MESSAGE };

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

std::unique_ptr<CBuddyInfo> ReadEntry(const ByteString& entry) {
    auto info = std::make_unique<CBuddyInfo>();
    info->userId = entry.Field(LINE_END, LINE_USER_ID).ToWide();
    info->SetStatusWord(entry.Field(LINE_END, LINE_STATUS).c_str());
    info->address = entry.Field(LINE_END, LINE_ADDRESS).ToWide();
    info->port = DecimalValue(entry.Field(LINE_END, LINE_PORT));
    info->displayName = entry.Field(LINE_END, LINE_DISPLAY_NAME).ToWide();
    // The server writes two double quotes for "no message".
    ByteString message = entry.Field(LINE_END, LINE_MESSAGE);
    if (!message.IsEmpty() && message != "\"\"")
        info->statusMessage = base64::DecodeText(message, STATUS_MESSAGE_LIMIT).ToWide();
    return info;
}

}  // namespace

void ParseStatusList(const ByteString& reply, CBuddyTable& buddies) {
    if (reply.Field(LINE_END, 0) != "OK")
        return;
    std::string_view text = reply.view();
    std::size_t position = 0;
    for (std::string_view entry = NextEntry(text, position); !entry.empty(); entry = NextEntry(text, position)) {
        std::unique_ptr<CBuddyInfo> info = ReadEntry(ByteString(entry.data(), static_cast<int>(entry.size())));
        std::u16string key = info->userId;
        buddies.Store(key, std::move(info));
    }
}

}  // namespace nimbo
