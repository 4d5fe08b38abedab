#include "bench/SignInStorm.h"

#include <atomic>
#include <latch>
#include <mutex>
#include <thread>

#include "bench/LoadListener.h"

namespace nimbo::bench {

SignInStorm::SignInStorm(std::u16string host, ByteString password64, int attempts)
    : m_host(std::move(host)), m_password64(std::move(password64)), m_attempts(attempts) {}

SignInStorm::Result SignInStorm::Run(const std::vector<std::unique_ptr<LoadListener>>& listeners) const {
    using Clock = std::chrono::steady_clock;
    Result result;
    std::atomic<std::size_t> signedIn{0};
    std::atomic<std::size_t> retries{0};
    std::atomic<Clock::rep> last{0};
    std::mutex failureLock;
    std::latch ready(static_cast<std::ptrdiff_t>(listeners.size()) + 1);
    Clock::time_point release;
    std::vector<std::thread> crowd;
    for (const auto& listener : listeners) {
        crowd.emplace_back([&, client = listener.get()] {
            ready.arrive_and_wait();
            std::string failure;
            for (int attempt = 1; attempt <= m_attempts; ++attempt) {
                if (client->SignIn(m_host, m_password64, failure)) {
                    Clock::rep now = (Clock::now() - release).count();
                    for (Clock::rep seen = last.load(); seen < now && !last.compare_exchange_weak(seen, now);) {
                    }
                    ++signedIn;
                    client->Start();
                    return;
                }
                if (attempt < m_attempts)
                    ++retries;
            }
            std::lock_guard lock(failureLock);
            if (result.firstFailure.empty())
                result.firstFailure = failure;
        });
    }
    release = Clock::now();
    ready.arrive_and_wait();
    for (std::thread& thread : crowd)
        thread.join();
    result.lastSignedIn = Clock::duration(last.load());
    result.signedIn = signedIn;
    result.retries = retries;
    return result;
}

}  // namespace nimbo::bench
