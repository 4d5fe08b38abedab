#pragma once

#include <string>
#include <string_view>

#include "net/Base64.h"
#include "net/ByteString.h"

// Wire texts shared by the session tests: user "kim" with password "pass".

namespace nimbo::test {

inline const std::string AUTH_LINE = "auth kim cGFzcw== \r\n";
inline const std::string LOGIN_LINE = "login kim cGFzcw== 0 0\r\n";

// "안녕하세요" in the wire code page.
inline const std::string KOREAN_HELLO = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";

// A login reply that names the notification server at `host`, `port`.
inline std::string LoginReply(const std::string& host, int port) {
    return "OK\r\nafw=" + host + ":" + std::to_string(port) + "\r\n\r\n";
}

inline std::string Base64Of(std::string_view bytes) {
    ByteString encoded;
    base64::EncodeInto(bytes.data(), bytes.size(), encoded);
    return std::string(encoded.view());
}

}  // namespace nimbo::test
