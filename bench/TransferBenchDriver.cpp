// One side of a file transfer as its own process, for
// bench/transfer-throughput.sh: the project's sending and receiving workers
// over a real connection, reporting to a window as the application's do.
//
//   transfer_bench_driver send HOST FILE     listens on HOST, prints the port,
//                                            then sends
//   transfer_bench_driver receive HOST PORT SIZE TARGET
//
// Exit 0 when the transfer ended done.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/CodePage.h"
#include "platform/MessageLoop.h"
#include "tools/TransferWindow.h"
#include "transfer/FileReceiver.h"
#include "transfer/FileSender.h"
#include "transfer/TransferPort.h"
#include "transfer/TransferWorker.h"

namespace {

using nimbo::TransferInfo;

// Runs `procedure` on `info`, reporting to a window of this thread, until it
// ends; true when it ended with `done`.
bool RunWorker(nimbo::TransferWorker::Procedure procedure, const std::shared_ptr<TransferInfo>& info,
               nimbo::TransferEnd done) {
    nimbo::platform::MessageLoop loop;
    std::optional<nimbo::platform::LPARAM> end;
    nimbo::cli::TransferWindow window(loop, [&](nimbo::platform::LPARAM code) {
        end = code;
        loop.Quit();
    });
    info->hWndNotify = window.Handle();
    nimbo::TransferWorker worker(procedure, info);
    loop.Run();
    worker.Join();
    return end == done;
}

int Send(const char* host, const char* path) {
    auto info = std::make_shared<TransferInfo>();
    info->strFilePath = nimbo::platform::CodePage::FromUtf8(path);
    std::unique_ptr<nimbo::CBlockingSocket> listening = nimbo::ListenOnFreePort(host, info->nPort);
    if (!listening)
        return EXIT_FAILURE;
    info->PublishListenSocket(std::move(listening));
    std::printf("%d\n", info->nPort);
    std::fflush(stdout);
    return RunWorker(nimbo::FileSendProc, info, nimbo::TE_SEND_DONE) ? EXIT_SUCCESS : EXIT_FAILURE;
}

int Receive(const char* host, int port, std::uint32_t size, const char* target) {
    auto info = std::make_shared<TransferInfo>();
    info->strPeerAddress = nimbo::platform::CodePage::FromUtf8(host);
    info->nPort = port;
    info->nFileSize = size;
    info->strFilePath = nimbo::platform::CodePage::FromUtf8(target);
    return RunWorker(nimbo::FileRecvProc, info, nimbo::TE_RECV_DONE) ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "send" && argc == 4)
        return Send(argv[2], argv[3]);
    if (mode == "receive" && argc == 6)
        return Receive(argv[2], std::atoi(argv[3]), static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)),
                       argv[5]);
    std::fputs("usage: transfer_bench_driver send HOST FILE | receive HOST PORT SIZE TARGET\n", stderr);
    return 2;
}
