#pragma once

#include <sys/syscall.h>
#include <sys/types.h>

#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace nimbo::test {

// The system calls poll() may sleep in: poll itself where the architecture
// has it, else ppoll.
inline const std::vector<long> POLL_CALLS = {
#ifdef SYS_poll
    SYS_poll,
#endif
    SYS_ppoll};

// A call that blocks, run on a thread of its own, with the handshake a test
// needs before it wakes the call from outside: WaitUntilBlockedIn returns
// once the thread sleeps in the kernel, in one of the given system calls
// (numbers from <sys/syscall.h>), as /proc shows it. So the test wakes a
// call that is really blocked, never one that has not started yet.
class BlockingCall {
public:
    // Starts `call`. The thread is joined when the object goes, so the test
    // must have woken the call by then.
    explicit BlockingCall(std::function<void()> call);

    // False when the call does not block so within a generous time-out.
    bool WaitUntilBlockedIn(const std::vector<long>& systemCalls);
    void Join();

    BlockingCall(const BlockingCall&) = delete;
    BlockingCall& operator=(const BlockingCall&) = delete;

private:
    std::promise<pid_t> m_threadId;
    std::shared_future<pid_t> m_knownThreadId;
    std::jthread m_thread;
};

}  // namespace nimbo::test
