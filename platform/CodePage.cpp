#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>
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

}  // namespace

std::string CodePage::ToWire(std::u16string_view text) {
    thread_local Converter converter(NIMBO_CODEPAGE, "UTF-16LE");
    std::string bytes = ToUtf16Bytes(text);
    return converter.Run(bytes.data(), bytes.size(), 2, "?");
}

std::u16string CodePage::FromWire(std::string_view bytes) {
    thread_local Converter converter("UTF-16LE", NIMBO_CODEPAGE);
    return FromUtf16Bytes(converter.Run(bytes.data(), bytes.size(), 1, REPLACEMENT_UTF16));
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
