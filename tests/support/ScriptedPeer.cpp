#include "tests/support/ScriptedPeer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "tests/support/ListenOn.h"

namespace nimbo::test {
namespace {

// Only guards against a test that never lets a connection end; no test
// depends on it.
constexpr auto SAFETY_LIMIT = std::chrono::seconds(60);
constexpr int LISTEN_BACKLOG = 16;

}  // namespace

ScriptedPeer::ScriptedPeer(const std::string& address, int port)
    : m_listenHandle(ListenOn(address, port, LISTEN_BACKLOG)), m_acceptThread([this] { AcceptLoop(); }) {}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        for (auto& served : m_served)
            served.connection->Interrupt();
    }
    // Ends the blocked accept (Linux wakes it with EINVAL).
    shutdown(m_listenHandle, SHUT_RDWR);
    m_acceptThread.join();
    for (auto& served : m_served)
        served.thread.join();
    close(m_listenHandle);
}

void ScriptedPeer::Expect(Script script) {
    std::lock_guard lock(m_lock);
    m_scripts.push_back(std::move(script));
}

void ScriptedPeer::SetDefaultScript(Script script) {
    std::lock_guard lock(m_lock);
    m_defaultScript = std::move(script);
}

std::string ScriptedPeer::Received(std::size_t index) {
    std::unique_lock lock(m_lock);
    bool ended = m_changed.wait_for(lock, SAFETY_LIMIT,
                                    [&] { return index < m_served.size() && m_served[index].finished; });
    return ended ? m_served[index].connection->Received() : std::string();
}

std::size_t ScriptedPeer::ConnectionCount() {
    std::lock_guard lock(m_lock);
    return m_served.size();
}

void ScriptedPeer::AcceptLoop() {
    for (;;) {
        int handle = accept4(m_listenHandle, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(m_lock);
        if (m_stopping) {
            if (handle >= 0)
                close(handle);
            return;
        }
        if (handle < 0)
            continue;
        Served& served = m_served.emplace_back();
        served.connection = std::make_shared<PeerConnection>(handle);
        served.thread = std::thread(&ScriptedPeer::Serve, this, m_served.size() - 1, NextScript());
    }
}

void ScriptedPeer::Serve(std::size_t index, Script script) {
    std::shared_ptr<PeerConnection> connection;
    {
        std::lock_guard lock(m_lock);
        connection = m_served[index].connection;
    }
    if (script)
        script(*connection);
    connection->WaitForClose();
    connection->Close();
    std::lock_guard lock(m_lock);
    m_served[index].finished = true;
    m_changed.notify_all();
}

Script ScriptedPeer::NextScript() {
    if (m_scripts.empty())
        return m_defaultScript;
    Script script = std::move(m_scripts.front());
    m_scripts.pop_front();
    return script;
}

}  // namespace nimbo::test
