#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class QEventLoop;
class QSocketNotifier;

namespace nimbo {

class QtMessageThread;

// Runs the session's blocking operations (each up to a minute per line
// against a server that does not answer) on a thread of their own, while the
// GUI thread's event loop goes on: windows repaint, timers fire and the wait
// cursor shows, but user input and the queued window messages (the
// listener's, the transfers') wait until the operation has ended, so that
// they are handled after its result, in their order, exactly as if the GUI
// thread had made the call itself. One operation at a time touches the
// session: an operation started while another runs waits for it.
class SessionWorker : public QObject {
    Q_OBJECT

public:
    // `gui` is the GUI thread's message queue; it must outlive this object.
    explicit SessionWorker(QtMessageThread& gui, QObject* parent = nullptr);
    ~SessionWorker() override;
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    // Runs `work` as described above and returns its result; an exception
    // it throws is thrown here. Call it on the GUI thread.
    template <class Work>
    auto Run(Work work) -> decltype(work()) {
        using Result = decltype(work());
        if constexpr (std::is_void_v<Result>) {
            RunAside([&work] { work(); });
        } else {
            std::optional<Result> result;
            RunAside([&work, &result] { result.emplace(work()); });
            return std::move(*result);
        }
    }

    bool IsRunning() const { return !m_running.empty(); }

signals:
    // The last running operation has ended.
    void Idle();

private:
    // An operation under way: the loop that waits for it, and whether its
    // worker is done.
    struct Running {
        QEventLoop* loop;
        const std::atomic<bool>* done;
    };

    void RunAside(const std::function<void()>& work);
    void OnWake();

    QtMessageThread& m_gui;
    // Written by a worker that is done; wakes the GUI thread's loop.
    int m_wakeFd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<Running> m_running;  // GUI thread only, innermost last
    std::mutex m_sessionLock;
};

}  // namespace nimbo
