#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "buddies/CBuddyInfo.h"
#include "buddies/HashIndex.h"
#include "net/ByteString.h"

namespace nimbo {

// The buddies of the status list entries stored since the last Clear, by
// user ID (exact, case-sensitive), in the order their IDs first came. The
// records read their entries where they lie, in wire text the table keeps.
// A record stays at the same address until the table is cleared, so rows of
// the buddy list may point at it between two refills; a later entry with
// the same user ID takes the record over. Clearing keeps the records and
// their room for the next refresh.
class BuddyTable {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CBuddyInfo;
        using difference_type = std::ptrdiff_t;
        using pointer = const CBuddyInfo*;
        using reference = const CBuddyInfo&;

        const_iterator() = default;
        const_iterator(const BuddyTable* table, std::size_t position) : m_table(table), m_position(position) {}
        reference operator*() const { return m_table->At(m_position); }
        pointer operator->() const { return &m_table->At(m_position); }
        const_iterator& operator++() {
            ++m_position;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_position;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_position == other.m_position; }

    private:
        const BuddyTable* m_table = nullptr;
        std::size_t m_position = 0;
    };

    // Keeps `text` until Clear. Entries given to Stage must lie in text
    // kept so before the table is read.
    void Keep(const ByteString& text);
    // Reads `entry` into a record to be stored by StoreStaged.
    void Stage(std::string_view entry);
    // Stores the staged records in the order they were staged: each is
    // stored, or has the record of the same user ID read its entry from now
    // on. A long list's index does not fit the cache: decoding every entry
    // first lets each slot be fetched while the entries before it are
    // stored, which costs less than waiting for it.
    void StoreStaged();
    // Stores a record made from texts, with the entry that describes them;
    // the user ID stays exact.
    const CBuddyInfo& Store(const BuddyTexts& buddy);

    const CBuddyInfo* Lookup(std::u16string_view userId) const;
    // The same, trying the record stored at `next` first and leaving `next`
    // just past the record found: the members of a group mostly come in the
    // order of the status list, and the record next in line then costs no
    // search of the index.
    const CBuddyInfo* Lookup(std::u16string_view userId, std::size_t& next) const;
    void Clear();
    std::size_t Size() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_count}; }

private:
    static constexpr std::size_t BLOCK_RECORDS = 256;

    // Slots fetched ahead of the one looked up; enough to cover the wait for
    // memory while the entries between are stored.
    static constexpr std::size_t PREFETCH_DISTANCE = 8;

    template <class Assign>
    const CBuddyInfo& StoreRecord(Assign assign);
    // The record at `position`, which is at most the number of records
    // made so far; a new block of records is made when it is that number.
    CBuddyInfo& SpareRecord(std::size_t position) {
        if (position == m_blocks.size() * BLOCK_RECORDS)
            AddBlock();
        return At(position);
    }
    void AddBlock();

    // The position of the record of `userId`, or HashIndex::NONE.
    std::uint32_t PositionOf(std::u16string_view userId) const;
    CBuddyInfo& At(std::size_t position) const {
        return m_blocks[position / BLOCK_RECORDS][position % BLOCK_RECORDS];
    }

    // Records in blocks that never move; those from m_count on are spare.
    std::vector<std::unique_ptr<CBuddyInfo[]>> m_blocks;
    std::size_t m_count = 0;
    HashIndex m_index;
    std::vector<ByteString> m_texts;
    // The hashes of the records staged after the stored ones, in order.
    std::vector<std::uint32_t> m_stagedHashes;
};

}  // namespace nimbo
