#include "session/NotifyAddress.h"

#include "net/DecimalValue.h"

namespace nimbo {
namespace {

constexpr int ADDRESS_LINE = 1;

}  // namespace

std::optional<NotifyAddress> ParseNotifyAddress(const ByteString& loginReply) {
    ByteString line = loginReply.Field("\r\n", ADDRESS_LINE);
    if (line.Find('=') < 0 || line.Field("=", 0) != "afw")
        return std::nullopt;
    ByteString value = line.Field("=", 1);
    return NotifyAddress{value.Field(":", 0), DecimalValue(value.Field(":", 1))};
}

}  // namespace nimbo
