#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nimbo::bench {

// A scripted agent server for benchmarks: listens on a loopback address and
// answers every command line, on every connection at once, with the reply
// kept for its first word ("OK" and an empty line for any other word), until
// the client closes. Each reply goes out with one blocking send, so a
// client's reading is all that tells two clients apart.
class ReplyServer {
public:
    // Listens at once; throws std::system_error naming the failed call.
    ReplyServer(const std::string& address, int port, std::map<std::string, std::string> replies);
    // Stops accepting and waits for every connection to end.
    ~ReplyServer();
    // Answers `word` with `reply` from now on.
    void SetReply(const std::string& word, std::string reply);
    ReplyServer(const ReplyServer&) = delete;
    ReplyServer& operator=(const ReplyServer&) = delete;

private:
    void AcceptLoop();
    void Serve(int fd) const;
    std::shared_ptr<const std::string> ReplyTo(const std::string& line) const;

    int m_listener = -1;
    mutable std::mutex m_replyLock;
    std::map<std::string, std::shared_ptr<const std::string>> m_replies;
    std::mutex m_lock;
    std::vector<std::thread> m_connections;
    std::thread m_acceptThread;
};

}  // namespace nimbo::bench
