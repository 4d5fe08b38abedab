#include "shell/CTransferSharedState.h"

namespace nimbo {

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

}  // namespace nimbo
