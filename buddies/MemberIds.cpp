#include "buddies/MemberIds.h"

#include "platform/CodePage.h"

namespace nimbo {

MemberIds::MemberIds(std::initializer_list<std::u16string_view> ids) {
    for (std::u16string_view id : ids)
        Append(id);
}

MemberIds::MemberIds(const std::vector<std::u16string>& ids) {
    for (const std::u16string& id : ids)
        Append(id);
}

void MemberIds::Append(std::u16string_view id) {
    m_text += id;
    m_ends.push_back(static_cast<std::uint32_t>(m_text.size()));
}

void MemberIds::AppendFromWire(const std::vector<std::string_view>& ids) {
    // A byte never decodes to more than one code unit: the room is made
    // once, then cut to what the IDs took.
    std::size_t length = m_text.size();
    std::size_t room = length;
    for (std::string_view id : ids)
        room += id.size();
    m_text.resize(room);
    m_ends.reserve(m_ends.size() + ids.size());
    for (std::string_view id : ids) {
        length += platform::CodePage::FromWire(id, m_text.data() + length);
        m_ends.push_back(static_cast<std::uint32_t>(length));
    }
    m_text.resize(length);
}

}  // namespace nimbo
