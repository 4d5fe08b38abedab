#include "tools/FileAcceptor.h"

#include <limits>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/CodePage.h"
#include "tools/CommandFailure.h"
#include "transfer/FileReceiver.h"
#include "transfer/OfferLimits.h"
#include "transfer/SafeFileName.h"
#include "transfer/TransferEnd.h"

namespace nimbo::cli {
namespace {

// "NAME (N).EXT" is tried for N up to this; an offer finding none free is
// declined.
constexpr int MAX_NAME_NUMBER = 9999;

std::filesystem::path Numbered(const std::filesystem::path& wanted, int number) {
    std::filesystem::path name = wanted.stem();
    name += " (" + std::to_string(number) + ")";
    name += wanted.extension();
    return wanted.parent_path() / name;
}

// Whether nothing at all, not even a dangling link, has the name `path`.
bool IsFreeOnDisk(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::not_found;
}

// The length of the plain file `path`; nullopt for a link or anything else.
std::optional<std::uintmax_t> PlainFileLength(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)))
        return std::nullopt;
    const std::uintmax_t length = std::filesystem::file_size(path, error);
    return error ? std::nullopt : std::optional(length);
}

std::filesystem::path ResolvedFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(folder, error);
    if (error || !std::filesystem::is_directory(resolved, error))
        throw CommandFailure(folder.string() + " is not a folder");
    return resolved;
}

}  // namespace

FileAcceptor::FileAcceptor(const std::filesystem::path& folder, ExistingFiles existing, platform::MessageLoop& loop,
                           EventPrinter& printer, std::ostream& errors)
    : m_folder(ResolvedFolder(folder)), m_existing(existing), m_loop(loop), m_printer(printer), m_errors(errors) {}

void FileAcceptor::Accept(const std::u16string& from, const FileOffer& offer) {
    ForgetEnded();
    const std::string declined =
        "nimbo-cli: declined " + EventPrinter::Escaped(offer.strFileName) + " from " + EventPrinter::Escaped(from);
    if (m_finished) {
        m_errors << declined << ": listen is ending" << std::endl;
        return;
    }
    if (RunningCount() >= MAX_OFFERED_RECEIVES) {
        m_errors << declined << ": " << MAX_OFFERED_RECEIVES << " files are being received" << std::endl;
        return;
    }
    std::shared_ptr<TransferInfo> info = MakeInfo(offer);
    if (!info) {
        m_errors << declined << ": no free name for it" << std::endl;
        return;
    }
    Start(m_receives.emplace_back(), std::move(info));
}

// The target: the offered name when it is free, else what UseTaken gives;
// nullptr when there is none.
std::shared_ptr<TransferInfo> FileAcceptor::MakeInfo(const FileOffer& offer) const {
    const std::filesystem::path wanted = m_folder / platform::CodePage::ToUtf8(SafeFileName(offer.strFileName));
    auto info = std::make_shared<TransferInfo>();
    info->strPeerAddress = offer.strAddress;
    info->nPort = offer.nPort;
    info->nFileSize = offer.nFileSize;
    info->targetLinks = TargetLinks::Refuse;
    info->targetUse = TargetUse::CreateNew;
    const std::filesystem::path target = IsTaken(wanted) || !IsFreeOnDisk(wanted) ? UseTaken(wanted, *info) : wanted;
    if (target.empty())
        return nullptr;
    info->strFilePath = platform::CodePage::FromUtf8(target.string());
    return info;
}

// For a name already in use: the plain file there, continued or replaced as
// the options allow (never one that a running receive writes), else the
// first free numbered name.
std::filesystem::path FileAcceptor::UseTaken(const std::filesystem::path& wanted, TransferInfo& info) const {
    const std::optional<std::uintmax_t> length = IsTaken(wanted) ? std::nullopt : PlainFileLength(wanted);
    if (length && m_existing.continueShorter && *length < info.nFileSize &&
        *length <= std::numeric_limits<std::int32_t>::max()) {
        info.targetUse = TargetUse::Continue;
        info.nStartOffset = static_cast<std::int32_t>(*length);
        return wanted;
    }
    if (length && m_existing.replace) {
        info.targetUse = TargetUse::Replace;
        return wanted;
    }
    return FreeName(wanted);
}

std::filesystem::path FileAcceptor::FreeName(const std::filesystem::path& wanted) const {
    for (int number = 1; number <= MAX_NAME_NUMBER; ++number) {
        std::filesystem::path candidate = Numbered(wanted, number);
        if (!IsTaken(candidate) && IsFreeOnDisk(candidate))
            return candidate;
    }
    return {};
}

// Whether a running receive writes `path`.
bool FileAcceptor::IsTaken(const std::filesystem::path& path) const {
    const std::u16string wide = platform::CodePage::FromUtf8(path.string());
    for (const Receive& receive : m_receives) {
        if (!receive.bEnded && receive.strPath == wide)
            return true;
    }
    return false;
}

int FileAcceptor::RunningCount() const {
    int running = 0;
    for (const Receive& receive : m_receives)
        running += receive.bEnded ? 0 : 1;
    return running;
}

void FileAcceptor::Start(Receive& receive, std::shared_ptr<TransferInfo> info) {
    receive.strPath = info->strFilePath;
    receive.window =
        std::make_unique<TransferWindow>(m_loop, [this, &receive](platform::LPARAM code) { OnEnd(receive, code); });
    info->hWndNotify = receive.window->Handle();
    receive.worker = std::make_unique<TransferWorker>(FileRecvProc, std::move(info));
    if (!receive.worker->Started()) {
        m_errors << "nimbo-cli: cannot receive " << EventPrinter::Escaped(receive.strPath) << ": "
                 << receive.worker->Failure() << std::endl;
        OnEnd(receive, TE_RECV_CLOSED);
    }
}

// Runs in the receive's own window: it is forgotten later, not here.
void FileAcceptor::OnEnd(Receive& receive, platform::LPARAM code) {
    if (receive.bEnded)
        return;
    receive.bEnded = true;
    if (code != TE_RECV_DONE)
        m_allReceived = false;
    m_printer.PrintFile(receive.strPath, code);
}

void FileAcceptor::ForgetEnded() {
    m_receives.remove_if([](const Receive& receive) { return receive.bEnded; });
}

// A cancelled worker posts its end before it ends; one that cannot be
// waited for, or went without a word, is reported closed all the same.
bool FileAcceptor::Finish() {
    // The pending calls run below may still bring offers.
    m_finished = true;
    for (Receive& receive : m_receives) {
        if (!receive.bEnded)
            receive.worker->Stop(TransferWorker::STOP_BOUND);
    }
    m_loop.ProcessPending();
    for (Receive& receive : m_receives)
        OnEnd(receive, TE_RECV_CLOSED);
    return m_allReceived;
}

}  // namespace nimbo::cli
