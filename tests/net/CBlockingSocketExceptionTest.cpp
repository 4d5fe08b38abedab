#include "net/CBlockingSocketException.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace nimbo {
namespace {

TEST(CBlockingSocketException, MessageNamesTheOperationAndTheCode) {
    CBlockingSocketException timeout(u"Receive timeout", 0);
    EXPECT_EQ(timeout.GetErrorMessage(), u"Receive timeout error");
    EXPECT_STREQ(timeout.what(), "Receive timeout error");
    CBlockingSocketException refused(u"Connect", 10022);
    EXPECT_EQ(refused.GetErrorMessage(), u"Connect error #10022");
    EXPECT_STREQ(refused.what(), "Connect error #10022");
}

TEST(CBlockingSocketException, CodeIsTheSystemErrorAtConstruction) {
    errno = ECONNREFUSED;
    CBlockingSocketException failure(u"Connect");
    errno = 0;
    EXPECT_EQ(failure.m_nErrorCode, ECONNREFUSED);
    EXPECT_EQ(failure.GetErrorMessage(), u"Connect error #111");
}

TEST(CBlockingSocketException, SystemTextExplainsSystemAndLookupCodes) {
    EXPECT_EQ(CBlockingSocketException(u"Connect", ECONNREFUSED).GetSystemText(), u"Connection refused");
    EXPECT_EQ(CBlockingSocketException(u"GetHostByName", EAI_NONAME).GetSystemText(), u"Name or service not known");
    EXPECT_EQ(CBlockingSocketException(u"Receive timeout", 0).GetSystemText(), u"");
}

TEST(CBlockingSocketException, MessageIsCutToTheBufferAndTerminated) {
    CBlockingSocketException timeout(u"Receive timeout", 0);
    char16_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    unsigned helpContext = 77;
    EXPECT_TRUE(timeout.GetErrorMessage(buffer, 10, &helpContext));
    EXPECT_EQ(std::u16string(buffer), u"Receive t");
    EXPECT_EQ(buffer[10], u'#');
    EXPECT_EQ(helpContext, 77u);

    EXPECT_TRUE(timeout.GetErrorMessage(buffer, 1));
    EXPECT_EQ(buffer[0], u'\0');
    buffer[0] = u'#';
    EXPECT_FALSE(timeout.GetErrorMessage(buffer, 0));
    EXPECT_EQ(buffer[0], u'#');
}

}  // namespace
}  // namespace nimbo
