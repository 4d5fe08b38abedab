#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nimbo::test {

// nimbo-agentd as a child process, serving on its own loopback address over
// a directory in a temporary folder; its standard output and error go to a
// log in that folder. Free of any test framework, so that benchmarks run the
// server the same way: every failure throws std::runtime_error.
class AgentdProcess {
public:
    // The password of the users the "demo" command creates.
    static constexpr const char* DEMO_PASSWORD = "nimbo";
    static constexpr std::uint16_t NOTIFY_PORT = 10001;

    // Makes the folder; nothing runs yet. `program` defaults to the
    // nimbo-agentd of this build.
    explicit AgentdProcess(std::string address, std::string program = BuiltProgram());
    // Kills a server still running (Stop first to end it in order) and
    // removes the folder.
    ~AgentdProcess();
    AgentdProcess(const AgentdProcess&) = delete;
    AgentdProcess& operator=(const AgentdProcess&) = delete;

    // Runs an administration command over the directory, `input` on its
    // standard input; true when it succeeded.
    bool Admin(const std::vector<std::string>& words, const std::string& input = "") const;
    // Starts serving on the address with `options` added to the command line,
    // and returns once both ports accept connections; throws, with the log,
    // when the server ends or does not listen within half a minute. The
    // server is killed when the calling thread ends.
    void Start(const std::vector<std::string>& options = {});
    void Signal(int signal) const;
    // Waits for the server's end: its exit status, -1 when a signal ended it.
    int Wait();
    // SIGTERM, as an administrator stops the server, then Wait.
    int Stop();
    bool IsRunning() const { return m_server > 0; }
    // The server's process ID while it runs, for a look at its resources.
    pid_t Pid() const { return m_server; }

    const std::string& Address() const { return m_address; }
    const std::string& Folder() const { return m_folder; }
    std::string Database() const { return m_folder + "/agentd.sqlite"; }
    // Everything the server and its administration commands wrote so far.
    std::string Log() const;

    static std::string BuiltProgram();

private:
    pid_t Spawn(const std::vector<std::string>& words, const std::string& input) const;
    [[noreturn]] static void RunChild(pid_t parent, const char* inputFile, const char* logFile, char* const* argv);
    void WaitUntilListening();

    std::string m_address;
    std::string m_program;
    std::string m_folder;
    pid_t m_server = -1;
};

}  // namespace nimbo::test
