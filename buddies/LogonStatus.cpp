#include "buddies/LogonStatus.h"

#include <cstring>

namespace nimbo {
namespace {

// In code order: the index of a word is its status.
constexpr const char* kStatusWords[] = {"online", "absence", "busy", "food", "denial", "offline"};
constexpr int kStatusCount = static_cast<int>(sizeof kStatusWords / sizeof kStatusWords[0]);

}  // namespace

const char* StatusWord(int status) {
    return status >= 0 && status < kStatusCount ? kStatusWords[status] : kStatusWords[LOGON_OFFLINE];
}

LogonStatus StatusFromWord(const char* word) {
    if (!word)
        return LOGON_OFFLINE;
    for (int status = 0; status < kStatusCount; ++status) {
        if (std::strcmp(word, kStatusWords[status]) == 0)
            return static_cast<LogonStatus>(status);
    }
    return LOGON_OFFLINE;
}

}  // namespace nimbo
