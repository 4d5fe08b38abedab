#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "net/CBlockingSocket.h"
#include "platform/WindowMessages.h"
#include "transfer/TargetUse.h"

namespace nimbo {

// One transfer's record, shared by its window and its worker. Both hold it
// by std::shared_ptr, so it stays valid for whichever of them ends last; the
// worker reaches the window only through messages to hWndNotify and never
// through anything else.
//
// The window fills the plain fields before it starts the worker, which
// copies them when it starts. The sockets are exchanged under one lock, so
// that Cancel, on the window's thread, can never reach a socket that the
// worker has already moved past.
class TransferInfo {
public:
    TransferInfo() = default;
    // Closes a listening socket that no worker took.
    ~TransferInfo();
    TransferInfo(const TransferInfo&) = delete;
    TransferInfo& operator=(const TransferInfo&) = delete;

    // The window the worker reports to; null: nobody is told (and there is
    // no window whose going away ends the worker).
    platform::HWND hWndNotify = platform::NULL_WINDOW;
    // The file to send, or the target file of a receive.
    std::u16string strFilePath;
    // Receiving side: the sender's address from the offer. Sending side: the
    // receiver's address as the buddy table gives it; when it is a dotted
    // address other than 0.0.0.0, only a connection from there is taken as
    // the receiver's, any other is closed at once.
    std::u16string strPeerAddress;
    // The sender's listening port.
    int nPort = 0;
    // Receiving side: the size the offer named. A stream that announces any
    // other size is refused.
    std::uint32_t nFileSize = 0;
    // Receiving side: how the target may be opened (chosen by the caller, who
    // asks the user before it lets a target be replaced or continued), and
    // for TargetUse::Continue the offset to continue from.
    TargetUse targetUse = TargetUse::Replace;
    TargetLinks targetLinks = TargetLinks::Follow;
    std::int32_t nStartOffset = 0;
    // Read by the worker before every block.
    std::atomic<bool> bCancel{false};
    // Lets the sender's synchronous WM_TRANSFER_START be abandoned.
    platform::StopSignal stop;

    // The window's close, callable from any thread and more than once; final
    // for the record. Sets bCancel, abandons a pending WM_TRANSFER_START,
    // closes a listening socket that waits for the receiver and wakes a data
    // connection blocked in a send or receive, so that the worker ends by
    // itself within moments and without a message (the window is gone, or
    // it gets TE_SEND_CLOSED / TE_RECV_CLOSED).
    void Cancel();
    // Ends a pending accept: shuts the published listening socket down (the
    // worker then closes it). Nothing when the worker has moved past it.
    void CloseListenSocket();

    // Sending side, before the worker starts: hands over the socket that
    // already listens on nPort. A socket published earlier and not taken
    // is closed.
    void PublishListenSocket(std::unique_ptr<CBlockingSocket> socket);

    // For the workers only.
    // The published listening socket, or null. It stays valid until this
    // worker calls EndListening.
    CBlockingSocket* ListenSocket();
    // Right after accept returned: withdraws the listening socket under the
    // lock and closes it.
    void EndListening();
    // Makes a Cancel wake `socket`, until WithdrawDataSocket.
    void PublishDataSocket(CBlockingSocket* socket);
    void WithdrawDataSocket();

private:
    void WakeIfCancelled(CBlockingSocket* socket);

    std::mutex m_socketLock;
    std::unique_ptr<CBlockingSocket> m_pListenSocket;
    CBlockingSocket* m_dataSocket = nullptr;
};

}  // namespace nimbo
