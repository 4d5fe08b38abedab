#include "session/NotificationListener.h"

#include <utility>

#include "net/CBlockingSocketException.h"
#include "session/AgentSession.h"
#include "session/DispatchNotification.h"
#include "session/SessionMessages.h"

namespace nimbo {
namespace {

// The listener waits for the next block as long as it takes.
constexpr int WAIT_WITHOUT_LIMIT = 0;

}  // namespace

NotificationListener::NotificationListener(AgentSession& session, ByteString notifyHost, int notifyPort)
    : m_session(session),
      m_strNotifyHost(std::move(notifyHost)),
      m_nNotifyPort(notifyPort),
      m_strUserId(session.GetUserId()),
      m_strPassword64(session.GetPassword64()),
      m_thread([this] { ListenerThreadProc(); }) {}

NotificationListener::~NotificationListener() { Stop(); }

void NotificationListener::Stop() {
    // The request comes first: a send to the stopping thread is abandoned,
    // and a connect that has not started by the shutdown below never starts.
    m_stop.Request();
    m_socket.Shutdown();
    {
        std::lock_guard lock(m_pauseLock);
    }
    m_pauseWake.notify_all();
    platform::JoinWorker(m_thread, m_stop);
}

void NotificationListener::ListenerThreadProc() {
    bool lost = false;
    try {
        Listen();
    } catch (const CBlockingSocketException&) {
        lost = true;
    }
    m_listening = false;
    if (lost)
        ReportLoss();
    m_socket.Close();
}

// Returns when the connection or the identification failed, when a block
// arrived after Logout, or when stopped; throws when the connection fails.
void NotificationListener::Listen() {
    if (!m_socket.ConnectHost(m_strNotifyHost.ToWide(), m_nNotifyPort, &m_stop) || m_stop.IsRequested())
        return;
    if (!m_socket.CmdAuth(m_strUserId, m_strPassword64))
        return;
    ByteString block;
    for (;;) {
        m_socket.ReadBlock(block, WAIT_WITHOUT_LIMIT);
        if (!m_session.IsLoggedIn() || m_stop.IsRequested())
            return;
        DispatchNotification(m_session, block);
    }
}

void NotificationListener::ReportLoss() {
    if (PauseUnlessStopped() && m_session.IsLoggedIn())
        platform::SendMessage(platform::GetMainWindow(), WM_LISTENERLOST, 0, 0, nullptr, &m_stop);
}

// Waits LOSS_PAUSE; false when a stop request cut the wait short.
bool NotificationListener::PauseUnlessStopped() {
    std::unique_lock lock(m_pauseLock);
    return !m_pauseWake.wait_for(lock, LOSS_PAUSE, [this] { return m_stop.IsRequested(); });
}

}  // namespace nimbo
