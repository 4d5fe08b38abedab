#include "tests/support/TestAgentd.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace nimbo::test {

TestAgentd::TestAgentd(std::string address, const std::vector<AdminCommand>& setUp)
    : AgentdProcess(std::move(address)) {
    for (const AdminCommand& command : setUp) {
        if (!Admin(command.words, command.input))
            throw std::runtime_error("nimbo-agentd " + command.words.front() + " failed; its log:\n" + Log());
    }
    Start();
}

TestAgentd::~TestAgentd() {
    if (IsRunning() && Stop() != 0)
        ADD_FAILURE() << "nimbo-agentd on " << Address() << " ended badly; its log:\n" << Log();
}

}  // namespace nimbo::test
