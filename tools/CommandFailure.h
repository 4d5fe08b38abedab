#pragma once

#include <stdexcept>

namespace nimbo::cli {

// An operation of a command failed; what() is the one-line reason.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace nimbo::cli
