#include "shell/TransferFormat.h"

namespace nimbo {

namespace {

constexpr std::uint32_t kOneKilobyte = 1024;
constexpr std::uint32_t kOneMegabyte = 1024 * 1024;
// Sizes are scaled in single precision, as the texts have always shown them.
constexpr float kPerKilobyte = 1.0f / kOneKilobyte;
constexpr float kPerMegabyte = 1.0f / kOneMegabyte;
constexpr QChar kSeparator = u'/';

}  // namespace

QString FileSizeText(std::uint64_t size) {
    if (size <= kOneKilobyte) {
        return QString::asprintf("%dByte", static_cast<int>(size));
    }
    return QString::asprintf("%.1fKB", static_cast<double>(static_cast<float>(size) * kPerKilobyte));
}

QString OfferSizeText(std::uint32_t size) {
    if (size <= kOneMegabyte) {
        return FileSizeText(size);
    }
    return QString::asprintf("%.1fMB", static_cast<double>(static_cast<float>(size) * kPerMegabyte));
}

QString RemainingTimeText(std::int64_t seconds) {
    return QString::asprintf("%d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                             static_cast<int>(seconds % 60));
}

QString ProgressText(std::int64_t done, std::uint32_t size, const QString& remaining) {
    if (size <= kOneKilobyte) {
        return QString::asprintf("%dBytes / %dBytes  (남은시간:  %s)", static_cast<int>(done), static_cast<int>(size),
                                 qUtf8Printable(remaining));
    }
    return QString::asprintf("%.1fKB / %.1fKB  (남은시간:  %s)",
                             static_cast<double>(static_cast<float>(done) * kPerKilobyte),
                             static_cast<double>(static_cast<float>(size) * kPerKilobyte), qUtf8Printable(remaining));
}

QString FolderPart(const QString& path) { return path.left(path.lastIndexOf(kSeparator) + 1); }

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(kSeparator) + 1); }

}  // namespace nimbo
