#include "transfer/FileOffer.h"

#include "net/DecimalValue.h"

namespace nimbo {
namespace {

enum OfferField { FIELD_ADDRESS, FIELD_PORT, FIELD_FILE_NAME, FIELD_SIZE };

ByteString Field(const ByteString& body, OfferField field) { return body.Between("<", ">", field); }

}  // namespace

FileOffer ParseFileOffer(const ByteString& body) {
    FileOffer offer;
    if (!body.view().starts_with('<'))
        return offer;
    offer.strAddress = Field(body, FIELD_ADDRESS).ToWide();
    offer.nPort = DecimalValue(Field(body, FIELD_PORT));
    offer.strFileName = Field(body, FIELD_FILE_NAME).ToWide();
    // The sender prints the size as a signed 32-bit value.
    offer.nFileSize = static_cast<std::uint32_t>(DecimalValue(Field(body, FIELD_SIZE)));
    return offer;
}

}  // namespace nimbo
