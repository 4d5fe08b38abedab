#include "net/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "net/CBlockingSocketException.h"

namespace nimbo {
namespace {

// The room ReadLine offers a receive: a command's reply lines and a
// notification's are short.
constexpr std::size_t LINE_RECEIVE_SIZE = 1024;
// A block starts small, as most replies are, unless a long one is expected,
// and grows fourfold whenever a quarter of it is left, so that an unexpected
// long reply arrives in a few large receives and is copied a third of its
// length in all.
constexpr std::size_t FIRST_BLOCK_CAPACITY = 256;
constexpr std::size_t BLOCK_GROWTH = 4;
// The positions tested at once for the start of an empty line.
constexpr std::size_t SCAN_WIDTH = 64;

[[noreturn]] void FailTooLong() { throw CBlockingSocketException(u"Receive", EMSGSIZE); }

const char* FindLineEnd(const char* bytes, std::size_t from, std::size_t to) {
    return static_cast<const char*>(std::memchr(bytes + from, '\n', to - from));
}

// The start of the last line in [from, to): just past its last LF, else `from`.
std::size_t LastLineStart(const char* bytes, std::size_t from, std::size_t to) {
    const void* lf = ::memrchr(bytes + from, '\n', to - from);
    return lf == nullptr ? from : static_cast<std::size_t>(static_cast<const char*>(lf) - bytes) + 1;
}

// Whether an LF CR starts at one of the SCAN_WIDTH positions from `bytes`,
// the bytes up to SCAN_WIDTH + 1 read. Within a reply's lines LF CR is
// rare: a line ends in CR LF and the next one starts with text.
#if defined(__SSE2__)
bool AnyLfCr(const unsigned char* bytes) {
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const auto at = [bytes](std::size_t offset) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + offset));
    };
    const auto lfCr = [&](std::size_t offset) {
        return _mm_and_si128(_mm_cmpeq_epi8(at(offset), lf), _mm_cmpeq_epi8(at(offset + 1), cr));
    };
    const __m128i found = _mm_or_si128(_mm_or_si128(lfCr(0), lfCr(16)), _mm_or_si128(lfCr(32), lfCr(48)));
    return _mm_movemask_epi8(found) != 0;
}
#else
// Without a branch, the compiler turns the test into vector instructions.
bool AnyLfCr(const unsigned char* bytes) {
    unsigned found = 0;
    for (std::size_t k = 0; k < SCAN_WIDTH; ++k)
        found |= static_cast<unsigned>((bytes[k] == '\n') & (bytes[k + 1] == '\r'));
    return found != 0;
}
#endif

// Just past the first empty line (CR LF alone) of a block that starts in
// [from, to), or 0. A reply is a long run of short lines, so instead of a
// search per line SCAN_WIDTH positions are tested at a time, and only
// where an LF CR shows are they looked at one by one.
std::size_t EmptyLineEnd(const char* text, std::size_t from, std::size_t to) {
    if (from == 0 && to >= 2 && text[0] == '\r' && text[1] == '\n')
        return 2;
    if (to < 3)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = from; i + 2 < to;) {
        while (i + SCAN_WIDTH + 2 <= to && !AnyLfCr(bytes + i))
            i += SCAN_WIDTH;
        for (const std::size_t stop = std::min(i + SCAN_WIDTH, to - 2); i < stop; ++i) {
            if (bytes[i] == '\n' && bytes[i + 1] == '\r' && bytes[i + 2] == '\n')
                return i + 3;
        }
    }
    return 0;
}

// Fails when a line that starts at or after `lineStart` and before `to` is
// longer than MAX_LINE_LENGTH, the unfinished line at `to` included, with
// `lineStart` at that line. One search per MAX_LINE_LENGTH bytes finds the
// last line end of each such stretch, instead of one search per line.
void CheckLineLengths(const char* bytes, std::size_t& lineStart, std::size_t to) {
    while (to - lineStart > LineReader::MAX_LINE_LENGTH) {
        const std::size_t next = LastLineStart(bytes, lineStart, lineStart + LineReader::MAX_LINE_LENGTH);
        if (next == lineStart)
            FailTooLong();
        lineStart = next;
    }
}

// A block whose lines reach past MAX_BLOCK_LENGTH fails at the first line
// that ends past it, or at an earlier line that is too long.
[[noreturn]] void FailPastBlockBound(const char* bytes, std::size_t& lineStart) {
    const std::size_t failing = LastLineStart(bytes, lineStart, LineReader::MAX_BLOCK_LENGTH);
    CheckLineLengths(bytes, lineStart, failing);
    lineStart = failing;
    FailTooLong();
}

// The buffer of a block being read: `block`'s own, written through
// ByteString::GetBuffer and grown as the block grows.
class BlockWriter {
public:
    // Room for `least` bytes, and for `expected` without growing.
    BlockWriter(ByteString& block, std::size_t least, std::size_t expected) : m_block(block) {
        m_block.Empty();
        const std::size_t roomy = std::min(expected / 2 * 3, LineReader::MAX_BLOCK_LENGTH);
        Reserve(std::max({least, FIRST_BLOCK_CAPACITY, roomy}));
    }

    char* Bytes() const { return m_bytes; }
    std::size_t Capacity() const { return m_capacity; }

