#pragma once

#include <QString>
#include <cstdint>
#include <mutex>

#include "session/LockedValue.h"

namespace nimbo {

// What all transfer windows of the process share: the folders last chosen
// for sending and for receiving, the remaining-time text with the elapsed
// time it was last worked out for, and the last percentage shown. Nothing of
// it is saved between runs. Every access is serialised, so windows on any
// thread may use it.
class TransferSharedState {
public:
    // The one instance of the process.
    static TransferSharedState& Instance();

    QString LastSendFolder() const { return m_lastSendFolder.Get(); }
    void SetLastSendFolder(const QString& folder) { m_lastSendFolder.Set(folder); }
    QString LastReceiveFolder() const { return m_lastReceiveFolder.Get(); }
    void SetLastReceiveFolder(const QString& folder) { m_lastReceiveFolder.Set(folder); }

    // A progress report of a data phase `elapsed` whole seconds old, `moved`
    // bytes moved on this connection and `done` of `size` bytes done in all.
    // The remaining time is worked out again only once per elapsed second:
    // when `elapsed` is above 0 and above the last elapsed value used by any
    // window, which it then becomes; and only at more than 2 bytes per
    // second. Returns the remaining-time text, new or kept.
    QString UpdateRemainingTime(double elapsed, std::int64_t moved, std::uint32_t size, std::int64_t done);
    QString RemainingTime() const;
    // The elapsed time the remaining time was last worked out for; 0 before.
    double LastElapsed() const;

    // True, and `percent` becomes the last one shown, when it differs from it.
    bool TakePercent(int percent);

private:
    LockedValue<QString> m_lastSendFolder;
    LockedValue<QString> m_lastReceiveFolder;
    // Guards the values of the remaining time and the progress.
    mutable std::mutex m_lock;
    QString m_remainingTime;
    double m_lastElapsed = 0;
    int m_lastPercent = 0;
};

}  // namespace nimbo
