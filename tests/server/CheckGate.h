#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>

#include "server/ServerConfig.h"

namespace nimbo::server::test {

// Stands between the server's verifier threads and the real password check:
// counts the checks that ran and, while closed, holds every check before it
// runs, so that a test knows exactly which checks were queued behind it.
class CheckGate {
public:
    // The check to put into ServerConfig::passwordCheck; the gate must
    // outlive the server.
    PasswordCheck Check();
    void Close();
    void Open();
    // Checks that began, held ones included.
    int Started() const;
    // Returns once `count` checks have begun.
    void WaitUntilStarted(int count);

private:
    bool Run(const std::string& hash, std::string_view password);

    mutable std::mutex m_mutex;
    std::condition_variable m_opened;
    std::condition_variable m_began;
    bool m_closed = false;
    int m_started = 0;
};

}  // namespace nimbo::server::test
