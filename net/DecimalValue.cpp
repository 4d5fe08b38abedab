#include "net/DecimalValue.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace nimbo {

int DecimalValue(const ByteString& text) {
    long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

}  // namespace nimbo
