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

// A port or a count fits the buffer on the stack; longer text (blanks
// before the digits, say) is copied whole.
int DecimalValue(std::string_view text) {
    char buffer[64];
    if (text.size() < sizeof buffer) {
        text.copy(buffer, text.size());
        buffer[text.size()] = '\0';
        return Converted(buffer);
    }
    return Converted(std::string(text).c_str());
}

}  // namespace nimbo
