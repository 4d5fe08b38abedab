#pragma once

#include <poll.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "server/UniqueFd.h"

namespace nimbo::bench {

// The far end of the raw TCP baseline: accepts connections on its own
// loopback address and reads each until its peer closes it, nothing more,
// on one thread with poll().
class TcpSink {
public:
    // Listens at once; throws std::system_error naming the failed call.
    TcpSink(const std::string& address, std::uint16_t port);
    ~TcpSink();
    TcpSink(const TcpSink&) = delete;
    TcpSink& operator=(const TcpSink&) = delete;

    // Connections read through to their close so far.
    std::size_t Finished() const noexcept { return m_finished.load(std::memory_order_acquire); }

private:
    void Run();
    void AcceptAll();
    // Reads what `fd` holds; true when its peer closed it.
    static bool Drain(int fd);

    server::UniqueFd m_listener;
    server::UniqueFd m_stop;
    std::vector<pollfd> m_entries;  // stop, listener, then one per connection
    std::atomic<std::size_t> m_finished{0};
    std::thread m_thread;
};

}  // namespace nimbo::bench
