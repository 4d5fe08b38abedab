#include "tools/CommandTable.h"

#include <functional>
#include <map>

#include "tools/BuddiesCommand.h"
#include "tools/ListenCommand.h"
#include "tools/NoteCommand.h"
#include "tools/SendFileCommand.h"
#include "tools/UsageError.h"

namespace nimbo::cli {
namespace {

using Factory = std::function<std::unique_ptr<ICliCommand>(const std::vector<std::string>& args)>;

template <class Command>
Factory FactoryOf() {
    return [](const std::vector<std::string>& args) { return std::make_unique<Command>(args); };
}

const std::map<std::string, Factory>& Commands() {
    static const std::map<std::string, Factory> commands = {
        {"buddies", FactoryOf<BuddiesCommand>()},
        {"note", FactoryOf<NoteCommand>()},
        {"listen", FactoryOf<ListenCommand>()},
        {"send-file", FactoryOf<SendFileCommand>()},
    };
    return commands;
}

}  // namespace

std::unique_ptr<ICliCommand> MakeCommand(const std::string& name, const std::vector<std::string>& args) {
    auto found = Commands().find(name);
    if (found == Commands().end())
        throw UsageError("unknown command " + name);
    return found->second(args);
}

}  // namespace nimbo::cli
