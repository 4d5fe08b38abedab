#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <future>
#include <thread>
#include <utility>

#include "tests/support/PeerConnection.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/transfer/TransferFixture.h"
#include "transfer/TransferEnd.h"
#include "transfer/TransferProtocol.h"

// The sending and receiving workers against each other and against scripted
// peers, each test on its own loopback address 127.0.8.N, where both a
// scripted sender (port 10002) and the real one listen.

namespace nimbo {
namespace {

using test::Pattern;
using test::Word;

using test::PeerConnection;
using test::RecordingTransferWindow;
using test::ScriptedPeer;
using test::WorkerUnderTest;

constexpr int SCRIPTED_SENDER_PORT = 10002;
const std::string END_MARKER(FILE_RECV_END, FILE_RECV_END_LENGTH);

// The address an unbound connection to any loopback address comes from.
std::u16string LoopbackOwnAddress() {
    in_addr loopback{htonl(INADDR_LOOPBACK)};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &loopback, text, sizeof text);
    return std::u16string(text, text + std::strlen(text));
}

// The progress rule as one side's window sees it: every message counts from
// `offset`, positions grow up to `size`, and at most one message falls into
// each wall-clock second of the run.
void ExpectProgress(const RecordingTransferWindow& window, std::int64_t offset, std::int64_t size, std::time_t began,
                    std::time_t ended) {
    const std::vector<RecordingTransferWindow::Message> progress = window.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_LE(static_cast<std::time_t>(progress.size()), ended - began + 1);
    EXPECT_GT(progress.front().wParam, 0u);
    EXPECT_LE(progress.front().wParam, static_cast<platform::WPARAM>(FILE_BLOCK_SIZE));
    std::int64_t last = offset;
    for (const auto& message : progress) {
        EXPECT_EQ(message.lParam, offset + static_cast<std::int64_t>(message.wParam));
        EXPECT_GT(message.lParam, last);
        EXPECT_LE(message.lParam, size);
        last = message.lParam;
    }
}

class FileTransfer : public test::TransferTest {
protected:
    // Closes the window of `transfer` at its first progress message, then
    // fulfils `closed`.
    static void CloseAtFirstProgress(WorkerUnderTest& transfer, std::promise<void>& closed) {
        transfer.window->onMessage = [&transfer, &closed](const RecordingTransferWindow::Message& m) {
            if (m.message != WM_TRANSFER_PROGRESS)
                return;
            transfer.window->Destroy();
            closed.set_value();
        };
    }

    // Runs the real sender of `path` against a receiver scripted by `script`
    // on `address`; returns what the scripted receiver got.
    std::string AgainstScriptedReceiver(const std::filesystem::path& path, const std::string& address,
                                        const test::Script& script, WorkerUnderTest& sender) {
        sender = StartSender(path, address);
        std::unique_ptr<PeerConnection> receiver = PeerConnection::Connect(address, sender.info->nPort);
        EXPECT_TRUE(receiver);
        std::thread peer([&] {
            script(*receiver);
            receiver->WaitForClose();
        });
        RunUntilEnded(sender);
        peer.join();
        return receiver->Received();
    }

