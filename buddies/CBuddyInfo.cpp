#include "buddies/CBuddyInfo.h"

#include "net/Base64.h"
#include "net/DecimalValue.h"
#include "platform/CodePage.h"

namespace nimbo {
namespace {

// The lines of an entry.
enum EntryLine { USER_ID, STATUS_WORD, ADDRESS, PORT, UNUSED_NUMBER, DISPLAY_NAME, MESSAGE };

constexpr std::string_view LINE_END = "\r\n";
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

std::u16string Decoded(std::string_view bytes) { return platform::CodePage::FromWire(bytes); }

}  // namespace

void CBuddyInfo::Assign(std::string_view entry) {
    m_entry = entry;
    platform::CodePage::FromWire(Line(USER_ID), m_userId);
}

void CBuddyInfo::Assign(std::string_view entry, std::u16string_view userId) {
    m_entry = entry;
    m_userId = userId;
}

LogonStatus CBuddyInfo::Status() const { return StatusFromWord(Line(STATUS_WORD)); }

std::u16string CBuddyInfo::Address() const { return Decoded(Line(ADDRESS)); }

int CBuddyInfo::Port() const { return DecimalValue(Line(PORT)); }

std::u16string CBuddyInfo::DisplayName() const { return Decoded(Line(DISPLAY_NAME)); }

std::u16string CBuddyInfo::StatusMessage() const {
    std::string_view line = Line(MESSAGE);
    if (line.empty() || line == NO_MESSAGE)
        return {};
    line = line.substr(0, MESSAGE_CHARACTERS);
    unsigned char bytes[base64::DecodedCapacity(MESSAGE_CHARACTERS)];
    std::string_view decoded(reinterpret_cast<const char*>(bytes), base64::DecodeTo(line.data(), line.size(), bytes));
    decoded = decoded.substr(0, decoded.find('\0'));
    return Decoded(decoded.substr(0, platform::CodePage::CharBoundary(decoded, STATUS_MESSAGE_LIMIT)));
}

ByteString CBuddyInfo::EntryOf(const BuddyTexts& buddy) {
    ByteString userId;
    ByteString address;
    ByteString displayName;
    ByteString message;
    ByteString message64 = NO_MESSAGE.data();
    userId.AssignWide(buddy.userId);
    address.AssignWide(buddy.address);
    displayName.AssignWide(buddy.displayName);
    if (!buddy.statusMessage.empty() && message.AssignWide(buddy.statusMessage))
        base64::EncodeInto(message.c_str(), static_cast<std::size_t>(message.GetLength()), message64);
    ByteString entry;
    entry.Format("%s\r\n%s\r\n%s\r\n%d\r\n0\r\n%s\r\n%s", userId.c_str(), StatusWord(buddy.status), address.c_str(),
                 buddy.port, displayName.c_str(), message64.c_str());
    return entry;
}

std::string_view CBuddyInfo::Line(int n) const {
    std::size_t position = 0;
    std::string_view line = NextLine(m_entry, position);
    for (int k = 0; k < n; ++k)
        line = NextLine(m_entry, position);
    return line;
}

}  // namespace nimbo
