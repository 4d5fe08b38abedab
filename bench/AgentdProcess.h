#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace nimbo::bench {

// nimbo-agentd run for a benchmark: a temporary folder holds its directory
// and its log; the server listens on its own loopback address and is stopped
// by SIGTERM, as an administrator would stop it.
class AgentdProcess {
public:
    // `options` are added to the server's command line.
    AgentdProcess(std::string binary, std::string address, std::vector<std::string> options = {});
    // Stops the server when it still runs and removes the folder.
    ~AgentdProcess();
    AgentdProcess(const AgentdProcess&) = delete;
    AgentdProcess& operator=(const AgentdProcess&) = delete;

    // Adds the users, all with `password` (one slow hash serves them all),
    // each with a group holding the next `buddies` users.
    void CreateUsers(const std::vector<std::string>& ids, std::string_view password, int buddies);
    // Starts the server and waits until its agent port accepts; throws
    // std::runtime_error when it does not come up.
    void Start();
    // SIGTERM, then waits; returns the exit status (-1: killed by a signal).
    int Stop();

    const std::string& LogPath() const noexcept { return m_logPath; }
    // The server's resident memory (VmRSS) in KiB; 0 when it does not run.
    long ResidentKilobytes() const;

private:
    bool Accepts() const;

    std::string m_binary;
    std::string m_address;
    std::string m_folder;
    std::string m_dbPath;
    std::string m_logPath;
    std::vector<std::string> m_options;
    pid_t m_pid = -1;
};

}  // namespace nimbo::bench
