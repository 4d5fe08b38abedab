#include "platform/WindowMessages.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace nimbo::platform {
namespace {

struct Window {
    IMessageHandler* handler;
    IMessageThread* thread;
    bool alive = true;
};

// A sent message: Queued until the owning thread takes it, Running while its
// handler runs, then Handled; Abandoned when the sender gave up first.
enum class SendState { Queued, Running, Handled, Abandoned };

struct PendingSend {
    SendState state = SendState::Queued;
    LRESULT result = 0;
};

// One lock and one condition serve every window: sends are rare, and a single
// condition lets a StopSignal wake its sender without knowing where it waits.
// All fields of Window and PendingSend are guarded by `mutex`.
struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Window>> windows;
    std::uintptr_t lastHandle = 0;
    bool ended = false;
};

// Never destroyed: a detached worker may still post while the process exits.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

std::atomic<HWND> g_mainWindow{NULL_WINDOW};

std::shared_ptr<Window> FindLocked(Registry& registry, HWND window) {
    const auto found = registry.windows.find(static_cast<std::uintptr_t>(window));
    return found == registry.windows.end() ? nullptr : found->second;
}

// Runs on the owning thread, where windows are destroyed, so a window found
// alive here stays alive until its handler returns.
IMessageHandler* LiveHandler(const Window& window) {
    std::lock_guard lock(TheRegistry().mutex);
    return window.alive ? window.handler : nullptr;
}

void DeliverSent(const Window& window, PendingSend& send, UINT message, WPARAM wParam, LPARAM lParam) {
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex);
    if (!window.alive || send.state != SendState::Queued) {
        return;
    }
    send.state = SendState::Running;
    lock.unlock();
    const LRESULT result = window.handler->HandleMessage(message, wParam, lParam);
    lock.lock();
    if (send.state == SendState::Running) {
        send.state = SendState::Handled;
        send.result = result;
    }
    lock.unlock();
    registry.changed.notify_all();
}

bool StopRequested(const StopSignal* stop) {
    return stop != nullptr && stop->IsRequested();
}

// Waits, with the registry locked, until `send` has been handled; false when
// the sender gives up. A handler already running finishes even if its window
// goes meanwhile; only a stop request abandons it, since the owning thread
// may be about to join the sender.
bool AwaitAnswer(std::unique_lock<std::mutex>& lock, const Window& target, PendingSend& send, const StopSignal* stop) {
    while (send.state != SendState::Handled) {
        if (StopRequested(stop) || (!target.alive && send.state == SendState::Queued)) {
            send.state = SendState::Abandoned;
            return false;
        }
        TheRegistry().changed.wait(lock);
    }
    return true;
}

}  // namespace

void StopSignal::Request() {
    m_requested.store(true);
    Registry& registry = TheRegistry();
    // Passing through the lock orders this request after any sender's check of
    // the flag, so the notification below cannot be lost.
    { std::lock_guard lock(registry.mutex); }
    registry.changed.notify_all();
}

bool StopSignal::IsRequested() const {
    return m_requested.load();
}

HWND CreateWindowHandle(IMessageHandler& handler, IMessageThread& thread) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const std::uintptr_t handle = ++registry.lastHandle;
    if (!registry.ended) {
        registry.windows.emplace(handle, std::make_shared<Window>(Window{&handler, &thread}));
    }
    return HWND{handle};
}

void DestroyWindowHandle(HWND window) {
    Registry& registry = TheRegistry();
    {
        std::lock_guard lock(registry.mutex);
        const auto found = registry.windows.find(static_cast<std::uintptr_t>(window));
        if (found == registry.windows.end()) {
            return;
        }
        found->second->alive = false;
        registry.windows.erase(found);
    }
    registry.changed.notify_all();
}

bool IsWindow(HWND window) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return FindLocked(registry, window) != nullptr;
}

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::shared_ptr<Window> target = FindLocked(registry, window);
    if (!target) {
        return false;
    }
    // Queued under the lock: the owning thread object outlives the window.
    target->thread->Queue([target, message, wParam, lParam] {
        if (IMessageHandler* handler = LiveHandler(*target)) {
            handler->HandleMessage(message, wParam, lParam);
        }
    });
    return true;
}

bool SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                 const StopSignal* stop) {
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex);
    std::shared_ptr<Window> target = FindLocked(registry, window);
    if (!target || StopRequested(stop)) {
        return false;
    }
    if (target->thread->IsCurrentThread()) {
        lock.unlock();
        const LRESULT answer = target->handler->HandleMessage(message, wParam, lParam);
        if (result != nullptr) {
            *result = answer;
        }
        return true;
    }
    auto send = std::make_shared<PendingSend>();
    target->thread->Queue([target, send, message, wParam, lParam] { DeliverSent(*target, *send, message, wParam, lParam); });
    if (!AwaitAnswer(lock, *target, *send, stop)) {
        return false;
    }
    if (result != nullptr) {
        *result = send->result;
    }
    return true;
}

void EndWindowMessages() {
    Registry& registry = TheRegistry();
    {
        std::lock_guard lock(registry.mutex);
        registry.ended = true;
        for (auto& entry : registry.windows) {
            entry.second->alive = false;
        }
        registry.windows.clear();
    }
    registry.changed.notify_all();
}

void JoinWorker(std::thread& worker, StopSignal& stop) {
    stop.Request();
    if (worker.joinable()) {
        worker.join();
    }
}

void SetMainWindow(HWND window) {
    g_mainWindow.store(window);
}

HWND GetMainWindow() {
    return g_mainWindow.load();
}

}  // namespace nimbo::platform
