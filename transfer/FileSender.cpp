#include "transfer/FileSender.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "net/CBlockingSocketException.h"
#include "platform/CodePage.h"

namespace nimbo {
namespace {

// The size travels as an unsigned 32-bit value.
constexpr std::int64_t MAX_FILE_SIZE = std::numeric_limits<std::uint32_t>::max();

// The receiver's address when `text` names one: dotted, and not 0.0.0.0,
// which stands for an address the agent server does not know.
std::optional<in_addr> KnownAddress(const std::u16string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, platform::CodePage::ToUtf8(text).c_str(), &address) != 1 ||
        address.s_addr == htonl(INADDR_ANY))
        return std::nullopt;
    return address;
}

}  // namespace

void FileSendProc(std::shared_ptr<TransferInfo> info) { FileSender(std::move(info)).Run(); }

FileSender::FileSender(std::shared_ptr<TransferInfo> info)
    : m_info(std::move(info)), m_reporter(m_info->hWndNotify), m_strFilePath(m_info->strFilePath) {}

void FileSender::Run() {
    DataConnection connection(*m_info);
    try {
        if (AcceptReceiver(connection))
            End(SendFile(connection), connection);
    } catch (const CBlockingSocketException& failure) {
        const bool closed = m_info->bCancel || failure.m_strOperation == u"Accept";
        End(closed ? TE_SEND_CLOSED : TE_SEND_BROKEN, connection);
    }
}

// The listening socket is closed as soon as accept returns, however it does.
bool FileSender::AcceptReceiver(DataConnection& connection) {
    CBlockingSocket* listener = m_info->ListenSocket();
    if (!listener)
        return false;
    bool accepted = false;
    try {
        accepted = connection.Accept(*listener, KnownAddress(m_info->strPeerAddress));
    } catch (const CBlockingSocketException&) {
        m_info->EndListening();
        throw;
    }
    m_info->EndListening();
    return accepted;
}

std::optional<TransferEnd> FileSender::SendFile(DataConnection& connection) {
    TransferFile file;
    if (!file.OpenForReading(m_strFilePath))
        return TE_SEND_CLOSED;
    const std::int64_t length = file.Length();
    if (length < 0 || length > MAX_FILE_SIZE)
        return TE_SEND_CLOSED;
    // An empty file sends nothing at all, not even its size.
    if (length > 0) {
        std::optional<TransferEnd> sent = SendBlocks(connection, file, length);
        if (sent != TE_SEND_DONE)
            return sent;
    }
    file.Close();
    return ReceiveEndMarker(connection) ? TE_SEND_DONE : TE_SEND_BROKEN;
}

// Only the receiver's whole end marker confirms the file: a receiver that
// closes without it may well have failed to store what came.
bool FileSender::ReceiveEndMarker(DataConnection& connection) {
    int count = 0;
    while (count < FILE_RECV_END_LENGTH) {
        const int received = connection.Receive(m_buffer.data() + count, FILE_RECV_END_LENGTH - count);
        if (received == 0)
            return false;
        count += received;
    }
    return std::memcmp(m_buffer.data(), FILE_RECV_END, FILE_RECV_END_LENGTH) == 0;
}

// TE_SEND_DONE when every block went out (the receiver's last word is
// still to come); otherwise the early end, nullopt when the window has gone.
std::optional<TransferEnd> FileSender::SendBlocks(DataConnection& connection, TransferFile& file,
                                                  std::int64_t length) {
    connection.SendWord(static_cast<std::uint32_t>(length));
    std::uint32_t word = 0;
    // A receiver that closes before its offset gets the file from the start,
    // and the first send that fails breaks the transfer.
    connection.ReceiveWord(word);
    const std::int64_t offset = static_cast<std::int32_t>(word);
    if (offset < 0)
        return TE_REFUSED;
    m_reporter.SendStart(m_info->stop);
    if (!file.Seek(offset))
        return TE_SEND_BROKEN;
    for (std::int64_t position = offset;;) {
        if (m_reporter.WindowGone())
            return std::nullopt;
        if (m_info->bCancel)
            return TE_SEND_CLOSED;
        const int wanted = static_cast<int>(std::clamp<std::int64_t>(length - position, 0, FILE_BLOCK_SIZE));
        const char* block = nullptr;
        const int read = wanted > 0 ? file.Read(block, wanted) : 0;
        if (read < 0)
            return TE_SEND_BROKEN;
        if (read == 0)
            return TE_SEND_DONE;
        connection.SendAll(block, read);
        position += read;
        m_reporter.Progress(position, offset);
    }
}

// The connection is closed before the window hears of the end.
void FileSender::End(std::optional<TransferEnd> end, DataConnection& connection) {
    connection.Close();
    if (end)
        m_reporter.End(*end);
}

}  // namespace nimbo
