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
// Storing under a present key replaces the earlier object; objects stay at
// the same address until they are replaced or the table is cleared, so rows
// of the buddy list may point at them between two refills. Entries sit in
// one array in the order they were first stored. Objects that leave the
// table are kept to be taken again (TakeSpare): a refresh refills the table
// with about the objects it had, and reusing them and their room costs less
// than destroying and making them anew.
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
        if (stored)
            m_spares.push_back(std::move(stored));
        stored = std::move(object);
        return *stored;
    }

    T* Lookup(std::u16string_view key) const {
        const std::uint32_t position = m_index.Find(HashIndex::HashOf(key), KeyIs(key));
        return position == HashIndex::NONE ? nullptr : m_entries[position].second.get();
    }

    // Keeps the objects as spares, the room of the entries and the index.
    void Clear() {
        // Taken from the back: in the order they were stored.
        for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
            m_spares.push_back(std::move(entry->second));
        m_entries.clear();
        m_index.Clear();
    }
    // An object that left the table, as it left it, or null when none did.
    std::unique_ptr<T> TakeSpare() {
        if (m_spares.empty())
            return nullptr;
        std::unique_ptr<T> spare = std::move(m_spares.back());
        m_spares.pop_back();
        return spare;
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
    std::vector<std::unique_ptr<T>> m_spares;
};

struct CBuddyGroup;
using CGroupTable = OwningTable<CBuddyGroup>;  // group name -> group

}  // namespace nimbo
