#include "net/DecimalValue.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace nimbo {

namespace {

int Converted(const char* text) {
    long value = std::strtol(text, nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

}  // namespace

int DecimalValue(const ByteString& text) { return Converted(text.c_str()); }

// Plain digits that fit are read at once; anything else is copied for the C
// library, on the stack when it is short.
int DecimalValue(std::string_view text) {
    constexpr std::size_t SAFE_DIGITS = 9;
    if (!text.empty() && text.size() <= SAFE_DIGITS &&
        text.find_first_not_of("0123456789") == std::string_view::npos) {
        int value = 0;
        for (char digit : text)
            value = value * 10 + (digit - '0');
        return value;
    }
    char buffer[64];
    if (text.size() < sizeof buffer) {
        text.copy(buffer, text.size());
        buffer[text.size()] = '\0';
        return Converted(buffer);
    }
    return Converted(std::string(text).c_str());
}

}  // namespace nimbo
