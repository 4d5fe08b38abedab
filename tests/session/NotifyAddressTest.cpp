#include "session/NotifyAddress.h"

#include <gtest/gtest.h>

namespace nimbo {
namespace {

struct AddressCase {
    const char* reply;
    bool found;
    const char* host;
    int port;
};

TEST(NotifyAddress, IsReadFromTheSecondLineOfTheLoginReply) {
    const AddressCase cases[] = {
        {"OK\r\nafw=10.0.0.5:8002\r\n\r\n", true, "10.0.0.5", 8002},
        {"OK\r\nafw=10.0.0.5:8002=9003\r\n\r\n", true, "10.0.0.5", 8002},
        {"OK\r\nafw=notify.example\r\n\r\n", true, "notify.example", 0},
        {"OK\r\nafw=h:80x1\r\n\r\n", true, "h", 80},
        {"OK\r\nafw=h:x\r\n\r\n", true, "h", 0},
        {"OK\r\nafw=\r\n\r\n", true, "", 0},
        {"OK\r\n\r\n", false, "", 0},
        {"OK", false, "", 0},
        {"afw=h:1\r\n\r\n", false, "", 0},
        {"OK\r\nAFW=h:1\r\n\r\n", false, "", 0},
        {"OK\r\nafwx=h:1\r\n\r\n", false, "", 0},
        {"OK\r\nafw\r\n\r\n", false, "", 0},
        {"OK\r\nserver=h\r\nafw=h:1\r\n\r\n", false, "", 0},
    };
    for (const auto& c : cases) {
        std::optional<NotifyAddress> address = ParseNotifyAddress(c.reply);
        ASSERT_EQ(address.has_value(), c.found) << c.reply;
        if (address) {
            EXPECT_EQ(address->host, c.host) << c.reply;
            EXPECT_EQ(address->port, c.port) << c.reply;
        }
    }
}

}  // namespace
}  // namespace nimbo
