#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"

namespace nimbo::e2e {

// nimbo-agentd as an administrator sets it up: the demo directory made by
// its admin command in a fresh folder, then the server on `address` until
// this object ends it with SIGTERM (a server that then exits badly fails the
// test). Throws std::runtime_error when a step fails. Its log is not read after start-up: enough for a few dozen
// connections before the pipe fills.
class AgentdProcess {
public:
    explicit AgentdProcess(const std::string& address);
    ~AgentdProcess();
    AgentdProcess(const AgentdProcess&) = delete;
    AgentdProcess& operator=(const AgentdProcess&) = delete;

    // The password the demo command printed for its users.
    const std::string& DemoPassword() const { return m_strDemoPassword; }

private:
    std::filesystem::path m_folder;
    std::string m_strDemoPassword;
    std::unique_ptr<test::ChildProcess> m_server;
};

}  // namespace nimbo::e2e
