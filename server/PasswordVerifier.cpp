#include "server/PasswordVerifier.h"

#include <sodium.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "server/PasswordHash.h"

namespace nimbo::server {
namespace {

constexpr int WAKE_ATTEMPTS = 8;

void Forget(std::string& password) { sodium_memzero(password.data(), password.size()); }

}  // namespace

PasswordVerifier::PasswordVerifier(int threads, int maxQueued, PasswordCheck check)
    : m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      m_maxQueued(static_cast<std::size_t>(std::max(maxQueued, 0))),
      m_check(check ? std::move(check) : PasswordCheck(&PasswordHash::Matches)) {
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
            Forget(check.password);
        m_pending.clear();
    }
    m_ready.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

bool PasswordVerifier::Submit(std::uint64_t ticket, std::string hash, std::string password) {
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.size() >= m_maxQueued) {
            Forget(password);
            return false;
        }
        m_pending.push_back({ticket, std::move(hash), std::move(password)});
    }
    m_ready.notify_one();
    return true;
}

bool PasswordVerifier::Cancel(std::uint64_t ticket) {
    std::lock_guard lock(m_mutex);
    auto found = std::find_if(m_pending.begin(), m_pending.end(),
                              [ticket](const Check& check) { return check.ticket == ticket; });
    if (found == m_pending.end())
        return false;
    Forget(found->password);
    m_pending.erase(found);
    return true;
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
        bool matches = m_check(check.hash, check.password);
        Forget(check.password);
        lock.lock();
        m_finished.push_back({check.ticket, matches});
        Wake();
    }
}

// The counter cannot overflow in practice, so a failed write is a passing
// fault (an interrupted call, an injected error): it is tried again. Should
// every attempt fail, the loop still takes the result on its next round.
void PasswordVerifier::Wake() noexcept {
    std::uint64_t one = 1;
    for (int attempt = 0; attempt < WAKE_ATTEMPTS; ++attempt) {
        if (::write(m_wake.Get(), &one, sizeof one) == static_cast<ssize_t>(sizeof one) || errno == EAGAIN)
            return;
    }
}

}  // namespace nimbo::server
