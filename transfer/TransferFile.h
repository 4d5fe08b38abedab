#pragma once

#include <cstdint>
#include <string>

namespace nimbo {

// A file as a transfer worker uses it: plain system calls, one per block,
// with no buffering of its own. Closed by Close or the destructor.
class TransferFile {
public:
    TransferFile() = default;
    ~TransferFile();
    TransferFile(const TransferFile&) = delete;
    TransferFile& operator=(const TransferFile&) = delete;

    // Opens the file to send; false when it cannot be opened for reading.
    bool OpenForReading(const std::u16string& path);
    // Opens the target of a receive for writing, keeping its first `keep`
    // bytes (at most as many as it holds) and positioned after them; `keep`
    // 0 creates the file anew or empties it. Returns the bytes kept, -1 when
    // the file cannot be created or opened.
    std::int64_t OpenTarget(const std::u16string& path, std::int64_t keep);

    // The length in bytes; -1 when it cannot be taken.
    std::int64_t Length() const;
    bool Seek(std::int64_t position);
    // Reads at most `capacity` bytes; the count read, 0 at the end of the
    // file, -1 on failure.
    int Read(char* buffer, int capacity);
    // Writes all `length` bytes; false when the storage refuses them.
    bool Write(const char* bytes, int length);
    // False when closing reports a failure of writes made earlier.
    bool Close();

private:
    int m_handle = -1;
};

}  // namespace nimbo
