#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/ByteString.h"
#include "server/UniqueFd.h"
#include "net/LineReader.h"

namespace nimbo::server {

// One accepted, non-blocking TCP connection of the event loop: its input cut
// into lines, its pending output, who it speaks for, and how it ends.
//
// Ending is either an abort (the socket is closed at once: failures, time-
// outs, slow readers) or a close after flush: pending output is written, the
// sending side is shut down, and the input is drained until the peer closes,
// so that a peer still sending does not get a reset that would discard the
// reply it has not read yet.
class Connection {
public:
    using Clock = std::chrono::steady_clock;
    enum class Port { Agent, Notify };
    enum class LineStatus { Ready, None, TooLong, ZeroByte };

    // The longest line, LF included, that a client's reader accepts; the
    // server holds signed-in clients to the same bound. Buffers grow to it
    // only while such a line arrives, and give the memory back afterwards.
    static constexpr std::size_t MAX_LINE = LineReader::MAX_LINE_LENGTH;
    // Before a successful "auth" or "login" no line is longer than this (the
    // longest of them is some 400 bytes), so that connections that never sign
    // in pin little memory.
    static constexpr std::size_t MAX_LINE_BEFORE_AUTH = 4096;
    // Input is not read beyond this while a whole line waits to be handled.
    static constexpr std::size_t INPUT_LIMIT = 8192;
    // Lines are not handled while this much output waits for the peer; the
    // replies before sign-in are all short.
    static constexpr std::size_t OUTPUT_LIMIT = 64 * 1024;
    static constexpr std::size_t OUTPUT_LIMIT_BEFORE_AUTH = 4096;

    // How long a peer may take for its lines.
    struct Timeouts {
        std::chrono::milliseconds firstLine;  // from the accept to the first complete line
        std::chrono::milliseconds idle;       // from one complete line to the next
    };

    Connection(UniqueFd fd, std::uint64_t id, Port port);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    std::uint64_t Id() const noexcept { return m_id; }
    Port GetPort() const noexcept { return m_port; }
    int Fd() const noexcept { return m_fd.Get(); }
    const std::string& PeerAddress() const noexcept { return m_peerAddress; }
    const std::string& PeerText() const noexcept { return m_peerText; }
    const std::string& LocalAddress() const noexcept { return m_localAddress; }

    // The user this connection speaks for; empty before a successful "auth".
    const std::string& UserId() const noexcept { return m_userId; }
    bool IsAuthenticated() const noexcept { return !m_userId.empty(); }
    void SetUser(std::string userId) { m_userId = std::move(userId); }
    // While a password is being verified no further line is handled.
    bool IsVerifying() const noexcept { return m_verifying; }
    // The end of a check restarts the idle time: the check was the server's delay.
    void SetVerifying(bool verifying) noexcept;

    // Reads what the socket holds: up to the input limit, or while no line
    // is complete up to the line bound.
    void Receive();
    // Cuts the next line (without its CR LF) from the input.
    LineStatus TakeLine(ByteString& line);
    // Drops all input received so far.
    void DiscardInput();
    bool InputClosed() const noexcept { return m_inputClosed; }
    bool HasInput() const noexcept { return !m_input.empty(); }
    // Whether TakeLine would return something other than None.
    bool HasLine() const noexcept { return m_lineEnd != std::string::npos || m_input.size() >= LineBound(); }
    // The longest line the peer may send now.
    std::size_t LineBound() const noexcept { return IsAuthenticated() ? MAX_LINE : MAX_LINE_BEFORE_AUTH; }
    std::size_t OutputLimit() const noexcept { return IsAuthenticated() ? OUTPUT_LIMIT : OUTPUT_LIMIT_BEFORE_AUTH; }

    void Send(std::string_view bytes) { m_output.append(bytes); }
    void Send(const ByteString& bytes) { Send(bytes.view()); }
    // Writes what the socket takes now; the rest waits for the next call.
    void Flush();
    std::size_t PendingOutput() const noexcept { return m_output.size() - m_outputSent; }
    // Bytes handed to the kernel since the connection began.
    std::uint64_t Written() const noexcept { return m_written; }
    // Where the output queued so far ends, counted like Written().
    std::uint64_t QueuedEnd() const noexcept { return m_written + PendingOutput(); }
    // Of the bytes written, how many the peer's TCP has acknowledged; 0 when
    // the socket cannot tell.
    std::uint64_t Acknowledged() const noexcept;
    // When the socket is closed, bytes still unacknowledged are discarded
    // (a reset) instead of being sent on by the kernel.
    void DiscardUnacknowledgedOnClose() noexcept;

    void CloseAfterFlush(std::string reason);
    void Abort(std::string reason);
    // Neither closing nor aborted: lines are handled, blocks may be pushed.
    bool IsOpen() const noexcept { return !m_closing && !m_aborted; }
    // Nothing more to do: the socket may be closed and the object dropped.
    bool IsDone() const noexcept { return m_aborted || (m_closing && m_shutDown && m_inputClosed); }
    const std::string& CloseReason() const noexcept { return m_closeReason; }

    bool WantsRead() const noexcept;
    // Output to write, or the shutdown of a closing connection still to do.
    bool WantsWrite() const noexcept { return !m_aborted && (PendingOutput() > 0 || (m_closing && !m_shutDown)); }
    // When the connection is to be dropped for inactivity, if ever. Only
    // complete lines count as activity; before sign-in nothing else does,
    // after it a reply being read does too.
    std::optional<Clock::time_point> Deadline(const Timeouts& timeouts) const;

private:
    void Fail(const char* operation, int error);
    void ShutDownWhenFlushed();
    // How many more bytes the input may take now.
    std::size_t InputRoom() const noexcept;
    // Looks for the end of the first line in bytes not yet searched.
    void FindLineEnd() noexcept;
    void DropWrittenOutput();

    UniqueFd m_fd;
    std::uint64_t m_id;
    Port m_port;
    std::string m_peerAddress;
    std::string m_peerText;
    std::string m_localAddress;
    std::string m_userId;
    std::string m_input;
    std::size_t m_searched = 0;                  // leading input bytes known to hold no LF
    std::size_t m_lineEnd = std::string::npos;  // the first LF of the input
    std::string m_output;
    std::size_t m_outputSent = 0;  // leading output bytes already written
    std::uint64_t m_written = 0;
    std::string m_closeReason;
    Clock::time_point m_lastLine;  // the accept, before the first line
    Clock::time_point m_lastOutput;
    Clock::time_point m_closingSince;
    bool m_hadLine = false;
    bool m_verifying = false;
    bool m_inputClosed = false;
    bool m_closing = false;
    bool m_shutDown = false;
    bool m_aborted = false;
};

}  // namespace nimbo::server
