#pragma once

#include <string>
#include <vector>

#include "tests/support/AgentdProcess.h"

namespace nimbo::test {

// nimbo-agentd for one test, started at once over a directory its
// administration commands fill. By default that is the "demo" directory:
// users kim, lee, park, choi, jung, kang and yoon, all with the password
// DEMO_PASSWORD; kim's groups are "친구" (lee, park), "회사" (choi, jung,
// lee), the blocked group "차단" (yoon) and kang outside any group.
class TestAgentd : public AgentdProcess {
public:
    struct AdminCommand {
        std::vector<std::string> words;
        std::string input;
    };

    explicit TestAgentd(std::string address, const std::vector<AdminCommand>& setUp = {{{"demo"}, ""}});
    // Stops a server still running; one that ends badly (a sanitizer's
    // report, say) fails the test, with its log.
    ~TestAgentd();
};

}  // namespace nimbo::test
