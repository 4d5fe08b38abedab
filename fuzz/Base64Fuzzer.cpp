// Decodes arbitrary text, into the heap and into small caller buffers, and
// checks that arbitrary bytes survive an encode and decode unchanged.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "net/Base64.h"

using nimbo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<unsigned char> decoded = nimbo::base64::Decode(text, size);
    Check(decoded.size() <= (size + 3) / 4 * 3);

    // A buffer of exactly the given capacity, so that any write past it is
    // caught; the text ends at its first zero byte as a C string does.
    const int capacity = size > 0 ? data[size - 1] % 40 : 0;
    const std::string cText(text, size);
    auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(capacity));
    int count = nimbo::base64::DecodeInto(cText.c_str(), buffer.get(), capacity);
    Check(count >= 0 && (capacity == 0 ? count == 0 : count < capacity));
    if (capacity > 0) {
        Check(buffer[static_cast<std::size_t>(count)] == '\0');
        auto whole = nimbo::base64::Decode(cText.c_str(), std::strlen(cText.c_str()));
        Check(count == 0 || std::memcmp(buffer.get(), whole.data(), static_cast<std::size_t>(count)) == 0);
    }

    nimbo::ByteString encoded;
    Check(nimbo::base64::EncodeInto(data, size, encoded));
    Check(encoded.GetLength() == static_cast<int>((size + 2) / 3 * 4));
    auto back = nimbo::base64::Decode(encoded.c_str(), static_cast<std::size_t>(encoded.GetLength()));
    Check(back.size() == size && (size == 0 || std::memcmp(back.data(), data, size) == 0));
    return 0;
}
