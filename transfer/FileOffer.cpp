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

FileOffer ParseFileOffer(std::u16string_view body) {
    ByteString bytes;
    bytes.AssignWide(body);
    return ParseFileOffer(bytes);
}

ByteString FormatFileOffer(const FileOffer& offer) {
    ByteString address;
    ByteString fileName;
    ByteString body;
    address.AssignWide(offer.strAddress);
    fileName.AssignWide(offer.strFileName);
    body.Format("<%s><%d><%s><%d>", address.c_str(), offer.nPort, fileName.c_str(),
                static_cast<std::int32_t>(offer.nFileSize));
    return body;
}

}  // namespace nimbo
