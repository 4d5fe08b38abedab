#pragma once

namespace nimbo::fuzz {

// Ends the run at a broken promise: the fuzzer reports it as a crash, with
// the input that caused it.
inline void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace nimbo::fuzz
