#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

namespace nimbo {

// A table from a UTF-16 key (exact, case-sensitive) to an object it owns.
// Storing under a present key destroys the earlier object; objects stay at
// the same address until they are replaced or the table is cleared, so rows
// of the buddy list may point at them between two refills.
template <class T>
class OwningTable {
public:
    using Map = std::unordered_map<std::u16string, std::unique_ptr<T>>;

    // The object is taken by reference so that Store(p->name, std::move(p))
    // reads the key before anything is moved.
    T& Store(const std::u16string& key, std::unique_ptr<T>&& object) {
        auto& slot = m_entries[key];
        slot = std::move(object);
        return *slot;
    }

    T* Lookup(const std::u16string& key) const {
        auto it = m_entries.find(key);
        return it == m_entries.end() ? nullptr : it->second.get();
    }

    void Clear() { m_entries.clear(); }
    std::size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    typename Map::const_iterator begin() const { return m_entries.begin(); }
    typename Map::const_iterator end() const { return m_entries.end(); }

private:
    Map m_entries;
};

struct CBuddyGroup;
struct CBuddyInfo;
using CGroupTable = OwningTable<CBuddyGroup>;  // group name -> group
using CBuddyTable = OwningTable<CBuddyInfo>;   // user ID -> buddy

}  // namespace nimbo
