#include <gtest/gtest.h>
#include <sodium.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestAgentd.h"

// Files between two nimbo-cli processes through the reference agent server
// nimbo-agentd, each test on its own address 127.0.9.N.

namespace nimbo {
namespace {

using test::ChildProcess;
using test::ProcessRun;

ProcessRun RunCli(const std::vector<std::string>& args, const std::string& input = "") {
    return test::RunProcess(NIMBO_CLI_PATH, args, input);
}

std::vector<std::string> As(const std::string& address, const std::string& user, std::vector<std::string> command) {
    std::vector<std::string> args = {"--host", address, "--user", user, "--password", "pass"};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

std::string Sha256Of(const std::filesystem::path& path) {
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    std::ifstream file(path, std::ios::binary);
    std::vector<char> block(1 << 16);
    while (file.read(block.data(), static_cast<std::streamsize>(block.size())) || file.gcount() > 0)
        crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(block.data()),
                                  static_cast<unsigned long long>(file.gcount()));
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

// Writes `size` bytes that differ from block to block.
void WriteSample(const std::filesystem::path& path, std::size_t size) {
    std::ofstream file(path, std::ios::binary);
    std::uint32_t state = 12345;
    std::string block(1 << 16, '\0');
    for (std::size_t done = 0; done < size; done += block.size()) {
        for (char& byte : block) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<char>(state >> 24);
        }
        file.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
    }
}

// nimbo-agentd on `address` with the users kim and lee (password "pass"),
// lee being kim's buddy; its folder holds the test's files.
class KimAndLee : public test::TestAgentd {
public:
    explicit KimAndLee(const std::string& address)
        : TestAgentd(address, {{{"user", "add", "kim"}, "pass\n"},
                               {{"user", "add", "lee"}, "pass\n"},
                               {{"group", "add", "kim", "friends", "lee"}, ""}}),
          folder(Folder()) {
        std::filesystem::create_directories(folder / "inbox");
    }

    const std::filesystem::path folder;
};

TEST(NimboCliTransfer, AFileArrivesWholeAndAShorterOneIsContinued) {
    const std::string address = "127.0.9.1";
    KimAndLee server(address);
    const std::filesystem::path inbox = server.folder / "inbox";
    ChildProcess lee(NIMBO_CLI_PATH, As(address, "lee", {"listen", "--accept-files", inbox.string(), "--resume"}));
    // A note kept for lee is handed over once its notification connection
    // stands, so lee can now be offered files.
    ASSERT_EQ(RunCli(As(address, "kim", {"note", "lee", "ready"})).status, 0);
    ASSERT_EQ(lee.ReadLine(), "note\tkim\tready");

    const std::filesystem::path big = server.folder / "big.bin";
    WriteSample(big, 50u << 20);
    ProcessRun sent = RunCli(As(address, "kim", {"send-file", "lee", big.string()}));
    EXPECT_EQ(sent.status, 0) << sent.errors;
    EXPECT_TRUE(sent.output.starts_with("progress\t4096\t52428800\n")) << sent.output;
    EXPECT_TRUE(sent.output.ends_with("\nend\tTE_SEND_DONE\n")) << sent.output;
    EXPECT_TRUE(lee.ReadLine()->starts_with("offer\tkim\tbig.bin\t52428800\t"));
    EXPECT_EQ(lee.ReadLine(), "file\t" + (inbox / "big.bin").string() + "\tTE_RECV_DONE");
    EXPECT_EQ(Sha256Of(inbox / "big.bin"), Sha256Of(big));

    // The first 1000 bytes are there already: only the other 4000 travel.
    const std::filesystem::path part = server.folder / "part.bin";
    WriteSample(part, 5000);
    std::filesystem::copy_file(part, inbox / "part.bin");
    std::filesystem::resize_file(inbox / "part.bin", 1000);
    sent = RunCli(As(address, "kim", {"send-file", "lee", part.string()}));
    EXPECT_EQ(sent.status, 0) << sent.errors;
    EXPECT_EQ(sent.output, "progress\t5000\t5000\nend\tTE_SEND_DONE\n");
    EXPECT_TRUE(lee.ReadLine()->starts_with("offer\tkim\tpart.bin\t5000\t"));
    EXPECT_EQ(lee.ReadLine(), "file\t" + (inbox / "part.bin").string() + "\tTE_RECV_DONE");
    EXPECT_EQ(Sha256Of(inbox / "part.bin"), Sha256Of(part));

    lee.Signal(SIGTERM);
    EXPECT_EQ(lee.Wait(), 0) << lee.Errors();
}

TEST(NimboCliTransfer, FilesThatCannotBeOfferedFailWithAReason) {
    const std::string address = "127.0.9.2";
    KimAndLee server(address);
    const std::filesystem::path empty = server.folder / "empty.bin";
    std::ofstream(empty).close();
    const std::filesystem::path some = server.folder / "some.bin";
    WriteSample(some, 10);
    struct Case {
        std::vector<std::string> command;
        std::string reason;
    };
    const Case cases[] = {
        {{"send-file", "lee", empty.string()}, "파일 크기가 0인 파일은 전송할 수 없습니다.\n"},
        {{"send-file", "lee", (server.folder / "missing.bin").string()}, "nimbo-cli: cannot read "},
        {{"send-file", "park", some.string()}, "nimbo-cli: park is not in the buddy list\n"},
        {{"send-file", "lee", some.string()}, "lee님이 접속해 있지 않아 파일을 보낼 수 없습니다.\n"},
        {{"listen", "--accept-files", some.string()}, "nimbo-cli: " + some.string() + " is not a folder\n"},
    };
    for (const Case& c : cases) {
        ProcessRun run = RunCli(As(address, "kim", c.command));
        EXPECT_EQ(run.status, 1) << c.reason;
        EXPECT_EQ(run.output, "") << c.reason;
        EXPECT_TRUE(run.errors.starts_with(c.reason)) << run.errors;
    }
}

TEST(NimboCliTransfer, ASendWithoutAReceiverEndsAfterItsSeconds) {
    const std::string address = "127.0.9.3";
    KimAndLee server(address);
    const std::filesystem::path some = server.folder / "some.bin";
    WriteSample(some, 10);
    // lee is signed in and told of the offer, but takes no files: nobody comes.
    ChildProcess lee(NIMBO_CLI_PATH, As(address, "lee", {"listen"}));
    ASSERT_EQ(RunCli(As(address, "kim", {"note", "lee", "ready"})).status, 0);
    ASSERT_EQ(lee.ReadLine(), "note\tkim\tready");
    ProcessRun run = RunCli(As(address, "kim", {"send-file", "lee", some.string(), "--seconds", "1"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors, "nimbo-cli: the transfer was stopped before it ended\n");
    EXPECT_TRUE(lee.ReadLine()->starts_with("offer\tkim\tsome.bin\t10\t"));
    lee.Signal(SIGTERM);
    EXPECT_EQ(lee.Wait(), 0) << lee.Errors();
}

}  // namespace
}  // namespace nimbo
