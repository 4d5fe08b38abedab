#pragma once

#include <QObject>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

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
class CSessionWorker : public QObject {
    Q_OBJECT

public:
    // `gui` is the GUI thread's message queue; it must outlive this object.
    explicit CSessionWorker(QtMessageThread& gui, QObject* parent = nullptr);

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

    bool IsRunning() const { return m_nRunning > 0; }

signals:
    // The last running operation has ended.
    void Idle();

private:
    void RunAside(const std::function<void()>& work);

    QtMessageThread& m_gui;
    int m_nRunning = 0;
    std::mutex m_sessionLock;
};

}  // namespace nimbo
