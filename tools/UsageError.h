#pragma once

#include <stdexcept>

namespace nimbo::cli {

// The command line cannot be understood; the user gets the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace nimbo::cli
