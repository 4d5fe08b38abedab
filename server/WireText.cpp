#include "server/WireText.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace nimbo::server {
namespace {

bool IsAsciiAlnum(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

bool IsControl(char ch) {
    auto byte = static_cast<unsigned char>(ch);
    return byte < 0x20 || byte == 0x7F;
}

bool IsPlainName(std::string_view text, std::string_view forbidden) {
    return !text.empty() && text.size() <= WireText::MAX_NAME && std::none_of(text.begin(), text.end(), [&](char ch) {
        return IsControl(ch) || forbidden.find(ch) != std::string_view::npos;
    });
}

}  // namespace

bool WireText::IsUserId(std::string_view text) {
    return !text.empty() && text.size() <= MAX_USER_ID && std::all_of(text.begin(), text.end(), [](char ch) {
        return IsAsciiAlnum(ch) || ch == '.' || ch == '_' || ch == '-';
    });
}

bool WireText::IsBase64(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char ch) {
        return IsAsciiAlnum(ch) || ch == '+' || ch == '/' || ch == '=';
    });
}

bool WireText::IsDisplayName(std::string_view text) { return IsPlainName(text, "<>"); }

bool WireText::IsGroupName(std::string_view text) { return IsPlainName(text, "<>\"="); }

bool WireText::IsHostName(std::string_view text) {
    return !text.empty() && text.size() <= 253 && std::all_of(text.begin(), text.end(), [](char ch) {
        return IsAsciiAlnum(ch) || ch == '.' || ch == '-';
    });
}

std::string WireText::ToWire(std::string_view utf8) {
    return platform::CodePage::ToWire(platform::CodePage::FromUtf8(utf8));
}

}  // namespace nimbo::server
