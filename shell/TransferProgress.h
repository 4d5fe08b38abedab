#pragma once

#include <QString>
#include <cstdint>

namespace nimbo {

// What one transfer window works out from its progress reports: the
// remaining-time text with the elapsed time it was last worked out for, and
// the last percentage shown. Each window keeps its own, so that transfers
// side by side never show each other's estimate or skip each other's
// percentages; it belongs to the window's thread.
class TransferProgress {
public:
    // A progress report of a data phase `elapsed` whole seconds old, `moved`
    // bytes moved on this connection and `done` of `size` bytes done in all.
    // The remaining time is worked out again only once per elapsed second:
    // when `elapsed` is above 0 and above the last elapsed value used, which
    // it then becomes; and only at more than 2 bytes per second. Returns the
    // remaining-time text, new or kept.
    QString UpdateRemainingTime(double elapsed, std::int64_t moved, std::uint32_t size, std::int64_t done);
    const QString& RemainingTime() const { return m_remainingTime; }

    // True, and `percent` becomes the last one shown, when it differs from it.
    bool TakePercent(int percent);

private:
    QString m_remainingTime;
    double m_lastElapsed = 0;
    int m_lastPercent = 0;
};

}  // namespace nimbo
