#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "server/Directory.h"

namespace nimbo::server {

// The notes written to one notification connection that its peer's TCP has
// not acknowledged yet, in the order they were written. A note counts as
// delivered once every byte of it is acknowledged; until then it can still
// go back to the recipient's box.
class NotesInFlight {
public:
    using Clock = std::chrono::steady_clock;

    // `end`: where the note's block ends in the connection's output.
    void Add(std::uint64_t end, Directory::Note note, Clock::time_point now);
    // Drops the notes within the first `acknowledged` bytes. Returns the
    // highest kept-note seq among them, 0 when there was none.
    std::int64_t Settle(std::uint64_t acknowledged, Clock::time_point now);
    bool IsEmpty() const noexcept { return m_notes.empty(); }
    // Since when the peer has acknowledged nothing while notes were waiting.
    Clock::time_point StalledSince() const noexcept { return m_stalledSince; }
    // The notes not delivered, oldest first; the ledger is empty afterwards.
    std::vector<Directory::Note> TakeUndelivered();

private:
    struct Entry {
        std::uint64_t end;
        Directory::Note note;
    };

    std::deque<Entry> m_notes;
    std::uint64_t m_acknowledged = 0;
    Clock::time_point m_stalledSince;
};

}  // namespace nimbo::server
