#include "buddies/LogonStatus.h"

namespace nimbo {
namespace {

// In code order: the index of a word is its status.
constexpr const char* STATUS_WORDS[] = {"online", "absence", "busy", "food", "denial", "offline"};
constexpr int STATUS_COUNT = static_cast<int>(sizeof STATUS_WORDS / sizeof STATUS_WORDS[0]);

}  // namespace

const char* StatusWord(int status) {
    return status >= 0 && status < STATUS_COUNT ? STATUS_WORDS[status] : STATUS_WORDS[LOGON_OFFLINE];
}

LogonStatus StatusFromWord(const char* word) { return word ? StatusFromWord(std::string_view(word)) : LOGON_OFFLINE; }

LogonStatus StatusFromWord(std::string_view word) {
    word = word.substr(0, word.find('\0'));
    for (int status = 0; status < STATUS_COUNT; ++status) {
        if (word == STATUS_WORDS[status])
            return static_cast<LogonStatus>(status);
    }
    return LOGON_OFFLINE;
}

}  // namespace nimbo
