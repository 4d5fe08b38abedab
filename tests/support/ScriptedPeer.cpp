#include "tests/support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace nimbo::test {
namespace {

// Only guards against a test that never lets a connection end; no test
// depends on it.
constexpr auto SAFETY_LIMIT = std::chrono::seconds(60);

int ListenOn(const std::string& address, int port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
        throw std::runtime_error("ScriptedPeer: not a dotted address: " + address);
    int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (handle < 0 || bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(handle, 16) != 0) {
        std::string reason = std::strerror(errno);
        if (handle >= 0)
            close(handle);
        throw std::runtime_error("ScriptedPeer: cannot listen on " + address + ":" + std::to_string(port) + ": " +
                                 reason);
    }
    return handle;
}

}  // namespace

ScriptedPeer::ScriptedPeer(const std::string& address, int port)
    : m_listenHandle(ListenOn(address, port)), m_acceptThread([this] { AcceptLoop(); }) {}

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
