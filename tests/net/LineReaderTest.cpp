#include "net/LineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/CBlockingSocketException.h"
#include "tests/support/SocketFailure.h"

namespace nimbo {
namespace {

// Delivers `stream` in pieces of the given sizes (the last size repeats),
// then reports a closed connection.
LineReader::ReceiveFunction Deliver(std::string stream, std::vector<int> pieces) {
    return [stream = std::move(stream), pieces = std::move(pieces), at = std::size_t{0},
            next = std::size_t{0}](char* buffer, int capacity) mutable {
        int piece = pieces[std::min(next++, pieces.size() - 1)];
        auto count = std::min({static_cast<std::size_t>(piece), static_cast<std::size_t>(capacity), stream.size() - at});
        std::memcpy(buffer, stream.data() + at, count);
        at += count;
        return static_cast<int>(count);
    };
}

std::vector<std::string> ReadAllLines(LineReader& reader, const LineReader::ReceiveFunction& receive) {
    std::vector<std::string> lines;
    for (std::string_view line = reader.ReadLine(receive); !line.empty(); line = reader.ReadLine(receive))
        lines.emplace_back(line);
    return lines;
}

TEST(LineReader, AnyChunkingYieldsTheSameWholeLines) {
    const std::vector<std::string> expected = {
        "OK\r\n", "\r\n", std::string(1023, 'a') + "\n", std::string(1024, 'b') + "\r\n", "x\n",
        std::string(5000, 'c') + "\r\n", "\n", "tail\r\n"};
    std::string stream;
    for (const auto& line : expected)
        stream += line;
    std::mt19937 random(2024);
    std::vector<std::vector<int>> chunkings = {{1}, {2}, {1023}, {1024}, {100000}};
    for (int i = 0; i < 20; ++i) {
        std::vector<int> sizes;
        for (int k = 0; k < 64; ++k)
            sizes.push_back(std::uniform_int_distribution<int>(1, 1500)(random));
        chunkings.push_back(sizes);
    }
    for (const auto& sizes : chunkings) {
        LineReader reader;
        EXPECT_EQ(ReadAllLines(reader, Deliver(stream + "unfinished", sizes)), expected) << "first piece " << sizes[0];
    }
}

TEST(LineReader, LineUpToTheBoundIsAcceptedOneMoreByteFails) {
    std::string longest(LineReader::MAX_LINE_LENGTH - 1, 'x');
    longest += '\n';
    LineReader reader;
    EXPECT_EQ(reader.ReadLine(Deliver(longest, {4096})).size(), LineReader::MAX_LINE_LENGTH);

    LineReader other;
    auto failure = test::SocketFailure([&] { other.ReadLine(Deliver("y" + longest, {4096})); });
    EXPECT_EQ(failure.m_strOperation, u"Receive");
    EXPECT_EQ(failure.m_nErrorCode, EMSGSIZE);
}

TEST(LineReader, BlockPastTheBoundFails) {
    // Lines of 1000 bytes that never end in an empty line.
    std::string line(998, 'z');
    line += "\r\n";
    LineReader::ReceiveFunction endless = [&line, at = std::size_t{0}](char* buffer, int capacity) mutable {
        for (int i = 0; i < capacity; ++i, ++at)
            buffer[i] = line[at % line.size()];
        return capacity;
    };
    LineReader reader;
    ByteString block;
    EXPECT_THROW(reader.ReadBlock(endless, block), CBlockingSocketException);
    EXPECT_LE(static_cast<std::size_t>(block.GetLength()), LineReader::MAX_BLOCK_LENGTH);
    EXPECT_GT(static_cast<std::size_t>(block.GetLength()), LineReader::MAX_BLOCK_LENGTH - line.size());
    EXPECT_EQ(block.GetLength() % static_cast<int>(line.size()), 0);
}

TEST(LineReader, BlockEndsAtTheEmptyLineAndTheNextOneFollows) {
    // A long block, so that one large receive also brings much of the next.
    const std::string longLine = std::string(300000, 'n') + "\r\n";
    const std::string second = "peercall kim instmsg YQ==\r\n" + longLine + "\r\n";
    for (int piece : {7, 4096, 1 << 22}) {
        LineReader reader;
        auto receive = Deliver("notify logon kim\r\n\r\n" + second + "half\r\nun", {piece});
        ByteString blocks[3];
        EXPECT_TRUE(reader.ReadBlock(receive, blocks[0]));
        EXPECT_TRUE(reader.ReadBlock(receive, blocks[1]));
        EXPECT_FALSE(reader.ReadBlock(receive, blocks[2]));
        EXPECT_EQ(blocks[0], "notify logon kim\r\n\r\n") << piece;
        EXPECT_EQ(blocks[1].view(), second) << piece;
        EXPECT_EQ(blocks[2], "half\r\n") << piece;
        EXPECT_EQ(reader.ReadLine(receive), "") << piece;
    }
}

// A block of the length expected arrives in one receive, where a block
// that grows from small room takes several, each copying what came before.
TEST(LineReader, BlockOfTheExpectedLengthArrivesInOneReceive) {
    const std::string block = std::string(300000, 'e') + "\r\n\r\n";
    for (std::size_t expected : {std::size_t{0}, block.size()}) {
        int receives = 0;
        LineReader::ReceiveFunction counted = [&receives, deliver = Deliver(block, {1 << 22})](char* buffer,
                                                                                             int capacity) {
            ++receives;
            return deliver(buffer, capacity);
        };
        LineReader reader;
        ByteString read;
        EXPECT_TRUE(reader.ReadBlock(counted, read, expected));
        EXPECT_EQ(read.view(), block);
        EXPECT_EQ(receives == 1, expected != 0) << receives;
    }
}

// The watcher sees ever more of the block's whole lines, never a byte past
// them, also when the block breaks off.
TEST(LineReader, WatcherSeesTheBlockAsItArrives) {
    std::string lines = "OK\r\n";
    for (int i = 0; i < 300; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    for (bool ended : {true, false}) {
        const std::string block = ended ? lines + "\r\n" : lines;
        for (int piece : {1, 700, 1 << 20}) {
            LineReader reader;
            std::vector<std::string> seen;
            ByteString read;
            EXPECT_EQ(reader.ReadBlock(Deliver(block + (ended ? "next\r\n\r\n" : "unfinished"), {piece}), read,
                                       block.size(),
                                       [&seen](std::string_view received) { seen.emplace_back(received); }),
                      ended);
            EXPECT_EQ(read.view(), block) << piece;
            // Only a block that arrives in one receive goes unseen.
            EXPECT_EQ(seen.empty(), ended && piece == 1 << 20) << piece;
            for (std::size_t i = 0; i < seen.size(); ++i) {
                EXPECT_TRUE(block.starts_with(seen[i]) && seen[i].ends_with('\n')) << piece;
                EXPECT_TRUE(i == 0 || seen[i].size() >= seen[i - 1].size()) << piece;
            }
        }
    }
}

TEST(LineReader, DiscardDropsBufferedInput) {
    LineReader reader;
    auto receive = Deliver("one\r\ntwo\r\n", {100});
    EXPECT_EQ(reader.ReadLine(receive), "one\r\n");
    reader.Discard();
    EXPECT_EQ(reader.ReadLine(receive), "");
}

}  // namespace
}  // namespace nimbo
