#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbo::server::test {

// A scripted peer: one blocking TCP connection from `source` (so the server
// sees a known peer address; `address` when empty) to `address`:`port`.
// Every read is bounded by a generous safety time-out that fails the test
// instead of hanging it.
class WireClient {
public:
    // A `receiveBuffer` other than 0 shrinks the socket's receive buffer, so
    // that unread bytes back up at the server quickly.
    WireClient(const std::string& address, std::uint16_t port, int receiveBuffer = 0, const std::string& source = "");
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    void Send(std::string_view bytes);
    // The next block: everything through the next empty line (CR LF CR LF).
    // Throws when the connection ends first.
    std::string ReadBlock();
    // Sends one command line (CR LF added) and returns its reply block.
    std::string Command(std::string_view line);
    // Reads until the server closes the connection; returns what came first.
    std::string ReadUntilClosed();
    // Closes the connection without reading what is left.
    void Close();
    // Closes the connection with a reset, as a client that vanishes does.
    void Reset();
    // Waits, without reading, until the server has closed or reset the
    // connection.
    void WaitForHangUp();

private:
    // Receives more bytes into the buffer; false when the server closed.
    bool Receive();

    int m_fd = -1;
    std::string m_buffer;
};

}  // namespace nimbo::server::test
