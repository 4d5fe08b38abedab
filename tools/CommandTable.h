#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/ICliCommand.h"

namespace nimbo::cli {

// Builds the command `name` from `args`; throws UsageError for an unknown
// name or arguments that do not fit. A new command is one more entry here.
std::unique_ptr<ICliCommand> MakeCommand(const std::string& name, const std::vector<std::string>& args);

}  // namespace nimbo::cli
