#pragma once

#include <string>
#include <string_view>

namespace nimbo::server {

// What may travel where. Every text the server puts into a reply or a
// document passes one of these checks first, so that no stored value can end
// a reply early (an empty line), forge a "<b>" entry or a group attribute, or
// split a command word.
class WireText {
public:
    static constexpr std::size_t MAX_USER_ID = 32;
    static constexpr std::size_t MAX_NAME = 100;  // display and group names, UTF-8 bytes
    static constexpr std::size_t MAX_PASSWORD = 256;
    // A status message as Base64: every watcher's status list repeats it.
    static constexpr std::size_t MAX_STATUS_MESSAGE64 = 4096;

    // 1 to 32 ASCII letters, digits, '.', '_' or '-'.
    static bool IsUserId(std::string_view text);
    // Only Base64 alphabet characters and '='; may be empty.
    static bool IsBase64(std::string_view text);
    // Non-empty UTF-8 without control characters, '<' or '>'.
    static bool IsDisplayName(std::string_view text);
    // As a display name, and without '"' or '=' (the group header is
    // searched textually for its attributes).
    static bool IsGroupName(std::string_view text);
    // A host name or dotted address: ASCII letters, digits, '.' and '-'.
    static bool IsHostName(std::string_view text);

    // UTF-8 text (terminal, database) in the device code page of the wire.
    static std::string ToWire(std::string_view utf8);
};

}  // namespace nimbo::server
