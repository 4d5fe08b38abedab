#include "bench/SignInStorm.h"

#include <atomic>
#include <latch>
#include <mutex>
#include <random>
#include <thread>

#include "bench/LoadListener.h"

namespace nimbo::bench {

SignInStorm::SignInStorm(std::u16string host, ByteString password64, Options options)
    : m_host(std::move(host)), m_password64(std::move(password64)), m_options(options) {}

SignInStorm::Result SignInStorm::Run(const std::vector<std::unique_ptr<LoadListener>>& listeners) const {
    using Clock = std::chrono::steady_clock;
    Result result;
    std::atomic<std::size_t> signedIn{0};
    std::atomic<std::size_t> retries{0};
    std::atomic<std::size_t> busy{0};
    std::atomic<Clock::rep> last{0};
    std::mutex failureLock;
    std::latch ready(static_cast<std::ptrdiff_t>(listeners.size()) + 1);
    Clock::time_point release;
    std::vector<std::thread> crowd;
    for (const auto& listener : listeners) {
        crowd.emplace_back([&, client = listener.get()] {
            // Pauses from half to one and a half times the mean, so that
            // the crowd spreads out instead of returning at once.
            std::minstd_rand random(static_cast<unsigned>(std::hash<const void*>()(client)));
            std::uniform_int_distribution<long> pause(m_options.backoff.count() / 2, m_options.backoff.count() * 3 / 2);
            ready.arrive_and_wait();
            std::string failure;
            for (int attempt = 1; attempt <= m_options.attempts;) {
                LoadListener::SignInResult outcome = client->SignIn(m_host, m_password64, failure);
                if (outcome == LoadListener::SignInResult::SignedIn) {
                    Clock::rep now = (Clock::now() - release).count();
                    for (Clock::rep seen = last.load(); seen < now && !last.compare_exchange_weak(seen, now);) {
                    }
                    ++signedIn;
                    client->Start();
                    return;
                }
                if (outcome == LoadListener::SignInResult::Busy) {
                    ++busy;
                    if (Clock::now() - release > m_options.patience)
                        break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
                } else if (++attempt <= m_options.attempts) {
                    ++retries;
                }
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
    result.busy = busy;
    return result;
}

}  // namespace nimbo::bench
