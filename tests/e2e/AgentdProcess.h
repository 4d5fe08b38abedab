#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace nimbo::e2e {

// One administration command of nimbo-agentd: its words, and its standard
// input (a password's line).
struct AdminRun {
    std::vector<std::string> words;
    std::string input;
};

// nimbo-agentd as an administrator sets it up: the demo directory made by
// its admin command in a fresh folder, then `more` admin commands, then the
// server on `address` until this object ends it with SIGTERM (a server that
// then exits badly fails the test). Throws std::runtime_error when a step
// fails. Its log is not read after start-up: enough for a few dozen
// connections before the pipe fills.
class AgentdProcess {
public:
    explicit AgentdProcess(const std::string& address, const std::vector<AdminRun>& more = {});
    ~AgentdProcess();
    AgentdProcess(const AgentdProcess&) = delete;
    AgentdProcess& operator=(const AgentdProcess&) = delete;

    // The password the demo command printed for its users.
    const std::string& DemoPassword() const { return m_strDemoPassword; }

private:
    // Runs one admin command on the folder's database; its standard output.
    std::string Administer(const AdminRun& run) const;

    std::filesystem::path m_folder;
    std::string m_strDatabase;
    std::string m_strDemoPassword;
    std::unique_ptr<test::ChildProcess> m_server;
};

}  // namespace nimbo::e2e
