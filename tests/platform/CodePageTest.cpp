#include "platform/CodePage.h"

#include <gtest/gtest.h>

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
