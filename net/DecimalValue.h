#pragma once

#include <string_view>

#include "net/ByteString.h"

namespace nimbo {

// The C library's decimal conversion of wire text (leading white space and a
// sign accepted, stops at the first non-digit, 0 without digits), saturated
// instead of undefined when the digits do not fit an int.
int DecimalValue(const ByteString& text);
// The same of text that need not end in a zero byte; it ends at the first
// zero byte it holds, if any.
int DecimalValue(std::string_view text);

}  // namespace nimbo
