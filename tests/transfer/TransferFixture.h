#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageLoop.h"
#include "tests/support/StreamBytes.h"
#include "tests/transfer/RecordingTransferWindow.h"
#include "transfer/TransferInfo.h"
#include "transfer/TransferWorker.h"

namespace nimbo::test {

// One worker with its record and its recording window.
struct WorkerUnderTest {
    std::shared_ptr<TransferInfo> info;
    std::unique_ptr<RecordingTransferWindow> window;
    std::unique_ptr<TransferWorker> worker;  // stopped before the window goes
};

// Transfers in one test process: real files in a folder of the test's own,
// workers reporting to recording windows on the test thread, and every
// message box the workers show recorded instead of shown.
class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static std::string ReadFile(const std::filesystem::path& path);
    static std::u16string Wide(const std::filesystem::path& path);

    std::filesystem::path WriteFile(const std::string& name, const std::string& bytes);
    std::filesystem::path PathOf(const std::string& name) const { return m_folder / name; }

    // A sender of `path`, already listening on a free port (info->nPort) of
    // `address`, taking the receiver only from `receiver` when it is given.
    WorkerUnderTest StartSender(const std::filesystem::path& path, const std::string& address,
                                const std::u16string& receiver = u"");
    // A receiver of an offer of `size` bytes; a positive `offset` continues
    // the target from there.
    WorkerUnderTest StartReceiver(const std::filesystem::path& target, const std::u16string& address, int port,
                                  std::uint32_t size, std::int32_t offset = 0);
    // The same with its record filled but its worker not yet started.
    WorkerUnderTest NewReceiver(const std::filesystem::path& target, const std::u16string& address, int port,
                                std::uint32_t size);
    static void StartReceiving(WorkerUnderTest& receiver);
    // Handles the window messages until `done` holds (a generous safety
    // limit fails the test instead of hanging it).
    void RunUntil(const std::function<bool()>& done);
    void RunUntilEnded(const WorkerUnderTest& transfer);

    std::vector<std::u16string> MessageBoxes();

    platform::MessageLoop m_loop;

private:
    std::filesystem::path m_folder;
    std::mutex m_boxLock;
    std::vector<std::u16string> m_boxes;
};

}  // namespace nimbo::test
