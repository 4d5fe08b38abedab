#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "platform/MessageBox.h"
#include "tests/support/ListenOn.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/transfer/TransferFixture.h"
#include "transfer/FileSender.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferPort.h"
#include "transfer/TransferProtocol.h"

// How a window ends and joins its workers; loopback addresses 127.0.8.3N.

namespace nimbo {
namespace {

using test::Pattern;
using test::Word;

using test::PeerConnection;
using test::ScriptedPeer;
using test::WorkerUnderTest;

constexpr int SCRIPTED_SENDER_PORT = 10002;

using TransferWorkerContract = test::TransferTest;

TEST_F(TransferWorkerContract, StopDetachesAWorkerHeldByItsMessageBoxWhichThenEndsByItself) {
    std::promise<void> shown;
    std::promise<void> answered;
    std::shared_future<void> answer = answered.get_future().share();
    platform::SetMessageBoxHandler([&shown, answer](const std::u16string&, const std::u16string&,
                                                    platform::MessageBoxButtons) {
        shown.set_value();
        answer.wait();
        return platform::MessageBoxResult::Ok;
    });
    ScriptedPeer sender("127.0.8.30", SCRIPTED_SENDER_PORT);
    sender.Expect([](PeerConnection& c) {
        c.Send(Word(10) + Pattern(10));
        c.Close();
    });
    std::weak_ptr<TransferInfo> record;
    {
        WorkerUnderTest receiver = StartReceiver("/dev/full", u"127.0.8.30", SCRIPTED_SENDER_PORT, 10);
        record = receiver.info;
        shown.get_future().wait();
        EXPECT_FALSE(receiver.worker->Stop(std::chrono::milliseconds(100)));
        EXPECT_TRUE(receiver.info->bCancel);
    }
    // The window and its references are gone; the worker still holds the record.
    EXPECT_FALSE(record.expired());
    answered.set_value();
    // Its window is gone, so no message tells of the end: it is watched for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!record.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(record.expired());
}

// A receiver cancelled before it reached the sender (while a name lookup
// held it up, say) touches nothing: it neither connects nor creates its target.
TEST_F(TransferWorkerContract, ACancelledReceiverNeitherConnectsNorCreatesItsTarget) {
    const std::filesystem::path target = PathOf("target.bin");
    const int sender = test::ListenOn("127.0.8.32", SCRIPTED_SENDER_PORT, 1);
    WorkerUnderTest receiver = NewReceiver(target, u"127.0.8.32", SCRIPTED_SENDER_PORT, 10);
    receiver.info->Cancel();
    StartReceiving(receiver);
    EXPECT_TRUE(receiver.worker->Stop(std::chrono::seconds(30)));
    pollfd connection{sender, POLLIN, 0};
    EXPECT_EQ(poll(&connection, 1, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(target));
    close(sender);
}

TEST_F(TransferWorkerContract, AJoinedSenderLeavesTheRecordForTheNextFile) {
    test::RecordingTransferWindow window(m_loop);
    auto info = std::make_shared<TransferInfo>();
    info->hWndNotify = window.Handle();
    for (int i = 0; i < 2; ++i) {
        const std::string content = Pattern(6000, static_cast<unsigned>(i) + 1);
        info->strFilePath = Wide(WriteFile("source.bin", content));
        info->PublishListenSocket(ListenOnFreePort("127.0.8.31", info->nPort));
        TransferWorker sender(FileSendProc, info);
        const std::filesystem::path target = PathOf("target" + std::to_string(i));
        WorkerUnderTest receiver = StartReceiver(target, u"127.0.8.31", info->nPort, 6000);
        const auto ends = [&] {
            return std::count_if(window.Messages().begin(), window.Messages().end(),
                                 [](const auto& m) { return m.message == WM_TRANSFER_END; });
        };
        RunUntil([&] { return ends() == i + 1 && receiver.window->End(); });
        sender.Join();
        EXPECT_EQ(window.Messages().back().lParam, TE_SEND_DONE);
        EXPECT_EQ(ReadFile(target), content);
    }
}

}  // namespace
}  // namespace nimbo
