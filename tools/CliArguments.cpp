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
        else if (option == "--version")
            arguments.version = true;
        else if (option == "--host")
            arguments.host = OptionValue(argc, argv, index, option);
        else if (option == "--user")
            arguments.user = OptionValue(argc, argv, index, option);
        else if (option == "--password")
            arguments.password = OptionValue(argc, argv, index, option);
        else
            throw UsageError("unknown option " + std::string(option));
    }
    if (arguments.help || arguments.version)
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
           "       nimbo-cli --help | --version\n"
           "\n"
           "Without --password the password is the first line of standard input.\n"
           "\n"
           "commands:\n"
           "  buddies                 print the buddy list, one row a line:\n"
           "                          IMAGE<TAB>INDENT<TAB>COLUMN0<TAB>COLUMN1\n"
           "  note ID TEXT            send the note TEXT to the user ID\n"
           "  listen [--seconds N] [--accept-files DIR [--resume] [--replace]]\n"
           "                          print one line per event for N seconds, or until\n"
           "                          SIGINT/SIGTERM: note<TAB>FROM<TAB>TEXT,\n"
           "                          offer<TAB>FROM<TAB>FILENAME<TAB>SIZE<TAB>ADDRESS<TAB>PORT,\n"
           "                          logon, lost; with DIR offered files are received into\n"
           "                          DIR, at most 4 at once (further offers are declined),\n"
           "                          under a free name \"NAME (N).EXT\" when the name is\n"
           "                          taken; --resume continues a shorter file of that name,\n"
           "                          --replace replaces one; file<TAB>PATH<TAB>END is\n"
           "                          printed when a receive ends\n"
           "  send-file ID PATH [--seconds N]\n"
           "                          offer the file PATH to the buddy ID and send it;\n"
           "                          waits for the buddy without limit or N seconds:\n"
           "                          progress<TAB>DONE<TAB>TOTAL, end<TAB>END\n"
           "\n"
           "Texts are UTF-8; \\n, \\r, \\t and \\\\ stand for those characters in printed texts,\n"
           "\\xHH for any other control character.\n"
           "END is the name of the transfer's end code, e.g. TE_SEND_DONE.\n"
           "exit status: 0 done (send-file: only for TE_SEND_DONE; listen: every file\n"
           "             taken received), 1 the operation failed,\n"
           "             2 usage error, 3 the notification connection was lost during listen\n";
}

}  // namespace nimbo::cli
