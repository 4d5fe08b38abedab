#pragma once

#include <string>
#include <vector>

#include "tools/ICliCommand.h"

namespace nimbo::cli {

// buddies: signs in online, fetches the buddy list and prints every row of
// it as the list shows it, then signs out.
class BuddiesCommand : public ICliCommand {
public:
    // Takes no arguments.
    explicit BuddiesCommand(const std::vector<std::string>& args);
    int Run(CliContext& context) override;
};

}  // namespace nimbo::cli
