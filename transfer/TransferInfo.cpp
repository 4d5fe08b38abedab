#include "transfer/TransferInfo.h"

#include <utility>

namespace nimbo {

TransferInfo::~TransferInfo() {
    if (m_pListenSocket)
        m_pListenSocket->Close();
}

void TransferInfo::Cancel() {
    bCancel = true;
    stop.Request();
    CloseListenSocket();
    std::lock_guard lock(m_socketLock);
    if (m_dataSocket)
        m_dataSocket->Shutdown();
}

void TransferInfo::CloseListenSocket() {
    std::lock_guard lock(m_socketLock);
    if (m_pListenSocket)
        m_pListenSocket->Shutdown();
}

void TransferInfo::PublishListenSocket(std::unique_ptr<CBlockingSocket> socket) {
    std::unique_ptr<CBlockingSocket> earlier;
    {
        std::lock_guard lock(m_socketLock);
        earlier = std::exchange(m_pListenSocket, std::move(socket));
        WakeIfCancelled(m_pListenSocket.get());
    }
    if (earlier)
        earlier->Close();
}

CBlockingSocket* TransferInfo::ListenSocket() {
    std::lock_guard lock(m_socketLock);
    return m_pListenSocket.get();
}

void TransferInfo::EndListening() {
    std::unique_ptr<CBlockingSocket> listening;
    {
        std::lock_guard lock(m_socketLock);
        listening = std::move(m_pListenSocket);
    }
    if (listening)
        listening->Close();
}

void TransferInfo::PublishDataSocket(CBlockingSocket* socket) {
    std::lock_guard lock(m_socketLock);
    m_dataSocket = socket;
    WakeIfCancelled(m_dataSocket);
}

void TransferInfo::WithdrawDataSocket() { PublishDataSocket(nullptr); }

// Called under the lock: a Cancel that came first has set bCancel before it
// took the lock, so a socket published after it is woken here instead.
void TransferInfo::WakeIfCancelled(CBlockingSocket* socket) {
    if (socket && bCancel)
        socket->Shutdown();
}

}  // namespace nimbo
