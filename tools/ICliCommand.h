#pragma once

namespace nimbo::cli {

struct CliContext;

// One nimbo-cli command. It is built from its own arguments (throwing
// UsageError when they do not fit) and then run once.
class ICliCommand {
public:
    virtual ~ICliCommand() = default;
    // Returns the exit status; throws CommandFailure when an operation fails.
    virtual int Run(CliContext& context) = 0;
};

}  // namespace nimbo::cli
