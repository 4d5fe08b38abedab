#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/ServerConfig.h"
#include "server/UniqueFd.h"

namespace nimbo::server {

// Runs the slow password check on worker threads, so that the event loop
// keeps serving every other client meanwhile. The loop submits checks and
// polls WakeFd(); when it becomes readable, TakeFinished() returns the
// results. At most a bounded number of checks wait; a check may be cancelled
// until a thread takes it. Checks still queued when the verifier is destroyed
// are dropped.
class PasswordVerifier {
public:
    struct Result {
        std::uint64_t ticket;
        bool matches;
    };

    // An empty `check` is PasswordHash::Matches.
    PasswordVerifier(int threads, int maxQueued, PasswordCheck check);
    ~PasswordVerifier();
    PasswordVerifier(const PasswordVerifier&) = delete;
    PasswordVerifier& operator=(const PasswordVerifier&) = delete;

    // False, with nothing queued, when the queue is full.
    bool Submit(std::uint64_t ticket, std::string hash, std::string password);
    // Removes a check no thread has taken yet; false when it was taken.
    bool Cancel(std::uint64_t ticket);
    int WakeFd() const noexcept { return m_wake.Get(); }
    std::vector<Result> TakeFinished();

private:
    struct Check {
        std::uint64_t ticket;
        std::string hash;
        std::string password;
    };

    void Work();
    void Wake() noexcept;

    UniqueFd m_wake;
    std::size_t m_maxQueued;
    PasswordCheck m_check;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Check> m_pending;
    std::vector<Result> m_finished;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace nimbo::server
