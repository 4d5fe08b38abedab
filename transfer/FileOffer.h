#pragma once

#include <cstdint>
#include <string>

#include "net/ByteString.h"

namespace nimbo {

// A file offer from another user, as its "ftp" peer call body
// "<ADDRESS><PORT><FILE NAME><SIZE>" names it.
struct FileOffer {
    std::u16string strAddress;  // where the sender listens
    int nPort = 0;
    std::u16string strFileName;  // without any folder part
    std::uint32_t nFileSize = 0;
};

// Parses an offer body. Field n is the n-th text between "<" and ">" (so a
// ">" in the file name cuts it short, and a "<" in it shifts the size); the
// numbers are read as leading decimal digits. A body that does not start
// with "<" gives an empty offer.
FileOffer ParseFileOffer(const ByteString& body);
// The same for the body of a received peer call, as its record holds it.
FileOffer ParseFileOffer(std::u16string_view body);

// The body "<ADDRESS><PORT><FILE NAME><SIZE>" of an offer, in the wire code
// page, the size printed as a signed 32-bit value.
ByteString FormatFileOffer(const FileOffer& offer);

}  // namespace nimbo
