#include "shell/CTransferSharedState.h"

#include <algorithm>

#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

// At this speed or below, in bytes per second, the remaining time would be
// meaningless, so the last text stays.
constexpr std::int64_t kSlowestSpeed = 2;

}  // namespace

CTransferSharedState& CTransferSharedState::Instance() {
    static CTransferSharedState state;
    return state;
}

QString CTransferSharedState::LastSendFolder() const {
    std::lock_guard lock(m_lock);
    return m_strLastSendFolder;
}

void CTransferSharedState::SetLastSendFolder(const QString& folder) {
    std::lock_guard lock(m_lock);
    m_strLastSendFolder = folder;
}

QString CTransferSharedState::LastReceiveFolder() const {
    std::lock_guard lock(m_lock);
    return m_strLastReceiveFolder;
}

void CTransferSharedState::SetLastReceiveFolder(const QString& folder) {
    std::lock_guard lock(m_lock);
    m_strLastReceiveFolder = folder;
}

QString CTransferSharedState::UpdateRemainingTime(double elapsed, std::int64_t moved, std::uint32_t size,
                                                  std::int64_t done) {
    std::lock_guard lock(m_lock);
    if (elapsed > 0 && elapsed > m_lastElapsed) {
        m_lastElapsed = elapsed;
        const std::int64_t speed = moved / static_cast<std::int64_t>(elapsed);
        if (speed > kSlowestSpeed) {
            m_strRemainingTime = RemainingTimeText(std::max<std::int64_t>(0, size - done) / speed);
        }
    }
    return m_strRemainingTime;
}

QString CTransferSharedState::RemainingTime() const {
    std::lock_guard lock(m_lock);
    return m_strRemainingTime;
}

double CTransferSharedState::LastElapsed() const {
    std::lock_guard lock(m_lock);
    return m_lastElapsed;
}

bool CTransferSharedState::TakePercent(int percent) {
    std::lock_guard lock(m_lock);
    if (percent == m_nLastPercent) {
        return false;
    }
    m_nLastPercent = percent;
    return true;
}

}  // namespace nimbo
