#pragma once

#include "net/ByteString.h"

namespace nimbo {

// The C library's decimal conversion of wire text (leading white space and a
// sign accepted, stops at the first non-digit, 0 without digits), saturated
// instead of undefined when the digits do not fit an int.
int DecimalValue(const ByteString& text);

}  // namespace nimbo
