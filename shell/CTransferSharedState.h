#pragma once

#include <QString>
#include <mutex>

namespace nimbo {

// What all transfer windows of the process share: the folders last chosen
// for sending and for receiving. Nothing of it is saved between runs. Every
// access is serialised, so windows on any thread may use it.
class CTransferSharedState {
public:
    // The one instance of the process.
    static CTransferSharedState& Instance();

    QString LastSendFolder() const;
    void SetLastSendFolder(const QString& folder);
    QString LastReceiveFolder() const;
    void SetLastReceiveFolder(const QString& folder);

private:
    mutable std::mutex m_lock;
    QString m_strLastSendFolder;
    QString m_strLastReceiveFolder;
};

}  // namespace nimbo
