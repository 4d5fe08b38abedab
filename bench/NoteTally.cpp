#include "bench/NoteTally.h"

#include <thread>

namespace nimbo::bench {
namespace {

constexpr std::chrono::milliseconds POLL_INTERVAL{20};

}  // namespace

NoteTally::NoteTally(std::size_t notes)
    : m_notes(notes),
      m_counts(new std::atomic<std::uint32_t>[notes]()),
      m_receivers(new std::atomic<std::uint32_t>[notes]()) {}

void NoteTally::Arrived(std::size_t number, std::uint32_t receiver) {
    if (number >= m_notes) {
        Stray();
        return;
    }
    m_counts[number].fetch_add(1, std::memory_order_relaxed);
    m_receivers[number].store(receiver, std::memory_order_relaxed);
    m_lastArrival.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    m_arrivals.fetch_add(1, std::memory_order_release);
}

std::size_t NoteTally::WaitFor(std::size_t expected, std::chrono::milliseconds quiet) const {
    std::size_t seen = m_arrivals.load(std::memory_order_acquire);
    Clock::time_point progress = Clock::now();
    while (seen < expected && Clock::now() - progress < quiet) {
        std::this_thread::sleep_for(POLL_INTERVAL);
        std::size_t now = m_arrivals.load(std::memory_order_acquire);
        if (now != seen) {
            seen = now;
            progress = Clock::now();
        }
    }
    return seen;
}

NoteTally::Clock::time_point NoteTally::LastArrival() const {
    return Clock::time_point(Clock::duration(m_lastArrival.load(std::memory_order_relaxed)));
}

}  // namespace nimbo::bench
