#include "tests/support/PeerConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace nimbo::test {
namespace {

constexpr auto CHUNK_PAUSE = std::chrono::milliseconds(3);

}  // namespace

PeerConnection::PeerConnection(int handle) : m_handle(handle) {
    int on = 1;
    setsockopt(m_handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

PeerConnection::~PeerConnection() { Release(); }

std::unique_ptr<PeerConnection> PeerConnection::Connect(const std::string& address, int port,
                                                        const std::string& from) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1 ||
        (!from.empty() && inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1))
        return nullptr;
    int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        return nullptr;
    if ((!from.empty() && bind(handle, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) ||
        connect(handle, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        close(handle);
        return nullptr;
    }
    return std::make_unique<PeerConnection>(handle);
}

bool PeerConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = send(m_handle, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool PeerConnection::SendInChunks(std::string_view bytes, std::size_t chunkSize) {
    for (std::size_t at = 0; at < bytes.size(); at += chunkSize) {
        if (!Send(bytes.substr(at, chunkSize)))
            return false;
        std::this_thread::sleep_for(CHUNK_PAUSE);
    }
    return true;
}

bool PeerConnection::WaitForBytes(std::size_t count) {
    while (m_received.size() < count) {
        if (!ReceiveMore())
            return false;
    }
    return true;
}

bool PeerConnection::WaitForText(std::string_view text) {
    for (;;) {
        std::size_t found = m_received.find(text, m_consumed);
        if (found != std::string::npos) {
            m_consumed = found + text.size();
            return true;
        }
        if (!ReceiveMore())
            return false;
    }
}

std::optional<std::string> PeerConnection::ReadLine() {
    std::size_t start = m_consumed;
    if (!WaitForText("\n"))
        return std::nullopt;
    return m_received.substr(start, m_consumed - start);
}

void PeerConnection::AnswerEachLine(const std::function<std::string(const std::string& line)>& answer) {
    while (auto line = ReadLine()) {
        std::string reply = answer(*line);
        if (!reply.empty() && !Send(reply))
            return;
    }
}

void PeerConnection::WaitForClose() {
    while (ReceiveMore()) {
    }
}

void PeerConnection::Close() {
    shutdown(m_handle, SHUT_WR);
    WaitForClose();
    Release();
}

void PeerConnection::Abort() {
    linger reset{1, 0};
    setsockopt(m_handle, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Release();
}

void PeerConnection::Interrupt() {
    std::lock_guard lock(m_handleLock);
    if (m_handle >= 0)
        shutdown(m_handle, SHUT_RDWR);
}

bool PeerConnection::ReceiveMore() {
    char buffer[65536];
    ssize_t count = m_handle >= 0 ? recv(m_handle, buffer, sizeof buffer, 0) : -1;
    if (count <= 0)
        return false;
    m_received.append(buffer, static_cast<std::size_t>(count));
    return true;
}

void PeerConnection::Release() {
    std::lock_guard lock(m_handleLock);
    if (m_handle >= 0)
        close(m_handle);
    m_handle = -1;
}

}  // namespace nimbo::test
