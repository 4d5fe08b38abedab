#include "transfer/FileOffer.h"

#include <gtest/gtest.h>

#include "transfer/SafeFileName.h"

namespace nimbo {
namespace {

struct OfferCase {
    const char* body;
    std::u16string address;
    int port;
    std::u16string fileName;
    std::uint32_t size;
};

TEST(FileOffer, FieldsAreTheTextsBetweenAngleBrackets) {
    const OfferCase cases[] = {
        {"<10.0.0.5><9042><a.txt><1500>", u"10.0.0.5", 9042, u"a.txt", 1500},
        {"<10.0.0.5><9042><\xBB\xE7\xC1\xF8.jpg><0>", u"10.0.0.5", 9042, u"사진.jpg", 0},
        {"<10.0.0.5><9042><a>b.txt><1500>", u"10.0.0.5", 9042, u"a", 1500},
        {"<10.0.0.5><9042><a<b.txt><1500>", u"10.0.0.5", 9042, u"a<b.txt", 0},
        {"<10.0.0.5><90x2><a.txt><-1>", u"10.0.0.5", 90, u"a.txt", 4294967295u},
        {"<10.0.0.5><9042>", u"10.0.0.5", 9042, u"", 0},
        {"10.0.0.5><9042><a.txt><1500>", u"", 0, u"", 0},
        {"", u"", 0, u"", 0},
    };
    for (const auto& c : cases) {
        FileOffer offer = ParseFileOffer(c.body);
        EXPECT_EQ(offer.strAddress, c.address) << c.body;
        EXPECT_EQ(offer.nPort, c.port) << c.body;
        EXPECT_EQ(offer.strFileName, c.fileName) << c.body;
        EXPECT_EQ(offer.nFileSize, c.size) << c.body;
    }
}

TEST(FileOffer, IsFormattedInTheWireCodePageWithASigned32BitSize) {
    EXPECT_EQ(FormatFileOffer({u"10.0.0.5", 9042, u"사진.jpg", 1500}), "<10.0.0.5><9042><\xBB\xE7\xC1\xF8.jpg><1500>");
    // Sizes from 2 GiB on print negative and still parse back.
    const FileOffer large{u"10.0.0.5", 9042, u"a", 3000000000u};
    EXPECT_EQ(FormatFileOffer(large), "<10.0.0.5><9042><a><-1294967296>");
    EXPECT_EQ(ParseFileOffer(FormatFileOffer(large)).nFileSize, 3000000000u);
}

TEST(SafeFileName, KeepsOnlyTheLastPartOfAnOfferedName) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a.txt", u"a.txt"},
        {u"../../x", u"x"},
        {u"a/b", u"b"},
        {u"C:\\x", u"x"},
        {u"dir\\sub/", SAFE_FILE_NAME},
        {u"", SAFE_FILE_NAME},
        {u".", SAFE_FILE_NAME},
        {u"/..", SAFE_FILE_NAME},
        {u"...", u"..."},
    };
    for (const auto& [offered, safe] : cases)
        EXPECT_EQ(SafeFileName(offered), safe);
}

}  // namespace
}  // namespace nimbo
