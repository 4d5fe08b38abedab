#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ServerHarness.h"
#include "tests/support/AgentdProcess.h"
#include "tests/support/ChildProcess.h"

namespace nimbo::server::test {
namespace {

using nimbo::test::AgentdProcess;

class Process : public ::testing::TestWithParam<std::pair<int, const char*>> {
protected:
    static nimbo::test::ProcessRun Run(const std::vector<std::string>& args, const std::string& input = "") {
        return nimbo::test::RunProcess(AgentdProcess::BuiltProgram(), args, input);
    }
};

TEST_P(Process, SignalShutsTheServerDownCleanlyAndTheLogNeverShowsThePassword) {
    auto [signal, address] = GetParam();
    const std::string password = "s3cret-pass";
    AgentdProcess server(address);
    ASSERT_TRUE(server.Admin({"user", "add", "alice"}, password + "\n"));
    std::filesystem::permissions(server.Database(), std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    server.Start();
    auto client = PeerConnection::Dial(address, AGENT_PORT);
    EXPECT_EQ(client->Command("login alice " + ServerHarness::Base64(password) + " 0 0"),
              std::string("OK\r\nafw=") + address + ":10001\r\n\r\n");
    server.Signal(signal);
    EXPECT_EQ(server.Wait(), 0);
    EXPECT_EQ(client->ReadUntilClosed(), "");
    std::string log = server.Log();
    EXPECT_NE(log.find("login alice"), std::string::npos) << log;
    EXPECT_NE(log.find("shutting down"), std::string::npos) << log;
    EXPECT_NE(log.find("warning: " + server.Database() + " holds password hashes"), std::string::npos) << log;
    EXPECT_EQ(log.find(password), std::string::npos) << log;
    EXPECT_EQ(log.find(ServerHarness::Base64(password)), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Signals, Process,
                         ::testing::Values(std::make_pair(SIGTERM, "127.0.4.26"),
                                           std::make_pair(SIGINT, "127.0.4.27")));

// The wait for a server is over when it ends: it fails, never hangs.
TEST_F(Process, AServerThatEndsAtStartUpFailsItsStart) {
    AgentdProcess server("127.0.4.41");
    EXPECT_THROW(server.Start({"--frobnicate"}), std::runtime_error);
    EXPECT_FALSE(server.IsRunning());
}

TEST_F(Process, BadCommandLinesAreRefusedWithTheUsage) {
    const nimbo::test::ProcessRun nowhere = Run({"--listen", "nowhere"});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_NE(nowhere.errors.find("usage: nimbo-agentd"), std::string::npos);
    EXPECT_EQ(Run({"--notify-port", std::to_string(AGENT_PORT)}).status, 2);
    EXPECT_EQ(Run({"--redirect", "bad host"}).status, 2);
    EXPECT_EQ(Run({"--frobnicate"}).status, 2);
    EXPECT_EQ(Run({"--max-per-address", "0"}).status, 2);
    const AgentdProcess unused("127.0.4.40");
    EXPECT_EQ(Run({"--db", unused.Database(), "user"}).status, 2);
    const nimbo::test::ProcessRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("group add OWNER GROUP"), std::string::npos);
    const nimbo::test::ProcessRun version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "nimbo-agentd " NIMBO_VERSION "\n");
}

// As the service manager runs it: the state directory it gives holds the
// directory, which the administration commands reach with --db.
TEST_F(Process, WithoutDbTheServiceStateDirectoryHoldsTheDirectory) {
    const AgentdProcess unused("127.0.4.42");
    ::setenv("STATE_DIRECTORY", unused.Folder().c_str(), 1);
    const nimbo::test::ProcessRun added = Run({"user", "add", "alice", "--name", "Alice"}, "s3cret\n");
    ::unsetenv("STATE_DIRECTORY");
    EXPECT_EQ(added.status, 0) << added.errors;
    EXPECT_EQ(Run({"--db", unused.Database(), "user", "list"}).output, "alice\tAlice\n");
}

}  // namespace
}  // namespace nimbo::server::test
