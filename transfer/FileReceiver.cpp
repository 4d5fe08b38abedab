#include "transfer/FileReceiver.h"

#include <algorithm>
#include <utility>

#include "net/ByteString.h"
#include "net/CBlockingSocketException.h"
#include "platform/MessageBox.h"

namespace nimbo {
namespace {

constexpr int PORT_MASK = 0xFFFF;

}  // namespace

void FileRecvProc(std::shared_ptr<TransferInfo> info) { FileReceiver(std::move(info)).Run(); }

FileReceiver::FileReceiver(std::shared_ptr<TransferInfo> info)
    : m_info(std::move(info)),
      m_reporter(m_info->hWndNotify),
      m_strFilePath(m_info->strFilePath),
      m_strPeerAddress(m_info->strPeerAddress),
      m_nPort(m_info->nPort & PORT_MASK),
      m_nStartOffset(std::max<std::int32_t>(m_info->nStartOffset, 0)) {}

void FileReceiver::Run() {
    DataConnection connection(*m_info);
    Outcome outcome;
    try {
        outcome = OpenTargetAndConnect(connection) ? ReceiveFile(connection) : Outcome::Closed;
    } catch (const CBlockingSocketException&) {
        outcome = Outcome::Broken;
    }
    End(outcome, connection);
}

// The target is opened after the address is known and before the connect;
// false when it cannot be. A name lookup or a slow disk may hold the worker
// up past its window's bound: once cancelled meanwhile, it touches neither
// the file nor the sender any more.
bool FileReceiver::OpenTargetAndConnect(DataConnection& connection) {
    ByteString address;
    address.AssignWide(m_strPeerAddress);
    const sockaddr_in sender = CBlockingSocket::ResolveHost(address.c_str(), m_nPort);
    if (m_info->bCancel)
        return false;
    m_nStartOffset = m_file.OpenTarget(m_strFilePath, m_nStartOffset);
    if (m_nStartOffset < 0 || m_info->bCancel)
        return false;
    connection.Connect(sender);
    return true;
}

FileReceiver::Outcome FileReceiver::ReceiveFile(DataConnection& connection) {
    std::uint32_t size = 0;
    if (!connection.ReceiveWord(size))
        return Outcome::Broken;
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
        break;
    }
}

}  // namespace nimbo
