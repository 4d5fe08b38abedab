#pragma once

namespace nimbo::cli {

// The exit statuses of nimbo-cli.
enum ExitCode {
    EXIT_DONE = 0,
    EXIT_FAILED = 1,          // an operation failed; the reason is on standard error
    EXIT_USAGE = 2,           // the command line was not understood
    EXIT_LISTENER_LOST = 3,   // the notification connection was lost during listen
};

}  // namespace nimbo::cli
