#include "server/PasswordVerifier.h"

#include <sodium.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "server/PasswordHash.h"

namespace nimbo::server {

PasswordVerifier::PasswordVerifier(int threads) : m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!m_wake.IsValid())
        throw std::system_error(errno, std::generic_category(), "eventfd");
    PasswordHash::Initialize();
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { Work(); });
}

PasswordVerifier::~PasswordVerifier() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (auto& check : m_pending)
            sodium_memzero(check.password.data(), check.password.size());
        m_pending.clear();
    }
    m_ready.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void PasswordVerifier::Submit(std::uint64_t ticket, std::string hash, std::string password) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back({ticket, std::move(hash), std::move(password)});
    }
    m_ready.notify_one();
}

std::vector<PasswordVerifier::Result> PasswordVerifier::TakeFinished() {
    std::uint64_t count;
    while (::read(m_wake.Get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
    std::lock_guard lock(m_mutex);
    return std::exchange(m_finished, {});
}

void PasswordVerifier::Work() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_ready.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping)
            return;
        Check check = std::move(m_pending.front());
        m_pending.pop_front();
        lock.unlock();
        bool matches = PasswordHash::Matches(check.hash, check.password);
        sodium_memzero(check.password.data(), check.password.size());
        lock.lock();
        m_finished.push_back({check.ticket, matches});
        std::uint64_t one = 1;
        // The counter cannot overflow in practice; a failed write would only
        // delay the result until the next wake.
        [[maybe_unused]] ssize_t written = ::write(m_wake.Get(), &one, sizeof one);
    }
}

}  // namespace nimbo::server
