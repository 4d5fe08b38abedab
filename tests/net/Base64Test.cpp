#include "net/Base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nimbo {
namespace {

struct Vector {
    const char* plain;
    const char* encoded;
};

constexpr Vector VECTORS[] = {
    {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="},
    {"foobar", "Zm9vYmFy"}, {"\xBE\xC8\xB3\xE7", "vsiz5w=="},
};

TEST(Base64, EncodesKnownVectors) {
    for (const auto& v : VECTORS) {
        ByteString out("unchanged?");
        ASSERT_TRUE(base64::EncodeInto(v.plain, std::char_traits<char>::length(v.plain), out));
        EXPECT_EQ(out, v.encoded) << v.plain;
    }
}

TEST(Base64, DecodesKnownVectors) {
    for (const auto& v : VECTORS) {
        char buffer[64];
        int count = base64::DecodeInto(v.encoded, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), v.plain);
        EXPECT_EQ(buffer[count], '\0');
    }
}

TEST(Base64, ShortFinalGroupDecodesAsIfPadded) {
    char buffer[16];
    EXPECT_EQ(base64::DecodeInto("YWI", buffer, sizeof buffer), 2);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(base64::DecodeInto("YQ", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "a");
}

TEST(Base64, DecodeIntoNeverWritesPastTheBuffer) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    int count = base64::DecodeInto("YWJjZGVmZ2hpams=", buffer, 5);  // "abcdefghijk"
    EXPECT_EQ(count, 4);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], '#');
}

TEST(Base64, AllByteValuesRoundTrip) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    ByteString encoded;
    ASSERT_TRUE(base64::EncodeInto(bytes.data(), bytes.size(), encoded));
    auto decoded = base64::Decode(encoded.c_str(), static_cast<std::size_t>(encoded.GetLength()));
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), bytes);
}

TEST(Base64, DecodeTextEndsAtZeroAndCutsOnCharacterBoundaries) {
    ByteString encoded;
    base64::EncodeInto("ab\0cd", 5, encoded);
    EXPECT_EQ(base64::DecodeText(encoded), "ab");
    // "a" then two double-byte characters; a cut at 4 bytes must not keep
    // half of the second one.
    const char korean[] = "a\xBE\xC8\xB3\xE7";
    base64::EncodeInto(korean, 5, encoded);
    EXPECT_EQ(base64::DecodeText(encoded, 4), "a\xBE\xC8");
    EXPECT_EQ(base64::DecodeText(encoded, 5), korean);
}

TEST(Base64, ForeignCharactersDoNotStopDecoding) {
    char buffer[16];
    int count = base64::DecodeInto("Y!J!", buffer, sizeof buffer);
    EXPECT_EQ(count, 3);
}

TEST(Base64, APadEndsOnlyItsOwnGroup) {
    char buffer[16];
    EXPECT_EQ(base64::DecodeInto("YWJjYWI=YQ==ZA", buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "abcabad");
}

}  // namespace
}  // namespace nimbo
