#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace nimbo {

// Splits the byte stream of an agent connection into lines ended by LF. The
// bytes come from a receive function, so a socket, a test or a fuzzer can
// drive the reader alike. Lines longer than the read buffer are returned
// whole; the bounds below keep a hostile peer from exhausting memory.
class LineReader {
public:
    // Stores at most `capacity` bytes in `buffer` and returns their count;
    // 0 means that the peer closed the connection. Failures throw.
    using ReceiveFunction = std::function<int(char* buffer, int capacity)>;

    static constexpr int READ_BUFFER_SIZE = 1024;
    static constexpr std::size_t MAX_LINE_LENGTH = std::size_t{1} << 20;
    static constexpr std::size_t MAX_BLOCK_LENGTH = std::size_t{16} << 20;

    // The next line through and including its LF, or an empty view when the
    // connection closed before the LF (the bytes of the unfinished line stay
    // buffered). The view is valid until the next call. A line longer than
    // MAX_LINE_LENGTH throws CBlockingSocketException ("Receive", EMSGSIZE),
    // so that it fails the exchange like any socket failure.
    std::string_view ReadLine(const ReceiveFunction& receive);

    // Appends whole lines to `block` up to and including the empty line
    // (CR LF alone); false when the connection closed before it. Throws as
    // ReadLine does, and when `block` would grow past MAX_BLOCK_LENGTH.
    bool ReadBlock(const ReceiveFunction& receive, std::string& block);

    // Drops every byte received but not yet returned.
    void Discard();

private:
    std::string_view TakeLine(int end);
    void MakeRoom();
    void AppendToLongLine(std::string_view piece);

    char m_readBuffer[READ_BUFFER_SIZE];
    // Returned bytes end at m_start, buffered ones at m_end; bytes before
    // m_scanned are known to hold no LF.
    int m_start = 0;
    int m_end = 0;
    int m_scanned = 0;
    // The front part of a line that outgrew the read buffer.
    std::string m_longLine;
    bool m_longLineTaken = false;
};

}  // namespace nimbo
