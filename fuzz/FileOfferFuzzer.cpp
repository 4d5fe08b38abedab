// Feeds arbitrary bytes to the file offer parser as the decoded body of an
// "ftp" peer call, and checks what any receiver relies on: a body that does
// not start with "<" gives an empty offer, and an offer whose texts hold no
// angle bracket reads back the same numbers once formatted again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "transfer/FileOffer.h"

namespace {

using nimbo::fuzz::Check;

bool HasAngleBracket(const std::u16string& text) { return text.find_first_of(u"<>") != std::u16string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A wire text ends at its first zero byte.
    const auto* bytes = reinterpret_cast<const char*>(data);
    const nimbo::ByteString body(bytes, static_cast<int>(strnlen(bytes, size)));
    const nimbo::FileOffer offer = nimbo::ParseFileOffer(body);
    if (!body.view().starts_with('<')) {
        Check(offer.strAddress.empty() && offer.nPort == 0 && offer.strFileName.empty() && offer.nFileSize == 0);
        return 0;
    }
    Check(offer.strFileName.find(u'>') == std::u16string::npos);
    if (!HasAngleBracket(offer.strAddress) && !HasAngleBracket(offer.strFileName)) {
        const nimbo::FileOffer again = nimbo::ParseFileOffer(nimbo::FormatFileOffer(offer));
        Check(again.nPort == offer.nPort && again.nFileSize == offer.nFileSize);
    }
    return 0;
}
