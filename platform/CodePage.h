#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

    static std::string ToUtf8(std::u16string_view text);
    static std::u16string FromUtf8(std::string_view bytes);

    // The largest length <= limit at which `bytes` can be cut without leaving
    // the lead byte of a double-byte character behind.
    static std::size_t CharBoundary(std::string_view bytes, std::size_t limit);

    // The iconv name of the wire code page.
    static const char* WireName();
};

}  // namespace nimbo::platform
