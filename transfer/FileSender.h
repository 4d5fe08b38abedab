#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "transfer/DataConnection.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferFile.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferProtocol.h"
#include "transfer/TransferReporter.h"

namespace nimbo {

// The sending worker: accepts the receiver on the listening socket that the
// caller published in the record (see OfferFile), taking only a connection
// from strPeerAddress when that names an address; sends the size, reads the
// start offset, sends the file from there up to the size it announced, waits
// for the receiver's end marker and reports to hWndNotify:
//   TE_SEND_DONE once the whole marker came; TE_REFUSED for a negative
//   offset; TE_SEND_CLOSED when cancelled, when the file cannot be opened (or
//   has grown to 4 GiB) and when accept fails; TE_SEND_BROKEN for any other
//   socket failure or time-out, for a receiver that closes or answers
//   anything but the marker, and for a failed read of the file.
// It ends without a word when the listening socket was closed before a
// receiver came, and when the window has gone.
class FileSender {
public:
    explicit FileSender(std::shared_ptr<TransferInfo> info);
    void Run();

private:
    bool AcceptReceiver(DataConnection& connection);
    // The end to report; nullopt when the window has gone.
    std::optional<TransferEnd> SendFile(DataConnection& connection);
    std::optional<TransferEnd> SendBlocks(DataConnection& connection, TransferFile& file, std::int64_t length);
    bool ReceiveEndMarker(DataConnection& connection);
    void End(std::optional<TransferEnd> end, DataConnection& connection);

    const std::shared_ptr<TransferInfo> m_info;
    TransferReporter m_reporter;
    const std::u16string m_strFilePath;
    std::array<char, FILE_BLOCK_SIZE> m_buffer;
};

// Thread entry of the sending worker; see TransferWorker for how to run it.
void FileSendProc(std::shared_ptr<TransferInfo> info);

}  // namespace nimbo
