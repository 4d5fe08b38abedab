#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "transfer/DataConnection.h"
#include "transfer/TransferFile.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferProtocol.h"
#include "transfer/TransferReporter.h"

namespace nimbo {

// The receiving worker: connects to strPeerAddress:nPort, reads the size and
// refuses (a negative offset) a stream whose size is not the offered
// nFileSize; only then opens strFilePath as targetUse and targetLinks allow,
// refusing when it cannot be opened; asks for the file from nStartOffset (for
// TargetUse::Continue, as far as the target holds it), writes exactly the
// announced bytes, sends the end marker and reports to hWndNotify:
//   TE_RECV_DONE; TE_RECV_CLOSED when cancelled or when the target cannot be
//   opened; TE_RECV_BROKEN when the address cannot be resolved, for any
//   socket failure or time-out, for a size other than the offered one and
//   when the sender closes before the size or before the last byte.
// A failed write of the target shows "파일 쓰기 오류가 발생하였습니다.\n사용 가능한
// 디스크 용량을 확인하십시오." from the worker itself (unless cancelled), then
// reports TE_RECV_WRITE_FAILED. It ends without a word when the window has
// gone. What was received stays in the target.
class FileReceiver {
public:
    explicit FileReceiver(std::shared_ptr<TransferInfo> info);
    void Run();

private:
    // Done, Broken, Closed and WriteFailed are reported as TE_RECV_DONE,
    // TE_RECV_BROKEN, TE_RECV_CLOSED and TE_RECV_WRITE_FAILED.
    enum class Outcome { Done, Broken, Closed, WindowGone, WriteFailed };

    void Connect(DataConnection& connection);
    Outcome ReceiveFile(DataConnection& connection);
    std::optional<Outcome> OpenTarget(DataConnection& connection, std::uint32_t size);
    static void Refuse(DataConnection& connection);
    Outcome ReceiveBlocks(DataConnection& connection, std::uint32_t size);
    void End(Outcome outcome, DataConnection& connection);

    const std::shared_ptr<TransferInfo> m_info;
    TransferReporter m_reporter;
    const std::u16string m_strFilePath;
    const std::u16string m_strPeerAddress;
    const int m_nPort;
    const std::uint32_t m_offeredSize;
    const TargetUse m_use;
    const TargetLinks m_links;
    std::int64_t m_nStartOffset;
    TransferFile m_file;
};

// Thread entry of the receiving worker; see TransferWorker for how to run it.
void FileRecvProc(std::shared_ptr<TransferInfo> info);

}  // namespace nimbo
