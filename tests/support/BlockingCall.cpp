#include "tests/support/BlockingCall.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

namespace nimbo::test {
namespace {

constexpr auto PATIENCE = std::chrono::seconds(30);
constexpr auto LOOK_AGAIN = std::chrono::milliseconds(1);

// The system call thread `id` of this process sleeps in; -1 while it runs
// (the kernel then writes "running").
long SleepingIn(pid_t id) {
    std::ifstream file("/proc/self/task/" + std::to_string(id) + "/syscall");
    long number = -1;
    return file >> number ? number : -1;
}

}  // namespace

BlockingCall::BlockingCall(std::function<void()> call)
    : m_knownThreadId(m_threadId.get_future().share()), m_thread([this, call = std::move(call)] {
          m_threadId.set_value(static_cast<pid_t>(::syscall(SYS_gettid)));
          call();
      }) {}

bool BlockingCall::WaitUntilBlockedIn(const std::vector<long>& systemCalls) {
    const pid_t id = m_knownThreadId.get();
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (std::find(systemCalls.begin(), systemCalls.end(), SleepingIn(id)) == systemCalls.end()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(LOOK_AGAIN);
    }
    return true;
}

void BlockingCall::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

}  // namespace nimbo::test
