#include "buddies/StatusList.h"

#include <memory>
#include <string_view>

#include "net/Base64.h"
#include "net/DecimalValue.h"

namespace nimbo {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::string_view kEntryOpen = "<b>";
constexpr std::string_view kEntryClose = "</b>";

enum EntryLine { LINE_USER_ID, LINE_STATUS, LINE_ADDRESS, LINE_PORT, LINE_UNUSED, LINE_DISPLAY_NAME, LINE_MESSAGE };

// Entry n as ByteString::Between("<b>", "</b>", n) numbers the entries, with
// the search carried over in `position` from entry n - 1, so that a long
// reply is scanned once instead of once per entry. Empty: no further entry.
std::string_view NextEntry(std::string_view reply, std::size_t& position) {
    std::size_t open = reply.find(kEntryOpen, position);
    if (open == std::string_view::npos)
        return {};
    std::size_t start = open + kEntryOpen.size();
    std::size_t close = reply.find(kEntryClose, start);
    if (close == std::string_view::npos)
        return {};
    position = open + kEntryClose.size();
    return reply.substr(start, close - start);
}

std::unique_ptr<CBuddyInfo> ReadEntry(const ByteString& entry) {
    auto info = std::make_unique<CBuddyInfo>();
    info->userId = entry.Field(kLineEnd, LINE_USER_ID).ToWide();
    info->SetStatusWord(entry.Field(kLineEnd, LINE_STATUS).c_str());
    info->address = entry.Field(kLineEnd, LINE_ADDRESS).ToWide();
    info->port = DecimalValue(entry.Field(kLineEnd, LINE_PORT));
    info->displayName = entry.Field(kLineEnd, LINE_DISPLAY_NAME).ToWide();
    // The server writes two double quotes for "no message".
    ByteString message = entry.Field(kLineEnd, LINE_MESSAGE);
    if (!message.IsEmpty() && message != "\"\"")
        info->statusMessage = base64::DecodeText(message, STATUS_MESSAGE_LIMIT).ToWide();
    return info;
}

}  // namespace

void ParseStatusList(const ByteString& reply, CBuddyTable& buddies) {
    if (reply.Field(kLineEnd, 0) != "OK")
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
