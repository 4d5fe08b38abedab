#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/UniqueFd.h"

namespace nimbo::server {

// Runs the slow password check on worker threads, so that the event loop
// keeps serving every other client meanwhile. The loop submits checks and
// polls WakeFd(); when it becomes readable, TakeFinished() returns the
// results. Checks still queued when the verifier is destroyed are dropped.
class PasswordVerifier {
public:
    struct Result {
        std::uint64_t ticket;
        bool matches;
    };

    explicit PasswordVerifier(int threads);
    ~PasswordVerifier();
    PasswordVerifier(const PasswordVerifier&) = delete;
    PasswordVerifier& operator=(const PasswordVerifier&) = delete;

    void Submit(std::uint64_t ticket, std::string hash, std::string password);
    int WakeFd() const noexcept { return m_wake.Get(); }
    std::vector<Result> TakeFinished();

private:
    struct Check {
        std::uint64_t ticket;
        std::string hash;
        std::string password;
    };

    void Work();

    UniqueFd m_wake;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Check> m_pending;
    std::vector<Result> m_finished;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace nimbo::server
