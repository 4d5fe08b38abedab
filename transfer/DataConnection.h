#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>

#include "net/CBlockingSocket.h"
#include "transfer/TransferInfo.h"

namespace nimbo {

// The direct connection of one transfer as its worker holds it. While open
// it is published in the TransferInfo, so that a Cancel wakes a blocked
// connect, send or receive; it is withdrawn and closed by Close or the
// destructor. Every send and receive waits at most FILE_TIMEOUT seconds and
// throws CBlockingSocketException on failure, a time-out included.
class DataConnection {
public:
    explicit DataConnection(TransferInfo& info) : m_info(info) {}
    ~DataConnection() { Close(); }
    DataConnection(const DataConnection&) = delete;
    DataConnection& operator=(const DataConnection&) = delete;

    // Waits without limit for the receiver on `listener`: with `from`, for a
    // connection from that address, closing every other one at once. False,
    // without throwing, when the listening socket was closed meanwhile;
    // throws "Accept" on any other failure.
    bool Accept(CBlockingSocket& listener, std::optional<in_addr> from);
    // Throws "Create" or "Connect".
    void Connect(const sockaddr_in& address);

    // The integers of the stream: 32 bits, least significant byte first.
    void SendWord(std::uint32_t value);
    // False when the peer closed before all four bytes came.
    bool ReceiveWord(std::uint32_t& value);

    void SendAll(const char* bytes, int length);
    // One receive of at most `capacity` bytes; 0 when the peer closed.
    int Receive(char* buffer, int capacity);

    void Close();

private:
    TransferInfo& m_info;
    CBlockingSocket m_socket;
    bool m_published = false;
};

}  // namespace nimbo
