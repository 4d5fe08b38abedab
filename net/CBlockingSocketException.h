#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace nimbo {

// A failed socket operation: the operation's name ("Connect", "Receive
// timeout", ...) and the system error code at the time of the failure (errno;
// 0 when nothing failed in the system, as for a time-out). Thrown by value and
// caught by const reference at the edge of a whole exchange.
class CBlockingSocketException : public std::exception {
public:
    // Takes the error code from errno.
    explicit CBlockingSocketException(std::u16string_view operation);
    CBlockingSocketException(std::u16string_view operation, int errorCode);

    // Writes "<operation> error" (code 0) or "<operation> error #<code>" into
    // `buffer`, cut to capacity - 1 characters and terminated. `helpContext`
    // is left untouched. False only when there is no room for the terminator.
    bool GetErrorMessage(char16_t* buffer, unsigned capacity, unsigned* helpContext = nullptr) const;
    std::u16string GetErrorMessage() const;
    // The system's own words for the code ("Connection refused", "Name or
    // service not known"); empty for code 0. A name lookup's own codes are
    // negative, the system's error numbers positive.
    std::u16string GetSystemText() const;

    // The same message in UTF-8.
    const char* what() const noexcept override;

    const int m_nErrorCode;
    const std::u16string m_strOperation;

private:
    std::string m_what;
};

}  // namespace nimbo
