#pragma once

#include <memory>
#include <string>

#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"

namespace nimbo {

// Shows the platform layer's message boxes as Qt message boxes on the GUI
// thread; install it with platform::SetMessageBoxHandler. Called from
// another thread, it queues the box to the GUI thread and blocks until the
// user has answered; a box dropped unshown (the GUI thread's queue goes
// away first) counts as dismissed (platform::DecliningAnswer).
class QtMessageBoxHandler {
public:
    explicit QtMessageBoxHandler(platform::IMessageThread& gui);

    platform::MessageBoxResult operator()(const std::u16string& text, const std::u16string& caption,
                                          platform::MessageBoxButtons buttons) const;

    // Shows the box on the calling thread, which must be the GUI thread.
    static platform::MessageBoxResult ShowHere(const std::u16string& text, const std::u16string& caption,
                                               platform::MessageBoxButtons buttons);

    // For good, for this handler and every copy of it: a box asked for from
    // now on is dismissed unshown. Called on the GUI thread before its queue
    // goes, so that no copy a worker still holds can reach the queue after.
    void Close() const;

private:
    struct Gui;

    std::shared_ptr<Gui> m_gui;
};

}  // namespace nimbo
