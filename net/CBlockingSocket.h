#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <mutex>

#include "platform/WindowMessages.h"

namespace nimbo {

// A TCP/IPv4 socket whose every operation blocks the calling thread, bounded
// by a time-out in whole seconds where the operation takes one. Every failure
// throws CBlockingSocketException naming the operation; callers catch it at
// the edge of a whole exchange.
//
// An object belongs to one thread at a time. The one exception is Shutdown,
// which another thread may call to wake a blocked Accept, Receive or Send.
// Destroying the object does not close the socket: the owner calls Close or
// CloseNoShutdown first.
class CBlockingSocket {
public:
    static constexpr int INVALID_SOCKET = -1;
    static constexpr int LISTEN_BACKLOG = 5;

    CBlockingSocket() = default;
    virtual ~CBlockingSocket() = default;
    CBlockingSocket(const CBlockingSocket&) = delete;
    CBlockingSocket& operator=(const CBlockingSocket&) = delete;

    // Creates a socket of family AF_INET; a socket already held is closed
    // first so that it cannot leak. Throws "Create".
    void Create(int type = SOCK_STREAM);
    // Binds to `address`, allowing the port to be reused while earlier
    // connections on it linger. Throws "Bind".
    void Bind(const sockaddr_in& address);
    // Throws "Listen".
    void Listen();
    // Waits for one connection and hands it to `target`, with the peer's
    // address in `peer`. Returns false, without throwing, when the wait was
    // interrupted or another thread shut this socket down; throws "Accept" on
    // every other failure.
    bool Accept(CBlockingSocket& target, sockaddr_in& peer);
    // Connects without a time-out of its own. A Shutdown from another thread
    // ends a pending connect at once, and so does `stop` when it was
    // requested before that Shutdown (as a worker's stopper does), even
    // before this socket was created. Throws "Connect".
    void Connect(const sockaddr_in& address, const platform::StopSignal* stop = nullptr);
    // Shuts the socket down in both directions and closes it. Never throws.
    void Close() noexcept;
    // Closes the socket without a shutdown. Never throws.
    void CloseNoShutdown() noexcept;
    // Shuts the socket down in both directions without closing it, so that a
    // call blocked in another thread returns. Never throws.
    void Shutdown() noexcept;

    // Waits up to `seconds` for room, then sends what the system takes at
    // once; returns that count, which may be less than `length`. Throws
    // "Close" without a socket, "Send timeout", "Send".
    int Send(const char* bytes, int length, int seconds);
    // Sends all `length` bytes, each partial send with the full time-out.
    int SendAll(const char* bytes, int length, int seconds);
    // Waits up to `seconds` (0: without limit) for data, then reads at most
    // `capacity` bytes; returns 0 when the peer closed the connection.
    // Throws "Receive timeout", "Receive".
    int Receive(char* buffer, int capacity, int seconds);

    // The local address of the socket (for a connected one, the address the
    // peer sees). Throws "GetSockName".
    sockaddr_in GetSockName() const;
    bool IsValid() const noexcept { return m_socket != INVALID_SOCKET; }

    // Resolves a host name to its first IPv4 address. Throws "GetHostByName".
    static sockaddr_in GetHostByName(const char* host, int port);
    // Converts dotted IPv4 text, with no name lookup. Throws "GetHostByName"
    // when the text is not a dotted address.
    static sockaddr_in AddressFromDotted(const char* dotted, int port);
    // A dotted text converted, anything else resolved as a host name.
    static sockaddr_in ResolveHost(const char* host, int port);

protected:
    int m_socket = INVALID_SOCKET;

private:
    int SendNow(const char* bytes, int length);
    bool StartConnect(const sockaddr_in& address, const platform::StopSignal* stop);
    void Attach(int handle) noexcept;
    int Detach() noexcept;
    bool WasShutDown() const;

    // Guards changes of m_socket against a concurrent Shutdown, so that a
    // Shutdown never reaches a descriptor number that was closed and reused.
    mutable std::mutex m_handleLock;
    bool m_shutDown = false;
};

}  // namespace nimbo
