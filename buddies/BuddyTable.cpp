#include "buddies/BuddyTable.h"

#include <cstdint>
#include <utility>

namespace nimbo {

void BuddyTable::Keep(const ByteString& text) {
    if (m_texts.empty() || m_texts.back().BufferId() != text.BufferId())
        m_texts.push_back(text);
}

void BuddyTable::AddBlock() { m_blocks.push_back(std::make_unique<CBuddyInfo[]>(BLOCK_RECORDS)); }

// Has the next spare record `assign` itself, then either keeps it or, when
// its user ID is stored already, has the earlier record assign itself.
template <class Assign>
const CBuddyInfo& BuddyTable::StoreRecord(Assign assign) {
    CBuddyInfo& next = SpareRecord(m_count);
    assign(next);
    const auto nextPosition = static_cast<std::uint32_t>(m_count);
    const std::uint32_t position = m_index.FindOrInsert(
        next.UserIdHash(), nextPosition, [&](std::uint32_t stored) { return At(stored).HasSameUserId(next); });
    if (position == nextPosition) {
        ++m_count;
        return next;
    }
    CBuddyInfo& earlier = At(position);
    assign(earlier);
    return earlier;
}

void BuddyTable::Stage(std::string_view entry) {
    CBuddyInfo& record = SpareRecord(m_count + m_stagedHashes.size());
    record.Assign(entry);
    m_stagedHashes.push_back(record.UserIdHash());
}

// The staged records lie from m_count on; a new one moves down to m_count,
// over a staged record whose user ID was stored already.
void BuddyTable::StoreStaged() {
    const std::size_t first = m_count;
    const std::size_t staged = m_stagedHashes.size();
    m_index.Reserve(m_count + staged);
    for (std::size_t i = 0; i < staged; ++i) {
        if (i + PREFETCH_DISTANCE < staged)
            m_index.Prefetch(m_stagedHashes[i + PREFETCH_DISTANCE]);
        CBuddyInfo& record = At(first + i);
        const auto nextPosition = static_cast<std::uint32_t>(m_count);
        const std::uint32_t position =
            m_index.FindOrInsert(m_stagedHashes[i], nextPosition,
                                 [&](std::uint32_t stored) { return At(stored).HasSameUserId(record); });
        if (position != nextPosition) {
            At(position).Assign(record.Entry());
            continue;
        }
        if (first + i != m_count)
            std::swap(At(m_count), record);
        ++m_count;
    }
    m_stagedHashes.clear();
}

const CBuddyInfo& BuddyTable::Store(const BuddyTexts& buddy) {
    const ByteString entry = CBuddyInfo::EntryOf(buddy);
    Keep(entry);
    return StoreRecord([&](CBuddyInfo& record) { record.Assign(entry.view(), buddy.userId); });
}

std::uint32_t BuddyTable::PositionOf(std::u16string_view userId) const {
    return m_index.Find(HashIndex::HashOf(userId), [&](std::uint32_t stored) { return At(stored).HasUserId(userId); });
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId) const {
    const std::uint32_t position = PositionOf(userId);
    return position == HashIndex::NONE ? nullptr : &At(position);
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId, std::size_t& next) const {
    if (next < m_count && At(next).HasUserId(userId))
        return &At(next++);
    const std::uint32_t position = PositionOf(userId);
    if (position == HashIndex::NONE)
        return nullptr;
    next = position + std::size_t{1};
    return &At(position);
}

void BuddyTable::Clear() {
    m_count = 0;
    m_stagedHashes.clear();
    m_index.Clear();
    m_texts.clear();
}

}  // namespace nimbo
