#pragma once

namespace nimbo {

class AgentSession;
class IFileChooser;

namespace platform {
class IMessageThread;
}

// What a transfer window works with: the session that places offers, the
// thread that owns its window handle (the GUI thread) and its file dialogs.
// All of them outlive every transfer window.
struct TransferServices {
    AgentSession* session;
    platform::IMessageThread* gui;
    IFileChooser* chooser;
};

}  // namespace nimbo
