#include "net/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "net/CBlockingSocketException.h"

namespace nimbo {
namespace {

// The room ReadLine offers a receive: a command's reply lines and a
// notification's are short.
constexpr std::size_t LINE_RECEIVE_SIZE = 1024;
// A block starts small, as most replies are, and grows fourfold whenever a
// quarter of it is left, so that a long reply arrives in a few large
// receives and is copied a third of its length in all.
constexpr std::size_t FIRST_BLOCK_CAPACITY = 256;
constexpr std::size_t BLOCK_GROWTH = 4;

[[noreturn]] void FailTooLong() { throw CBlockingSocketException(u"Receive", EMSGSIZE); }

const char* FindLineEnd(const char* bytes, std::size_t from, std::size_t to) {
    return static_cast<const char*>(std::memchr(bytes + from, '\n', to - from));
}

// The buffer of a block being read: `block`'s own, written through
// ByteString::GetBuffer and grown as the block grows.
class BlockWriter {
public:
    BlockWriter(ByteString& block, std::size_t least) : m_block(block) {
        m_block.Empty();
        Reserve(std::max(least, FIRST_BLOCK_CAPACITY));
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

bool LineReader::ReadBlock(const ReceiveFunction& receive, ByteString& block) {
    BlockWriter out(block, m_end - m_start);
    std::size_t length = m_end - m_start;
    std::memcpy(out.Bytes(), m_buffer.data() + m_start, length);
    m_start = m_end = m_scanned = 0;
    std::size_t scanned = 0;
    std::size_t lineStart = 0;  // of the line not yet ended
    try {
        for (;;) {
            for (const char* lf; (lf = FindLineEnd(out.Bytes(), scanned, length)) != nullptr;) {
                const std::size_t end = static_cast<std::size_t>(lf - out.Bytes()) + 1;
                if (end - lineStart > MAX_LINE_LENGTH || end > MAX_BLOCK_LENGTH)
                    FailTooLong();
                const bool emptyLine = end - lineStart == 2 && out.Bytes()[lineStart] == '\r';
                lineStart = scanned = end;
                if (emptyLine) {
                    Keep({out.Bytes() + end, length - end});
                    out.Finish(end);
                    return true;
                }
            }
            scanned = length;
            // Wherever the unfinished line ends, it ends past a bound.
            if (length - lineStart > MAX_LINE_LENGTH || length >= MAX_BLOCK_LENGTH)
                FailTooLong();
            const std::size_t room = out.RoomAfter(length);
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
