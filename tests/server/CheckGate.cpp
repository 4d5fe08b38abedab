#include "CheckGate.h"

#include "server/PasswordHash.h"

namespace nimbo::server::test {

PasswordCheck CheckGate::Check() {
    return [this](const std::string& hash, std::string_view password) { return Run(hash, password); };
}

void CheckGate::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
}

void CheckGate::Open() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = false;
    }
    m_opened.notify_all();
}

int CheckGate::Started() const {
    std::lock_guard lock(m_mutex);
    return m_started;
}

void CheckGate::WaitUntilStarted(int count) {
    std::unique_lock lock(m_mutex);
    m_began.wait(lock, [&] { return m_started >= count; });
}

bool CheckGate::Run(const std::string& hash, std::string_view password) {
    {
        std::unique_lock lock(m_mutex);
        ++m_started;
        m_began.notify_all();
        m_opened.wait(lock, [this] { return !m_closed; });
    }
    return PasswordHash::Matches(hash, password);
}

}  // namespace nimbo::server::test
