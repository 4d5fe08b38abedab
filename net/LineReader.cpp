#include "net/LineReader.h"

#include <cerrno>
#include <cstring>

#include "net/CBlockingSocketException.h"

namespace nimbo {
namespace {

[[noreturn]] void FailTooLong() { throw CBlockingSocketException(u"Receive", EMSGSIZE); }

}  // namespace

std::string_view LineReader::ReadLine(const ReceiveFunction& receive) {
    if (m_longLineTaken) {
        m_longLine.clear();
        m_longLineTaken = false;
    }
    for (;;) {
        const void* lf = std::memchr(m_readBuffer + m_scanned, '\n', static_cast<std::size_t>(m_end - m_scanned));
        if (lf)
            return TakeLine(static_cast<int>(static_cast<const char*>(lf) - m_readBuffer) + 1);
        m_scanned = m_end;
        MakeRoom();
        int count = receive(m_readBuffer + m_end, READ_BUFFER_SIZE - m_end);
        if (count <= 0)
            return {};
        m_end += count < READ_BUFFER_SIZE - m_end ? count : READ_BUFFER_SIZE - m_end;
    }
}

bool LineReader::ReadBlock(const ReceiveFunction& receive, std::string& block) {
    for (;;) {
        std::string_view line = ReadLine(receive);
        if (line.empty())
            return false;
        if (block.size() + line.size() > MAX_BLOCK_LENGTH)
            FailTooLong();
        block.append(line);
        if (line == "\r\n")
            return true;
    }
}

void LineReader::Discard() {
    m_start = m_end = m_scanned = 0;
    m_longLine = std::string();
    m_longLineTaken = false;
}

// Returns the line that ends before `end` and marks it as returned.
std::string_view LineReader::TakeLine(int end) {
    std::string_view piece(m_readBuffer + m_start, static_cast<std::size_t>(end - m_start));
    m_start = m_scanned = end;
    if (m_longLine.empty())
        return piece;
    AppendToLongLine(piece);
    m_longLineTaken = true;
    return m_longLine;
}

// Frees space at the end of the read buffer: returned bytes are dropped, and
// a full buffer of one unfinished line moves to m_longLine.
void LineReader::MakeRoom() {
    if (m_start == m_end) {
        m_start = m_end = m_scanned = 0;
        return;
    }
    if (m_end < READ_BUFFER_SIZE)
        return;
    if (m_start > 0) {
        std::memmove(m_readBuffer, m_readBuffer + m_start, static_cast<std::size_t>(m_end - m_start));
        m_end -= m_start;
        m_scanned = m_end;
        m_start = 0;
        return;
    }
    AppendToLongLine({m_readBuffer, READ_BUFFER_SIZE});
    m_start = m_end = m_scanned = 0;
}

void LineReader::AppendToLongLine(std::string_view piece) {
    if (m_longLine.size() + piece.size() > MAX_LINE_LENGTH)
        FailTooLong();
    m_longLine.append(piece);
}

}  // namespace nimbo
