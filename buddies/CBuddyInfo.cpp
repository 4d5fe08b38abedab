#include "buddies/CBuddyInfo.h"

namespace nimbo {

void CBuddyInfo::SetStatusWord(const char* word) { status = StatusFromWord(word); }

}  // namespace nimbo
