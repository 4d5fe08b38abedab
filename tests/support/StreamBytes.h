#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nimbo::test {

// Deterministic bytes that differ with `seed`: file contents whose every
// misplaced block shows.
std::string Pattern(std::size_t size, unsigned seed = 1);
// 32 bits, least significant byte first, as the direct stream carries them.
std::string Word(std::int64_t value);

}  // namespace nimbo::test
