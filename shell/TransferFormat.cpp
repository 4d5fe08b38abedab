#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

constexpr std::uint32_t ONE_KILOBYTE = 1024;
constexpr std::uint32_t ONE_MEGABYTE = 1024 * 1024;
// Sizes are scaled in single precision, as the texts have always shown them.
constexpr float PER_KILOBYTE = 1.0f / ONE_KILOBYTE;
constexpr float PER_MEGABYTE = 1.0f / ONE_MEGABYTE;
constexpr QChar SEPARATOR = u'/';

}  // namespace

QString FileSizeText(std::uint64_t size) {
    if (size <= ONE_KILOBYTE) {
        return QString::asprintf("%dByte", static_cast<int>(size));
    }
    return QString::asprintf("%.1fKB", static_cast<double>(static_cast<float>(size) * PER_KILOBYTE));
}

QString OfferSizeText(std::uint32_t size) {
    if (size <= ONE_MEGABYTE) {
        return FileSizeText(size);
    }
    return QString::asprintf("%.1fMB", static_cast<double>(static_cast<float>(size) * PER_MEGABYTE));
}

QString RemainingTimeText(std::int64_t seconds) {
    return QString::asprintf("%d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                             static_cast<int>(seconds % 60));
}

QString ProgressText(std::int64_t done, std::uint32_t size, const QString& remaining) {
    if (size <= ONE_KILOBYTE) {
        return QString::asprintf("%dBytes / %dBytes  (남은시간:  %s)", static_cast<int>(done), static_cast<int>(size),
                                 qUtf8Printable(remaining));
    }
    return QString::asprintf("%.1fKB / %.1fKB  (남은시간:  %s)",
                             static_cast<double>(static_cast<float>(done) * PER_KILOBYTE),
                             static_cast<double>(static_cast<float>(size) * PER_KILOBYTE), qUtf8Printable(remaining));
}

QString FolderPart(const QString& path) { return path.left(path.lastIndexOf(SEPARATOR) + 1); }

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(SEPARATOR) + 1); }

}  // namespace nimbo
