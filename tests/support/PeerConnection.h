#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace nimbo::test {

// One TCP connection as a test script drives it: raw POSIX calls, so the
// code under test never checks itself. Every byte received is recorded.
// Sends never raise SIGPIPE; after the other side went away they return
// false. A connection belongs to the thread that runs its script; only
// Interrupt may be called from another thread.
class PeerConnection {
public:
    // Takes ownership of a connected socket.
    explicit PeerConnection(int handle);
    ~PeerConnection();
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    // Connects to `address` (dotted IPv4) and `port` as a client, from the
    // local address `from` when one is given; nullptr when the connection is
    // refused.
    static std::unique_ptr<PeerConnection> Connect(const std::string& address, int port,
                                                   const std::string& from = "");
    // The client side of a scripted exchange with a server under test:
    // connects from `source`, or from `address` itself when that is empty,
    // so that the server sees a known peer address; every read and write is
    // bounded by a generous safety time-out that ends the exchange instead of
    // hanging the test; a `receiveBuffer` other than 0 shrinks the receive
    // buffer, so that unread bytes back up at the server quickly. Throws
    // std::runtime_error when refused.
    static std::unique_ptr<PeerConnection> Dial(const std::string& address, int port, int receiveBuffer = 0,
                                                const std::string& source = "");

    // Sends all of `bytes` (in as many send calls as the system needs).
    bool Send(std::string_view bytes);
    // Sends `bytes` in pieces of `chunkSize` bytes with a short pause after
    // each, so that the other side receives them in separate reads.
    bool SendInChunks(std::string_view bytes, std::size_t chunkSize);

    // Waits until `count` bytes in all have been received; false when the
    // other side closed first.
    bool WaitForBytes(std::size_t count);
    // Waits until `text` arrives after the bytes already consumed by an
    // earlier WaitForText or ReadLine, and consumes through it; false when
    // the other side closed first.
    bool WaitForText(std::string_view text);
    // The next received line through its LF, consumed; nullopt when the
    // other side closed before a whole line arrived.
    std::optional<std::string> ReadLine();
    // The next reply block through its empty line (CR LF CR LF), consumed;
    // what was left when the other side closed first.
    std::string ReadBlock();
    // Sends `line` and CR LF, and returns the reply block.
    std::string Command(std::string_view line);
    // Everything not consumed yet, once the other side closed.
    std::string ReadUntilClosed();
    // Answers every received line with `answer(line)` (nothing when that is
    // empty) until the other side closes.
    void AnswerEachLine(const std::function<std::string(const std::string& line)>& answer);
    // Records everything until the other side closes.
    void WaitForClose();
    // Waits, without reading, until the other side has closed or reset the
    // connection; false when the safety time-out passed first.
    bool WaitForHangUp();

    // Orderly close: sends FIN, records until the other side closes, closes.
    void Close();
    // Closes at once with a reset (RST).
    void Abort();
    // Shuts the socket down so that a blocked wait returns; for other threads.
    void Interrupt();

    // Every byte received so far.
    const std::string& Received() const { return m_received; }

private:
    bool ReceiveMore();
    void Release();

    int m_handle;
    std::string m_received;
    std::size_t m_consumed = 0;
    // Guards closing m_handle against Interrupt from another thread.
    std::mutex m_handleLock;
};

}  // namespace nimbo::test
