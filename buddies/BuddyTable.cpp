#include "buddies/BuddyTable.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/CodePage.h"

namespace nimbo {
namespace {

std::uint64_t FourUnits(const char16_t* units) {
    std::uint64_t word;
    std::memcpy(&word, units, sizeof word);
    return word;
}

// Whether two user IDs are equal. IDs are mostly four to eight code units
// long: those are compared as two words that overlap, not unit by unit.
bool SameId(std::u16string_view a, std::u16string_view b) {
    const std::size_t length = a.size();
    if (length != b.size())
        return false;
    if (length < 4 || length > 8)
        return HashIndex::SameKey(a, b);
    return FourUnits(a.data()) == FourUnits(b.data()) &&
           FourUnits(a.data() + length - 4) == FourUnits(b.data() + length - 4);
}

}  // namespace

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

void BuddyTable::Stage(std::string_view entry) {
    CBuddyInfo& record = SpareRecord(m_count + m_stagedHashes.size());
    const std::string_view userId = record.Assign(entry);
    m_stagedHashes.push_back(platform::CodePage::IsPlain(userId) ? HashIndex::HashOfBytes(userId)
                                                                 : HashIndex::HashOf(record.UserId()));
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
            m_index.FindOrInsert(m_stagedHashes[i], nextPosition, [&](std::uint32_t stored) {
                return HashIndex::SameKey(At(stored).UserId(), record.UserId());
            });
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
    return m_index.Find(HashIndex::HashOf(userId), [&](std::uint32_t stored) {
        return HashIndex::SameKey(At(stored).UserId(), userId);
    });
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId) const {
    const std::uint32_t position = PositionOf(userId);
    return position == HashIndex::NONE ? nullptr : &At(position);
}

const CBuddyInfo* BuddyTable::Lookup(std::u16string_view userId, std::size_t& next) const {
    if (next < m_count && SameId(At(next).UserId(), userId))
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
