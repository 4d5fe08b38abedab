#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "net/ByteString.h"

namespace nimbo {

// Splits the byte stream of an agent connection into lines ended by LF. The
// bytes come from a receive function, so a socket, a test or a fuzzer can
// drive the reader alike. The bounds below keep a hostile peer from
// exhausting memory.
class LineReader {
public:
    // Stores at most `capacity` bytes in `buffer` and returns their count;
    // 0 means that the peer closed the connection. Failures throw.
    using ReceiveFunction = std::function<int(char* buffer, int capacity)>;
    // Told a block's whole lines received so far, before each further
    // receive, so that a caller can read a long block while the rest of it
    // arrives. The bytes move when the block's room grows; the block, read
    // or failed, holds at least them.
    using BlockWatcher = std::function<void(std::string_view received)>;

    static constexpr std::size_t MAX_LINE_LENGTH = std::size_t{1} << 20;
    static constexpr std::size_t MAX_BLOCK_LENGTH = std::size_t{16} << 20;

    // The next line through and including its LF, or an empty view when the
    // connection closed before the LF (the bytes of the unfinished line stay
    // buffered). The view is valid until the next call. A line longer than
    // MAX_LINE_LENGTH throws CBlockingSocketException ("Receive", EMSGSIZE),
    // so that it fails the exchange like any socket failure.
    std::string_view ReadLine(const ReceiveFunction& receive);

    // Reads whole lines into `block`, replacing its text, up to and including
    // the empty line (CR LF alone); false when the connection closed before
    // it. The bytes go straight from the receive function into `block`, in
    // receives that grow with it, and are scanned once. Throws as ReadLine
    // does, and when the lines would grow past MAX_BLOCK_LENGTH; `block`
    // then holds the whole lines read before the failure. `expected` is the
    // length the block will likely have (the last reply to the same
    // command): room for it is made at once, so that a long block is not
    // copied as it grows. `watcher`, if any, is told of the bytes as they
    // come.
    bool ReadBlock(const ReceiveFunction& receive, ByteString& block, std::size_t expected = 0,
                   const BlockWatcher& watcher = {});

    // Drops every byte received but not yet returned.
    void Discard();

private:
    char* RoomForReceive();
    void Keep(std::string_view bytes);

    // Bytes received and not yet returned are [m_start, m_end); those before
    // m_scanned are known to hold no LF.
    std::string m_buffer;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
    std::size_t m_scanned = 0;
};

}  // namespace nimbo
