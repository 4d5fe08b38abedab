#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/ByteString.h"
#include "platform/WindowMessages.h"
#include "session/CAgentSocket.h"

namespace nimbo {

class AgentSession;

// The notification listener of one successful Login: a thread that holds the
// connection to the notification server, identifies on it, and hands every
// block to DispatchNotification while the session is logged in. It ends at
// the first block after Logout, when the connection fails (then, if the
// session is still logged in after a pause, it sends WM_LISTENERLOST to the
// main window and waits until that is handled), or when stopped.
class NotificationListener {
public:
    // How long a failed connection waits before it reports the loss.
    static constexpr auto LOSS_PAUSE = std::chrono::seconds(1);

    // Starts the thread, which identifies with the session's identity as it
    // is now. `session` must outlive this object.
    NotificationListener(AgentSession& session, ByteString notifyHost, int notifyPort);
    // Stops the thread and joins it.
    ~NotificationListener();
    NotificationListener(const NotificationListener&) = delete;
    NotificationListener& operator=(const NotificationListener&) = delete;

    // Ends the thread from any other thread, also the one that owns the main
    // window while the listener is sending WM_LISTENERLOST to it: the send is
    // abandoned, a pending connect or a blocked receive is ended by a
    // shutdown of the connection, the pause is cut short. Returns once the
    // thread has ended; only a name lookup of the notification host, which
    // nothing can cut short, may hold it up.
    void Stop();

    // False once the connection has failed or ended (the thread may still be
    // reporting the loss): nothing is delivered any more.
    bool IsListening() const { return m_listening.load(); }

private:
    void ListenerThreadProc();
    void Listen();
    void ReportLoss();
    bool PauseUnlessStopped();

    AgentSession& m_session;
    const ByteString m_strNotifyHost;
    const int m_nNotifyPort;
    const ByteString m_strUserId;
    const ByteString m_strPassword64;
    std::atomic<bool> m_listening{true};
    CAgentSocket m_socket;
    platform::StopSignal m_stop;
    std::mutex m_pauseLock;
    std::condition_variable m_pauseWake;
    std::thread m_thread;
};

}  // namespace nimbo
