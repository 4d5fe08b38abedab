#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbo::test {

// Deterministic bytes that differ with `seed`: file contents whose every
// misplaced block shows.
std::string Pattern(std::size_t size, unsigned seed = 1);
// 32 bits, least significant byte first, as the direct stream carries them.
std::string Word(std::int64_t value);
// The signed 32-bit value of the first four bytes of `bytes`, as a start
// offset travels; at least four bytes are needed.
std::int32_t WordValue(std::string_view bytes);

}  // namespace nimbo::test
