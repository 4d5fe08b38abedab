#include "tools/FileAcceptor.h"

#include <cstdint>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/CodePage.h"
#include "transfer/FileReceiver.h"
#include "transfer/SafeFileName.h"

namespace nimbo::cli {
namespace {

// The length to continue a target from: its length when it exists and is
// shorter than the offer (and the offset can express it), else 0.
std::int32_t ResumeOffset(const std::filesystem::path& target, std::uint32_t offeredSize) {
    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(target, error);
    if (error || length >= offeredSize || length > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(length);
}

}  // namespace

FileAcceptor::FileAcceptor(std::filesystem::path folder, platform::IMessageThread& thread, EventPrinter& printer)
    : m_folder(std::move(folder)), m_thread(thread), m_printer(printer) {}

void FileAcceptor::Accept(const FileOffer& offer) {
    ForgetEnded();
    const std::filesystem::path target = m_folder / platform::CodePage::ToUtf8(SafeFileName(offer.strFileName));
    std::shared_ptr<TransferInfo> info = MakeInfo(offer, target);
    Receive& receive = m_receives.emplace_back();
    receive.strPath = info->strFilePath;
    receive.window =
        std::make_unique<TransferWindow>(m_thread, [this, &receive](platform::LPARAM code) { OnEnd(receive, code); });
    info->hWndNotify = receive.window->Handle();
    receive.worker = std::make_unique<TransferWorker>(FileRecvProc, std::move(info));
}

std::shared_ptr<TransferInfo> FileAcceptor::MakeInfo(const FileOffer& offer,
                                                     const std::filesystem::path& target) const {
    auto info = std::make_shared<TransferInfo>();
    info->strFilePath = platform::CodePage::FromUtf8(target.string());
    info->strPeerAddress = offer.strAddress;
    info->nPort = offer.nPort;
    info->nStartOffset = ResumeOffset(target, offer.nFileSize);
    return info;
}

// Runs in the receive's own window: it is forgotten later, not here.
void FileAcceptor::OnEnd(Receive& receive, platform::LPARAM code) {
    receive.bEnded = true;
    m_printer.PrintFile(receive.strPath, code);
}

void FileAcceptor::ForgetEnded() {
    m_receives.remove_if([](const Receive& receive) { return receive.bEnded; });
}

}  // namespace nimbo::cli
