#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/TargetUse.h"

namespace nimbo {

// A file as a transfer worker uses it: the workers move it block by block,
// straight from and into its staging buffer, while the disk sees one system
// call per STAGING_SIZE bytes, since a system call per 4096-byte block costs
// more than the block itself. Closed, with what is staged for writing written
// out, by Close or the destructor.
class TransferFile {
public:
    static constexpr int STAGING_SIZE = 64 * 1024;

    TransferFile() = default;
    ~TransferFile();
    TransferFile(const TransferFile&) = delete;
    TransferFile& operator=(const TransferFile&) = delete;

    // Opens the file to send; false when it cannot be opened for reading.
    bool OpenForReading(const std::u16string& path);
    // Opens the target of a receive for writing as `use` allows, positioned
    // after the bytes it keeps: for TargetUse::Continue its first `keep`
    // bytes, as far as it holds them; nothing otherwise. Never waits for a
    // reader of a named pipe. Returns the bytes kept, -1 when the file cannot
    // be opened so (a link refused, a file there for CreateNew, no room, no
    // right).
    std::int64_t OpenTarget(const std::u16string& path, TargetUse use, TargetLinks links, std::int64_t keep);

    // The length in bytes on the disk; -1 when it cannot be taken.
    std::int64_t Length() const;
    bool Seek(std::int64_t position);
    // Reading: the next at most `capacity` bytes of the file, left where
    // `block` points until the next call. The count, 0 at the end of the
    // file, -1 on failure.
    int Read(const char*& block, int capacity);
    // Writing: room for `capacity` more bytes (at most STAGING_SIZE), where
    // the caller puts them and then appends them with Commit. Writes out the
    // staged bytes first when there is not room enough; nullptr when the
    // storage refuses them.
    char* Room(int capacity);
    void Commit(int length) { m_staged += length; }
    // False when the bytes still staged, or writes made earlier, fail.
    bool Close();

private:
    bool Open(const std::u16string& path, int flags);
    std::int64_t KeepFirst(std::int64_t keep);
    bool WriteStaged();

    int m_handle = -1;
    std::unique_ptr<char[]> m_staging;
    int m_staged = 0;  // bytes held in m_staging
    int m_taken = 0;   // reading: the staged bytes already handed out
};

}  // namespace nimbo
