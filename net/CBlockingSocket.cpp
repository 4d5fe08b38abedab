#include "net/CBlockingSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>

#include "net/CBlockingSocketException.h"

namespace nimbo {
namespace {

constexpr int WAIT_FOREVER = -1;

int SecondsToMilliseconds(int seconds) {
    if (seconds <= 0)
        return 0;
    return seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
}

// Waits until `handle` is ready for `events`; false when `milliseconds`
// (WAIT_FOREVER: no limit) passed first. A failing wait reports ready: the
// operation that follows fails and reports the error under its own name. An
// interrupted wait goes on for the time that is left.
bool WaitFor(int handle, short events, int milliseconds) {
    using Clock = std::chrono::steady_clock;
    if (handle == CBlockingSocket::INVALID_SOCKET)
        return true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        pollfd entry{handle, events, 0};
        int result = poll(&entry, 1, milliseconds);
        if (result != -1 || errno != EINTR)
            return result != 0;
        if (milliseconds != WAIT_FOREVER) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            milliseconds = left > 0 ? static_cast<int>(left) : 0;
        }
    }
}

sockaddr_in MakeAddress(in_addr host, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr = host;
    return address;
}

bool ParseDotted(const char* text, in_addr& host) { return text && inet_pton(AF_INET, text, &host) == 1; }

