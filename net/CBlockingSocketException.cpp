#include "net/CBlockingSocketException.h"

#include <algorithm>
#include <netdb.h>

#include <cerrno>
#include <system_error>

#include "platform/CodePage.h"

namespace nimbo {

CBlockingSocketException::CBlockingSocketException(std::u16string_view operation)
    : CBlockingSocketException(operation, errno) {}

CBlockingSocketException::CBlockingSocketException(std::u16string_view operation, int errorCode)
    : m_nErrorCode(errorCode), m_strOperation(operation),
      m_what(platform::CodePage::ToUtf8(GetErrorMessage())) {}

std::u16string CBlockingSocketException::GetErrorMessage() const {
    std::u16string message = m_strOperation + u" error";
    if (m_nErrorCode != 0) {
        message += u" #";
        for (char digit : std::to_string(m_nErrorCode))
            message += static_cast<char16_t>(digit);
    }
    return message;
}

std::u16string CBlockingSocketException::GetSystemText() const {
    if (m_nErrorCode == 0)
        return {};
    const std::string text = m_nErrorCode < 0 ? std::string(gai_strerror(m_nErrorCode))
                                              : std::generic_category().message(m_nErrorCode);
    return platform::CodePage::FromUtf8(text);
}

bool CBlockingSocketException::GetErrorMessage(char16_t* buffer, unsigned capacity, unsigned*) const {
    if (capacity == 0)
        return false;
    std::u16string message = GetErrorMessage();
    std::size_t count = std::min<std::size_t>(message.size(), capacity - 1);
    std::copy_n(message.begin(), count, buffer);
    buffer[count] = u'\0';
    return true;
}

const char* CBlockingSocketException::what() const noexcept { return m_what.c_str(); }

}  // namespace nimbo
