#include "tools/CliApplication.h"

#include <memory>

#include "platform/CodePage.h"
#include "session/AgentHost.h"
#include "session/AgentSession.h"
#include "tools/CliArguments.h"
#include "tools/CliContext.h"
#include "tools/CommandFailure.h"
#include "tools/CommandTable.h"
#include "tools/ExitCode.h"
#include "tools/UsageError.h"

namespace nimbo::cli {

int CliApplication::Run(int argc, const char* const* argv) {
    CliArguments arguments;
    std::unique_ptr<ICliCommand> command;
    try {
        arguments = CliArguments::Parse(argc, argv);
        if (arguments.help) {
            m_out << CliArguments::Usage() << std::flush;
            return EXIT_DONE;
        }
        if (arguments.version) {
            m_out << "nimbo-cli " NIMBO_VERSION "\n" << std::flush;
            return EXIT_DONE;
        }
        command = MakeCommand(arguments.command, arguments.commandArgs);
    } catch (const UsageError& error) {
        m_err << "nimbo-cli: " << error.what() << "\n" << CliArguments::Usage() << std::flush;
        return EXIT_USAGE;
    }
    if (arguments.host)
        g_strAgentHost.Set(platform::CodePage::FromUtf8(*arguments.host));
    std::u16string password = arguments.password ? platform::CodePage::FromUtf8(*arguments.password) : ReadPassword();
    AgentSession session;
    EventPrinter printer(m_out);
    CliContext context{session, printer, m_err, platform::CodePage::FromUtf8(arguments.user), password};
    int status = EXIT_FAILED;
    try {
        status = command->Run(context);
    } catch (const CommandFailure& failure) {
        m_err << "nimbo-cli: " << failure.what() << std::endl;
    }
    // A reader of the output must not take a part for the whole.
    if (printer.Failed() && status == EXIT_DONE) {
        m_err << "nimbo-cli: the output could not be written" << std::endl;
        status = EXIT_FAILED;
    }
    return status;
}

// The first line of the input, without its line end; empty at end of input.
std::u16string CliApplication::ReadPassword() {
    std::string line;
    std::getline(m_in, line);
    if (line.ends_with('\r'))
        line.pop_back();
    return platform::CodePage::FromUtf8(line);
}

}  // namespace nimbo::cli
