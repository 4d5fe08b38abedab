#include "transfer/TransferFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/CodePage.h"

namespace nimbo {
namespace {

constexpr mode_t NEW_FILE_MODE = 0666;  // narrowed by the umask

int OpenPath(const std::u16string& path, int flags) {
    return open(platform::CodePage::ToUtf8(path).c_str(), flags | O_CLOEXEC, NEW_FILE_MODE);
}

}  // namespace

TransferFile::~TransferFile() { Close(); }

bool TransferFile::OpenForReading(const std::u16string& path) {
    Close();
    m_handle = OpenPath(path, O_RDONLY);
    return m_handle != -1;
}

std::int64_t TransferFile::OpenTarget(const std::u16string& path, std::int64_t keep) {
    Close();
    if (keep <= 0) {
        m_handle = OpenPath(path, O_WRONLY | O_CREAT | O_TRUNC);
        return m_handle == -1 ? -1 : 0;
    }
    m_handle = OpenPath(path, O_WRONLY | O_CREAT);
    const std::int64_t kept = std::min(keep, Length());
    if (kept < 0 || ftruncate(m_handle, kept) != 0 || !Seek(kept)) {
        Close();
        return -1;
    }
    return kept;
}

std::int64_t TransferFile::Length() const {
    struct stat status {};
    return fstat(m_handle, &status) == 0 ? status.st_size : -1;
}

bool TransferFile::Seek(std::int64_t position) { return lseek(m_handle, position, SEEK_SET) == position; }

int TransferFile::Read(char* buffer, int capacity) {
    ssize_t count;
    do {
        count = read(m_handle, buffer, static_cast<std::size_t>(capacity));
    } while (count < 0 && errno == EINTR);
    return static_cast<int>(count);
}

bool TransferFile::Write(const char* bytes, int length) {
    while (length > 0) {
        const ssize_t written = write(m_handle, bytes, static_cast<std::size_t>(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= static_cast<int>(written);
    }
    return true;
}

bool TransferFile::Close() {
    if (m_handle == -1)
        return true;
    const int handle = m_handle;
    m_handle = -1;
    return close(handle) == 0;
}

}  // namespace nimbo
