#include "buddies/LogonStatus.h"

namespace nimbo {
namespace {

// In code order: the index of a word is its status.
constexpr const char* kStatusWords[] = {"online", "absence", "busy", "food", "denial", "offline"};
constexpr int kStatusCount = static_cast<int>(sizeof kStatusWords / sizeof kStatusWords[0]);

}  // namespace

const char* StatusWord(int status) {
    return status >= 0 && status < kStatusCount ? kStatusWords[status] : kStatusWords[LOGON_OFFLINE];
}

LogonStatus StatusFromWord(const char* word) { return word ? StatusFromWord(std::string_view(word)) : LOGON_OFFLINE; }

LogonStatus StatusFromWord(std::string_view word) {
    word = word.substr(0, word.find('\0'));
    for (int status = 0; status < kStatusCount; ++status) {
        if (word == kStatusWords[status])
            return static_cast<LogonStatus>(status);
    }
    return LOGON_OFFLINE;
}

}  // namespace nimbo
