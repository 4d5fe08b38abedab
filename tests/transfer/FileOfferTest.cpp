#include "transfer/FileOffer.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace nimbo
