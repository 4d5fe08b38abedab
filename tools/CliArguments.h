#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nimbo::cli {

// The command line of nimbo-cli, UTF-8 as the terminal gives it:
//   nimbo-cli [--host HOST] --user ID [--password PW] COMMAND [ARGS...]
// The options come before the command; the command reads its own ARGS.
class CliArguments {
public:
    // Throws UsageError with a message for the user.
    static CliArguments Parse(int argc, const char* const* argv);
    static const char* Usage();

    bool help = false;
    bool version = false;
    std::optional<std::string> host;
    std::string user;
    std::optional<std::string> password;
    std::string command;
    std::vector<std::string> commandArgs;
};

}  // namespace nimbo::cli
