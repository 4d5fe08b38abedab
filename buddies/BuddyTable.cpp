#include "buddies/BuddyTable.h"

#include <cstdint>

namespace nimbo {

void BuddyTable::Keep(const ByteString& text) {
    if (m_texts.empty() || m_texts.back().BufferId() != text.BufferId())
        m_texts.push_back(text);
}

// Has the next spare record `assign` itself, then either keeps it or, when
// its user ID is stored already, has the earlier record assign itself.
template <class Assign>
const CBuddyInfo& BuddyTable::StoreRecord(Assign assign) {
    if (m_count == m_blocks.size() * BLOCK_RECORDS)
        m_blocks.push_back(std::make_unique<CBuddyInfo[]>(BLOCK_RECORDS));
    CBuddyInfo& next = At(m_count);
    assign(next);
    const auto nextPosition = static_cast<std::uint32_t>(m_count);
    const std::uint32_t position = m_index.FindOrInsert(
        HashIndex::HashOf(next.UserId()), nextPosition,
        [&](std::uint32_t stored) { return HashIndex::SameKey(At(stored).UserId(), next.UserId()); });
    if (position == nextPosition) {
        ++m_count;
        return next;
    }
    CBuddyInfo& earlier = At(position);
    assign(earlier);
    return earlier;
}

const CBuddyInfo& BuddyTable::Store(std::string_view entry) {
    return StoreRecord([entry](CBuddyInfo& record) { record.Assign(entry); });
}

const CBuddyInfo& BuddyTable::Store(const BuddyTexts& buddy) {
    const ByteString entry = CBuddyInfo::EntryOf(buddy);
    Keep(entry);
    return StoreRecord([&](CBuddyInfo& record) { record.Assign(entry.view(), buddy.userId); });
}

std::uint32_t BuddyTable::PositionOf(std::u16string_view userId) const {
    return m_index.Find(HashIndex::HashOf(userId), [&](std::uint32_t stored) {
        return HashIndex::SameKey(At(stored).UserId(), userId);
    });
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId) const {
    const std::uint32_t position = PositionOf(userId);
    return position == HashIndex::NONE ? nullptr : &At(position);
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId, std::size_t& next) const {
    if (next < m_count && HashIndex::SameKey(At(next).UserId(), userId))
        return &At(next++);
    const std::uint32_t position = PositionOf(userId);
    if (position == HashIndex::NONE)
        return nullptr;
    next = position + std::size_t{1};
    return &At(position);
}

void BuddyTable::Clear() {
    m_count = 0;
    m_index.Clear();
    m_texts.clear();
}

}  // namespace nimbo
