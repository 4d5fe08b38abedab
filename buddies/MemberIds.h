#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo {

// The user IDs of a group's members in document order, duplicates kept, in
// one text: a refresh of a long list decodes its members without making a
// string for each of them.
class MemberIds {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::u16string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::u16string_view;

        const_iterator() = default;
        const_iterator(const char16_t* text, const std::uint32_t* end, std::uint32_t start)
            : m_text(text), m_end(end), m_start(start) {}
        std::u16string_view operator*() const { return {m_text + m_start, *m_end - m_start}; }
        const_iterator& operator++() {
            m_start = *m_end++;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_end == other.m_end; }

    private:
        const char16_t* m_text = nullptr;
        const std::uint32_t* m_end = nullptr;  // the end of the ID shown
        std::uint32_t m_start = 0;
    };

    MemberIds() = default;
    MemberIds(std::initializer_list<std::u16string_view> ids);
    explicit MemberIds(const std::vector<std::u16string>& ids);

    // Decodes the wire text IDs and appends them.
    void AppendFromWire(const std::vector<std::string_view>& ids);
    // Keeps the room, for the IDs of the next refresh.
    void Clear() {
        m_text.clear();
        m_ends.clear();
    }

    std::size_t size() const { return m_ends.size(); }
    const_iterator begin() const { return {m_text.data(), m_ends.data(), 0}; }
    const_iterator end() const { return {m_text.data(), m_ends.data() + m_ends.size(), 0}; }
    bool operator==(const MemberIds& other) const = default;

private:
    void Append(std::u16string_view id);

    std::u16string m_text;
    // Where each ID ends in m_text: offsets stay right when the text moves.
    std::vector<std::uint32_t> m_ends;
};

}  // namespace nimbo
