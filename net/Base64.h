#pragma once

#include <cstddef>
#include <vector>

#include "net/ByteString.h"

namespace nimbo::base64 {

// Base64 with the standard alphabet and "=" padding, no line breaks.

// Encodes `length` bytes into `out`; false (and `out` unchanged) when memory
// cannot be obtained.
bool EncodeInto(const void* bytes, std::size_t length, ByteString& out);

// Decodes `length` characters. A final group of fewer than four characters
// decodes as though padded; characters outside the alphabet are not rejected.
std::vector<unsigned char> Decode(const char* text, std::size_t length);

// Decode's bytes without an allocation: `out` must have room for
// DecodedCapacity(length) bytes. Returns the number of bytes stored.
std::size_t DecodeTo(const char* text, std::size_t length, unsigned char* out);
constexpr std::size_t DecodedCapacity(std::size_t length) { return (length + 3) / 4 * 3; }

// Decodes the NUL-terminated `text` into `buffer`, cutting the result to
// capacity - 1 bytes and terminating it; never writes past the buffer.
// Returns the number of bytes stored.
int DecodeInto(const char* text, char* buffer, int capacity);

// Decodes a text body: the result ends at the first zero byte and, when
// `limit` is given, is cut to at most `limit` bytes without splitting a
// double-byte character.
ByteString DecodeText(const ByteString& text, std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace nimbo::base64
