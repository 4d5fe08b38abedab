#include "transfer/FileReceiver.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "net/ByteString.h"
#include "net/CBlockingSocketException.h"
#include "platform/MessageBox.h"

namespace nimbo {
namespace {

constexpr int PORT_MASK = 0xFFFF;
// The start offset by which a receiver refuses the file.
constexpr std::int32_t REFUSAL = -1;

}  // namespace

void FileRecvProc(std::shared_ptr<TransferInfo> info) { FileReceiver(std::move(info)).Run(); }

FileReceiver::FileReceiver(std::shared_ptr<TransferInfo> info)
    : m_info(std::move(info)),
      m_reporter(m_info->hWndNotify),
      m_strFilePath(m_info->strFilePath),
      m_strPeerAddress(m_info->strPeerAddress),
      m_nPort(m_info->nPort & PORT_MASK),
      m_offeredSize(m_info->nFileSize),
      m_use(m_info->targetUse),
      m_links(m_info->targetLinks),
      m_nStartOffset(std::max<std::int32_t>(m_info->nStartOffset, 0)) {}

void FileReceiver::Run() {
    DataConnection connection(*m_info);
    Outcome outcome;
    try {
        Connect(connection);
        outcome = ReceiveFile(connection);
    } catch (const CBlockingSocketException&) {
        outcome = Outcome::Broken;
    }
    End(outcome, connection);
}

// A connection published after a Cancel is shut at once (see
// TransferInfo), so a receiver cancelled during its lookup never reaches the
// sender.
void FileReceiver::Connect(DataConnection& connection) {
    ByteString address;
    address.AssignWide(m_strPeerAddress);
    connection.Connect(CBlockingSocket::ResolveHost(address.c_str(), m_nPort));
}

// The target is opened only once the announced size proved to be the offered
// one, and before the offset answers it.
FileReceiver::Outcome FileReceiver::ReceiveFile(DataConnection& connection) {
    std::uint32_t size = 0;
    if (!connection.ReceiveWord(size))
        return Outcome::Broken;
    if (size != m_offeredSize) {
        Refuse(connection);
        return Outcome::Broken;
    }
    if (const std::optional<Outcome> unopened = OpenTarget(connection, size))
        return *unopened;
    connection.SendWord(static_cast<std::uint32_t>(m_nStartOffset));
    if (size != 0)
        m_reporter.PostStart();
    const Outcome received = ReceiveBlocks(connection, size);
    if (received != Outcome::Done)
        return received;
    if (!m_file.Close())
        return Outcome::WriteFailed;
    connection.SendAll(FILE_RECV_END, FILE_RECV_END_LENGTH);
    return Outcome::Done;
}

// The outcome when the target is not to be written. One that cannot be is
// refused at once, so the sender need not wait for a receiver that never
// takes anything; one cancelled meanwhile is left alone.
std::optional<FileReceiver::Outcome> FileReceiver::OpenTarget(DataConnection& connection, std::uint32_t size) {
    if (m_info->bCancel)
        return Outcome::Closed;
    const std::int64_t kept =
        m_file.OpenTarget(m_strFilePath, m_use, m_links, std::min<std::int64_t>(m_nStartOffset, size));
    if (kept < 0) {
        Refuse(connection);
        return Outcome::Closed;
    }
    m_nStartOffset = kept;
    return std::nullopt;
}

// The refusal is a courtesy to the sender: a connection that fails meanwhile
// changes nothing about the outcome.
void FileReceiver::Refuse(DataConnection& connection) {
    try {
        connection.SendWord(static_cast<std::uint32_t>(REFUSAL));
    } catch (const CBlockingSocketException&) {
    }
}

// Received straight into the file's staging buffer. Bytes beyond the
// announced size are dropped: the file ends exactly there.
FileReceiver::Outcome FileReceiver::ReceiveBlocks(DataConnection& connection, std::uint32_t size) {
    for (std::int64_t count = m_nStartOffset; count < size;) {
        if (m_reporter.WindowGone())
            return Outcome::WindowGone;
        if (m_info->bCancel)
            return Outcome::Closed;
        char* room = m_file.Room(FILE_BLOCK_SIZE);
        if (!room)
            return Outcome::WriteFailed;
        const int received = connection.Receive(room, FILE_BLOCK_SIZE);
        if (m_reporter.WindowGone())
            return Outcome::WindowGone;
        if (received == 0)
            return Outcome::Broken;
        const int kept = static_cast<int>(std::min<std::int64_t>(received, size - count));
        m_file.Commit(kept);
        count += kept;
        m_reporter.Progress(count, m_nStartOffset);
    }
    return Outcome::Done;
}

// File and connection are closed before anyone is told.
void FileReceiver::End(Outcome outcome, DataConnection& connection) {
    m_file.Close();
    connection.Close();
    // A cancel wakes a blocked receive, and the user who cancelled is told
    // of no failure.
    if (m_info->bCancel && (outcome == Outcome::Broken || outcome == Outcome::WriteFailed))
        outcome = Outcome::Closed;
    switch (outcome) {
    case Outcome::Done: m_reporter.End(TE_RECV_DONE); break;
    case Outcome::Broken: m_reporter.End(TE_RECV_BROKEN); break;
    case Outcome::Closed: m_reporter.End(TE_RECV_CLOSED); break;
    case Outcome::WindowGone: break;
    case Outcome::WriteFailed:
        platform::ShowMessageBox(u"파일 쓰기 오류가 발생하였습니다.\n사용 가능한 디스크 용량을 확인하십시오.");
        m_reporter.End(TE_RECV_WRITE_FAILED);
        break;
    }
}

}  // namespace nimbo
