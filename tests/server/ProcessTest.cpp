#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ServerHarness.h"

extern char** environ;

namespace nimbo::server::test {
namespace {

class Process : public ::testing::TestWithParam<std::pair<int, const char*>> {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() / ("nimbo-agentd-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // Runs nimbo-agentd with `args`, stdin from `input`, stdout and stderr
    // into files of the test folder.
    pid_t Spawn(const std::vector<std::string>& args, const std::string& input = "") {
        std::ofstream(m_folder / "stdin") << input;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, (m_folder / "stdin").c_str(), O_RDONLY, 0);
        const int output = O_WRONLY | O_CREAT | O_TRUNC;
        posix_spawn_file_actions_addopen(&actions, 1, (m_folder / "stdout").c_str(), output, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (m_folder / "stderr").c_str(), output, 0600);
        std::vector<std::string> all = {NIMBO_AGENTD_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    static int ExitStatus(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int Run(const std::vector<std::string>& args, const std::string& input = "") {
        return ExitStatus(Spawn(args, input));
    }
    std::string Read(const char* name) {
        std::ostringstream text;
        text << std::ifstream(m_folder / name).rdbuf();
        return text.str();
    }
    std::string Database() const { return (m_folder / "agentd.sqlite").string(); }

    std::filesystem::path m_folder;
};

// Connects once the child listens; fails the test if it exits first.
std::unique_ptr<WireClient> ConnectWhenListening(pid_t child, const std::string& address) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        try {
            return std::make_unique<WireClient>(address, AGENT_PORT);
        } catch (const std::system_error&) {
            int status;
            if (waitpid(child, &status, WNOHANG) == child)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ADD_FAILURE() << "nimbo-agentd did not start listening";
    return nullptr;
}

TEST_P(Process, SignalShutsTheServerDownCleanlyAndTheLogNeverShowsThePassword) {
    auto [signal, address] = GetParam();
    const std::string password = "s3cret-pass";
    ASSERT_EQ(Run({"--db", Database(), "user", "add", "alice"}, password + "\n"), 0);
    std::filesystem::permissions(Database(), std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    pid_t server = Spawn({"--db", Database(), "--listen", address});
    auto client = ConnectWhenListening(server, address);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Command("login alice " + ServerHarness::Base64(password) + " 0 0"),
              std::string("OK\r\nafw=") + address + ":10001\r\n\r\n");
    ::kill(server, signal);
    EXPECT_EQ(ExitStatus(server), 0);
    EXPECT_EQ(client->ReadUntilClosed(), "");
    std::string log = Read("stderr");
    EXPECT_NE(log.find("login alice"), std::string::npos) << log;
    EXPECT_NE(log.find("shutting down"), std::string::npos) << log;
    EXPECT_NE(log.find("warning: " + Database() + " holds password hashes"), std::string::npos) << log;
    EXPECT_EQ(log.find(password), std::string::npos) << log;
    EXPECT_EQ(log.find(ServerHarness::Base64(password)), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Signals, Process,
                         ::testing::Values(std::make_pair(SIGTERM, "127.0.4.26"),
                                           std::make_pair(SIGINT, "127.0.4.27")));

TEST_F(Process, BadCommandLinesAreRefusedWithTheUsage) {
    EXPECT_EQ(Run({"--listen", "nowhere"}), 2);
    EXPECT_NE(Read("stderr").find("usage: nimbo-agentd"), std::string::npos);
    EXPECT_EQ(Run({"--notify-port", "10000"}), 2);
    EXPECT_EQ(Run({"--redirect", "bad host"}), 2);
    EXPECT_EQ(Run({"--frobnicate"}), 2);
    EXPECT_EQ(Run({"--db", Database(), "user"}), 2);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(Read("stdout").find("group add OWNER GROUP"), std::string::npos);
}

}  // namespace
}  // namespace nimbo::server::test