    // Room for a receive past `length` bytes, growing the buffer when less
    // than a quarter of it is free. The block never needs more than its
    // bound and one receive.
    std::size_t RoomAfter(std::size_t length) {
        if (m_capacity - length < m_capacity / BLOCK_GROWTH) {
            m_block.ReleaseBuffer(static_cast<int>(length));
            Reserve(std::min(m_capacity * BLOCK_GROWTH, LineReader::MAX_BLOCK_LENGTH + m_capacity / BLOCK_GROWTH));
        }
        return m_capacity - length;
    }

    // Ends the block after `length` bytes; a short block in a buffer much
    // larger than itself gets a buffer of its size.
    void Finish(std::size_t length) {
        if (length < m_capacity / BLOCK_GROWTH)
            m_block = ByteString(m_bytes, static_cast<int>(length));
        else
            m_block.ReleaseBuffer(static_cast<int>(length));
    }

private:
    void Reserve(std::size_t capacity) {
        m_bytes = m_block.GetBuffer(static_cast<int>(capacity));
        if (m_bytes == nullptr)
            throw std::bad_alloc();
        m_capacity = capacity;
    }

    ByteString& m_block;
    char* m_bytes = nullptr;
    std::size_t m_capacity = 0;
};

}  // namespace

std::string_view LineReader::ReadLine(const ReceiveFunction& receive) {
    for (;;) {
        if (const char* lf = FindLineEnd(m_buffer.data(), m_scanned, m_end)) {
            const std::size_t end = static_cast<std::size_t>(lf - m_buffer.data()) + 1;
            if (end - m_start > MAX_LINE_LENGTH)
                FailTooLong();
            std::string_view line(m_buffer.data() + m_start, end - m_start);
            m_start = m_scanned = end;
            return line;
        }
        m_scanned = m_end;
        if (m_end - m_start > MAX_LINE_LENGTH)
            FailTooLong();
        char* room = RoomForReceive();
        const std::size_t capacity = m_buffer.size() - m_end;
        const int count = receive(room, static_cast<int>(capacity));
        if (count <= 0)
            return {};
        m_end += std::min(static_cast<std::size_t>(count), capacity);
    }
}

bool LineReader::ReadBlock(const ReceiveFunction& receive, ByteString& block, std::size_t expected,
                           const BlockWatcher& watcher) {
    BlockWriter out(block, m_end - m_start, expected);
    std::size_t length = m_end - m_start;
    std::memcpy(out.Bytes(), m_buffer.data() + m_start, length);
    m_start = m_end = m_scanned = 0;
    std::size_t searched = 0;   // no empty line starts before it
    std::size_t lineStart = 0;  // of the line not yet ended
    std::size_t looked = 0;     // no line ends between lineStart and it
    try {
        for (;;) {
            const std::size_t end = EmptyLineEnd(out.Bytes(), searched, length);
            if (end != 0 && end <= MAX_BLOCK_LENGTH) {
                CheckLineLengths(out.Bytes(), lineStart, end);
                Keep({out.Bytes() + end, length - end});
                out.Finish(end);
                return true;
            }
            if (end != 0 || length >= MAX_BLOCK_LENGTH)
                FailPastBlockBound(out.Bytes(), lineStart);
            searched = length < 2 ? 0 : length - 2;  // an empty line may start in the last two bytes
            CheckLineLengths(out.Bytes(), lineStart, length);
            // Only the bytes new since the last look can end the line: a long
            // line that trickles in is not searched over and over.
            const std::size_t from = std::max(lineStart, looked);
            if (const std::size_t next = LastLineStart(out.Bytes(), from, length); next != from)
                lineStart = next;
            looked = length;
            const std::size_t room = out.RoomAfter(length);
            if (watcher && lineStart > 0)
                watcher({out.Bytes(), lineStart});
            const int count = receive(out.Bytes() + length, static_cast<int>(room));
            if (count <= 0) {
                Keep({out.Bytes() + lineStart, length - lineStart});
                out.Finish(lineStart);
                return false;
            }
            length += std::min(static_cast<std::size_t>(count), room);
        }
    } catch (...) {
        Discard();
        out.Finish(lineStart);
        throw;
    }
}

void LineReader::Discard() {
    m_start = m_end = m_scanned = 0;
    m_buffer = std::string();
}

// Room at the end of the buffer for one receive: returned bytes are dropped
// first, and the buffer grows only for a line longer than it.
char* LineReader::RoomForReceive() {
    if (m_start == m_end)
        m_start = m_end = m_scanned = 0;
    if (m_buffer.size() - m_end < LINE_RECEIVE_SIZE && m_start > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_start, m_end - m_start);
        m_end -= m_start;
        m_scanned = m_end;
        m_start = 0;
    }
    // A line is at most MAX_LINE_LENGTH long, so the buffer stays below
    // that and one receive.
    if (m_buffer.size() - m_end < LINE_RECEIVE_SIZE)
        m_buffer.resize(std::min(std::max(m_buffer.size() * 2, m_end + LINE_RECEIVE_SIZE),
                                 MAX_LINE_LENGTH + LINE_RECEIVE_SIZE));
    return m_buffer.data() + m_end;
}

// Buffers bytes received past what a block returned.
void LineReader::Keep(std::string_view bytes) {
    if (bytes.size() > m_buffer.size())
        m_buffer.resize(bytes.size());
    std::memcpy(m_buffer.data(), bytes.data(), bytes.size());
    m_start = m_scanned = 0;
    m_end = bytes.size();
}

}  // namespace nimbo
