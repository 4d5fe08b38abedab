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

}  // namespace

TransferFile::~TransferFile() { Close(); }

bool TransferFile::Open(const std::u16string& path, int flags) {
    Close();
    m_handle = open(platform::CodePage::ToUtf8(path).c_str(), flags | O_CLOEXEC, NEW_FILE_MODE);
    if (m_handle == -1)
        return false;
    if (!m_staging)
        m_staging = std::make_unique<char[]>(STAGING_SIZE);
    return true;
}

bool TransferFile::OpenForReading(const std::u16string& path) { return Open(path, O_RDONLY); }

std::int64_t TransferFile::OpenTarget(const std::u16string& path, TargetUse use, TargetLinks links,
                                      std::int64_t keep) {
    // Non-blocking only for the open itself: a named pipe without a reader
    // then fails at once instead of holding the worker.
    int flags = O_WRONLY | O_CREAT | O_NONBLOCK;
    if (links == TargetLinks::Refuse)
        flags |= O_NOFOLLOW;
    if (use == TargetUse::CreateNew)
        flags |= O_EXCL;
    else if (use == TargetUse::Replace)
        flags |= O_TRUNC;
    if (!Open(path, flags))
        return -1;
    const int status = fcntl(m_handle, F_GETFL);
    const std::int64_t kept = use == TargetUse::Continue ? KeepFirst(keep) : 0;
    if (status == -1 || fcntl(m_handle, F_SETFL, status & ~O_NONBLOCK) == -1 || kept < 0) {
        Close();
        return -1;
    }
    return kept;
}

// Cuts the open file after its first `keep` bytes (fewer when it is shorter)
// and positions it there; the count kept, -1 on failure.
std::int64_t TransferFile::KeepFirst(std::int64_t keep) {
    const std::int64_t kept = std::min(std::max<std::int64_t>(keep, 0), Length());
    if (kept < 0 || ftruncate(m_handle, kept) != 0 || !Seek(kept))
        return -1;
    return kept;
}

std::int64_t TransferFile::Length() const {
    struct stat status {};
    return fstat(m_handle, &status) == 0 ? status.st_size : -1;
}

bool TransferFile::Seek(std::int64_t position) {
    m_staged = m_taken = 0;
    return lseek(m_handle, position, SEEK_SET) == position;
}

int TransferFile::Read(const char*& block, int capacity) {
    if (m_taken == m_staged) {
        ssize_t count;
        do {
            count = read(m_handle, m_staging.get(), STAGING_SIZE);
        } while (count < 0 && errno == EINTR);
        if (count <= 0)
            return static_cast<int>(count);
        m_staged = static_cast<int>(count);
        m_taken = 0;
    }
    const int count = std::min(capacity, m_staged - m_taken);
    block = m_staging.get() + m_taken;
    m_taken += count;
    return count;
}

char* TransferFile::Room(int capacity) {
    if (capacity > STAGING_SIZE - m_staged && !WriteStaged())
        return nullptr;
    return m_staging.get() + m_staged;
}

bool TransferFile::Close() {
    if (m_handle == -1)
        return true;
    const bool written = m_taken != 0 || WriteStaged();
    m_staged = m_taken = 0;
    const int handle = m_handle;
    m_handle = -1;
    return close(handle) == 0 && written;
}

// Writes out the staged bytes; what the storage refuses is dropped.
bool TransferFile::WriteStaged() {
    const char* bytes = m_staging.get();
    int length = m_staged;
    m_staged = 0;
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

}  // namespace nimbo
