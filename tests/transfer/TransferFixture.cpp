#include "tests/transfer/TransferFixture.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "transfer/FileReceiver.h"
#include "transfer/FileSender.h"
#include "transfer/TransferPort.h"

namespace nimbo::test {
namespace {

constexpr std::chrono::seconds SAFETY_LIMIT{60};

}  // namespace

void TransferTest::SetUp() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = std::filesystem::temp_directory_path() /
               ("nimbo-transfer-" + std::to_string(getpid()) + "-" + test->name());
    std::filesystem::create_directories(m_folder);
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string&, platform::MessageBoxButtons) {
        std::lock_guard lock(m_boxLock);
        m_boxes.push_back(text);
        return platform::MessageBoxResult::Ok;
    });
}

void TransferTest::TearDown() {
    platform::SetMessageBoxHandler({});
    std::filesystem::remove_all(m_folder);
}

std::string TransferTest::ReadFile(const std::filesystem::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::u16string TransferTest::Wide(const std::filesystem::path& path) {
    return platform::CodePage::FromUtf8(path.string());
}

std::filesystem::path TransferTest::WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = m_folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

WorkerUnderTest TransferTest::StartSender(const std::filesystem::path& path, const std::string& address,
                                          const std::u16string& receiver) {
    WorkerUnderTest sender{std::make_shared<TransferInfo>(), std::make_unique<RecordingTransferWindow>(m_loop),
                           nullptr};
    sender.info->hWndNotify = sender.window->Handle();
    sender.info->strFilePath = Wide(path);
    sender.info->strPeerAddress = receiver;
    std::unique_ptr<CBlockingSocket> listening = ListenOnFreePort(address, sender.info->nPort);
    EXPECT_TRUE(listening) << "no free port";
    sender.info->PublishListenSocket(std::move(listening));
    sender.worker = std::make_unique<TransferWorker>(FileSendProc, sender.info);
    return sender;
}

WorkerUnderTest TransferTest::StartReceiver(const std::filesystem::path& target, const std::u16string& address,
                                            int port, std::uint32_t size, std::int32_t offset) {
    WorkerUnderTest receiver = NewReceiver(target, address, port, size);
    receiver.info->targetUse = offset > 0 ? TargetUse::Continue : TargetUse::Replace;
    receiver.info->nStartOffset = offset;
    StartReceiving(receiver);
    return receiver;
}

WorkerUnderTest TransferTest::NewReceiver(const std::filesystem::path& target, const std::u16string& address,
                                          int port, std::uint32_t size) {
    WorkerUnderTest receiver{std::make_shared<TransferInfo>(), std::make_unique<RecordingTransferWindow>(m_loop),
                             nullptr};
    receiver.info->hWndNotify = receiver.window->Handle();
    receiver.info->strFilePath = Wide(target);
    receiver.info->strPeerAddress = address;
    receiver.info->nPort = port;
    receiver.info->nFileSize = size;
    return receiver;
}

void TransferTest::StartReceiving(WorkerUnderTest& receiver) {
    receiver.worker = std::make_unique<TransferWorker>(FileRecvProc, receiver.info);
}

void TransferTest::RunUntil(const std::function<bool()>& done) {
    ASSERT_TRUE(m_loop.RunUntil(done, SAFETY_LIMIT));
}

void TransferTest::RunUntilEnded(const WorkerUnderTest& transfer) {
    RunUntil([&] { return transfer.window->End().has_value(); });
}

std::vector<std::u16string> TransferTest::MessageBoxes() {
    std::lock_guard lock(m_boxLock);
    return m_boxes;
}

}  // namespace nimbo::test
