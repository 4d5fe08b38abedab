#include "transfer/SafeFileName.h"

namespace nimbo {

std::u16string SafeFileName(std::u16string_view offered) {
    const std::size_t separator = offered.find_last_of(u"/\\");
    const std::u16string_view last = separator == std::u16string_view::npos ? offered : offered.substr(separator + 1);
    if (last.empty() || last == u"." || last == u"..")
        return SAFE_FILE_NAME;
    return std::u16string(last);
}

}  // namespace nimbo
