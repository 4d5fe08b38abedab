#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace nimbo {

// An open-addressing index from the hash of a UTF-16 key to the position of
// its entry in an array that the owner keeps, in the order the keys were
// first inserted. A lookup touches the index and one entry, where a
// node-based map chases a pointer or two more; a refresh inserts and looks
// up every buddy of a long list. A slot is a 32-bit hash and a 32-bit
// position, so the index of a long list stays small enough for the cache.
// Clearing keeps the room.
class HashIndex {
public:
    static constexpr std::uint32_t NONE = UINT32_MAX;

    // User IDs and group names are short: four code units are mixed in at a
    // time, and the last multiply is folded down so that the low bits, which
    // pick the slot, depend on every code unit. Keys come from the server:
    // the seed, drawn once per process, keeps anyone from choosing keys that
    // all fall into one chain of slots.
    static std::uint32_t HashOf(std::u16string_view key) { return HashOfUnits(key.data(), key.size()); }
    // The hash of the key whose code units are these bytes, as ASCII text
    // decodes: a record keeps an ASCII ID as its wire bytes.
    static std::uint32_t HashOfBytes(std::string_view bytes) {
        return HashOfUnits(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }

    // Whether two keys are equal, tested for equality alone: a library
    // comparison also finds out which is less.
    static bool SameKey(std::u16string_view a, std::u16string_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }

    // The position whose entry `matches` (called with a position), or NONE.
    template <class Matches>
    std::uint32_t Find(std::uint32_t hash, Matches matches) const {
        return m_count == 0 ? NONE : m_slots[SlotOf(hash, matches)].position;
    }

    // The position of the entry that `matches`; when there is none,
    // `position` is indexed under `hash` and returned.
    template <class Matches>
    std::uint32_t FindOrInsert(std::uint32_t hash, std::uint32_t position, Matches matches) {
        EmptySlots();
        if ((m_count + 1) * 4 > m_slots.size() * 3)
            Grow();
        Slot& slot = m_slots[SlotOf(hash, matches)];
        if (slot.position == NONE) {
            slot = {hash, position};
            ++m_count;
        }
        return slot.position;
    }

    // Makes room for `count` entries at once, so that no insert of them
    // grows the index.
    void Reserve(std::size_t count) {
        EmptySlots();
        while (count * 4 > m_slots.size() * 3)
            Grow();
    }

    // Has the slot where a lookup of `hash` starts fetched into the cache.
    void Prefetch(std::uint32_t hash) const {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
    }

    // The slots are emptied when the next entry is inserted: a long list's
    // index is then in the cache when the entries go in, not pushed out by
    // the reply read meanwhile.
    void Clear() {
        m_stale = m_stale || m_count != 0;
        m_count = 0;
    }

private:
    static inline const std::uint64_t SEED = std::uint64_t{std::random_device()()} << 32 | std::random_device()();

    static constexpr std::size_t FIRST_SLOTS = 16;

    template <class Unit>
    static std::uint32_t HashOfUnits(const Unit* units, std::size_t left) {
        constexpr std::uint64_t MULTIPLIER = 0x9E3779B97F4A7C15u;
        std::uint64_t hash = SEED ^ left * MULTIPLIER;
        for (; left >= 4; left -= 4, units += 4) {
            const std::uint64_t word = std::uint64_t{units[0]} | std::uint64_t{units[1]} << 16 |
                                       std::uint64_t{units[2]} << 32 | std::uint64_t{units[3]} << 48;
            hash = (hash ^ word) * MULTIPLIER;
            hash ^= hash >> 32;
        }
        std::uint64_t tail = 0;
        for (; left > 0; --left, ++units)
            tail = (tail << 16) | *units;
        hash = (hash ^ tail) * MULTIPLIER;
        hash ^= hash >> 29;
        return static_cast<std::uint32_t>(hash);
    }

    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = NONE;
    };

    // The slot holding the matching entry, or the empty slot where it would
    // go. There is always an empty slot: the index is at most three
    // quarters full.
    template <class Matches>
    std::size_t SlotOf(std::uint32_t hash, Matches& matches) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.position == NONE || (slot.hash == hash && matches(slot.position)))
                return i;
        }
    }

    void Grow() {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? FIRST_SLOTS : old.size() * 2, Slot());
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.position == NONE)
                continue;
            std::size_t i = slot.hash & mask;
            while (m_slots[i].position != NONE)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    void EmptySlots() {
        if (m_stale)
            std::fill(m_slots.begin(), m_slots.end(), Slot());
        m_stale = false;
    }

    std::vector<Slot> m_slots;  // empty, or a power of two in size
    std::size_t m_count = 0;
    bool m_stale = false;  // the slots hold entries cleared since
};

}  // namespace nimbo
