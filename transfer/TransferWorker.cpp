#include "transfer/TransferWorker.h"

#include <exception>
#include <utility>

namespace nimbo {

TransferWorker::TransferWorker(Procedure procedure, std::shared_ptr<TransferInfo> info) : m_info(std::move(info)) {
    std::promise<void> ended;
    m_ended = ended.get_future();
    // The thread's own copy of the record keeps it alive should the thread
    // be detached.
    try {
        m_thread = std::thread([procedure, info = m_info, ended = std::move(ended)]() mutable {
            procedure(info);
            ended.set_value();
        });
        m_started = true;
    } catch (const std::exception& failure) {  // std::system_error, or std::bad_alloc for its state
        m_failure = failure.what();
    }
}

void TransferWorker::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

bool TransferWorker::Stop(std::chrono::milliseconds bound) {
    if (!m_thread.joinable())
        return true;
    if (HasEnded()) {
        m_thread.join();
        return true;
    }
    m_info->Cancel();
    if (m_ended.wait_for(bound) != std::future_status::ready) {
        m_thread.detach();
        return false;
    }
    platform::JoinWorker(m_thread, m_info->stop);
    return true;
}

bool TransferWorker::HasEnded() const {
    return !Started() || m_ended.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace nimbo