    // Runs the real receiver of an offer of `size` bytes into `target`
    // against a sender scripted by `script` on `address`; returns what the
    // scripted sender got.
    std::string AgainstScriptedSender(const std::filesystem::path& target, const std::string& address,
                                      std::uint32_t size, test::Script script, WorkerUnderTest& receiver) {
        ScriptedPeer sender(address, SCRIPTED_SENDER_PORT);
        sender.Expect(std::move(script));
        receiver = StartReceiver(target, Wide(address), SCRIPTED_SENDER_PORT, size);
        RunUntilEnded(receiver);
        return sender.Received(0);
    }
};

TEST_F(FileTransfer, AFileArrivesWholeWithStartProgressAndEnd) {
    const std::string content = Pattern(100000);
    const std::time_t began = std::time(nullptr);
    WorkerUnderTest sender = StartSender(WriteFile("source.bin", content), "127.0.8.1");
    WorkerUnderTest receiver = StartReceiver(PathOf("target.bin"), u"127.0.8.1", sender.info->nPort, 100000);
    RunUntil([&] { return sender.window->End() && receiver.window->End(); });
    const std::time_t ended = std::time(nullptr);

    EXPECT_EQ(ReadFile(PathOf("target.bin")), content);
    EXPECT_EQ(sender.window->End(), TE_SEND_DONE);
    EXPECT_EQ(receiver.window->End(), TE_RECV_DONE);
    for (const RecordingTransferWindow* window : {sender.window.get(), receiver.window.get()}) {
        EXPECT_EQ(window->Messages().front().message, WM_TRANSFER_START);
        EXPECT_EQ(window->Messages().back().message, WM_TRANSFER_END);
        ExpectProgress(*window, 0, static_cast<std::int64_t>(content.size()), began, ended);
    }
    EXPECT_EQ(sender.window->Progress().front().wParam, static_cast<platform::WPARAM>(FILE_BLOCK_SIZE));
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, AReceiveFromAnOffsetKeepsTheTargetUpToItAndAppendsTheRest) {
    const std::string content = Pattern(5000);
    const std::filesystem::path source = WriteFile("source.bin", content);
    struct Case {
        std::string held;  // the target before the receive
        std::int32_t offset;
        std::int64_t asked;  // the offset the sender is asked for
    };
    const Case cases[] = {
        {content.substr(0, 1000) + Pattern(3000, 2), 1000, 1000},  // bytes beyond the offset are not kept
        {content.substr(0, 500), 1000, 500},                       // a shorter target continues from its end
    };
    for (const Case& c : cases) {
        const std::filesystem::path target = WriteFile("target.bin", c.held);
        const std::time_t began = std::time(nullptr);
        WorkerUnderTest sender = StartSender(source, "127.0.8.2");
        WorkerUnderTest receiver = StartReceiver(target, u"127.0.8.2", sender.info->nPort, 5000, c.offset);
        RunUntil([&] { return sender.window->End() && receiver.window->End(); });
        const std::time_t ended = std::time(nullptr);
        EXPECT_EQ(ReadFile(target), content) << c.offset;
        EXPECT_EQ(receiver.window->End(), TE_RECV_DONE);
        ExpectProgress(*sender.window, c.asked, 5000, began, ended);
        ExpectProgress(*receiver.window, c.asked, 5000, began, ended);
        EXPECT_EQ(sender.window->Progress().front().wParam,
                  static_cast<platform::WPARAM>(std::min<std::int64_t>(5000 - c.asked, FILE_BLOCK_SIZE)));
    }
}

TEST_F(FileTransfer, ABrokenReceiveKeepsWhatCameAndAResumeCompletesIt) {
    const std::string content = Pattern(5000);
    const std::filesystem::path target = PathOf("target.bin");
    WorkerUnderTest broken;
    const std::string answered =
        AgainstScriptedSender(target, "127.0.8.3", 5000,
                              [&](PeerConnection& c) {
                                  c.Send(Word(5000) + content.substr(0, 2500));
                                  c.WaitForBytes(4);
                                  c.Close();
                              },
                              broken);
    EXPECT_EQ(broken.window->End(), TE_RECV_BROKEN);
    EXPECT_EQ(answered, Word(0));  // the offset, and no end marker
    EXPECT_EQ(ReadFile(target), content.substr(0, 2500));

    WorkerUnderTest sender = StartSender(WriteFile("source.bin", content), "127.0.8.3");
    WorkerUnderTest resumed = StartReceiver(target, u"127.0.8.3", sender.info->nPort, 5000, 2500);
    RunUntil([&] { return sender.window->End() && resumed.window->End(); });
    EXPECT_EQ(sender.window->End(), TE_SEND_DONE);
    EXPECT_EQ(resumed.window->End(), TE_RECV_DONE);
    EXPECT_EQ(ReadFile(target), content);
}

TEST_F(FileTransfer, TheSenderFollowsTheOffsetItIsAnswered) {
    const std::filesystem::path source = WriteFile("source.bin", Pattern(5000));
    struct Case {
        std::int64_t offset;
        std::string receiverEnd;  // what the scripted receiver sends after the offset
        TransferEnd end;
        bool started;
    };
    const Case cases[] = {
        {-1, "", TE_REFUSED, false},
        {5000, END_MARKER, TE_SEND_DONE, true},  // at the end: no data
        {6000, END_MARKER, TE_SEND_DONE, true},  // past the end: no data
    };
    for (const Case& c : cases) {
        WorkerUnderTest sender;
        const std::string received = AgainstScriptedReceiver(source, "127.0.8.4",
                                                             [&](PeerConnection& peer) {
                                                                 peer.WaitForBytes(4);
                                                                 peer.Send(Word(c.offset) + c.receiverEnd);
                                                             },
                                                             sender);
        EXPECT_EQ(received, Word(5000)) << c.offset;
        EXPECT_EQ(sender.window->End(), c.end) << c.offset;
        EXPECT_EQ(sender.window->Started(), c.started) << c.offset;
        EXPECT_TRUE(sender.window->Progress().empty()) << c.offset;
    }
}

TEST_F(FileTransfer, OnlyTheWholeEndMarkerConfirmsTheFile) {
    const std::filesystem::path source = WriteFile("source.bin", Pattern(100));
    const std::pair<std::string, TransferEnd> lastWords[] = {
        {"", TE_SEND_BROKEN},  // closed without a word, as after a failed write
        {END_MARKER.substr(0, 9), TE_SEND_BROKEN},
        {"FILE_RECV_END!", TE_SEND_BROKEN},
        {END_MARKER, TE_SEND_DONE},  // in pieces of 3 bytes
    };
    for (const auto& [words, end] : lastWords) {
        WorkerUnderTest sender;
        AgainstScriptedReceiver(source, "127.0.8.15",
                                [&, &words = words](PeerConnection& peer) {
                                    peer.WaitForBytes(4);
                                    peer.Send(Word(0));
                                    peer.WaitForBytes(104);
                                    peer.SendInChunks(words, 3);
                                    peer.Close();
                                },
                                sender);
        EXPECT_EQ(sender.window->End(), end) << words;
    }
}

// Whoever connects first must not get the file: the sender listens on the
// offered address only, and takes only the recipient's connection.
TEST_F(FileTransfer, TheSenderClosesAConnectionFromAnyOtherAddressAndWaitsOn) {
    const std::string content = Pattern(5000);
    // A receiver connecting to 127.0.8.16 comes from loopback's own address.
    WorkerUnderTest sender = StartSender(WriteFile("source.bin", content), "127.0.8.16", LoopbackOwnAddress());
    EXPECT_FALSE(PeerConnection::Connect("127.0.8.17", sender.info->nPort));
    std::unique_ptr<PeerConnection> scanner = PeerConnection::Connect("127.0.8.16", sender.info->nPort, "127.0.8.17");
    ASSERT_TRUE(scanner);
    scanner->Send(Word(0));
    scanner->WaitForClose();
    EXPECT_EQ(scanner->Received(), "");
    WorkerUnderTest receiver = StartReceiver(PathOf("target.bin"), u"127.0.8.16", sender.info->nPort, 5000);
    RunUntil([&] { return sender.window->End() && receiver.window->End(); });
    EXPECT_EQ(sender.window->End(), TE_SEND_DONE);
    EXPECT_EQ(ReadFile(PathOf("target.bin")), content);
}

TEST_F(FileTransfer, SenderFailuresAndTheirEnds) {
    std::filesystem::resize_file(WriteFile("huge.bin", ""), 4ull << 30);  // sparse
    WriteFile("folder-entry", "x");
    struct Case {
        std::filesystem::path path;
        bool receiverResets;
        TransferEnd end;
        std::size_t bytesBeforeClose;  // what the receiver got before the sender closed
    };
    const Case cases[] = {
        {PathOf("missing.bin"), false, TE_SEND_CLOSED, 0},
        {PathOf("huge.bin"), false, TE_SEND_CLOSED, 0},    // 4 GiB cannot be announced
        {PathOf(""), false, TE_SEND_BROKEN, 4},            // a folder opens but cannot be read
        {WriteFile("source.bin", Pattern(5000)), true, TE_SEND_BROKEN, 5004},
    };
    for (const Case& c : cases) {
        WorkerUnderTest sender;
        const std::string received = AgainstScriptedReceiver(c.path, "127.0.8.5",
                                                             [&](PeerConnection& peer) {
                                                                 if (!peer.WaitForBytes(4))
                                                                     return;
                                                                 peer.Send(Word(0));
                                                                 if (c.receiverResets) {
                                                                     peer.WaitForBytes(5004);
                                                                     peer.Abort();
                                                                 }
                                                             },
                                                             sender);
        EXPECT_EQ(sender.window->End(), c.end) << c.path;
        EXPECT_EQ(received.size(), c.bytesBeforeClose) << c.path;
    }
}

// Nothing of an existing target is touched before the size proved to be the
// offered one.
TEST_F(FileTransfer, ReceiverEndsAgainstScriptedSenders) {
    struct Case {
        std::string sent;  // by the scripted sender, which then closes
        TransferEnd end;
        std::string answered;  // what the receiver sent back
        std::string stored;    // the target afterwards; it held "old"
    };
    const std::string block = Pattern(30);
    const Case cases[] = {
        {Word(0), TE_RECV_DONE, Word(0) + END_MARKER, ""},  // an empty file offered as such
        {Word(10) + block, TE_RECV_DONE, Word(0) + END_MARKER, block.substr(0, 10)},  // extra bytes dropped
        {"", TE_RECV_BROKEN, "", "old"},  // closed before the size
        {Word(10) + block.substr(0, 5), TE_RECV_BROKEN, Word(0), block.substr(0, 5)},
        {Word(0xFFFFFFFF) + block, TE_RECV_BROKEN, Word(-1), "old"},  // not the offered size: refused
        {Word(9), TE_RECV_BROKEN, Word(-1), "old"},
    };
    for (const Case& c : cases) {
        const std::filesystem::path target = WriteFile("target.bin", "old");
        WorkerUnderTest receiver;
        const std::uint32_t offered = c.sent.starts_with(Word(0)) ? 0 : 10;
        const std::string answered = AgainstScriptedSender(target, "127.0.8.6", offered,
                                                           [&](PeerConnection& peer) {
                                                               peer.Send(c.sent);
                                                               peer.Close();
                                                           },
                                                           receiver);
        EXPECT_EQ(receiver.window->End(), c.end) << c.stored;
        EXPECT_EQ(answered, c.answered) << c.stored;
        EXPECT_EQ(ReadFile(target), c.stored);
        // The data phase is announced only when there is data.
        EXPECT_EQ(receiver.window->Started(), c.answered.starts_with(Word(0)) && c.sent.size() > 4);
    }
}

// Refused at once: the sender neither waits nor sends a byte of the file.
TEST_F(FileTransfer, AReceiverThatCannotOpenItsTargetRefusesTheFile) {
    WorkerUnderTest sender = StartSender(WriteFile("source.bin", Pattern(5000)), "127.0.8.18");
    WorkerUnderTest receiver = StartReceiver(PathOf("missing/target.bin"), u"127.0.8.18", sender.info->nPort, 5000);
    RunUntil([&] { return sender.window->End() && receiver.window->End(); });
    EXPECT_EQ(receiver.window->End(), TE_RECV_CLOSED);
    EXPECT_EQ(sender.window->End(), TE_REFUSED);
    EXPECT_FALSE(sender.window->Started());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, ATargetIsOpenedOnlyAsItsUseAllows) {
    const std::filesystem::path elsewhere = WriteFile("elsewhere.txt", "kept");
    struct Case {
        TargetUse use;
        TargetLinks links;
        std::string there;  // "file", "link" (to elsewhere.txt), "pipe" or "" (nothing)
        TransferEnd end;
        std::string stored;  // what the target's name reads afterwards
    };
    const std::string content = Pattern(10);
    const Case cases[] = {
        {TargetUse::CreateNew, TargetLinks::Refuse, "", TE_RECV_DONE, content},
        {TargetUse::CreateNew, TargetLinks::Refuse, "file", TE_RECV_CLOSED, "old"},
        {TargetUse::CreateNew, TargetLinks::Refuse, "link", TE_RECV_CLOSED, "kept"},
        {TargetUse::Replace, TargetLinks::Refuse, "link", TE_RECV_CLOSED, "kept"},
        {TargetUse::Replace, TargetLinks::Follow, "link", TE_RECV_DONE, content},
        {TargetUse::Replace, TargetLinks::Follow, "pipe", TE_RECV_CLOSED, ""},  // no reader: never waits
    };
    for (const Case& c : cases) {
        const std::filesystem::path target = PathOf("target.bin");
        std::filesystem::remove(target);
        WriteFile("elsewhere.txt", "kept");
        if (c.there == "file") {
            WriteFile("target.bin", "old");
        } else if (c.there == "link") {
            std::filesystem::create_symlink(elsewhere, target);
        } else if (c.there == "pipe") {
            ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
        }
        ScriptedPeer sender("127.0.8.13", SCRIPTED_SENDER_PORT);
        sender.Expect([&](PeerConnection& peer) {
            peer.Send(Word(10));
            if (peer.WaitForBytes(4) && peer.Received() == Word(0))
                peer.Send(content);
        });
        WorkerUnderTest receiver = NewReceiver(target, u"127.0.8.13", SCRIPTED_SENDER_PORT, 10);
        receiver.info->targetUse = c.use;
        receiver.info->targetLinks = c.links;
        StartReceiving(receiver);
        RunUntilEnded(receiver);
        EXPECT_EQ(receiver.window->End(), c.end) << c.there;
        EXPECT_EQ(sender.Received(0), c.end == TE_RECV_DONE ? Word(0) + END_MARKER : Word(-1)) << c.there;
        if (c.there != "pipe") {
            EXPECT_EQ(ReadFile(target), c.stored) << c.there;
        }
        EXPECT_EQ(ReadFile(elsewhere), c.there == "link" && c.links == TargetLinks::Follow ? c.stored : "kept")
            << c.there;
    }
}

TEST_F(FileTransfer, ReceiverFailuresBeforeAnyData) {
    for (const std::u16string address : {u"127.0.8.7", u"no-such-host.invalid"}) {  // nobody listens; no address
        WorkerUnderTest receiver = StartReceiver(PathOf("target.bin"), address, SCRIPTED_SENDER_PORT, 10);
        RunUntilEnded(receiver);
        EXPECT_EQ(receiver.window->End(), TE_RECV_BROKEN);
        EXPECT_EQ(receiver.window->Messages().size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("target.bin")));
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, AFailedWriteShowsItsMessageAndEndsWithItsOwnCode) {
    ScriptedPeer sender("127.0.8.8", SCRIPTED_SENDER_PORT);
    sender.Expect([](PeerConnection& c) {
        c.Send(Word(10) + Pattern(10));
        c.Close();
    });
    WorkerUnderTest receiver = StartReceiver("/dev/full", u"127.0.8.8", SCRIPTED_SENDER_PORT, 10);
    RunUntilEnded(receiver);
    EXPECT_EQ(MessageBoxes(),
              std::vector<std::u16string>{u"파일 쓰기 오류가 발생하였습니다.\n사용 가능한 디스크 용량을 확인하십시오."});
    EXPECT_EQ(receiver.window->End(), TE_RECV_WRITE_FAILED);
    EXPECT_EQ(sender.Received(0), Word(0));
}

TEST_F(FileTransfer, ACancelledSenderEndsClosedBeforeTheNextBlock) {
    WorkerUnderTest sender = StartSender(WriteFile("source.bin", Pattern(5000)), "127.0.8.9");
    // Cancelled while the synchronous start message is being handled.
    sender.window->onMessage = [&](const RecordingTransferWindow::Message& m) {
        if (m.message == WM_TRANSFER_START)
            sender.info->Cancel();
    };
    std::unique_ptr<PeerConnection> receiver = PeerConnection::Connect("127.0.8.9", sender.info->nPort);
    ASSERT_TRUE(receiver);
    std::thread peer([&] {
        receiver->WaitForBytes(4);
        receiver->Send(Word(0));
        receiver->WaitForClose();
    });
    RunUntilEnded(sender);
    peer.join();
    EXPECT_EQ(sender.window->End(), TE_SEND_CLOSED);
    EXPECT_EQ(receiver->Received(), Word(5000));
}

TEST_F(FileTransfer, ACancelledReceiverEndsClosedAndKeepsWhatCame) {
    const std::string part = Pattern(1000);
    ScriptedPeer sender("127.0.8.10", SCRIPTED_SENDER_PORT);
    sender.Expect([&](PeerConnection& c) {
        c.Send(Word(100000) + part);
        c.WaitForClose();
    });
    const std::filesystem::path target = PathOf("target.bin");
    WorkerUnderTest receiver = StartReceiver(target, u"127.0.8.10", SCRIPTED_SENDER_PORT, 100000);
    // Cancelled while the receiver waits for more than the sender sends.
    receiver.window->onMessage = [&](const RecordingTransferWindow::Message& m) {
        if (m.message == WM_TRANSFER_PROGRESS)
            receiver.info->Cancel();
    };
    RunUntilEnded(receiver);
    EXPECT_EQ(receiver.window->End(), TE_RECV_CLOSED);
    const std::string kept = ReadFile(target);
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(kept, part.substr(0, kept.size()));
    EXPECT_EQ(sender.Received(0), Word(0));
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, ClosingTheSendWindowBeforeTheReceiverComesEndsTheSenderSilently) {
    WorkerUnderTest sender = StartSender(WriteFile("source.bin", Pattern(5000)), "127.0.8.14");
    sender.info->Cancel();
    sender.window->Destroy();
    sender.worker->Join();
    EXPECT_TRUE(sender.window->Messages().empty());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, AReceiverWhoseWindowWentEndsWithoutAWord) {
    const std::string part = Pattern(1000);
    std::promise<void> windowGone;
    ScriptedPeer sender("127.0.8.11", SCRIPTED_SENDER_PORT);
    sender.Expect([&](PeerConnection& c) {
        c.Send(Word(100000) + part);
        windowGone.get_future().wait();
        c.Send(Pattern(1000, 2));
    });
    const std::filesystem::path target = PathOf("target.bin");
    WorkerUnderTest receiver = StartReceiver(target, u"127.0.8.11", SCRIPTED_SENDER_PORT, 100000);
    CloseAtFirstProgress(receiver, windowGone);
    RunUntil([&] { return !platform::IsWindow(receiver.window->Handle()); });
    receiver.worker->Join();
    EXPECT_EQ(sender.Received(0), Word(0));  // no end marker
    EXPECT_EQ(ReadFile(target), part.substr(0, ReadFile(target).size()));
    EXPECT_FALSE(receiver.window->End());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(FileTransfer, ASenderWhoseWindowWentStopsWithoutAWord) {
    const std::filesystem::path source = WriteFile("source.bin", "");
    constexpr std::uintmax_t size = 64u << 20;  // more than the connection buffers hold
    std::filesystem::resize_file(source, size);
    WorkerUnderTest sender = StartSender(source, "127.0.8.12");
    std::promise<void> windowGone;
    CloseAtFirstProgress(sender, windowGone);
    std::unique_ptr<PeerConnection> receiver = PeerConnection::Connect("127.0.8.12", sender.info->nPort);
    ASSERT_TRUE(receiver);
    std::thread peer([&] {
        receiver->WaitForBytes(4);
        receiver->Send(Word(0));
        windowGone.get_future().wait();
        receiver->WaitForClose();
    });
    RunUntil([&] { return !platform::IsWindow(sender.window->Handle()); });
    peer.join();
    sender.worker->Join();
    EXPECT_LT(receiver->Received().size(), 4 + size);
    EXPECT_FALSE(sender.window->End());
}

}  // namespace
}  // namespace nimbo
