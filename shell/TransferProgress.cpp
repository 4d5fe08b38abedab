#include "shell/TransferProgress.h"

#include <algorithm>

#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

// At this speed or below, in bytes per second, the remaining time would be
// meaningless, so the last text stays.
constexpr std::int64_t SLOWEST_SPEED = 2;

}  // namespace

QString TransferProgress::UpdateRemainingTime(double elapsed, std::int64_t moved, std::uint32_t size,
                                               std::int64_t done) {
    if (elapsed > 0 && elapsed > m_lastElapsed) {
        m_lastElapsed = elapsed;
        const std::int64_t speed = moved / static_cast<std::int64_t>(elapsed);
        if (speed > SLOWEST_SPEED) {
            m_remainingTime = RemainingTimeText(std::max<std::int64_t>(0, size - done) / speed);
        }
    }
    return m_remainingTime;
}

bool TransferProgress::TakePercent(int percent) {
    if (percent == m_lastPercent) {
        return false;
    }
    m_lastPercent = percent;
    return true;
}

}  // namespace nimbo
