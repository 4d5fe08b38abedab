#pragma once

namespace nimbo {

// A window that takes commands by identifier. The main frame offers every
// command to its pane's handler before it handles the command itself.
class ICommandHandler {
public:
    virtual ~ICommandHandler() = default;
    // Returns true when the command was handled.
    virtual bool OnCommand(unsigned id) = 0;
};

}  // namespace nimbo
