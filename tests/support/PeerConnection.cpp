#include "tests/support/PeerConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace nimbo::test {
namespace {

constexpr auto CHUNK_PAUSE = std::chrono::milliseconds(3);
constexpr int SAFETY_TIMEOUT_SECONDS = 30;

// Applies an option, or throws: a test must not run on a socket other than
// the one it describes.
template <typename Value>
void SetOption(int handle, int level, int name, const Value& value) {
    if (setsockopt(handle, level, name, &value, sizeof value) != 0)
        throw std::system_error(errno, std::generic_category(), "setsockopt");
}

bool ToEndpoint(const std::string& address, int port, sockaddr_in& endpoint) {
    endpoint = {};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<std::uint16_t>(port));
    return inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr) == 1;
}

}  // namespace

PeerConnection::PeerConnection(int handle) : m_handle(handle) { SetOption(m_handle, IPPROTO_TCP, TCP_NODELAY, 1); }

PeerConnection::~PeerConnection() { Release(); }

std::unique_ptr<PeerConnection> PeerConnection::Connect(const std::string& address, int port,
                                                        const std::string& from) {
    sockaddr_in target;
    sockaddr_in source;
    if (!ToEndpoint(address, port, target) || (!from.empty() && !ToEndpoint(from, 0, source)))
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

std::unique_ptr<PeerConnection> PeerConnection::Dial(const std::string& address, int port, int receiveBuffer,
                                                     const std::string& source) {
    sockaddr_in from;
    sockaddr_in target;
    if (!ToEndpoint(source.empty() ? address : source, 0, from) || !ToEndpoint(address, port, target))
        throw std::invalid_argument("not a dotted IPv4 address: " + address + " or " + source);
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        throw std::system_error(errno, std::generic_category(), "socket");
    auto connection = std::make_unique<PeerConnection>(handle);
    if (receiveBuffer > 0)
        SetOption(handle, SOL_SOCKET, SO_RCVBUF, receiveBuffer);
    const timeval timeout{SAFETY_TIMEOUT_SECONDS, 0};
    SetOption(handle, SOL_SOCKET, SO_RCVTIMEO, timeout);
    SetOption(handle, SOL_SOCKET, SO_SNDTIMEO, timeout);
    if (bind(handle, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        connect(handle, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0)
        throw std::system_error(errno, std::generic_category(), "connect " + address + ":" + std::to_string(port));
    return connection;
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

// Each search starts where `text` could first end in new bytes, so that a
// long block costs one pass.
bool PeerConnection::WaitForText(std::string_view text) {
    std::size_t from = m_consumed;
    for (;;) {
        std::size_t found = m_received.find(text, from);
        if (found != std::string::npos) {
            m_consumed = found + text.size();
            return true;
        }
        if (m_received.size() >= text.size())
            from = std::max(from, m_received.size() - text.size() + 1);
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

std::string PeerConnection::ReadBlock() {
    std::size_t start = m_consumed;
    if (!WaitForText("\r\n\r\n"))
        m_consumed = m_received.size();
    return m_received.substr(start, m_consumed - start);
}

std::string PeerConnection::Command(std::string_view line) {
    Send(std::string(line) + "\r\n");
    return ReadBlock();
}

std::string PeerConnection::ReadUntilClosed() {
    WaitForClose();
    std::string rest = m_received.substr(m_consumed);
    m_consumed = m_received.size();
    return rest;
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

bool PeerConnection::WaitForHangUp() {
    // Asked for nothing but the peer's close, poll() reports that, a reset
    // or an error, and leaves the received bytes unread.
    pollfd entry{m_handle, POLLRDHUP, 0};
    return poll(&entry, 1, SAFETY_TIMEOUT_SECONDS * 1000) == 1;
}

void PeerConnection::Close() {
    shutdown(m_handle, SHUT_WR);
    WaitForClose();
    Release();
}

void PeerConnection::Abort() {
    SetOption(m_handle, SOL_SOCKET, SO_LINGER, linger{1, 0});
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
