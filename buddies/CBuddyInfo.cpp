#include "buddies/CBuddyInfo.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "buddies/HashIndex.h"
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

// Where the first CR LF at or after `from` starts, or the end of `text`.
// Lines of an entry are a few bytes long, too short for a library search
// to pay off: 16 places are tested at once where the processor compares a
// vector register of bytes, and the last few one by one.
std::size_t LineEndFrom(std::string_view text, std::size_t from) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; from + 17 <= text.size(); from += 16) {
        const auto* bytes = reinterpret_cast<const __m128i*>(text.data() + from);
        const __m128i crLf = _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(bytes), cr),
                                           _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                                              text.data() + from + 1)),
                                                          lf));
        if (const auto found = static_cast<unsigned>(_mm_movemask_epi8(crLf)); found != 0)
            return from + static_cast<std::size_t>(__builtin_ctz(found));
    }
#endif
    for (; from + 1 < text.size(); ++from) {
        if (text[from] == '\r' && text[from + 1] == '\n')
            return from;
    }
    return text.size();
}

// The next line of `text` from `position`, as ByteString::Field numbers the
// lines split at CR LF: past the last line every further line is empty.
std::string_view NextLine(std::string_view text, std::size_t& position) {
    const std::size_t start = position;
    const std::size_t end = LineEndFrom(text, start);
    position = end == text.size() ? end : end + LINE_END.size();
    return text.substr(start, end - start);
}

std::u16string Decoded(std::string_view bytes) { return platform::CodePage::FromWire(bytes); }

}  // namespace

void CBuddyInfo::Assign(std::string_view entry) {
    m_entry = entry.data();
    m_entryLength = static_cast<std::uint32_t>(entry.size());
    std::size_t position = 0;  // the user ID is the first line
    const std::string_view userId = NextLine(entry, position);
    if (platform::CodePage::IsPlain(userId)) {
        m_plainIdLength = static_cast<std::uint32_t>(userId.size());
        return;
    }
    m_plainIdLength = NOT_PLAIN;
    if (!m_decodedId)
        m_decodedId = std::make_unique<std::u16string>();
    platform::CodePage::FromWire(userId, *m_decodedId);
}

void CBuddyInfo::Assign(std::string_view entry, std::u16string_view userId) {
    m_entry = entry.data();
    m_entryLength = static_cast<std::uint32_t>(entry.size());
    m_plainIdLength = NOT_PLAIN;
    m_decodedId = std::make_unique<std::u16string>(userId);
}

std::u16string CBuddyInfo::UserId() const {
    return IsPlain() ? platform::CodePage::FromWire(PlainId()) : *m_decodedId;
}

bool CBuddyInfo::HasSameUserId(const CBuddyInfo& other) const {
    if (IsPlain() && other.IsPlain())
        return PlainId() == other.PlainId();
    return IsPlain() ? other.HasUserId(UserId()) : other.HasUserId(*m_decodedId);
}

std::uint32_t CBuddyInfo::UserIdHash() const {
    return IsPlain() ? HashIndex::HashOfBytes(PlainId()) : HashIndex::HashOf(*m_decodedId);
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
    const std::string_view entry = Entry();
    std::size_t position = 0;
    std::string_view line = NextLine(entry, position);
    for (int k = 0; k < n; ++k)
        line = NextLine(entry, position);
    return line;
}

}  // namespace nimbo
