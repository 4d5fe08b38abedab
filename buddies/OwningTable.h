#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbo {

// A table from a UTF-16 key (exact, case-sensitive) to an object it owns.
// Storing under a present key destroys the earlier object; objects stay at
// the same address until they are replaced or the table is cleared, so rows
// of the buddy list may point at them between two refills.
//
// Entries sit in one array in the order they were first stored, and an
// open-addressing index of hashes finds them: a lookup touches the index,
// the entry and the object, where a node-based map chases a pointer or two
// more. A refresh stores and looks up every buddy of a long list.
template <class T>
class OwningTable {
public:
    using Entry = std::pair<const std::u16string, std::unique_ptr<T>>;
    using const_iterator = typename std::vector<Entry>::const_iterator;

    // The object is taken by reference so that Store(p->name, std::move(p))
    // reads the key before anything is moved.
    T& Store(const std::u16string& key, std::unique_ptr<T>&& object) {
        std::size_t hash = Hash(key);
        if ((m_entries.size() + 1) * 4 > m_slots.size() * 3)
            Grow();
        Slot& slot = m_slots[Find(key, hash)];
        if (slot.index == EMPTY) {
            slot = {hash, static_cast<std::uint32_t>(m_entries.size())};
            m_entries.emplace_back(key, nullptr);
        }
        std::unique_ptr<T>& stored = m_entries[slot.index].second;
        stored = std::move(object);
        return *stored;
    }

    T* Lookup(const std::u16string& key) const {
        if (m_entries.empty())
            return nullptr;
        const Slot& slot = m_slots[Find(key, Hash(key))];
        return slot.index == EMPTY ? nullptr : m_entries[slot.index].second.get();
    }

    // Keeps the room of both arrays: a refresh refills the table to about
    // the size it had.
    void Clear() {
        m_entries.clear();
        std::fill(m_slots.begin(), m_slots.end(), Slot());
    }
    std::size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }

private:
    static constexpr std::uint32_t EMPTY = UINT32_MAX;
    static constexpr std::size_t FIRST_SLOTS = 16;

    struct Slot {
        std::size_t hash = 0;
        std::uint32_t index = EMPTY;  // into m_entries
    };

    static std::size_t Hash(const std::u16string& key) { return std::hash<std::u16string_view>()(key); }

    // The slot holding `key`, or the empty slot where it would go. There is
    // always an empty slot: Store keeps the index at most three quarters full.
    std::size_t Find(const std::u16string& key, std::size_t hash) const {
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.index == EMPTY || (slot.hash == hash && m_entries[slot.index].first == key))
                return i;
        }
    }

    void Grow() {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? FIRST_SLOTS : old.size() * 2, Slot());
        std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.index == EMPTY)
                continue;
            std::size_t i = slot.hash & mask;
            while (m_slots[i].index != EMPTY)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;  // empty, or a power of two in size
};

struct CBuddyGroup;
struct CBuddyInfo;
using CGroupTable = OwningTable<CBuddyGroup>;  // group name -> group
using CBuddyTable = OwningTable<CBuddyInfo>;   // user ID -> buddy

}  // namespace nimbo
