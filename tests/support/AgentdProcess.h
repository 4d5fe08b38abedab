#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace nimbo::test {

// The reference agent server nimbo-agentd as a child process, serving on its
// own loopback address over a temporary directory filled by its "demo"
// command: users kim, lee, park, choi, jung, kang and yoon, all with the
// password DEMO_PASSWORD; kim's groups are "친구" (lee, park), "회사" (choi,
// jung, lee), the blocked group "차단" (yoon) and kang outside any group.
class AgentdProcess {
public:
    static constexpr const char* DEMO_PASSWORD = "nimbo";
    static constexpr int NOTIFY_PORT = 10001;

    // Creates the directory and starts serving on `address`; returns once
    // the server accepts connections.
    explicit AgentdProcess(std::string address);
    // Stops the server (SIGTERM; an exit status other than 0 fails the test)
    // and removes the directory.
    ~AgentdProcess();
    AgentdProcess(const AgentdProcess&) = delete;
    AgentdProcess& operator=(const AgentdProcess&) = delete;

    // Runs an administration command over the same directory, `input` on its
    // standard input; true when it succeeded.
    bool Admin(const std::vector<std::string>& words, const std::string& input = "") const;

    const std::string& Address() const { return m_address; }

private:
    pid_t Spawn(const std::vector<std::string>& words, const std::string& input) const;
    [[noreturn]] static void RunChild(pid_t parent, const char* inputFile, const char* logFile, char* const* argv);
    void WaitUntilListening();
    void Stop();

    std::string m_address;
    std::string m_folder;
    pid_t m_server = -1;
};

}  // namespace nimbo::test
