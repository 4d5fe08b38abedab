#include "tools/CliArguments.h"

#include <string_view>

#include "tools/UsageError.h"

namespace nimbo::cli {
namespace {

// The value after option `name`, consuming it; throws when there is none.
std::string OptionValue(int argc, const char* const* argv, int& index, std::string_view name) {
    if (index + 1 >= argc)
        throw UsageError("option " + std::string(name) + " needs a value");
    return argv[++index];
}

}  // namespace

CliArguments CliArguments::Parse(int argc, const char* const* argv) {
    CliArguments arguments;
    int index = 1;
    for (; index < argc && std::string_view(argv[index]).starts_with("-"); ++index) {
        std::string_view option = argv[index];
        if (option == "--help" || option == "-h")
            arguments.help = true;
        else if (option == "--host")
            arguments.host = OptionValue(argc, argv, index, option);
        else if (option == "--user")
            arguments.user = OptionValue(argc, argv, index, option);
        else if (option == "--password")
            arguments.password = OptionValue(argc, argv, index, option);
        else
            throw UsageError("unknown option " + std::string(option));
    }
    if (arguments.help)
        return arguments;
    if (arguments.user.empty())
        throw UsageError("--user is required");
    if (index == argc)
        throw UsageError("no command given");
    arguments.command = argv[index];
    arguments.commandArgs.assign(argv + index + 1, argv + argc);
    return arguments;
}

const char* CliArguments::Usage() {
    return "usage: nimbo-cli [--host HOST] --user ID [--password PW] COMMAND [ARGS...]\n"
           "\n"
           "Without --password the password is the first line of standard input.\n"
           "\n"
           "commands:\n"
           "  buddies                 print the buddy list, one row a line:\n"
           "                          IMAGE<TAB>INDENT<TAB>COLUMN0<TAB>COLUMN1\n"
           "  note ID TEXT            send the note TEXT to the user ID\n"
           "  listen [--seconds N]    print one line per event for N seconds, or until\n"
           "                          SIGINT/SIGTERM: note<TAB>FROM<TAB>TEXT,\n"
           "                          offer<TAB>FROM<TAB>FILENAME<TAB>SIZE<TAB>ADDRESS<TAB>PORT,\n"
           "                          logon, lost\n"
           "\n"
           "Texts are UTF-8; \\n, \\r, \\t and \\\\ stand for those characters in printed texts.\n"
           "exit status: 0 done, 1 the operation failed, 2 usage error,\n"
           "             3 the notification connection was lost during listen\n";
}

}  // namespace nimbo::cli
