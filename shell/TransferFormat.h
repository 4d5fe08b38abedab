#pragma once

#include <QString>
#include <cstdint>

namespace nimbo {

// The texts a transfer window and an offer question show, and the parts of
// the paths they work with.

// "%dByte" up to 1024 bytes, else "%.1fKB" (the size in single precision
// times 1/1024): 1024 gives "1024Byte", 1025 "1.0KB". Never megabytes.
QString FileSizeText(std::uint64_t size);

// As FileSizeText up to 1048576 bytes, beyond that "%.1fMB" (times
// 1/1048576): 1048576 gives "1024.0KB", 1048577 "1.0MB".
QString OfferSizeText(std::uint32_t size);

// "H:MM:SS" for a number of seconds.
QString RemainingTimeText(std::int64_t seconds);

// "%dBytes / %dBytes  (남은시간:  %s)" for a file of at most 1024 bytes, else
// "%.1fKB / %.1fKB  (남은시간:  %s)", with `done` bytes of `size` moved.
QString ProgressText(std::int64_t done, std::uint32_t size, const QString& remaining);

// The folder part of `path`: up to and including its last separator; empty
// when it has none.
QString FolderPart(const QString& path);

// The text after the last separator of `path` (all of it when it has none).
QString FileNamePart(const QString& path);

}  // namespace nimbo
