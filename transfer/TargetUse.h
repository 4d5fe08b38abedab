#pragma once

namespace nimbo {

// How a receiver may use the file it is to write. It opens the file only
// after the sender's announced size proved to be the offered one, so that a
// refused or mismatched stream never empties or replaces anything.
enum class TargetUse {
    Replace,    // creates the file, or empties the one there
    Continue,   // keeps the first bytes of the file there up to the start
                // offset (as far as it holds them) and appends; creates it if none
    CreateNew,  // creates the file; a file or link already there is left as it
                // is and the receive is refused
};

// Whether a symbolic link in the target's place is followed.
enum class TargetLinks { Follow, Refuse };

}  // namespace nimbo
