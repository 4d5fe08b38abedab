#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>

namespace nimbo::platform {
namespace {

TEST(CodePage, KoreanRoundTripsThroughTheWireCodePage) {
    std::u16string text = u"쪽지 보내기 (Nimbo) 똠방각하";
    std::string wire = CodePage::ToWire(text);
    EXPECT_EQ(wire.substr(0, 4), "\xC2\xCA\xC1\xF6");
    EXPECT_EQ(CodePage::FromWire(wire), text);
}

TEST(CodePage, UnconvertibleCharactersBecomeQuestionMarks) {
    EXPECT_EQ(CodePage::ToWire(u"a\u0E01b"), "a?b");             // Thai has no code in 949
    EXPECT_EQ(CodePage::ToWire(std::u16string(u"x\xD800y")), "x?y");  // lone surrogate
}

TEST(CodePage, InvalidWireBytesNeverOverrun) {
    std::u16string text = CodePage::FromWire(std::string("ok\xFF\xBE", 4));
    EXPECT_EQ(text.substr(0, 2), u"ok");
    EXPECT_EQ(text.size(), 4u);
    EXPECT_EQ(text[2], u'\uFFFD');
}

// The system converter, one call per text; where it fails, U+FFFD stands
// for the byte it stopped at, and it goes on after that byte.
std::u16string ConverterDecoded(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-16LE", CodePage::WireName());
    std::u16string text;
    char* src = const_cast<char*>(bytes.data());
    std::size_t srcLeft = bytes.size();
    while (srcLeft > 0) {
        char16_t out[64];
        char* dst = reinterpret_cast<char*>(out);
        std::size_t dstLeft = sizeof out;
        std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        text.append(out, (sizeof out - dstLeft) / 2);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            text += u'\uFFFD';
            std::size_t skip = srcLeft > 0 ? 1 : 0;  // rarely, it fails after taking the bytes in
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return text;
}

TEST(CodePage, WireTextDecodesAsTheSystemConverterDoes) {
    std::vector<std::string> texts;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            texts.push_back({static_cast<char>(lead), static_cast<char>(trail)});
            texts.push_back({static_cast<char>(lead), static_cast<char>(trail), 'x', 'y'});
        }
        texts.push_back({static_cast<char>(lead)});
        texts.push_back({'a', static_cast<char>(lead), 'z'});
    }
    // ASCII of every length a word-wise test and widening split differently,
    // and with one byte that is not ASCII at each place.
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string ascii(length, '\0');
        for (std::size_t i = 0; i < length; ++i)
            ascii[i] = static_cast<char>('!' + (length * 7 + i) % 94);
        texts.push_back(ascii);
        for (std::size_t i = 0; i < length && length <= 17; ++i) {
            texts.push_back(ascii);
            texts.back()[i] = static_cast<char>(0xB1);
        }
    }
    std::mt19937 random(949);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 2000; ++n) {
        std::string text(static_cast<std::size_t>(n % 40), '\0');
        for (char& ch : text)
            ch = static_cast<char>(n % 3 ? byte(random) | 0x80 : byte(random));
        texts.push_back(text);
    }
    std::u16string units;
    std::u16string reused = u"a text longer than the ones before it";
    for (const std::string& text : texts) {
        const std::u16string expected = ConverterDecoded(text);
        ASSERT_EQ(CodePage::FromWire(text), expected) << ::testing::PrintToString(text);
        units.assign(text.size(), u'\0');
        units.resize(CodePage::FromWire(text, units.data()));
        ASSERT_EQ(units, expected) << ::testing::PrintToString(text);
        CodePage::FromWire(text, reused);
        ASSERT_EQ(reused, expected) << ::testing::PrintToString(text);
    }
}

TEST(CodePage, Utf8RoundTrip) {
    std::u16string text = u"받는이 : kim";
    EXPECT_EQ(CodePage::FromUtf8(CodePage::ToUtf8(text)), text);
    EXPECT_EQ(CodePage::ToUtf8(u"한"), "\xED\x95\x9C");
}

TEST(CodePage, CharBoundaryNeverSplitsADoubleByteCharacter) {
    std::string wire = "a\xBE\xC8\xB3\xE7z";
    EXPECT_EQ(CodePage::CharBoundary(wire, 0), 0u);
    EXPECT_EQ(CodePage::CharBoundary(wire, 1), 1u);
    EXPECT_EQ(CodePage::CharBoundary(wire, 2), 1u);
    EXPECT_EQ(CodePage::CharBoundary(wire, 3), 3u);
    EXPECT_EQ(CodePage::CharBoundary(wire, 4), 3u);
    EXPECT_EQ(CodePage::CharBoundary(wire, 100), wire.size());
}

}  // namespace
}  // namespace nimbo::platform
