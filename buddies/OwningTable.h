#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "buddies/HashIndex.h"

namespace nimbo {

// A table from a UTF-16 key (exact, case-sensitive) to an object it owns.
// Storing under a present key destroys the earlier object; objects stay at
// the same address until they are replaced or the table is cleared, so rows
// of the buddy list may point at them between two refills. Entries sit in
// one array in the order they were first stored.
template <class T>
class OwningTable {
public:
    using Entry = std::pair<const std::u16string, std::unique_ptr<T>>;
    using const_iterator = typename std::vector<Entry>::const_iterator;

    // The object is taken by reference so that Store(p->name, std::move(p))
    // reads the key before anything is moved.
    T& Store(const std::u16string& key, std::unique_ptr<T>&& object) {
        const auto next = static_cast<std::uint32_t>(m_entries.size());
        const std::uint32_t position = m_index.FindOrInsert(HashIndex::HashOf(key), next, KeyIs(key));
        if (position == next)
            m_entries.emplace_back(key, nullptr);
        std::unique_ptr<T>& stored = m_entries[position].second;
        stored = std::move(object);
        return *stored;
    }

    T* Lookup(std::u16string_view key) const {
        const std::uint32_t position = m_index.Find(HashIndex::HashOf(key), KeyIs(key));
        return position == HashIndex::NONE ? nullptr : m_entries[position].second.get();
    }

    // Keeps the room of the entries and the index: a refresh refills the
    // table to about the size it had.
    void Clear() {
        m_entries.clear();
        m_index.Clear();
    }
    std::size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }

private:
    auto KeyIs(std::u16string_view key) const {
        return [this, key](std::uint32_t position) { return HashIndex::SameKey(m_entries[position].first, key); };
    }

    std::vector<Entry> m_entries;
    HashIndex m_index;
};

struct CBuddyGroup;
using CGroupTable = OwningTable<CBuddyGroup>;  // group name -> group

}  // namespace nimbo
