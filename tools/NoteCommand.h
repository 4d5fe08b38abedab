#pragma once

#include <string>
#include <vector>

#include "tools/ICliCommand.h"

namespace nimbo::cli {

// note ID TEXT: signs in, sends the note TEXT to the user ID, signs out.
class NoteCommand : public ICliCommand {
public:
    explicit NoteCommand(const std::vector<std::string>& args);
    int Run(CliContext& context) override;

private:
    std::u16string m_callee;
    std::u16string m_text;
};

}  // namespace nimbo::cli
