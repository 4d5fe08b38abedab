#include "net/Base64.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/CodePage.h"

namespace nimbo::base64 {
namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char PAD = 64;

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
    std::array<unsigned char, 256> table{};
    // Characters outside the alphabet decode as 0: the decoder does not
    // validate, it only has to stay in bounds.
    for (auto& value : table)
        value = 0;
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(ALPHABET[i])] = i;
    table['='] = PAD;
    return table;
}

constexpr std::array<unsigned char, 256> DECODE = MakeDecodeTable();

// Decodes the group at `text` (of `available` >= 1 characters, completed
// with pads) into `out`; returns the number of bytes it yields.
int DecodeGroup(const char* text, std::size_t available, unsigned char out[3]) {
    unsigned char s[4];
    for (std::size_t i = 0; i < 4; ++i)
        s[i] = i < available ? DECODE[static_cast<unsigned char>(text[i])] : PAD;
    auto value = [](unsigned char symbol) { return symbol == PAD ? 0 : symbol; };
    out[0] = static_cast<unsigned char>((value(s[0]) << 2) | (value(s[1]) >> 4));
    out[1] = static_cast<unsigned char>((value(s[1]) << 4) | (value(s[2]) >> 2));
    out[2] = static_cast<unsigned char>((value(s[2]) << 6) | value(s[3]));
    if (s[2] == PAD)
        return 1;
    return s[3] == PAD ? 2 : 3;
}

// A whole group decodes from one look-up per character: each table holds a
// character's six bits already in their place in the group's 24, and above
// them a flag for a pad in the third or fourth place, which decide how many
// of the three bytes the group keeps, as DecodeGroup does.
constexpr std::uint32_t THIRD_IS_PAD = 1u << 25;
constexpr std::uint32_t FOURTH_IS_PAD = 1u << 24;

constexpr std::array<std::uint32_t, 256> MakePlacedTable(int place) {
    std::array<std::uint32_t, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        const std::uint32_t symbol = DECODE[c];
        table[c] = (symbol == PAD ? 0 : symbol) << (6 * (3 - place));
        if (symbol == PAD && place == 2)
            table[c] |= THIRD_IS_PAD;
        if (symbol == PAD && place == 3)
            table[c] |= FOURTH_IS_PAD;
    }
    return table;
}

constexpr std::array<std::array<std::uint32_t, 256>, 4> PLACED = {MakePlacedTable(0), MakePlacedTable(1),
                                                                  MakePlacedTable(2), MakePlacedTable(3)};
// Bytes kept by the pad flags: none, fourth, third, both.
constexpr std::size_t KEPT[] = {3, 2, 1, 1};

std::uint32_t PlacedGroup(const char* text) {
    auto placed = [text](int place) {
        return PLACED[static_cast<std::size_t>(place)][static_cast<unsigned char>(text[place])];
    };
    return placed(0) | placed(1) | placed(2) | placed(3);
}

void StoreGroup(std::uint32_t group, unsigned char* out) {
    out[0] = static_cast<unsigned char>(group >> 16);
    out[1] = static_cast<unsigned char>(group >> 8);
    out[2] = static_cast<unsigned char>(group);
}

}  // namespace

bool EncodeInto(const void* bytes, std::size_t length, ByteString& out) {
    const auto* in = static_cast<const unsigned char*>(bytes);
    if (length > static_cast<std::size_t>(INT32_MAX) / 4 * 3 - 3)
        return false;
    std::size_t encodedLength = (length + 2) / 3 * 4;
    ByteString result;
    char* text = result.GetBuffer(static_cast<int>(encodedLength));
    if (!text)
        return false;
    std::size_t o = 0;
    for (std::size_t i = 0; i < length; i += 3) {
        unsigned b0 = in[i];
        unsigned b1 = i + 1 < length ? in[i + 1] : 0;
        unsigned b2 = i + 2 < length ? in[i + 2] : 0;
        text[o++] = ALPHABET[b0 >> 2];
        text[o++] = ALPHABET[((b0 & 3) << 4) | (b1 >> 4)];
        text[o++] = i + 1 < length ? ALPHABET[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        text[o++] = i + 2 < length ? ALPHABET[b2 & 63] : '=';
    }
    result.ReleaseBuffer(static_cast<int>(o));
    out = result;
    return true;
}

std::vector<unsigned char> Decode(const char* text, std::size_t length) {
    std::vector<unsigned char> bytes(DecodedCapacity(length));
    bytes.resize(DecodeTo(text, length, bytes.data()));
    return bytes;
}

// Every group writes three bytes and keeps one to three of them. Up to the
// first pad every group keeps three, so those groups are decoded without
// waiting for the count of the group before.
std::size_t DecodeTo(const char* text, std::size_t length, unsigned char* out) {
    const std::size_t whole = length / 4;
    std::size_t g = 0;
    for (; g < whole; ++g) {
        const std::uint32_t group = PlacedGroup(text + 4 * g);
        if (group >> 24)
            break;
        StoreGroup(group, out + 3 * g);
    }
    std::size_t count = 3 * g;
    for (; g < whole; ++g) {
        const std::uint32_t group = PlacedGroup(text + 4 * g);
        StoreGroup(group, out + count);
        count += KEPT[group >> 24];
    }
    if (4 * whole < length)
        count += static_cast<std::size_t>(DecodeGroup(text + 4 * whole, length - 4 * whole, out + count));
    return count;
}

int DecodeInto(const char* text, char* buffer, int capacity) {
    if (capacity <= 0)
        return 0;
    std::vector<unsigned char> bytes = Decode(text, std::strlen(text));
    std::size_t count = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(bytes.begin(), count, buffer);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

ByteString DecodeText(const ByteString& text, std::size_t limit) {
    std::vector<unsigned char> bytes = Decode(text.c_str(), static_cast<std::size_t>(text.GetLength()));
    std::string_view decoded(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    decoded = decoded.substr(0, decoded.find('\0'));
    decoded = decoded.substr(0, platform::CodePage::CharBoundary(decoded, limit));
    return ByteString(decoded.data(), static_cast<int>(decoded.size()));
}

}  // namespace nimbo::base64
