#include "tools/SendFileCommand.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "buddies/CBuddyInfo.h"
#include "platform/CodePage.h"
#include "platform/MessageLoop.h"
#include "transfer/FileSendStart.h"
#include "transfer/FileSender.h"
#include "transfer/TransferWorker.h"
#include "tools/BuddyRefresh.h"
#include "tools/CommandFailure.h"
#include "tools/EventWait.h"
#include "tools/ExitCode.h"
#include "tools/SignalWatcher.h"
#include "tools/SignedInScope.h"
#include "tools/TransferWindow.h"
#include "tools/UsageError.h"

namespace nimbo::cli {
namespace {

std::uint64_t FileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        throw CommandFailure("cannot read " + path + ": " + error.message());
    return size;
}

}  // namespace

SendFileCommand::SendFileCommand(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--seconds" && i + 1 < args.size())
            m_seconds = EventWait::ParseSeconds(args[++i]);
        else
            words.push_back(args[i]);
    }
    if (words.size() != 2)
        throw UsageError("send-file takes a user ID, a file and at most --seconds N");
    m_callee = platform::CodePage::FromUtf8(words[0]);
    m_path = words[1];
}

int SendFileCommand::Run(CliContext& context) {
    const std::uint64_t size = FileSize(m_path);
    // The reason has gone to standard error as the message box text.
    if (!CheckSendableSize(size))
        return EXIT_FAILED;
    platform::MessageLoop loop;
    EventWait wait(loop, m_seconds);
    // Before the listener thread starts, so that it never takes the signals.
    SignalWatcher signals([&wait] { wait.Finish(); });
    std::optional<platform::LPARAM> end;
    TransferWindow window(
        loop,
        [&](platform::LPARAM code) {
            end = code;
            wait.Finish();
        },
        [&](platform::LPARAM position) { context.printer.PrintProgress(position, size); });
    SignedInScope signIn(context, SignIn::OneShot);
    std::shared_ptr<TransferInfo> info = Offer(context, window.Handle(), static_cast<std::uint32_t>(size));
    if (!info)
        return EXIT_FAILED;
    TransferWorker worker(FileSendProc, info);
    if (!worker.Started())
        throw CommandFailure("cannot start the transfer: " + worker.Failure());
    wait.Run();
    if (!end)
        throw CommandFailure("the transfer was stopped before it ended");
    worker.Join();
    context.printer.PrintEnd(*end);
    return *end == TE_SEND_DONE ? EXIT_DONE : EXIT_FAILED;
}

// The record of the transfer once the offer is out, listening; nullptr when
// the offer failed (its message has gone to standard error).
std::shared_ptr<TransferInfo> SendFileCommand::Offer(CliContext& context, platform::HWND window,
                                                     std::uint32_t size) const {
    RefreshBuddyTables(context.session);
    if (!context.session.GetBuddyTable().Lookup(m_callee))
        throw CommandFailure(platform::CodePage::ToUtf8(m_callee) + " is not in the buddy list");
    auto info = std::make_shared<TransferInfo>();
    info->hWndNotify = window;
    info->strFilePath = platform::CodePage::FromUtf8(m_path);
    const std::string fileName = std::filesystem::path(m_path).filename().string();
    if (!OfferFile(context.session, *info, m_callee, platform::CodePage::FromUtf8(fileName), size))
        return nullptr;
    return info;
}

}  // namespace nimbo::cli
