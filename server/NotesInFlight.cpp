#include "server/NotesInFlight.h"

#include <algorithm>

namespace nimbo::server {

void NotesInFlight::Add(std::uint64_t end, Directory::Note note, Clock::time_point now) {
    if (m_notes.empty())
        m_stalledSince = now;
    m_notes.push_back({end, std::move(note)});
}

std::int64_t NotesInFlight::Settle(std::uint64_t acknowledged, Clock::time_point now) {
    // Any progress counts, also within a long note on a slow link.
    if (acknowledged > m_acknowledged)
        m_stalledSince = now;
    m_acknowledged = std::max(m_acknowledged, acknowledged);
    std::int64_t lastSeq = 0;
    while (!m_notes.empty() && m_notes.front().end <= acknowledged) {
        lastSeq = std::max(lastSeq, m_notes.front().note.seq);
        m_notes.pop_front();
    }
    return lastSeq;
}

std::vector<Directory::Note> NotesInFlight::TakeUndelivered() {
    std::vector<Directory::Note> notes;
    notes.reserve(m_notes.size());
    for (auto& entry : m_notes)
        notes.push_back(std::move(entry.note));
    m_notes.clear();
    return notes;
}

}  // namespace nimbo::server
