#pragma once

#include <QString>

#include "session/LockedValue.h"

namespace nimbo {

// What all transfer windows of the process share: the folders last chosen
// for sending and for receiving. Nothing of it is saved between runs. Every
// access is serialised, so windows on any thread may use it.
class TransferSharedState {
public:
    // The one instance of the process.
    static TransferSharedState& Instance();

    QString LastSendFolder() const { return m_lastSendFolder.Get(); }
    void SetLastSendFolder(const QString& folder) { m_lastSendFolder.Set(folder); }
    QString LastReceiveFolder() const { return m_lastReceiveFolder.Get(); }
    void SetLastReceiveFolder(const QString& folder) { m_lastReceiveFolder.Set(folder); }

private:
    LockedValue<QString> m_lastSendFolder;
    LockedValue<QString> m_lastReceiveFolder;
};

}  // namespace nimbo
