#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace nimbo::bench {

// What became of each note of a load run: how often it arrived and at whose
// listener, counted from many listener threads at once.
class NoteTally {
public:
    using Clock = std::chrono::steady_clock;

    explicit NoteTally(std::size_t notes);

    // Counts one arrival of note `number` at the listener of user `receiver`;
    // numbers outside the run are counted as strays.
    void Arrived(std::size_t number, std::uint32_t receiver);
    void Stray() noexcept { m_strays.fetch_add(1, std::memory_order_relaxed); }

    // Waits until `expected` arrivals were counted, or until none came for
    // `quiet`; returns the arrivals counted.
    std::size_t WaitFor(std::size_t expected, std::chrono::milliseconds quiet) const;
    // When the latest arrival was counted.
    Clock::time_point LastArrival() const;

    std::size_t Notes() const noexcept { return m_notes; }
    std::uint32_t Count(std::size_t number) const { return m_counts[number].load(std::memory_order_relaxed); }
    std::uint32_t Receiver(std::size_t number) const { return m_receivers[number].load(std::memory_order_relaxed); }
    std::size_t Strays() const noexcept { return m_strays.load(std::memory_order_relaxed); }

private:
    std::size_t m_notes;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_counts;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_receivers;
    std::atomic<std::size_t> m_arrivals{0};
    std::atomic<std::size_t> m_strays{0};
    std::atomic<Clock::rep> m_lastArrival{0};
};

}  // namespace nimbo::bench
