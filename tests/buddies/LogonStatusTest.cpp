#include "buddies/CBuddyInfo.h"
#include "buddies/LogonStatus.h"

#include <gtest/gtest.h>

namespace nimbo {
namespace {

TEST(LogonStatus, WordsMapToTheirCodeExactly) {
    struct Case {
        const char* word;
        int status;
    };
    const Case cases[] = {
        {"online", 0}, {"absence", 1}, {"busy", 2}, {"food", 3}, {"denial", 4}, {"offline", 5},
        {"Online", 5}, {"online ", 5}, {"", 5},    {"away", 5}, {nullptr, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusFromWord(c.word), c.status) << (c.word ? c.word : "(null)");
    }
    EXPECT_STREQ(StatusWord(LOGON_FOOD), "food");
    EXPECT_STREQ(StatusWord(-1), "offline");
    EXPECT_STREQ(StatusWord(6), "offline");
}

}  // namespace
}  // namespace nimbo
