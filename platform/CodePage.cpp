#include "platform/CodePage.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <vector>

#ifndef NIMBO_CODEPAGE
#define NIMBO_CODEPAGE "CP949"
#endif

namespace nimbo::platform {
namespace {

// One converter per direction and thread: iconv descriptors keep shift state
// and must not be shared between threads, and opening one per call is slow.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; an input unit that cannot be converted is skipped
    // (`inUnit` bytes) and `replacement` is emitted in its place.
    std::string Run(const char* in, std::size_t inLength, std::size_t inUnit, std::string_view replacement) {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> chunk(4 * inLength + 16);
        char* src = const_cast<char*>(in);
        std::size_t srcLeft = inLength;
        while (srcLeft > 0) {
            char* dst = chunk.data();
            std::size_t dstLeft = chunk.size();
            std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(chunk.data(), chunk.size() - dstLeft);
            if (rc != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (truncated sequence at the end): skip one unit.
            std::size_t skip = srcLeft < inUnit ? srcLeft : inUnit;
            src += skip;
            srcLeft -= skip;
            out.append(replacement);
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = chunk.data();
        std::size_t dstLeft = chunk.size();
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(chunk.data(), chunk.size() - dstLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

std::u16string FromUtf16Bytes(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto lo = static_cast<unsigned char>(bytes[2 * i]);
        auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return text;
}

std::string ToUtf16Bytes(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

constexpr std::string_view REPLACEMENT_UTF16{"\xFD\xFF", 2};  // U+FFFD, little-endian

// Decodes wire text a character at a time from tables that the converter
// itself filled, so the result is the converter's: a byte that converts on
// its own is one character; any other byte that converts together with the
// next byte is one double-byte character with it; every other byte is
// U+FFFD. That holds only for code pages without shift states whose
// characters have one or two bytes: the Korean ones. A long list decodes
// in a fraction of the converter's time, which is paid per call.
class DoubleByteTable {
public:
    // The table of the wire code page; null when it is not one of those.
    static const DoubleByteTable* ForWireCodePage() {
        static const std::unique_ptr<DoubleByteTable> table = Qualifies(NIMBO_CODEPAGE)
                                                                  ? std::make_unique<DoubleByteTable>()
                                                                  : nullptr;
        return table.get();
    }

    DoubleByteTable() : m_cd(iconv_open("UTF-16LE", NIMBO_CODEPAGE)) {
        for (int byte = 0; byte < 256; ++byte) {
            const char one[] = {static_cast<char>(byte)};
            m_single[static_cast<std::size_t>(byte)] = ConvertOne(one, 1);
        }
    }
    ~DoubleByteTable() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    DoubleByteTable(const DoubleByteTable&) = delete;
    DoubleByteTable& operator=(const DoubleByteTable&) = delete;

    void Decode(std::string_view bytes, std::u16string& text) const {
        text.resize(bytes.size());  // never more characters than bytes
        char16_t* out = text.data();
        // Most wire text is single-byte characters: one look-up each, until
        // the first byte that is not one.
        std::size_t i = 0;
        for (; i < bytes.size(); ++i) {
            const char16_t single = m_single[static_cast<unsigned char>(bytes[i])];
            if (single >= TAKEN)
                break;
            out[i] = single;
        }
        if (i == bytes.size())
            return;
        std::size_t length = i;
        while (i < bytes.size())
            i += DecodeAny(bytes, i, out[length++]);
        text.resize(length);
    }

private:
    // No byte sequence of these code pages decodes to either.
    static constexpr char16_t NONE = 0xFFFF;   // not taken: U+FFFD for the first byte only
    static constexpr char16_t TAKEN = 0xFFFE;  // taken in, then rejected
    static constexpr int BYTE_VALUES = 256;

    static bool Qualifies(std::string_view name) { return name == "CP949" || name == "UHC" || name == "EUC-KR"; }

    // The one character that exactly `length` bytes convert to, TAKEN when
    // the converter took them all and still failed, otherwise NONE.
    char16_t ConvertOne(const char* bytes, std::size_t length) const {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return NONE;
        char16_t out[2] = {NONE, NONE};
        char* src = const_cast<char*>(bytes);
        std::size_t srcLeft = length;
        char* dst = reinterpret_cast<char*>(out);
        std::size_t dstLeft = sizeof out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
        if (srcLeft != 0)
            return NONE;
        if (rc == static_cast<std::size_t>(-1))
            return dstLeft == sizeof out ? TAKEN : NONE;
        return dstLeft == sizeof out - sizeof out[0] ? out[0] : NONE;
    }

    // Decodes the character at `i`; returns the number of bytes it took.
    std::size_t DecodeAny(std::string_view bytes, std::size_t i, char16_t& out) const {
        auto byte = static_cast<unsigned char>(bytes[i]);
        char16_t ch = m_single[byte];
        std::size_t width = 1;
        if (ch == NONE && i + 1 < bytes.size()) {
            ch = Row(byte)[static_cast<unsigned char>(bytes[i + 1])];
            width = ch == NONE ? 1 : 2;
        }
        // The converter rejects a few sequences only after it took them
        // in; the byte after them is then skipped as well.
        if (ch == TAKEN)
            width += i + width < bytes.size() ? 1u : 0u;
        out = ch == NONE || ch == TAKEN ? u'\uFFFD' : ch;
        return width;
    }

    // The characters of `lead` followed by each byte value.
    const char16_t* Row(unsigned char lead) const {
        const char16_t* row = m_rows[lead].load(std::memory_order_acquire);
        return row ? row : FillRow(lead);
    }

    const char16_t* FillRow(unsigned char lead) const {
        std::lock_guard lock(m_fillLock);
        if (!m_storage[lead]) {
            auto row = std::make_unique<char16_t[]>(BYTE_VALUES);
            for (int trail = 0; trail < BYTE_VALUES; ++trail) {
                const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
                row[static_cast<std::size_t>(trail)] = ConvertOne(pair, 2);
            }
            m_storage[lead] = std::move(row);
            m_rows[lead].store(m_storage[lead].get(), std::memory_order_release);
        }
        return m_storage[lead].get();
    }

    iconv_t m_cd;  // used under m_fillLock once constructed
    std::array<char16_t, BYTE_VALUES> m_single{};
    mutable std::mutex m_fillLock;
    mutable std::array<std::unique_ptr<char16_t[]>, BYTE_VALUES> m_storage;
    mutable std::array<std::atomic<const char16_t*>, BYTE_VALUES> m_rows{};
};

}  // namespace

bool CodePage::AsciiDecodesToItself() {
    std::u16string text;
    for (char byte = 0; static_cast<unsigned char>(byte) < ASCII_END; ++byte) {
        Decode(std::string_view(&byte, 1), text);
        if (text != std::u16string(1, static_cast<char16_t>(byte)))
            return false;
    }
    return true;
}

const char* CodePage::WireName() { return NIMBO_CODEPAGE; }

std::string CodePage::ToWire(std::u16string_view text) {
    thread_local Converter converter(NIMBO_CODEPAGE, "UTF-16LE");
    std::string bytes = ToUtf16Bytes(text);
    return converter.Run(bytes.data(), bytes.size(), 2, "?");
}

std::u16string CodePage::FromWire(std::string_view bytes) {
    std::u16string text;
    FromWire(bytes, text);
    return text;
}

void CodePage::Decode(std::string_view bytes, std::u16string& text) {
    if (const DoubleByteTable* table = DoubleByteTable::ForWireCodePage()) {
        table->Decode(bytes, text);
        return;
    }
    thread_local Converter converter("UTF-16LE", NIMBO_CODEPAGE);
    text = FromUtf16Bytes(converter.Run(bytes.data(), bytes.size(), 1, REPLACEMENT_UTF16));
}

std::string CodePage::ToUtf8(std::u16string_view text) {
    thread_local Converter converter("UTF-8", "UTF-16LE");
    std::string bytes = ToUtf16Bytes(text);
    return converter.Run(bytes.data(), bytes.size(), 2, "?");
}

std::u16string CodePage::FromUtf8(std::string_view bytes) {
    thread_local Converter converter("UTF-16LE", "UTF-8");
    return FromUtf16Bytes(converter.Run(bytes.data(), bytes.size(), 1, REPLACEMENT_UTF16));
}

std::size_t CodePage::CharBoundary(std::string_view bytes, std::size_t limit) {
    if (limit >= bytes.size())
        return bytes.size();
    std::size_t i = 0;
    while (i < limit) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        std::size_t width = (byte >= 0x81 && byte <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
        if (i + width > limit)
            break;
        i += width;
    }
    return i;
}

}  // namespace nimbo::platform