void SetBlocking(int handle, bool blocking) {
    const int flags = fcntl(handle, F_GETFL);
    if (flags != -1)
        fcntl(handle, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

}  // namespace

void CBlockingSocket::Create(int type) {
    int handle = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (handle == INVALID_SOCKET)
        throw CBlockingSocketException(u"Create");
    Attach(handle);
}

void CBlockingSocket::Bind(const sockaddr_in& address) {
    int reuse = 1;
    if (setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        throw CBlockingSocketException(u"Bind");
    if (bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw CBlockingSocketException(u"Bind");
}

void CBlockingSocket::Listen() {
    if (listen(m_socket, LISTEN_BACKLOG) != 0)
        throw CBlockingSocketException(u"Listen");
}

bool CBlockingSocket::Accept(CBlockingSocket& target, sockaddr_in& peer) {
    socklen_t length = sizeof peer;
    int handle = accept4(m_socket, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (handle == INVALID_SOCKET) {
        int error = errno;
        // On Linux a shutdown from another thread ends the wait with EINVAL.
        if (error == EINTR || WasShutDown())
            return false;
        throw CBlockingSocketException(u"Accept", error);
    }
    target.Attach(handle);
    return true;
}

// The connect itself never blocks: the wait for its outcome is a poll, which
// a Shutdown wakes (a connect() issued after a shutdown() of an unconnected
// socket would go ahead on Linux).
void CBlockingSocket::Connect(const sockaddr_in& address, const platform::StopSignal* stop) {
    if (!StartConnect(address, stop))
        return;
    WaitFor(m_socket, POLLOUT, WAIT_FOREVER);
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error == 0 && WasShutDown())
        error = ECONNABORTED;
    SetBlocking(m_socket, true);
    if (error != 0)
        throw CBlockingSocketException(u"Connect", error);
}

// Under the handle lock, so that a Shutdown either comes before (and the
// connect is refused) or finds the connect started (and wakes its wait).
// True while the connect is pending.
bool CBlockingSocket::StartConnect(const sockaddr_in& address, const platform::StopSignal* stop) {
    std::lock_guard lock(m_handleLock);
    if (m_shutDown || (stop != nullptr && stop->IsRequested()))
        throw CBlockingSocketException(u"Connect", ECONNABORTED);
    SetBlocking(m_socket, false);
    if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        SetBlocking(m_socket, true);
        return false;
    }
    const int error = errno;
    if (error == EINPROGRESS)
        return true;
    SetBlocking(m_socket, true);
    throw CBlockingSocketException(u"Connect", error);
}

void CBlockingSocket::Close() noexcept {
    int handle = Detach();
    if (handle != INVALID_SOCKET) {
        shutdown(handle, SHUT_RDWR);
        close(handle);
    }
}

void CBlockingSocket::CloseNoShutdown() noexcept {
    int handle = Detach();
    if (handle != INVALID_SOCKET)
        close(handle);
}

void CBlockingSocket::Shutdown() noexcept {
    std::lock_guard lock(m_handleLock);
    m_shutDown = true;
    if (m_socket != INVALID_SOCKET)
        shutdown(m_socket, SHUT_RDWR);
}

int CBlockingSocket::Send(const char* bytes, int length, int seconds) {
    if (m_socket == INVALID_SOCKET)
        throw CBlockingSocketException(u"Close");
    // Tried before any wait: a socket with room (the usual case) costs one
    // system call instead of two.
    int sent = SendNow(bytes, length);
    if (sent > 0 || length <= 0)
        return sent;
    if (!WaitFor(m_socket, POLLOUT, SecondsToMilliseconds(seconds)))
        throw CBlockingSocketException(u"Send timeout", 0);
    return SendNow(bytes, length);
}

// Never waits, so that a send can never block past its time-out; 0 when the
// system takes nothing at the moment.
int CBlockingSocket::SendNow(const char* bytes, int length) {
    ssize_t sent = send(m_socket, bytes, length > 0 ? static_cast<std::size_t>(length) : 0, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        throw CBlockingSocketException(u"Send");
    }
    return static_cast<int>(sent);
}

int CBlockingSocket::SendAll(const char* bytes, int length, int seconds) {
    int total = 0;
    do {
        total += Send(bytes + total, length - total, seconds);
    } while (total < length);
    return total;
}

int CBlockingSocket::Receive(char* buffer, int capacity, int seconds) {
    const std::size_t size = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    // Tried before any wait, as in Send.
    ssize_t received = recv(m_socket, buffer, size, MSG_DONTWAIT);
    if (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        throw CBlockingSocketException(u"Receive");
    if (received >= 0)
        return static_cast<int>(received);
    if (!WaitFor(m_socket, POLLIN, seconds > 0 ? SecondsToMilliseconds(seconds) : WAIT_FOREVER))
        throw CBlockingSocketException(u"Receive timeout", 0);
    received = recv(m_socket, buffer, size, 0);
    if (received < 0)
        throw CBlockingSocketException(u"Receive");
    return static_cast<int>(received);
}

sockaddr_in CBlockingSocket::GetSockName() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw CBlockingSocketException(u"GetSockName");
    return address;
}

sockaddr_in CBlockingSocket::GetHostByName(const char* host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* entries = nullptr;
    int result = getaddrinfo(host ? host : "", nullptr, &hints, &entries);
    if (result != 0 || !entries)
        throw CBlockingSocketException(u"GetHostByName", result == EAI_SYSTEM ? errno : result);
    sockaddr_in address = MakeAddress(reinterpret_cast<const sockaddr_in*>(entries->ai_addr)->sin_addr, port);
    freeaddrinfo(entries);
    return address;
}

sockaddr_in CBlockingSocket::AddressFromDotted(const char* dotted, int port) {
    in_addr host{};
    if (!ParseDotted(dotted, host))
        throw CBlockingSocketException(u"GetHostByName", 0);
    return MakeAddress(host, port);
}

sockaddr_in CBlockingSocket::ResolveHost(const char* host, int port) {
    in_addr dotted{};
    return ParseDotted(host, dotted) ? MakeAddress(dotted, port) : GetHostByName(host, port);
}

void CBlockingSocket::Attach(int handle) noexcept {
    Close();
    std::lock_guard lock(m_handleLock);
    m_socket = handle;
    m_shutDown = false;
}

int CBlockingSocket::Detach() noexcept {
    std::lock_guard lock(m_handleLock);
    int handle = m_socket;
    m_socket = INVALID_SOCKET;
    return handle;
}

bool CBlockingSocket::WasShutDown() const {
    std::lock_guard lock(m_handleLock);
    return m_shutDown;
}

}  // namespace nimbo
