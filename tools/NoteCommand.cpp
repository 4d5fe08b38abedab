#include "tools/NoteCommand.h"

#include "platform/CodePage.h"
#include "tools/CommandFailure.h"
#include "tools/ExitCode.h"
#include "tools/SignedInScope.h"
#include "tools/UsageError.h"

namespace nimbo::cli {

NoteCommand::NoteCommand(const std::vector<std::string>& args) {
    if (args.size() != 2)
        throw UsageError("note takes a user ID and a text");
    m_callee = platform::CodePage::FromUtf8(args[0]);
    m_text = platform::CodePage::FromUtf8(args[1]);
}

int NoteCommand::Run(CliContext& context) {
    SignedInScope signIn(context, SignIn::OneShot);
    if (!context.session.SendInstantMessage(m_callee, m_text))
        throw CommandFailure::Because("the note was not accepted", context.session);
    return EXIT_DONE;
}

}  // namespace nimbo::cli
