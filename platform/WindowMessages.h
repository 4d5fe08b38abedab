#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace nimbo::platform {

// Window messages between threads, in the manner of the handheld platform
// the client was designed for: a window is an opaque handle owned by one
// thread; any thread may post to it (queued, never blocks) or send to it
// (blocks until the owning thread has handled it); any thread may ask
// whether it still exists. Handles are never reused, so a stale handle is
// simply "gone".

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

enum class HWND : std::uintptr_t {};
inline constexpr HWND NULL_WINDOW{};

inline constexpr UINT WM_USER = 0x0400;

// The object that handles a window's messages.
class IMessageHandler {
public:
    virtual ~IMessageHandler() = default;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The thread that owns windows: runs queued calls, in order, on itself.
// Implemented by MessageLoop (tests, command-line client) and by the Qt
// application's adapter. It must outlive every window it owns.
class IMessageThread {
public:
    virtual ~IMessageThread() = default;
    // Queues `call` to run on the owning thread; never blocks. Called with the
    // window registry locked, so it must only enqueue: never run `call` in
    // place nor call any function of this header.
    virtual void Queue(std::function<void()> call) = 0;
    virtual bool IsCurrentThread() const = 0;
};

// A stop request for one worker thread, requested once and never reset. A
// send made with a StopSignal that is (or becomes) requested returns at once,
// unhandled, even while its handler runs: a thread that is about to join a
// worker requests its stop first (see JoinWorker), so the worker can never
// stay blocked in a send to the joining thread.
class StopSignal {
public:
    void Request();
    bool IsRequested() const;

private:
    std::atomic<bool> m_requested{false};
};

// Registers `handler` as a window owned by `thread`. The handler must stay
// alive until DestroyWindowHandle returns.
HWND CreateWindowHandle(IMessageHandler& handler, IMessageThread& thread);

// Unregisters the window first, then wakes every sender waiting on it (their
// sends return unhandled). Called on the owning thread; afterwards the
// handler is never called again.
void DestroyWindowHandle(HWND window);

bool IsWindow(HWND window);

// Queues the message; false when the window does not exist. A posted message
// whose window is destroyed before it is handled is dropped.
bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers the message and waits until it has been handled, then stores the
// handler's answer in `result`; a direct call when the caller is the owning
// thread. Returns false, and the handler never sees the message, when the
// window does not exist or is destroyed before the handler takes the message;
// returns false at once when `stop` is requested before or during the wait
// (a message not yet taken is then never handled).
// A window destroyed by the handler of this very message still answers.
bool SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr,
                 const StopSignal* stop = nullptr);

// Requests `stop`, then joins `worker` (when joinable). Safe on the thread
// that owns the windows the worker sends to, even from inside a handler.
void JoinWorker(std::thread& worker, StopSignal& stop);

// Ends window messages for good, as the process prepares to exit: every
// window is gone for every thread from then on (IsWindow false, posts and
// sends refused, senders still waiting released unhandled, posts still
// queued dropped), and a window created later never exists. Nothing is
// freed, so a worker that outlives main still finds what it calls valid,
// and the owning threads may go once it has returned.
void EndWindowMessages();

// "The main window": the window the notification listener reports to.
void SetMainWindow(HWND window);
HWND GetMainWindow();

}  // namespace nimbo::platform
