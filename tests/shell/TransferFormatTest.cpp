#include "shell/TransferFormat.h"

#include <gtest/gtest.h>

#include "shell/TransferProgress.h"

namespace nimbo {
namespace {

TEST(TransferFormat, SizesAreBytesUpTo1024ThenKilobytesAndMegabytesOnlyInOffers) {
    struct Case {
        std::uint32_t size;
        const char* window;
        const char* offer;
    };
    const Case cases[] = {
        {0, "0Byte", "0Byte"},
        {100, "100Byte", "100Byte"},
        {1024, "1024Byte", "1024Byte"},
        {1025, "1.0KB", "1.0KB"},
        {200000, "195.3KB", "195.3KB"},
        {1048576, "1024.0KB", "1024.0KB"},
        {1048577, "1024.0KB", "1.0MB"},
        {4294967295u, "4194304.0KB", "4096.0MB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileSizeText(c.size), QString::fromLatin1(c.window)) << c.size;
        EXPECT_EQ(OfferSizeText(c.size), QString::fromLatin1(c.offer)) << c.size;
    }
}

TEST(TransferFormat, ProgressNamesBothSizesAndTheRemainingTime) {
    EXPECT_EQ(ProgressText(100, 100, QString()), QStringLiteral("100Bytes / 100Bytes  (남은시간:  )"));
    EXPECT_EQ(ProgressText(512, 1024, RemainingTimeText(1)),
              QStringLiteral("512Bytes / 1024Bytes  (남은시간:  0:00:01)"));
    EXPECT_EQ(ProgressText(4096, 307200, RemainingTimeText(3661)),
              QStringLiteral("4.0KB / 300.0KB  (남은시간:  1:01:01)"));
    EXPECT_EQ(RemainingTimeText(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(RemainingTimeText(100000), QStringLiteral("27:46:40"));
}

TEST(TransferFormat, PathsSplitAtTheLastSeparator) {
    EXPECT_EQ(FolderPart(QStringLiteral("/home/kim/사진.jpg")), QStringLiteral("/home/kim/"));
    EXPECT_EQ(FileNamePart(QStringLiteral("/home/kim/사진.jpg")), QStringLiteral("사진.jpg"));
    EXPECT_EQ(FolderPart(QStringLiteral("a.txt")), QString());
    EXPECT_EQ(FileNamePart(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(FolderPart(QStringLiteral("/tmp/")), QStringLiteral("/tmp/"));
    EXPECT_EQ(FileNamePart(QStringLiteral("/tmp/")), QString());
}

TEST(TransferProgress, TheRemainingTimeIsWorkedOutOncePerElapsedSecondAboveTwoBytesPerSecond) {
    TransferProgress state;
    // 10000 bytes, 1000 done.
    EXPECT_EQ(state.UpdateRemainingTime(0, 1000, 10000, 1000), QString());
    EXPECT_EQ(state.UpdateRemainingTime(2, 1000, 10000, 1000), QStringLiteral("0:00:18"));
    EXPECT_EQ(state.UpdateRemainingTime(2, 9000, 10000, 9000), QStringLiteral("0:00:18"));
    EXPECT_EQ(state.UpdateRemainingTime(1, 9000, 10000, 9000), QStringLiteral("0:00:18"));
    EXPECT_EQ(state.UpdateRemainingTime(3, 8, 10000, 1008), QStringLiteral("0:00:18"));
    // The slow report used up second 3.
    EXPECT_EQ(state.UpdateRemainingTime(3, 9000, 10000, 9000), QStringLiteral("0:00:18"));
    EXPECT_EQ(state.UpdateRemainingTime(4, 4000, 10000, 5000), QStringLiteral("0:00:05"));
    EXPECT_EQ(state.RemainingTime(), QStringLiteral("0:00:05"));
}

TEST(TransferProgress, APercentageCountsOnlyWhenItChanges) {
    TransferProgress state;
    EXPECT_FALSE(state.TakePercent(0));
    EXPECT_TRUE(state.TakePercent(5));
    EXPECT_FALSE(state.TakePercent(5));
    EXPECT_TRUE(state.TakePercent(100));
    EXPECT_TRUE(state.TakePercent(0));
}

}  // namespace
}  // namespace nimbo
