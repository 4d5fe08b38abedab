#include "net/CLineReader.h"

#include <cerrno>
#include <cstring>

#include "net/CBlockingSocketException.h"

namespace nimbo {
namespace {

[[noreturn]] void FailTooLong() { throw CBlockingSocketException(u"Receive", EMSGSIZE); }

}  // namespace

std::string_view CLineReader::ReadLine(const ReceiveFunction& receive) {
    if (m_bLongLineTaken) {
        m_longLine.clear();
        m_bLongLineTaken = false;
    }
    for (;;) {
        const void* lf = std::memchr(m_readBuffer + m_nScanned, '\n', static_cast<std::size_t>(m_nEnd - m_nScanned));
        if (lf)
            return TakeLine(static_cast<int>(static_cast<const char*>(lf) - m_readBuffer) + 1);
        m_nScanned = m_nEnd;
        MakeRoom();
        int count = receive(m_readBuffer + m_nEnd, READ_BUFFER_SIZE - m_nEnd);
        if (count <= 0)
            return {};
        m_nEnd += count < READ_BUFFER_SIZE - m_nEnd ? count : READ_BUFFER_SIZE - m_nEnd;
    }
}

bool CLineReader::ReadBlock(const ReceiveFunction& receive, std::string& block) {
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

void CLineReader::Discard() {
    m_nStart = m_nEnd = m_nScanned = 0;
    m_longLine = std::string();
    m_bLongLineTaken = false;
}

// Returns the line that ends before `end` and marks it as returned.
std::string_view CLineReader::TakeLine(int end) {
    std::string_view piece(m_readBuffer + m_nStart, static_cast<std::size_t>(end - m_nStart));
    m_nStart = m_nScanned = end;
    if (m_longLine.empty())
        return piece;
    AppendToLongLine(piece);
    m_bLongLineTaken = true;
    return m_longLine;
}

// Frees space at the end of the read buffer: returned bytes are dropped, and
// a full buffer of one unfinished line moves to m_longLine.
void CLineReader::MakeRoom() {
    if (m_nStart == m_nEnd) {
        m_nStart = m_nEnd = m_nScanned = 0;
        return;
    }
    if (m_nEnd < READ_BUFFER_SIZE)
        return;
    if (m_nStart > 0) {
        std::memmove(m_readBuffer, m_readBuffer + m_nStart, static_cast<std::size_t>(m_nEnd - m_nStart));
        m_nEnd -= m_nStart;
        m_nScanned = m_nEnd;
        m_nStart = 0;
        return;
    }
    AppendToLongLine({m_readBuffer, READ_BUFFER_SIZE});
    m_nStart = m_nEnd = m_nScanned = 0;
}

void CLineReader::AppendToLongLine(std::string_view piece) {
    if (m_longLine.size() + piece.size() > MAX_LINE_LENGTH)
        FailTooLong();
    m_longLine.append(piece);
}

}  // namespace nimbo
