#pragma once

namespace nimbo {

class AgentSession;
class IFileChooser;
class SessionWorker;

namespace platform {
class IMessageThread;
}

// What a transfer window works with: the session that places offers, the
// thread that owns its window handle (the GUI thread), its file dialogs, and
// the worker that runs the offer aside while the window repaints (none: the
// offer blocks the GUI thread). All of them outlive every transfer window.
struct TransferServices {
    AgentSession* session;
    platform::IMessageThread* gui;
    IFileChooser* chooser;
    SessionWorker* worker = nullptr;
};

}  // namespace nimbo
