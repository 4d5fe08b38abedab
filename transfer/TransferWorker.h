#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "transfer/TransferInfo.h"

namespace nimbo {

// One worker of a transfer (FileSendProc or FileRecvProc) on a thread of its
// own, and the way its window ends it.
//
// The contract between a window (the transfer dialog, nimbo-cli) and its
// worker:
// - The window fills the TransferInfo (for a send, OfferFile also publishes
//   the listening socket), then constructs the TransferWorker. The worker
//   touches only the shared TransferInfo, its own stack and process-wide
//   services (window messages, the message box handler, files); it never
//   reaches into the window. It ends by itself: right after posting
//   WM_TRANSFER_END (after the write-failure message box was answered, for
//   that failure), or silently once the window is gone.
// - Closing the window: info->Cancel(), then destroy the window; nothing
//   waits. Cancel wakes every wait of the worker but one (see below), so it
//   ends within moments and without a message.
// - After WM_TRANSFER_END: Join(). The worker is past its last wait; the same
//   TransferInfo may then serve a new worker (the send dialog sends another
//   file this way).
// - Exit, or destroying the TransferWorker: Stop(bound) cancels a worker
//   that still runs and waits at most `bound` for it. A worker that ended is
//   joined; one still running is detached, which is safe because it holds
//   nothing but shared-owned state. The one wait that Cancel cannot cut short
//   is the receiver's write-failure message box, which waits for the GUI
//   thread: so the GUI thread never joins without a bound. A cancelled
//   receiver shows no message box, so none appears after Stop; and before
//   the application tears down what its message box handler uses, it
//   restores the default handler (platform::SetMessageBoxHandler({})), so
//   that a detached worker never reaches a destroyed GUI.
// - A handler of the worker's own window may call Stop: the StopSignal in
//   the record releases a pending synchronous WM_TRANSFER_START.
class TransferWorker {
public:
    using Procedure = void (*)(std::shared_ptr<TransferInfo> info);

    // How long the destructor waits for a cancelled worker.
    static constexpr std::chrono::milliseconds STOP_BOUND{3000};

    // Starts `procedure` on a new thread with `info`. When the system gives
    // no thread, nothing runs, Started() is false and the caller reports the
    // failure as it would any other: no end code will come.
    TransferWorker(Procedure procedure, std::shared_ptr<TransferInfo> info);
    ~TransferWorker() { Stop(STOP_BOUND); }
    TransferWorker(const TransferWorker&) = delete;
    TransferWorker& operator=(const TransferWorker&) = delete;

    // Waits for the worker's end without cancelling it; for a worker that
    // has posted WM_TRANSFER_END.
    void Join();
    // Joins a worker that has ended. Otherwise cancels it (final for the
    // record), waits at most `bound`, then joins or detaches it. True when it
    // was joined (or already was).
    bool Stop(std::chrono::milliseconds bound);
    // Whether the worker has ended (or never started).
    bool HasEnded() const;
    bool Started() const { return m_started; }
    // Why the thread could not be started; empty when it was.
    const std::string& Failure() const { return m_failure; }

private:
    const std::shared_ptr<TransferInfo> m_info;
    std::future<void> m_ended;
    std::thread m_thread;
    bool m_started = false;
    std::string m_failure;
};

}  // namespace nimbo
