#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/AsciiText.h"

namespace nimbo::platform {

// Conversion between the UTF-16 text the user sees and the single-byte wire
// text in the device code page (949 unless the build says otherwise), plus
// UTF-8 for terminals. Conversions never fail: a character the target cannot
// express becomes '?' (or U+FFFD when decoding), so hostile input can neither
// crash nor overrun anything.
class CodePage {
public:
    static std::string ToWire(std::u16string_view text);
    static std::u16string FromWire(std::string_view bytes);
    // The same into `units`, which has room for one per byte; returns how
    // many it wrote. ASCII text, as user IDs mostly are, is widened in
    // place: a long list of IDs costs no call per ID.
    static std::size_t FromWire(std::string_view bytes, char16_t* units) {
        if (IsPlain(bytes)) {
            Widen(bytes, units);
            return bytes.size();
        }
        const std::u16string text = FromWire(bytes);
        text.copy(units, text.size());
        return text.size();
    }
    // The same into `text`, whose room is reused: a table of records that
    // is refilled decodes without allocating.
    static void FromWire(std::string_view bytes, std::u16string& text) {
        if (!IsPlain(bytes)) {
            Decode(bytes, text);
            return;
        }
        text.resize(bytes.size());
        Widen(bytes, text.data());
    }

    static std::string ToUtf8(std::u16string_view text);
    static std::u16string FromUtf8(std::string_view bytes);

    // The largest length <= limit at which `bytes` can be cut without leaving
    // the lead byte of a double-byte character behind.
    static std::size_t CharBoundary(std::string_view bytes, std::size_t limit);

    // The iconv name of the wire code page.
    static const char* WireName();

    // Whether `bytes` decode byte for byte to code units of the same values:
    // every byte is ASCII and the wire code page gives ASCII its own values.
    static bool IsPlain(std::string_view bytes) { return AsciiText::IsAscii(bytes) && AsciiIsPlain(); }

private:
    // Found out when first asked, not while the program starts.
    static bool AsciiIsPlain() {
        static const bool plain = AsciiDecodesToItself();
        return plain;
    }
    static bool AsciiDecodesToItself();
    // ASCII bytes as as many code units of the same values.
    static void Widen(std::string_view bytes, char16_t* units) { AsciiText::Widen(bytes, units); }
    static void Decode(std::string_view bytes, std::u16string& text);

    static constexpr unsigned ASCII_END = 0x80;
};

}  // namespace nimbo::platform
